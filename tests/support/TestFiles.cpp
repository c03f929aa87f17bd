#include "support/TestFiles.h"

#include "platform/UniqueHandles.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

namespace ScreenRelayTest
{

std::string ReadFileBytes(const std::wstring& path)
{
    const Ostrel::UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
    {
        return {};
    }
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
    {
        bytes.append(buffer, read);
    }
    return bytes;
}

std::wstring ReadUtf16File(const std::wstring& path, bool* hadBom)
{
    const std::string bytes = ReadFileBytes(path);
    const bool bom = bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
                     static_cast<unsigned char>(bytes[1]) == 0xFE;
    if (hadBom != nullptr)
    {
        *hadBom = bom;
    }
    const std::size_t start = bom ? 2 : 0;
    std::wstring text((bytes.size() - start) / 2, L'\0');
    std::copy_n(bytes.data() + start, text.size() * 2, reinterpret_cast<char*>(text.data()));
    return text;
}

std::wstring LogGroupFolder(const std::wstring& group)
{
    Ostrel::UniqueTaskString programData;
    if (FAILED(SHGetKnownFolderPath(FOLDERID_ProgramData, 0, nullptr, programData.put())) || !programData)
    {
        return {};
    }
    return std::wstring(programData.get()) + L"\\Norvane\\QVLOGS\\" + group;
}

std::wstring ReadLoggedText(const std::wstring& group, const std::wstring& baseName)
{
    const std::wstring folder = LogGroupFolder(group) + L"\\" + baseName;

    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    const Ostrel::UniqueFindHandle search(FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (!search)
    {
        return {};
    }
    do
    {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        {
            names.emplace_back(found.cFileName);
        }
    } while (FindNextFileW(search.get(), &found));
    std::sort(names.begin(), names.end());

    std::wstring text;
    for (const auto& name : names)
    {
        text += ReadUtf16File(folder + L"\\" + name);
    }
    return text;
}

void DeleteFolderTree(const std::wstring& path)
{
    // SHFileOperation wants a double-terminated list.
    std::wstring from = path;
    from.push_back(L'\0');
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationW(&operation);
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    const Ostrel::UniqueFileHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
    {
        return false;
    }
    DWORD written = 0;
    return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

std::wstring ProgramBaseName()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name(path, length);
    name = name.substr(name.find_last_of(L'\\') + 1);
    return name.substr(0, name.find_last_of(L'.'));
}

std::wstring UniqueLogGroup()
{
    GUID guid{};
    CoCreateGuid(&guid);
    wchar_t text[64];
    _snwprintf(text, 64, L"Test-%08lx%04x%04x%02x%02x%02x%02x", guid.Data1, guid.Data2, guid.Data3, guid.Data4[0],
               guid.Data4[1], guid.Data4[2], guid.Data4[3]);
    text[63] = L'\0';
    return text;
}

void RemoveLogGroup(const std::wstring& group)
{
    DeleteFolderTree(LogGroupFolder(group));
}

std::wstring ProgramFolder()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

} // namespace ScreenRelayTest
