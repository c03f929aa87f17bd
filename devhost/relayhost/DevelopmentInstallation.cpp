#include "DevelopmentInstallation.h"

#include "ComServerRegistration.h"
#include "DevelopmentSwitches.h"
#include "QvUtilInstallation.h"
#include "SettingsService.h"
#include "ShellHandlerRegistration.h"
#include "platform/TrustVerification.h"
#include "registry/CRegKey.h"

#include <utility>

namespace RelayHost
{

namespace
{

struct RegistryText
{
    const wchar_t* name;
    const wchar_t* text;
};

// The framework's install folder, as the module's path macros read it.
constexpr wchar_t kFrameworkKey[] = L"SOFTWARE\\NORVANE\\RADADUV";
constexpr wchar_t kInstallDirValue[] = L"Install Dir";

// The files of a development installation that the module loads, creates COM
// objects from or starts, each subject to the trust verification. QvUtil.dll
// is trusted by content, so its copy in the common-files folder is too.
constexpr const wchar_t* kTrustedFiles[] = {L"ScreenRelay.dll", L"MessageBus.dll", L"UiHostHelper.dll",
                                            L"QvUtil.dll",      L"QvUpdate.exe",   L"RelayBrowser.exe"};

constexpr wchar_t kCommonFilesFolder[] = L"CommonFiles";
constexpr DevHost::LibraryVersion kQvUtilVersion = {1, 0, 0, 0};

// Variables and query parameters of the suite's links.
constexpr wchar_t kSubstituteKey[] = L"SOFTWARE\\Norvane\\VRT\\AppInfo\\Substitute";
constexpr RegistryText kSubstituteValues[] = {
    {L"domain", L"localhost"}, {L"lang", L"en"}, {L"lcid", L"1033"}, {L"affid", L"1000"}};
constexpr wchar_t kQueryParamsKey[] = L"SOFTWARE\\Norvane\\VRT\\AppInfo\\Substitute\\QueryParams";
constexpr RegistryText kQueryParams[] = {{L"affid", L"1000"}, {L"lang", L"en"}, {L"langid", L"9"}, {L"lcid", L"1033"}};

// The link table of the main settings hive.
constexpr wchar_t kLinksKey[] = L"SOFTWARE\\Norvane\\VRT\\Settings\\Links";
constexpr RegistryText kLinks[] = {
    {L"inappsupport", L"https://%domain%/%lang%/support/inapp"},
    {L"renew", L"https://%domain%/%lang%/renew"},
    {L"privacy", L"https://%domain%/%lang%/privacy"},
    {L"websafety", L"https://%domain%/%lang%/websafety"},
};

// What the web-safety feature's page opens.
constexpr wchar_t kWebSafetyKey[] = L"SOFTWARE\\Norvane\\VRT\\Settings\\toc\\A12341F7-A130-4447-97AD-2675F46516FB";
constexpr RegistryText kWebSafetyValues[] = {{L"LinkContext", L"substlink:websafety"}};

constexpr wchar_t kLoggingKey[] = L"SOFTWARE\\Norvane\\Logging";
constexpr wchar_t kLoggingMechanismValue[] = L"Logging Mechanism";
constexpr DWORD kFileLogMechanism = 1;

template <typename Write>
DWORD WriteKey(const wchar_t* keyPath, Write write)
{
    Basekit::CRegKey key;
    const LONG created =
        key.Create(HKEY_LOCAL_MACHINE, keyPath, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE | KEY_WOW64_64KEY);
    return static_cast<DWORD>(created != ERROR_SUCCESS ? created : write(key));
}

template <std::size_t Count>
DWORD WriteTexts(const wchar_t* keyPath, const RegistryText (&values)[Count])
{
    return WriteKey(keyPath,
                    [&](Basekit::CRegKey& key)
                    {
                        for (const RegistryText& value : values)
                        {
                            if (const LONG status = key.SetStringValue(value.name, value.text); status != ERROR_SUCCESS)
                            {
                                return status;
                            }
                        }
                        return static_cast<LONG>(ERROR_SUCCESS);
                    });
}

} // namespace

std::vector<SetUpStep> SetUpDevelopmentInstallation(const std::wstring& folder, bool partnerInstallation)
{
    std::vector<SetUpStep> steps;
    const auto step = [&steps](std::wstring what, DWORD status)
    {
        steps.push_back({std::move(what), status});
    };

    const std::wstring installFolder = folder.substr(0, folder.size() - 1);
    step(L"install folder " + installFolder,
         WriteKey(kFrameworkKey,
                  [&](Basekit::CRegKey& key) { return key.SetStringValue(kInstallDirValue, installFolder.c_str()); }));

    for (const wchar_t* file : kTrustedFiles)
    {
        const std::wstring path = folder + file;
        if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        {
            step(L"trusted " + path, Ostrel::ListTrustedFile(path));
        }
    }

    const std::wstring commonFiles = folder + kCommonFilesFolder;
    step(L"QvUtil.dll installed under " + commonFiles,
         DevHost::InstallQvUtil(folder + L"QvUtil.dll", commonFiles, kQvUtilVersion));
    step(L"common-files folder " + commonFiles, DevHost::SetCommonFilesFolder(commonFiles));

    step(L"link substitution values", WriteTexts(kSubstituteKey, kSubstituteValues));
    step(L"link query parameters", WriteTexts(kQueryParamsKey, kQueryParams));
    step(L"link table", WriteTexts(kLinksKey, kLinks));
    step(L"web-safety link context", WriteTexts(kWebSafetyKey, kWebSafetyValues));
    step(L"file log (Logging Mechanism 1)",
         WriteKey(kLoggingKey,
                  [](Basekit::CRegKey& key) { return key.SetDWORDValue(kLoggingMechanismValue, kFileLogMechanism); }));
    step(partnerInstallation ? L"partner installation" : L"not a partner installation",
         DevHost::WriteDevelopmentSwitch(SettingsService::kComponent, SettingsService::kPartnerSwitch,
                                         partnerInstallation ? 1 : 0));

    step(L"UI host helper COM server", DevHost::RegisterUiHostHelper(folder + L"UiHostHelper.dll"));
    step(L"updater COM server", DevHost::RegisterUpdater(folder + L"QvUpdate.exe"));
    step(L"stand-in browser for http, https and .html", DevHost::RegisterBrowser(folder + L"RelayBrowser.exe"));
    return steps;
}

} // namespace RelayHost
