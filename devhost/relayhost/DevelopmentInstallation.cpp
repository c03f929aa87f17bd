#include "DevelopmentInstallation.h"

#include "platform/TrustVerification.h"
#include "registry/CRegKey.h"

#include <windows.h>

namespace RelayHost
{

namespace
{

// The framework's install folder, as the module's path macros read it.
constexpr wchar_t kFrameworkKey[] = L"SOFTWARE\\NORVANE\\RADADUV";
constexpr wchar_t kInstallDirValue[] = L"Install Dir";

// The files of a development installation that the module loads, creates COM
// objects from or starts, each subject to the trust verification. QvUtil.dll
// is trusted by content, so its copy in the common-files folder is too.
constexpr const wchar_t* kTrustedFiles[] = {L"ScreenRelay.dll", L"MessageBus.dll", L"UiHostHelper.dll",
                                            L"QvUtil.dll",      L"QvUpdate.exe",   L"RelayBrowser.exe"};

} // namespace

DevelopmentInstallation SetUpDevelopmentInstallation(const std::wstring& folder)
{
    DevelopmentInstallation installation;
    installation.installFolder = folder.substr(0, folder.size() - 1);

    Basekit::CRegKey key;
    LONG status = key.Create(HKEY_LOCAL_MACHINE, kFrameworkKey, nullptr, REG_OPTION_NON_VOLATILE,
                             KEY_SET_VALUE | KEY_WOW64_64KEY);
    if (status == ERROR_SUCCESS)
    {
        status = key.SetStringValue(kInstallDirValue, installation.installFolder.c_str());
    }
    if (status != ERROR_SUCCESS)
    {
        installation.failures.push_back(L"install folder: error " + std::to_wstring(status));
    }

    for (const wchar_t* file : kTrustedFiles)
    {
        const std::wstring path = folder + file;
        if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        {
            continue;
        }
        const DWORD listed = Ostrel::ListTrustedFile(path);
        if (listed == ERROR_SUCCESS)
        {
            installation.trustedFiles.push_back(path);
        }
        else
        {
            installation.failures.push_back(path + L": error " + std::to_wstring(listed));
        }
    }
    return installation;
}

} // namespace RelayHost
