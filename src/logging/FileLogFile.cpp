#include "logging/FileLogFile.h"

#include <iterator>
#include <stdio.h>

namespace ETWLogging
{

namespace
{

constexpr BYTE kByteOrderMark[] = {0xFF, 0xFE};

std::wstring FileName(const FileLogLocation& location, std::uint32_t index)
{
    std::wstring name = location.folder + L"\\" + location.baseName;
    if (location.host)
    {
        name += L"_" + *location.host;
    }
    wchar_t suffix[32];
    _snwprintf(suffix, std::size(suffix) - 1, L"%03lu.log", static_cast<unsigned long>(index));
    suffix[std::size(suffix) - 1] = L'\0';
    return name + suffix;
}

constexpr DWORD kShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr DWORD kFileAttributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL;

// Opens (creating it when missing) for appending only: every write lands at
// the end of the file, whatever other writers did to it meanwhile.
DWORD OpenForAppend(const std::wstring& name, FileLogHandle& file, bool& created)
{
    FileLogHandle opened(CreateFileW(name.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                     kShareReadWrite, nullptr, OPEN_ALWAYS, kFileAttributes, nullptr));
    const DWORD error = GetLastError();
    if (!opened)
    {
        return error;
    }
    created = error != ERROR_ALREADY_EXISTS;
    file = std::move(opened);
    return ERROR_SUCCESS;
}

DWORD WriteByteOrderMark(const FileLogHandle& file)
{
    DWORD written = 0;
    return WriteFile(file.get(), kByteOrderMark, sizeof(kByteOrderMark), &written, nullptr) ? ERROR_SUCCESS
                                                                                            : GetLastError();
}

// Replaces the file of the given index with one that holds only the
// byte-order mark, and makes it the current one.
DWORD StartFile(const FileLogLocation& location, std::uint32_t next, FileLogIndex& index)
{
    const FileLogHandle created(CreateFileW(FileName(location, next).c_str(), GENERIC_WRITE, kShareReadWrite, nullptr,
                                            CREATE_ALWAYS, kFileAttributes, nullptr));
    if (!created)
    {
        return GetLastError();
    }
    const DWORD result = WriteByteOrderMark(created);
    if (result == ERROR_SUCCESS)
    {
        index.Write(next);
    }
    return result;
}

} // namespace

DWORD OpenFileLogFile(const FileLogLocation& location, std::uint32_t maxSize, std::uint32_t maxEntries,
                      FileLogIndex& index, FileLogHandle& file)
{
    if (location.folder.empty() || location.baseName.empty() || (location.host && location.host->empty()))
    {
        return ERROR_INVALID_PARAMETER;
    }
    std::uint32_t current = index.Current();
    bool reloaded = false;
    for (;;)
    {
        if (current >= maxEntries)
        {
            current = 0;
            break;
        }
        // One open serves both the size check and, mostly, the write: a
        // missing file is created, a full one is closed again.
        FileLogHandle opened;
        bool created = false;
        DWORD result = OpenForAppend(FileName(location, current), opened, created);
        if (result != ERROR_SUCCESS)
        {
            return result;
        }
        if (created)
        {
            result = WriteByteOrderMark(opened);
            if (result == ERROR_SUCCESS)
            {
                file = std::move(opened);
            }
            return result;
        }
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(opened.get(), &size))
        {
            return GetLastError();
        }
        if (size.LowPart < maxSize)
        {
            file = std::move(opened);
            return ERROR_SUCCESS;
        }
        opened.reset();
        // Another writer may have started the next file already; only when
        // the stored index still names this full file is it this writer's turn.
        if (!reloaded)
        {
            reloaded = true;
            if (const std::uint32_t stored = index.Reload(); stored != current)
            {
                current = stored;
                continue;
            }
        }
        current = current + 1 < maxEntries ? current + 1 : 0;
        break;
    }
    if (const DWORD result = StartFile(location, current, index); result != ERROR_SUCCESS)
    {
        return result;
    }
    bool created = false;
    return OpenForAppend(FileName(location, current), file, created);
}

} // namespace ETWLogging
