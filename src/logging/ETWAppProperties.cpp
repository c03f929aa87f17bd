#include "logging/ETWAppProperties.h"

#include "platform/UniqueHandles.h"
#include "registry/CObfuscatedRegKey.h"

#include <objbase.h>
#include <shlobj.h>

namespace ETWLogging::internal
{

namespace
{

constexpr wchar_t kDefaultApplication[] = L"ZTS";
constexpr GUID kDefaultSessionId = {0x491FB070, 0x54CC, 0x11E0, {0xB8, 0xAF, 0x08, 0x00, 0x20, 0x0C, 0x9A, 0x66}};
constexpr GUID kDefaultProviderGuid = {0xE16CA450, 0x55CC, 0x11E0, {0xB8, 0xAF, 0x08, 0x00, 0x20, 0x0C, 0x9A, 0x66}};
constexpr wchar_t kDefaultSessionName[] = L"Norvane.{E4367DA7-2B80-47f3-86D2-7626A18FC6F4}";
constexpr wchar_t kDefaultOwnerMutexName[] = L"Global\\Norvane.{0696D115-BE52-46c3-BFEE-D73A305B6581}";
constexpr wchar_t kDefaultLogPath[] = L"\\Norvane\\QVLOGS";
constexpr wchar_t kDefaultEtlPath[] = L"\\Norvane\\QVLOGS\\ETW";
constexpr wchar_t kDefaultApplicationRegistryPath[] = L"SOFTWARE\\Norvane\\Logging";
constexpr wchar_t kDefaultControllerRegistryPath[] = L"SOFTWARE\\Norvane\\Logging\\Controller";
constexpr wchar_t kDefaultProviderRegistryPath[] = L"SOFTWARE\\Norvane\\Logging\\Provider";

constexpr wchar_t kSessionKey[] = L"Session";
constexpr wchar_t kProviderKey[] = L"Provider";
constexpr wchar_t kControllerKey[] = L"Controller";

// Every value is read with the query-values right only.
constexpr REGSAM kReadAccess = KEY_QUERY_VALUE;

std::wstring StringOr(Basekit::CRegKey& key, const wchar_t* name, const wchar_t* fallback)
{
    std::wstring value;
    return key.QueryStringValue(name, value) == ERROR_SUCCESS ? value : fallback;
}

} // namespace

bool ETWAppProperties::Init(const wchar_t* applicationName)
{
    if (!applicationName_.empty())
    {
        return false;
    }
    applicationName_ = applicationName != nullptr && *applicationName != L'\0' ? applicationName : kDefaultApplication;
    if (dataFolder_.empty() && !GetDataFolder(dataFolder_))
    {
        return false;
    }
    Basekit::CObfuscatedRegKey applicationKey;
    if (applicationKey.Open(HKEY_LOCAL_MACHINE, GetRegistryPath(nullptr).c_str(), kReadAccess) != ERROR_SUCCESS)
    {
        return LoadDefaults(dataFolder_);
    }
    return LoadFromRegistry(dataFolder_, applicationKey);
}

bool ETWAppProperties::GetDataFolder(std::wstring& dataFolder)
{
    Ostrel::UniqueTaskString path;
    const HRESULT result = SHGetKnownFolderPath(FOLDERID_ProgramData, KF_FLAG_CREATE, nullptr, path.put());
    if (SUCCEEDED(result) && path)
    {
        dataFolder = path.get();
    }
    return SUCCEEDED(result) && path;
}

bool ETWAppProperties::LoadFromRegistry(const std::wstring& dataFolder, Basekit::CRegKey& applicationKey)
{
    Basekit::CObfuscatedRegKey session;
    Basekit::CObfuscatedRegKey provider;
    Basekit::CObfuscatedRegKey controller;
    if (session.Open(applicationKey.GetHandle(), kSessionKey, kReadAccess) != ERROR_SUCCESS ||
        provider.Open(applicationKey.GetHandle(), kProviderKey, kReadAccess) != ERROR_SUCCESS ||
        controller.Open(applicationKey.GetHandle(), kControllerKey, kReadAccess) != ERROR_SUCCESS)
    {
        return false;
    }

    applicationRegistryPath_ = GetRegistryPath(nullptr);
    controllerRegistryPath_ = GetRegistryPath(kControllerKey);
    providerRegistryPath_ = GetRegistryPath(kProviderKey);
    settingsRegistryPath_ = applicationRegistryPath_;

    logFolder_ = dataFolder + StringOr(applicationKey, L"Log Path", kDefaultLogPath);
    traceFileFolder_ = dataFolder + StringOr(applicationKey, L"ETL Path", kDefaultEtlPath);
    traceFile_ = traceFileFolder_ + L"\\" + GetEtlFileName();

    return controller.QueryStringValue(L"Controller Path", controllerPath_) == ERROR_SUCCESS &&
           controller.QueryStringValue(L"Owner Mutex Name", ownerMutexName_) == ERROR_SUCCESS &&
           session.QueryGUIDValue(L"Session ID Guid", sessionId_) == ERROR_SUCCESS &&
           session.QueryStringValue(L"Session Name", sessionName_) == ERROR_SUCCESS &&
           provider.QueryGUIDValue(L"Provider Guid", providerGuid_) == ERROR_SUCCESS;
}

bool ETWAppProperties::LoadDefaults(const std::wstring& dataFolder)
{
    if (CompareStringOrdinal(applicationName_.c_str(), -1, kDefaultApplication, -1, TRUE) != CSTR_EQUAL)
    {
        return false;
    }
    dataFolder_ = dataFolder;
    sessionId_ = kDefaultSessionId;
    sessionName_ = kDefaultSessionName;
    providerGuid_ = kDefaultProviderGuid;
    ownerMutexName_ = kDefaultOwnerMutexName;
    logFolder_ = dataFolder + kDefaultLogPath;
    traceFileFolder_ = dataFolder + kDefaultEtlPath;
    traceFile_ = traceFileFolder_ + L"\\" + GetEtlFileName();
    controllerPath_.clear();
    registryRoot_ = HKEY_LOCAL_MACHINE;
    applicationRegistryPath_ = kDefaultApplicationRegistryPath;
    controllerRegistryPath_ = kDefaultControllerRegistryPath;
    providerRegistryPath_ = kDefaultProviderRegistryPath;
    settingsRegistryPath_ = applicationRegistryPath_;
    return true;
}

std::wstring ETWAppProperties::GetEtlFileName() const
{
    return L"qvlogs.etl";
}

std::wstring ETWAppProperties::GetRegistryBase() const
{
    return L"SOFTWARE\\Norvane.logging";
}

std::wstring ETWAppProperties::GetRegistryPath(const wchar_t* subkey) const
{
    std::wstring path = GetRegistryBase() + L"\\" + applicationName_;
    if (subkey != nullptr)
    {
        path += L"\\";
        path += subkey;
    }
    return path;
}

} // namespace ETWLogging::internal
