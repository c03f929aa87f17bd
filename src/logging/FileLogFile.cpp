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

DWORD OpenWith(const std::wstring& name, DWORD disposition, FileLogHandle& file, bool& existed)
{
    HANDLE handle = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                disposition, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD error = GetLastError();
    if (handle == INVALID_HANDLE_VALUE)
    {
        return error;
    }
    existed = error == ERROR_ALREADY_EXISTS;
    file.reset(handle);
    return ERROR_SUCCESS;
}

// Hands out a new file once it holds the byte-order mark.
DWORD BeginNewFile(FileLogHandle& created, FileLogHandle& file)
{
    DWORD written = 0;
    if (!WriteFile(created.get(), kByteOrderMark, sizeof(kByteOrderMark), &written, nullptr))
    {
        return GetLastError();
    }
    file = std::move(created);
    return ERROR_SUCCESS;
}

// Starts the file of the given index anew, replacing an old one, and makes it
// the current one.
DWORD StartFile(const FileLogLocation& location, std::uint32_t next, FileLogIndex& index, FileLogHandle& file)
{
    FileLogHandle created;
    bool existed = false;
    DWORD result = OpenWith(FileName(location, next), CREATE_ALWAYS, created, existed);
    if (result == ERROR_SUCCESS)
    {
        result = BeginNewFile(created, file);
    }
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
    const std::uint32_t current = index.Read();
    if (current >= maxEntries)
    {
        return StartFile(location, 0, index, file);
    }
    // One open serves both the size check and the write: a missing file is
    // created, a full one is closed again and the next one started.
    FileLogHandle opened;
    bool existed = false;
    DWORD result = OpenWith(FileName(location, current), OPEN_ALWAYS, opened, existed);
    if (result != ERROR_SUCCESS)
    {
        return result;
    }
    if (!existed)
    {
        return BeginNewFile(opened, file);
    }
    // The end of the file is its size.
    LARGE_INTEGER end{};
    if (!SetFilePointerEx(opened.get(), LARGE_INTEGER{}, &end, FILE_END))
    {
        return GetLastError();
    }
    if (end.LowPart >= maxSize)
    {
        opened.reset();
        return StartFile(location, current + 1 < maxEntries ? current + 1 : 0, index, file);
    }
    file = std::move(opened);
    return ERROR_SUCCESS;
}

} // namespace ETWLogging
