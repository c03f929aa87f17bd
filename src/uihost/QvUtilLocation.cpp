#include "uihost/QvUtilLocation.h"

#include "platform/UniqueHandles.h"
#include "uihost/QvRegValue.h"

#include <shlobj.h>

#include <array>
#include <cwchar>
#include <vector>

namespace Ostrel
{

namespace
{

constexpr wchar_t kPlatformKey[] = L"SOFTWARE\\Norvane\\Platform";
constexpr wchar_t kInstallFolderValue[] = L"qvutil64_install_dir";
constexpr wchar_t kSuiteKey[] = L"SOFTWARE\\Norvane\\VRT";
constexpr wchar_t kCommonFilesValue[] = L"CommonFiles Dir";
constexpr wchar_t kDefaultCommonFilesSubfolder[] = L"\\Norvane\\Platform";

using Version = std::array<unsigned long, 4>;

// A REG_SZ value of HKEY_LOCAL_MACHINE, without its terminator; false when it
// is missing, of another type or empty.
bool ReadMachineString(const wchar_t* key, const wchar_t* name, std::wstring& text)
{
    DWORD type = REG_NONE;
    DWORD bytes = 0;
    if (QvRegReadValue(HKEY_LOCAL_MACHINE, key, name, &type, nullptr, &bytes, kQvReg64BitView) != ERROR_SUCCESS ||
        type != REG_SZ)
    {
        return false;
    }
    std::vector<wchar_t> data(bytes / sizeof(wchar_t) + 1, L'\0');
    if (QvRegReadValue(HKEY_LOCAL_MACHINE, key, name, &type, data.data(), &bytes, kQvReg64BitView) != ERROR_SUCCESS ||
        type != REG_SZ)
    {
        return false;
    }
    text.assign(data.data(), wcsnlen(data.data(), bytes / sizeof(wchar_t)));
    return !text.empty();
}

// The four numbers of a version folder's name, when it has them.
bool ParseVersion(const wchar_t* name, Version& version)
{
    return swscanf(name, L"%lu,%lu,%lu,%lu", &version[0], &version[1], &version[2], &version[3]) == 4;
}

} // namespace

DWORD GetCommonFilesFolder(wchar_t* out, DWORD size, bool trailingBackslash)
{
    if (out == nullptr || size == 0)
    {
        return ERROR_INVALID_PARAMETER;
    }
    std::wstring folder;
    if (!ReadMachineString(kSuiteKey, kCommonFilesValue, folder))
    {
        wchar_t system[MAX_PATH] = {};
        if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES_COMMON, nullptr, SHGFP_TYPE_CURRENT, system)))
        {
            out[0] = L'\0';
            return ERROR_NO_DATA;
        }
        folder = std::wstring(system) + kDefaultCommonFilesSubfolder;
    }
    if (folder.front() == L'"')
    {
        folder.erase(0, 1);
    }
    const bool endsInBackslash = !folder.empty() && folder.back() == L'\\';
    if (endsInBackslash && !trailingBackslash)
    {
        folder.pop_back();
    }
    else if (!endsInBackslash && trailingBackslash)
    {
        folder.push_back(L'\\');
    }
    if (folder.size() >= size)
    {
        return ERROR_INSUFFICIENT_BUFFER;
    }
    wmemcpy(out, folder.c_str(), folder.size() + 1);
    return ERROR_SUCCESS;
}

bool FindVersionFolder(const std::wstring& folder, std::wstring& versionFolder)
{
    WIN32_FIND_DATAW entry{};
    const std::wstring pattern = folder + L"\\*,*,*,*";
    const UniqueFindHandle search(FindFirstFileW(pattern.c_str(), &entry));
    if (!search)
    {
        return false;
    }
    bool found = false;
    Version retained{};
    std::wstring retainedName;
    do
    {
        Version version{};
        if (entry.dwFileAttributes != FILE_ATTRIBUTE_DIRECTORY || !ParseVersion(entry.cFileName, version))
        {
            continue;
        }
        if (!found || version > retained)
        {
            found = true;
            retained = version;
            retainedName = entry.cFileName;
        }
    } while (FindNextFileW(search.get(), &entry));
    if (found)
    {
        versionFolder = folder + L"\\" + retainedName;
    }
    return found;
}

bool ReadQvUtilInstallFolder(std::wstring& folder)
{
    return ReadMachineString(kPlatformKey, kInstallFolderValue, folder);
}

DWORD StoreQvUtilInstallFolder(const std::wstring& folder)
{
    return static_cast<DWORD>(QvRegWriteValue(HKEY_LOCAL_MACHINE, kPlatformKey, kInstallFolderValue, REG_SZ,
                                              folder.c_str(), static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)),
                                              kQvReg64BitView));
}

} // namespace Ostrel
