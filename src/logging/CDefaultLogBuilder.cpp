#include "logging/CLogBuilder.h"

#include "logging/CETWLogging.h"
#include "logging/CLogging.h"
#include "registry/CObfuscatedRegKey.h"

#include <memory>
#include <new>

namespace ETWLogging
{

namespace
{

constexpr std::uint32_t kFileLogMechanism = 1;
constexpr wchar_t kLoggingKey[] = L"SOFTWARE\\Norvane\\Logging";
constexpr wchar_t kMechanismValue[] = L"Logging Mechanism";

// Opens a new logger of the chosen kind into the empty out slot.
bool OpenInto(std::unique_ptr<CLoggingIf> logger, const wchar_t* applicationName, const wchar_t* group,
              HMODULE moduleHandle, const wchar_t* host, CLoggingIf** out)
{
    if (!logger)
    {
        return false;
    }
    DWORD result = ERROR_GEN_FAILURE;
    if (auto* extended = dynamic_cast<CLoggingIf_ex*>(logger.get()))
    {
        result = extended->OpenEx(applicationName, group, moduleHandle, host, nullptr);
    }
    if (result != 0)
    {
        result = logger->Open(group, moduleHandle, host, nullptr);
    }
    if (result != 0)
    {
        return false;
    }
    *out = logger.release();
    (*out)->AddRef();
    return true;
}

} // namespace

bool CDefaultLogBuilder::Build(const wchar_t* group, HMODULE moduleHandle, const wchar_t* host, std::uint32_t mechanism,
                               CLoggingIf** logger, Basekit::CRegKey* registryKey)
{
    return BuildEx(nullptr, group, moduleHandle, host, mechanism, logger, registryKey);
}

bool CDefaultLogBuilder::BuildEx(const wchar_t* applicationName, const wchar_t* group, HMODULE moduleHandle,
                                 const wchar_t* host, std::uint32_t mechanism, CLoggingIf** logger,
                                 Basekit::CRegKey* registryKey)
{
    const bool fileLog = FileLogChosen(mechanism, registryKey);
    if (logger == nullptr || *logger != nullptr)
    {
        return false;
    }
    if ((group != nullptr && *group == L'\0') || (host != nullptr && *host == L'\0'))
    {
        return false;
    }
    std::unique_ptr<CLoggingIf> created;
    if (fileLog)
    {
        created.reset(new (std::nothrow) CLogging());
    }
    else
    {
        created.reset(new (std::nothrow) CETWLogging());
    }
    return OpenInto(std::move(created), applicationName, group, moduleHandle, host, logger);
}

bool CDefaultLogBuilder::FileLogChosen(std::uint32_t mechanism, Basekit::CRegKey* registryKey)
{
    if (mechanism == kFileLogMechanism)
    {
        return true;
    }
    DWORD value = 0;
    if (registryKey != nullptr)
    {
        return registryKey->QueryDWORDValue(kMechanismValue, value) == 0 && value == kFileLogMechanism;
    }
    Basekit::CObfuscatedRegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kLoggingKey, KEY_QUERY_VALUE) != 0)
    {
        return false;
    }
    return key.QueryDWORDValue(kMechanismValue, value) == 0 && value == kFileLogMechanism;
}

} // namespace ETWLogging
