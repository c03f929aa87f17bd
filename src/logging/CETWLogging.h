#pragma once

#include "logging/CLoggingIf.h"
#include "logging/ETWAppProperties.h"
#include "logging/TracingAPI.h"
#include "platform/CriticalSection.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

namespace ETWLogging
{

// The default logger: registers the module as a classic event-tracing
// provider and sends each record as one event, a packed binary record and the
// message in UTF-8, on the session that enabled the provider. With no session
// attached the events go nowhere. Enabled state and threshold come from the
// session's enable request and from the registry (CETWConfigurationListener).
//
// Results are Windows error codes. Failures to send an event are ignored.
class CETWLogging final : public CLoggingIf_ex
{
public:
    CETWLogging();
    explicit CETWLogging(std::shared_ptr<TracingAPI> tracing);
    ~CETWLogging() override;
    CETWLogging(const CETWLogging&) = delete;
    CETWLogging& operator=(const CETWLogging&) = delete;

    // OpenEx with the default application and listener.
    DWORD Open(const wchar_t* group, HMODULE moduleHandle, const wchar_t* host, void* reserved) override;
    // Registers the provider on the first call; a failed registration is
    // reported to that caller only and not tried again.
    DWORD Register() override;
    const wchar_t* GetLogName() override;
    const wchar_t* GetGroup() override;
    // Disables and unregisters; a failed unregistration leaves the logger
    // registered.
    DWORD Close() override;
    void SetEnabled(bool enabled) override;
    bool IsEnabled() override;
    void Log(LogLevel level, const wchar_t* file, const wchar_t* function, std::uint32_t line, const wchar_t* format,
             ...) override;
    DWORD LogText(const wchar_t* file, const wchar_t* function, std::uint32_t line, LogLevel level,
                  const wchar_t* text) override;
    // Level 3 ("Information") always passes; other levels pass from the threshold up.
    bool IsLevelEnabled(LogLevel level) override;
    void SetMaxEntries(std::uint32_t) override {}
    std::uint32_t GetMaxEntries() override { return 0; }
    void SetMaxSize(std::uint32_t) override {}
    std::uint32_t GetMaxSize() override { return 0; }
    void SetSeverity(LogLevel level) override;
    LogLevel GetSeverity() override;
    // The front end owns the logger: no reference counting.
    long AddRef() override { return 0; }
    long Release() override { return 0; }

    // 20001 when already registered, 87 for an empty group or host or when the
    // application's properties cannot be loaded.
    DWORD OpenEx(const wchar_t* applicationName, const wchar_t* group, HMODULE moduleHandle, const wchar_t* host,
                 LoggingConfigListenerIf* listener) override;
    DWORD LogTextEx(LogLevel level, const wchar_t* file, const wchar_t* function, std::uint32_t line,
                    const wchar_t* text) override;
    // Sends one event when the logger is enabled and the level passes. The
    // message keeps at most 2079 characters. 87 without a format, else 0.
    DWORD LogV(LogLevel level, const wchar_t* file, const wchar_t* function, std::uint32_t line, const wchar_t* format,
               va_list args) override;
    DWORD LogEx(LogLevel level, const wchar_t* file, const wchar_t* function, std::uint32_t line, const wchar_t* format,
                ...) override;
    bool IsSessionHandle(std::uint64_t handle) override;
    // Attaches the session that enables the provider and detaches it when it
    // disables the provider; while one session is attached, others are ignored.
    ULONG OnTraceControl(ULONG requestCode, void* buffer) override;
    void SetEventClassGuid() override;
    DWORD GetModuleName(std::wstring& name, HMODULE moduleHandle, bool stripExtension) override;
    // Group, plus a backslash and the module name when there is one.
    void BuildLogName() override;
    DWORD Unregister() override;
    DWORD Shutdown() override;
    // Level 6 is sent as 3.
    LogLevel MapLevel(LogLevel level) override;
    void FillRecord(const wchar_t* file, const wchar_t* function, std::uint32_t line, ETWLogRecord* record) override;

    const internal::ETWAppProperties& GetAppProperties() const { return properties_; }

private:
    std::shared_ptr<TracingAPI> tracing_;
    std::atomic<bool> registered_{false};
    Ostrel::CriticalSection lock_;
    DWORD processId_ = 0;
    GUID eventClassGuid_{};
    std::unique_ptr<LoggingConfigListenerIf> listener_;
    std::atomic<bool> enabled_{true};
    std::atomic<LogLevel> threshold_{kDefaultSeverity};
    std::wstring group_;
    std::wstring host_;
    std::wstring processImageName_;
    std::wstring moduleName_;
    std::wstring logName_;
    std::wstring moduleFolder_;
    std::wstring moduleVersion_;
    // The control callback changes the session handle, enabled flag and
    // threshold on a system thread while records are written.
    std::atomic<TRACEHANDLE> sessionHandle_{0};
    TRACEHANDLE registrationHandle_ = 0;
    internal::ETWAppProperties properties_;
};

} // namespace ETWLogging
