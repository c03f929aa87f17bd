#include "logging/CETWLogging.h"

#include "logging/CETWConfigurationListener.h"
#include "logging/ETWLogRecord.h"
#include "logging/LogFormat.h"
#include "registry/ModuleFilePath.h"
#include "registry/OwnModuleInfo.h"

#include <stdio.h>

#include <cstdarg>
#include <cwchar>
#include <mutex>
#include <new>

namespace ETWLogging
{

namespace
{

constexpr DWORD kErrorAlreadyOpen = 20001;
constexpr DWORD kLockSpinCount = 4000;
constexpr GUID kEventClassGuid = {0xCD1DAAD0, 0x54CC, 0x11E0, {0xB8, 0xAF, 0x08, 0x00, 0x20, 0x0C, 0x9A, 0x66}};

// A formatted message keeps at most one character less than this.
constexpr std::size_t kMessageBufferChars = 2080;

constexpr UCHAR kEventTypeInformation = 1;
constexpr USHORT kEventVersion = 2;
constexpr LogLevel kFallbackEventLevel = LOG_LEVEL_INFORMATION;
constexpr TRACEHANDLE kInvalidTraceHandle = static_cast<TRACEHANDLE>(-1);

// The classic event: header followed by the two data entries it points to.
struct ETWEvent
{
    EVENT_TRACE_HEADER header;
    MOF_FIELD data[2];
};
static_assert(sizeof(ETWEvent) == 80, "header and two data-pointer entries");

ULONG WINAPI TraceControlCallback(WMIDPREQUESTCODE requestCode, PVOID context, ULONG*, PVOID buffer)
{
    if (context == nullptr)
    {
        return ERROR_INVALID_PARAMETER;
    }
    return static_cast<CETWLogging*>(context)->OnTraceControl(requestCode, buffer);
}

std::wstring_view ViewOf(const wchar_t* text)
{
    return text != nullptr ? std::wstring_view(text) : std::wstring_view();
}

} // namespace

CETWLogging::CETWLogging()
    : CETWLogging(TracingAPI::Default())
{
}

CETWLogging::CETWLogging(std::shared_ptr<TracingAPI> tracing)
    : tracing_(tracing ? std::move(tracing) : TracingAPI::Default())
    , lock_(kLockSpinCount)
{
}

CETWLogging::~CETWLogging()
{
    if (registered_ && Shutdown() == ERROR_SUCCESS)
    {
        registered_ = false;
    }
    if (registrationHandle_ != 0)
    {
        tracing_->UnregisterTraceGuids(registrationHandle_);
    }
    listener_.reset();
}

DWORD CETWLogging::Open(const wchar_t* group, HMODULE moduleHandle, const wchar_t* host, void*)
{
    return OpenEx(nullptr, group, moduleHandle, host, nullptr);
}

DWORD CETWLogging::Register()
{
    if (registered_)
    {
        return ERROR_SUCCESS;
    }
    std::lock_guard guard(lock_);
    if (registered_)
    {
        return ERROR_SUCCESS;
    }
    TRACE_GUID_REGISTRATION traceGuid{&eventClassGuid_, nullptr};
    TRACEHANDLE handle = 0;
    const ULONG result = tracing_->RegisterTraceGuidsW(TraceControlCallback, this, &properties_.ProviderGuid(), 1,
                                                       &traceGuid, nullptr, nullptr, &handle);
    if (registrationHandle_ != 0)
    {
        tracing_->UnregisterTraceGuids(registrationHandle_);
    }
    registrationHandle_ = result == ERROR_SUCCESS ? handle : 0;
    registered_ = true;
    return result;
}

const wchar_t* CETWLogging::GetLogName()
{
    return logName_.c_str();
}

const wchar_t* CETWLogging::GetGroup()
{
    return group_.c_str();
}

DWORD CETWLogging::Close()
{
    if (!registered_)
    {
        return ERROR_SUCCESS;
    }
    if (const DWORD result = Shutdown(); result != ERROR_SUCCESS)
    {
        return result;
    }
    registered_ = false;
    return ERROR_SUCCESS;
}

void CETWLogging::SetEnabled(bool enabled)
{
    enabled_ = enabled;
}

bool CETWLogging::IsEnabled()
{
    return enabled_;
}

void CETWLogging::Log(LogLevel level, const wchar_t* file, const wchar_t* function, std::uint32_t line,
                      const wchar_t* format, ...)
{
    if (!IsEnabled() || !IsLevelEnabled(level) || format == nullptr || *format == L'\0')
    {
        return;
    }
    va_list args;
    va_start(args, format);
    const std::wstring text = FormatLogMessage(format, args);
    va_end(args);
    LogTextEx(level, file, function, line, text.c_str());
}

DWORD CETWLogging::LogText(const wchar_t* file, const wchar_t* function, std::uint32_t line, LogLevel level,
                           const wchar_t* text)
{
    LogTextEx(level, file, function, line, text);
    return ERROR_SUCCESS;
}

bool CETWLogging::IsLevelEnabled(LogLevel level)
{
    return level >= threshold_ || level == LOG_LEVEL_INFORMATION;
}

void CETWLogging::SetSeverity(LogLevel level)
{
    threshold_ = ClampSeverity(level);
}

LogLevel CETWLogging::GetSeverity()
{
    return threshold_;
}

DWORD CETWLogging::OpenEx(const wchar_t* applicationName, const wchar_t* group, HMODULE moduleHandle,
                          const wchar_t* host, LoggingConfigListenerIf* listener)
{
    if (registered_)
    {
        return kErrorAlreadyOpen;
    }
    if ((group != nullptr && *group == L'\0') || (host != nullptr && *host == L'\0'))
    {
        return ERROR_INVALID_PARAMETER;
    }
    group_ = ViewOf(group);
    host_ = ViewOf(host);
    if (!properties_.Init(applicationName))
    {
        return ERROR_INVALID_PARAMETER;
    }
    GetModuleName(processImageName_, nullptr, false);
    GetModuleName(moduleName_, moduleHandle, true);
    BuildLogName();

    listener_.reset(listener != nullptr ? listener : new (std::nothrow) CETWConfigurationListener(properties_));
    if (listener_)
    {
        listener_->Attach(this);
        listener_->OnTraceChange(true, LOG_LEVEL_INFORMATION, 0);
    }

    processId_ = GetCurrentProcessId();
    const Basekit::OwnModuleInfo& ownModule = Basekit::GetOwnModuleInfo();
    moduleFolder_ = ownModule.folder;
    moduleVersion_ = ownModule.version;
    SetEventClassGuid();
    return ERROR_SUCCESS;
}

DWORD CETWLogging::LogTextEx(LogLevel level, const wchar_t* file, const wchar_t* function, std::uint32_t line,
                             const wchar_t* text)
{
    return LogEx(level, file, function, line, L"%s", text);
}

DWORD CETWLogging::LogEx(LogLevel level, const wchar_t* file, const wchar_t* function, std::uint32_t line,
                         const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    const DWORD result = LogV(level, file, function, line, format, args);
    va_end(args);
    return result;
}

DWORD CETWLogging::LogV(LogLevel level, const wchar_t* file, const wchar_t* function, std::uint32_t line,
                        const wchar_t* format, va_list args)
{
    if (format == nullptr)
    {
        return ERROR_INVALID_PARAMETER;
    }
    if (!IsEnabled() || !IsLevelEnabled(level))
    {
        return ERROR_SUCCESS;
    }

    // The runtime's formatter gives the conversions their Microsoft meaning
    // and answers -1 when the message does not fit; a cut message is sent
    // with the buffer's terminating zero.
    wchar_t text[kMessageBufferChars];
    const int written = _vsnwprintf(text, kMessageBufferChars - 1, format, args);
    text[kMessageBufferChars - 1] = L'\0';
    const std::size_t textChars = written >= 0 ? static_cast<std::size_t>(written) : std::wcslen(text) + 1;

    // The UTF-8 form goes behind the text when it fits there.
    const int utf8Bytes = textChars == 0 ? 0
                                         : WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(textChars), nullptr,
                                                               0, nullptr, nullptr);
    const std::size_t usedChars = written >= 0 ? textChars + 1 : kMessageBufferChars;
    const std::size_t spareBytes = (kMessageBufferChars - usedChars) * sizeof(wchar_t);
    std::unique_ptr<char[]> heapUtf8;
    char* utf8 = reinterpret_cast<char*>(text + usedChars);
    if (static_cast<std::size_t>(utf8Bytes) > spareBytes)
    {
        heapUtf8.reset(new (std::nothrow) char[utf8Bytes]());
        if (!heapUtf8)
        {
            return ERROR_OUTOFMEMORY;
        }
        utf8 = heapUtf8.get();
    }
    if (utf8Bytes > 0)
    {
        WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(textChars), utf8, utf8Bytes, nullptr, nullptr);
    }

    ETWLogRecord record;
    FillRecord(file, function, line, &record);
    internal::ETWRecordBuffer recordBytes;
    if (!AppendETWLogRecord(record, static_cast<std::uint64_t>(utf8Bytes), recordBytes))
    {
        return ERROR_OUTOFMEMORY;
    }

    const LogLevel mapped = MapLevel(level);
    ETWEvent event{};
    event.header.Size = sizeof(ETWEvent);
    event.header.Class.Type = kEventTypeInformation;
    event.header.Class.Level =
        static_cast<UCHAR>(mapped >= LOG_LEVEL_NORMAL && mapped <= LOG_LEVEL_CRITICAL ? mapped : kFallbackEventLevel);
    event.header.Class.Version = kEventVersion;
    event.header.Guid = eventClassGuid_;
    event.header.Flags = WNODE_FLAG_TRACED_GUID | WNODE_FLAG_USE_MOF_PTR;
    event.data[0].DataPtr = reinterpret_cast<ULONG64>(recordBytes.Data());
    event.data[0].Length = static_cast<ULONG>(recordBytes.Size());
    event.data[1].DataPtr = reinterpret_cast<ULONG64>(utf8);
    event.data[1].Length = static_cast<ULONG>(utf8Bytes);
    tracing_->TraceEvent(sessionHandle_, &event.header);
    return ERROR_SUCCESS;
}

