#include "QvUtilInstallation.h"

#include "platform/UniqueHandles.h"

#include <shlobj.h>

namespace DevHost
{

namespace
{

constexpr wchar_t kSuiteKey[] = L"SOFTWARE\\Norvane\\VRT";
constexpr wchar_t kCommonFilesValue[] = L"CommonFiles Dir";

std::wstring VersionFolderName(const LibraryVersion& version)
{
    return std::to_wstring(version[0]) + L"," + std::to_wstring(version[1]) + L"," + std::to_wstring(version[2]) +
           L"," + std::to_wstring(version[3]);
}

} // namespace

DWORD InstallQvUtil(const std::wstring& sourceDll, const std::wstring& commonFilesFolder, const LibraryVersion& version,
                    std::wstring* installedPath)
{
    const std::wstring folder = commonFilesFolder + L"\\qvutil\\" + VersionFolderName(version);
    const int created = SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    if (created != ERROR_SUCCESS && created != ERROR_ALREADY_EXISTS)
    {
        return static_cast<DWORD>(created);
    }
    const std::wstring target = folder + L"\\QvUtil.dll";
    if (!CopyFileW(sourceDll.c_str(), target.c_str(), FALSE))
    {
        return GetLastError();
    }
    if (installedPath != nullptr)
    {
        *installedPath = target;
    }
    return ERROR_SUCCESS;
}

DWORD SetCommonFilesFolder(const std::wstring& folder)
{
    Ostrel::UniqueRegKey key;
    const LONG created = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSuiteKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                         KEY_SET_VALUE, nullptr, key.put(), nullptr);
    if (created != ERROR_SUCCESS)
    {
        return static_cast<DWORD>(created);
    }
    return static_cast<DWORD>(RegSetValueExW(key.get(), kCommonFilesValue, 0, REG_SZ,
                                             reinterpret_cast<const BYTE*>(folder.c_str()),
                                             static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t))));
}

} // namespace DevHost
