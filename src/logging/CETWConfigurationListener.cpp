#include "logging/CETWConfigurationListener.h"

#include "registry/CRegKey.h"

namespace ETWLogging
{

namespace
{

std::wstring Subkey(const std::wstring& path, const wchar_t* name)
{
    return path + L"\\" + (name != nullptr ? name : L"");
}

} // namespace

CETWConfigurationListener::CETWConfigurationListener(const internal::ETWAppProperties& properties)
    : properties_(properties)
{
}

void CETWConfigurationListener::OnTraceChange(bool enable, LogLevel level, ULONG)
{
    if (logger_ == nullptr)
    {
        return;
    }
    logger_->SetEnabled(enable);
    logger_->SetSeverity(level);

    HKEY root = nullptr;
    std::wstring path;
    GetRegistryLocation(root, path);
    ApplyRegistrySettings(root, path.c_str());
    ApplyRegistrySettings(root, Subkey(path, logger_->GetGroup()).c_str());
    ApplyRegistrySettings(root, Subkey(path, logger_->GetLogName()).c_str());
}

bool CETWConfigurationListener::Attach(CLoggingIf_ex* logger)
{
    if (logger_ != nullptr || logger == nullptr)
    {
        return false;
    }
    logger_ = logger;
    return true;
}

void CETWConfigurationListener::GetRegistryLocation(HKEY& root, std::wstring& path)
{
    root = properties_.RegistryRoot();
    path = properties_.ProviderRegistryPath();
}

void CETWConfigurationListener::ApplyRegistrySettings(HKEY root, const wchar_t* path)
{
    Basekit::CRegKey key;
    if (logger_ == nullptr || key.Open(root, path, KEY_QUERY_VALUE) != ERROR_SUCCESS)
    {
        return;
    }
    DWORD value = 0;
    if (key.QueryDWORDValue(L"Enable", value) == ERROR_SUCCESS)
    {
        logger_->SetEnabled(value != 0);
    }
    if (key.QueryDWORDValue(L"Severity", value) == ERROR_SUCCESS)
    {
        logger_->SetSeverity(value);
    }
}

} // namespace ETWLogging
