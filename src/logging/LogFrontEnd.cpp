#include "logging/LogFrontEnd.h"

#include "logging/LogFormat.h"

#include "logging/CBasekitLogHandler.h"
#include "logging/CLogBuilder.h"
#include "logging/LogHolder.h"
#include "platform/OnceOnly.h"

#include <stdio.h>

#include <new>
#include <string>

namespace ETWLogging
{

namespace
{

// A message longer than this reaches the file log as its first half.
constexpr std::size_t kLongMessageChars = 4160;
constexpr std::size_t kLongMessageKeptChars = 2080;

struct LogContext
{
    const wchar_t* applicationName = nullptr;
    const wchar_t* group = L"_no_group";
    HMODULE moduleHandle = nullptr;
    const wchar_t* host = L"_no_host";
    std::uint32_t mechanism = 0;
};

// The module that contains this code: the library itself (or the program a
// test links the code into).
HMODULE ModuleOfThisCode()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ModuleOfThisCode), &module);
    return module;
}

// Process-wide state of the front end. Its destruction at library unload
// unregisters the core library bridge, destroys the logger, frees the holder
// and then the factory.
class FrontEnd
{
public:
    ~FrontEnd()
    {
        if (holder_ != nullptr)
        {
            if (holder_->basekitHandler != nullptr)
            {
                Basekit::CLogger::UnregisterHandler(holder_->basekitHandler);
            }
            holder_->logger.reset();
            delete holder_;
        }
        delete factory_;
    }

    LogContext context;

    internal::LogHolder* Obtain()
    {
        try
        {
            once_.Run([this] { Create(); });
        }
        catch (const std::bad_alloc&)
        {
            return nullptr;
        }
        return holder_;
    }

    internal::LogHolder* Existing() const { return holder_; }

private:
    // Throws std::bad_alloc when the holder cannot be allocated, which leaves
    // the once-only flag unset so that the next call tries again.
    void Create()
    {
        LogContext snapshot = context;
        if (snapshot.moduleHandle == nullptr)
        {
            snapshot.moduleHandle = ModuleOfThisCode();
        }
        auto* holder = new internal::LogHolder();
        if (factory_ == nullptr)
        {
            factory_ = new (std::nothrow) CDefaultLogBuilder();
        }
        CLoggingIf* logger = nullptr;
        const bool built =
            factory_ != nullptr && (factory_->BuildEx(snapshot.applicationName, snapshot.group, snapshot.moduleHandle,
                                                      snapshot.host, snapshot.mechanism, &logger, nullptr) ||
                                    factory_->Build(snapshot.group, snapshot.moduleHandle, snapshot.host,
                                                    snapshot.mechanism, &logger, nullptr));
        holder_ = holder;
        if (!built)
        {
            return;
        }
        holder->logger.reset(logger);

        CBasekitLogHandler& bridge = CBasekitLogHandler::Instance();
        if (Basekit::CLogger::RegisterHandler(&bridge) != 0)
        {
            return;
        }
        Basekit::ILoggingHandler* previous = holder->basekitHandler;
        holder->basekitHandler = &bridge;
        if (previous != nullptr && previous != &bridge)
        {
            Basekit::CLogger::UnregisterHandler(previous);
        }
    }

    Ostrel::OnceOnly once_;
    internal::LogHolder* holder_ = nullptr;
    CDefaultLogBuilder* factory_ = nullptr;
};

FrontEnd g_frontEnd;

} // namespace

namespace internal
{

LogHolder* ObtainLogHolder()
{
    return g_frontEnd.Obtain();
}

LogHolder* ExistingLogHolder()
{
    return g_frontEnd.Existing();
}

std::uint32_t LogRecordValues(LogLevel level, const wchar_t* file, const wchar_t* function, std::uint32_t line,
                              const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::uint32_t result = LogRecordV(level, file, function, line, format, args);
    va_end(args);
    return result;
}

} // namespace internal

bool LogIsEnabled(LogLevel level)
{
    internal::LogHolder* holder = internal::ObtainLogHolder();
    return holder != nullptr && holder->logger && holder->logger->IsLevelEnabled(level);
}

std::uint32_t LogRecord(LogLevel level, const wchar_t* file, const wchar_t* function, std::uint32_t line,
                        const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::uint32_t result = LogRecordV(level, file, function, line, format, args);
    va_end(args);
    return result;
}

std::uint32_t LogRecordV(LogLevel level, const wchar_t* file, const wchar_t* function, std::uint32_t line,
                         const wchar_t* format, va_list args)
{
    internal::LogHolder* holder = internal::ObtainLogHolder();
    if (holder == nullptr)
    {
        return 0;
    }
    CLoggingIf* logger = holder->logger.get();
    if (logger == nullptr)
    {
        return ERROR_FUNCTION_FAILED;
    }
    if (const DWORD result = logger->Register(); result != 0)
    {
        return result;
    }
    if (auto* extended = dynamic_cast<CLoggingIf_ex*>(logger))
    {
        if (extended->IsLevelEnabled(level))
        {
            extended->LogV(level, file, function, line, format, args);
        }
        return 0;
    }
    if (const DWORD result = logger->Register(); result != 0)
    {
        return result;
    }
    std::wstring text = FormatLogMessage(format, args);
    if (text.size() > kLongMessageChars)
    {
        text.resize(kLongMessageKeptChars);
    }
    return logger->LogText(file, function, line, level, text.c_str());
}

void SetLogContext(const wchar_t* applicationName, const wchar_t* group, HMODULE moduleHandle, const wchar_t* host,
                   std::uint32_t mechanism)
{
    // The logger takes a copy of the context when it is created; later changes
    // reach no logger.
    g_frontEnd.context = LogContext{applicationName, group, moduleHandle, host, mechanism};
}

} // namespace ETWLogging
