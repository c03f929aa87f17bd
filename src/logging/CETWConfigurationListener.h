#pragma once

#include "logging/CLoggingIf.h"
#include "logging/ETWAppProperties.h"

#include <windows.h>

#include <string>

namespace ETWLogging
{

// Applies a trace session's enable request, and the "Enable" and "Severity"
// registry values that override it, to an event-tracing logger. Slot order is
// part of the interface.
class LoggingConfigListenerIf
{
public:
    virtual void OnTraceChange(bool enable, LogLevel level, ULONG flags) = 0;
    virtual ~LoggingConfigListenerIf() = default;
    // Takes the logger (not owned) when none is attached and one is given.
    virtual bool Attach(CLoggingIf_ex* logger) = 0;
    // Where the provider's registry settings live.
    virtual void GetRegistryLocation(HKEY& root, std::wstring& path) = 0;
    virtual void ApplyRegistrySettings(HKEY root, const wchar_t* path) = 0;
};

// The listener every event-tracing logger installs unless it is given one. The
// provider registry path holds the settings of every logger; its subkey named
// after the logger's group, and below that the one named after the module, hold
// settings that override them.
class CETWConfigurationListener final : public LoggingConfigListenerIf
{
public:
    explicit CETWConfigurationListener(const internal::ETWAppProperties& properties);

    // Sets the logger's enabled flag and threshold, then applies the registry
    // values; the last value found wins. Flags are not used.
    void OnTraceChange(bool enable, LogLevel level, ULONG flags) override;
    bool Attach(CLoggingIf_ex* logger) override;
    void GetRegistryLocation(HKEY& root, std::wstring& path) override;
    // Applies the DWORD values "Enable" and "Severity" of the key when present;
    // a missing key or value changes nothing.
    void ApplyRegistrySettings(HKEY root, const wchar_t* path) override;

private:
    internal::ETWAppProperties properties_;
    CLoggingIf_ex* logger_ = nullptr;
};

} // namespace ETWLogging