bool CETWLogging::IsSessionHandle(std::uint64_t handle)
{
    return handle == sessionHandle_;
}

ULONG CETWLogging::OnTraceControl(ULONG requestCode, void* buffer)
{
    SetLastError(ERROR_SUCCESS);
    switch (requestCode)
    {
        case WMI_ENABLE_EVENTS:
        {
            const TRACEHANDLE session = tracing_->GetTraceLoggerHandle(buffer);
            if (session == kInvalidTraceHandle)
            {
                return GetLastError();
            }
            if (sessionHandle_ != 0 && !IsSessionHandle(session))
            {
                return ERROR_SUCCESS;
            }
            sessionHandle_ = session;
            if (!listener_)
            {
                return ERROR_SUCCESS;
            }
            const UCHAR level = tracing_->GetTraceEnableLevel(session);
            if (level == 0)
            {
                return GetLastError();
            }
            listener_->OnTraceChange(true, level, tracing_->GetTraceEnableFlags(session));
            return ERROR_SUCCESS;
        }
        case WMI_DISABLE_EVENTS:
        {
            if (listener_)
            {
                listener_->OnTraceChange(false, threshold_, 0);
            }
            const TRACEHANDLE session = tracing_->GetTraceLoggerHandle(buffer);
            if (session != kInvalidTraceHandle && IsSessionHandle(session))
            {
                sessionHandle_ = 0;
            }
            return ERROR_SUCCESS;
        }
        default:
            return ERROR_INVALID_PARAMETER;
    }
}

