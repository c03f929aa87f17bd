#pragma once

#include "logging/CLoggingIf.h"

#include <windows.h>

#include <cstdint>

namespace Basekit
{
class CRegKey;
}

namespace ETWLogging
{

// Builds the logger the front end installs. On success the out slot holds an
// open logger (with one AddRef) and the result is true.
class CLogBuilderIf
{
public:
    virtual bool Build(const wchar_t* group, HMODULE moduleHandle, const wchar_t* host, std::uint32_t mechanism,
                       CLoggingIf** logger, Basekit::CRegKey* registryKey) = 0;

protected:
    ~CLogBuilderIf() = default;
};

class CLogBuilderIf_ex : public CLogBuilderIf
{
public:
    virtual bool BuildEx(const wchar_t* applicationName, const wchar_t* group, HMODULE moduleHandle,
                         const wchar_t* host, std::uint32_t mechanism, CLoggingIf** logger,
                         Basekit::CRegKey* registryKey) = 0;

protected:
    ~CLogBuilderIf_ex() = default;
};

// Chooses the file logger when the mechanism is 1 or the machine's "Logging
// Mechanism" value under SOFTWARE\Norvane\Logging is 1, the event-tracing
// logger otherwise. Holds no state.
class CDefaultLogBuilder final : public CLogBuilderIf_ex
{
public:
    bool Build(const wchar_t* group, HMODULE moduleHandle, const wchar_t* host, std::uint32_t mechanism,
               CLoggingIf** logger, Basekit::CRegKey* registryKey) override;
    bool BuildEx(const wchar_t* applicationName, const wchar_t* group, HMODULE moduleHandle, const wchar_t* host,
                 std::uint32_t mechanism, CLoggingIf** logger, Basekit::CRegKey* registryKey) override;

private:
    static bool FileLogChosen(std::uint32_t mechanism, Basekit::CRegKey* registryKey);
};

} // namespace ETWLogging
