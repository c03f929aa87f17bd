#pragma once

#include "logging/LogLevel.h"

#include <windows.h>

#include <cstdarg>
#include <cstdint>
#include <string>

namespace ETWLogging
{

// The interface both loggers implement and the log front end drives. Slot
// order is part of the interface. Results are Windows error codes.
class CLoggingIf
{
public:
    virtual ~CLoggingIf() = default;

    virtual DWORD Open(const wchar_t* group, HMODULE moduleHandle, const wchar_t* host, void* reserved) = 0;
    // Makes the logger ready to write (the event-tracing logger registers its provider).
    virtual DWORD Register() = 0;
    virtual const wchar_t* GetLogName() = 0;
    virtual const wchar_t* GetGroup() = 0;
    virtual DWORD Close() = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool IsEnabled() = 0;
    // Formats and writes when the logger is enabled and the level passes.
    virtual void Log(LogLevel level, const wchar_t* file, const wchar_t* function, std::uint32_t line,
                     const wchar_t* format, ...) = 0;
    // Writes an already formatted text; 0 or the Windows error code of the write.
    virtual DWORD LogText(const wchar_t* file, const wchar_t* function, std::uint32_t line, LogLevel level,
                          const wchar_t* text) = 0;
    virtual bool IsLevelEnabled(LogLevel level) = 0;
    virtual void SetMaxEntries(std::uint32_t entries) = 0;
    virtual std::uint32_t GetMaxEntries() = 0;
    virtual void SetMaxSize(std::uint32_t bytes) = 0;
    virtual std::uint32_t GetMaxSize() = 0;
    virtual void SetSeverity(LogLevel level) = 0;
    virtual LogLevel GetSeverity() = 0;
    virtual long AddRef() = 0;
    virtual long Release() = 0;

    // Shortcuts with a fixed level: each formats into a buffer of 4160
    // characters (a longer result is cut at 4159) and calls LogText.
    virtual void LogNormal(const wchar_t* file, const wchar_t* function, std::uint32_t line, const wchar_t* format,
                           ...);
    virtual void LogError(const wchar_t* file, const wchar_t* function, std::uint32_t line, const wchar_t* format, ...);
    virtual void LogWarning(const wchar_t* file, const wchar_t* function, std::uint32_t line, const wchar_t* format,
                            ...);
    virtual void LogCritical(const wchar_t* file, const wchar_t* function, std::uint32_t line, const wchar_t* format,
                             ...);
    virtual void LogInformation(const wchar_t* file, const wchar_t* function, std::uint32_t line, const wchar_t* format,
                                ...);

protected:
    void LogTextFormatted(LogLevel level, const wchar_t* file, const wchar_t* function, std::uint32_t line,
                          const wchar_t* format, va_list args);
};

class LoggingConfigListenerIf;
struct ETWLogRecord;

// The event-tracing logger's extension of the interface. Slot order is part
// of the interface.
class CLoggingIf_ex : public CLoggingIf
{
public:
    // Opens the logger for an application (null means the default one); the
    // logger takes ownership of the listener when it returns 0.
    virtual DWORD OpenEx(const wchar_t* applicationName, const wchar_t* group, HMODULE moduleHandle,
                         const wchar_t* host, LoggingConfigListenerIf* listener) = 0;
    virtual DWORD LogTextEx(LogLevel level, const wchar_t* file, const wchar_t* function, std::uint32_t line,
                            const wchar_t* text) = 0;
    virtual DWORD LogV(LogLevel level, const wchar_t* file, const wchar_t* function, std::uint32_t line,
                       const wchar_t* format, va_list args) = 0;
    virtual DWORD LogEx(LogLevel level, const wchar_t* file, const wchar_t* function, std::uint32_t line,
                        const wchar_t* format, ...) = 0;
    virtual bool IsSessionHandle(std::uint64_t handle) = 0;
    // A trace session's control request (enable, disable); a Windows error code.
    virtual ULONG OnTraceControl(ULONG requestCode, void* buffer) = 0;
    virtual void SetEventClassGuid() = 0;
    // The file name of a module (null: the process's executable), without its
    // extension when asked; 0 or the Windows error code.
    virtual DWORD GetModuleName(std::wstring& name, HMODULE moduleHandle, bool stripExtension) = 0;
    virtual void BuildLogName() = 0;
    virtual DWORD Unregister() = 0;
    virtual DWORD Shutdown() = 0;
    virtual LogLevel MapLevel(LogLevel level) = 0;
    virtual void FillRecord(const wchar_t* file, const wchar_t* function, std::uint32_t line, ETWLogRecord* record) = 0;
};

} // namespace ETWLogging