void CETWLogging::SetEventClassGuid()
{
    eventClassGuid_ = kEventClassGuid;
}

DWORD CETWLogging::GetModuleName(std::wstring& name, HMODULE moduleHandle, bool stripExtension)
{
    std::wstring path;
    if (const DWORD error = Basekit::GetModuleFilePath(moduleHandle, path); error != ERROR_SUCCESS)
    {
        return error;
    }
    const auto backslash = path.find_last_of(L'\\');
    name = backslash == std::wstring::npos ? path : path.substr(backslash + 1);
    if (stripExtension)
    {
        if (const auto dot = name.find_last_of(L'.'); dot != std::wstring::npos)
        {
            name.resize(dot);
        }
    }
    return ERROR_SUCCESS;
}

void CETWLogging::BuildLogName()
{
    logName_ = group_;
    if (!moduleName_.empty())
    {
        logName_ += L"\\";
        logName_ += moduleName_;
    }
}

DWORD CETWLogging::Unregister()
{
    std::lock_guard guard(lock_);
    if (registrationHandle_ == 0)
    {
        return ERROR_SUCCESS;
    }
    const ULONG result = tracing_->UnregisterTraceGuids(registrationHandle_);
    registrationHandle_ = 0;
    registered_ = false;
    return result;
}

DWORD CETWLogging::Shutdown()
{
    SetEnabled(false);
    return Unregister();
}

LogLevel CETWLogging::MapLevel(LogLevel level)
{
    return level == LOG_LEVEL_INFORMATION_EX ? LOG_LEVEL_INFORMATION : level;
}

void CETWLogging::FillRecord(const wchar_t* file, const wchar_t* function, std::uint32_t line, ETWLogRecord* record)
{
    record->processId = processId_;
    record->threadId = GetCurrentThreadId();
    record->sourceFile = ViewOf(file);
    record->function = ViewOf(function);
    record->line = line;
    record->group = group_;
    record->moduleVersion = moduleVersion_;
    record->processImageName = processImageName_;
    if (record->moduleFolder.empty())
    {
        record->moduleFolder = moduleFolder_;
    }
}

} // namespace ETWLogging
