#include "logging/Logging/internal_logging.h"

#include <stdio.h>

#include <cstdarg>
#include <cwchar>
#include <memory>
#include <new>

namespace Basekit
{

namespace
{

constexpr const wchar_t* kSourceFile = L"Logging\\internal_logging.cpp";
constexpr const wchar_t* kRegisterFunction = L"Basekit::CLogger::RegisterHandler";
constexpr const wchar_t* kUnregisterFunction = L"Basekit::CLogger::UnregisterHandler";
// What the handler receives, at error level, instead of a message that could
// not be formatted or for which no buffer could be allocated.
constexpr const wchar_t* kFormattingFailure = L"General formatting failure in Basekit logger.";
constexpr const wchar_t* kAllocationFailure = L"General memory-allocation failure in Basekit logger.";

ILoggingHandler* g_registeredHandler = nullptr;
CDefaultLoggingHandler g_defaultHandler;

// The system's message text for an error code.
struct SystemMessage
{
    explicit SystemMessage(DWORD error)
    {
        text[0] = L'\0';
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text, 1024,
                       nullptr);
    }
    wchar_t text[1024];
};

// Handlers are named in messages by the low 32 bits of their address.
unsigned int HandlerId(const ILoggingHandler* handler)
{
    return static_cast<unsigned int>(reinterpret_cast<std::uintptr_t>(handler));
}

} // namespace

DWORD CDefaultLoggingHandler::Handle(std::uint32_t level, const wchar_t* file, const wchar_t* function,
                                     std::uint32_t line, const wchar_t* message)
{
    const wchar_t* format = nullptr;
    switch (level)
    {
        case BASEKIT_LOG_NONE:
            return 0;
        case BASEKIT_LOG_INFORMATION:
            format = L"%s(%d): [INFO]: [%s]: %s\n";
            break;
        case BASEKIT_LOG_ERROR:
            format = L"%s(%d): [ERROR]: [%s]: %s\n";
            break;
        default:
            format = L"%s(%d): [UNKNOWN]: [%s]: %s\n";
            break;
    }
    const int length = _scwprintf(format, file, static_cast<int>(line), function, message);
    if (length < 0)
    {
        return ERROR_INVALID_PARAMETER;
    }
    std::unique_ptr<wchar_t[]> text(new (std::nothrow) wchar_t[length + 1]);
    if (!text)
    {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    _snwprintf(text.get(), length + 1, format, file, static_cast<int>(line), function, message);
    text[length] = L'\0';
    OutputDebugStringW(text.get());
    return 0;
}

void CLogger::Log(std::uint32_t level, const wchar_t* file, const wchar_t* function, std::uint32_t line,
                  const wchar_t* format, ...)
{
    if (g_registeredHandler == nullptr)
    {
        RegisterHandler(&g_defaultHandler);
    }
    ILoggingHandler* handler = g_registeredHandler;

    va_list args;
    va_start(args, format);
    va_list sizing;
    va_copy(sizing, args);
    const int length = _vscwprintf(format, sizing);
    va_end(sizing);
    if (length < 0)
    {
        va_end(args);
        handler->Handle(BASEKIT_LOG_ERROR, file, function, line, kFormattingFailure);
        return;
    }
    std::unique_ptr<wchar_t[]> text(new (std::nothrow) wchar_t[length + 1]);
    if (!text)
    {
        va_end(args);
        handler->Handle(BASEKIT_LOG_ERROR, file, function, line, kAllocationFailure);
        return;
    }
    _vsnwprintf(text.get(), length + 1, format, args);
    text[length] = L'\0';
    va_end(args);
    handler->Handle(level, file, function, line, text.get());
}

DWORD CLogger::RegisterHandler(ILoggingHandler* handler)
{
    if (handler == nullptr)
    {
        Log(BASEKIT_LOG_ERROR, kSourceFile, kRegisterFunction, 62, L"%s: Cannot Register (NULL) handler",
            SystemMessage(ERROR_INVALID_PARAMETER).text);
        return ERROR_INVALID_PARAMETER;
    }
    if (g_registeredHandler == nullptr || g_registeredHandler == handler || g_registeredHandler == &g_defaultHandler)
    {
        g_registeredHandler = handler;
        return 0;
    }
    Log(BASEKIT_LOG_ERROR, kSourceFile, kRegisterFunction, 72,
        L"%s: Registered Logging Handler 0x%08X cannot be replaced with 0x%08X",
        SystemMessage(ERROR_INVALID_STATE).text, HandlerId(g_registeredHandler), HandlerId(handler));
    return ERROR_INVALID_STATE;
}

DWORD CLogger::UnregisterHandler(ILoggingHandler* handler)
{
    if (handler == nullptr)
    {
        Log(BASEKIT_LOG_ERROR, kSourceFile, kUnregisterFunction, 97, L"%s: Cannot Unregister (NULL) handler",
            SystemMessage(ERROR_INVALID_PARAMETER).text);
        return ERROR_INVALID_PARAMETER;
    }
    if (g_registeredHandler == handler)
    {
        g_registeredHandler = nullptr;
        return 0;
    }
    const SystemMessage reason(ERROR_INVALID_STATE);
    if (g_registeredHandler == nullptr)
    {
        // The requested handler takes the slot just long enough to hear why.
        g_registeredHandler = handler;
        Log(BASEKIT_LOG_ERROR, kSourceFile, kUnregisterFunction, 107,
            L"%s: Request to Unregister Logging handler 0x%08X, but none are registered", reason.text,
            HandlerId(handler));
        g_registeredHandler = nullptr;
        return ERROR_INVALID_STATE;
    }
    ILoggingHandler* registered = g_registeredHandler;
    const wchar_t* format =
        L"%s: Failed to Unregister Logging handler (requested handler 0x%08X != registered handler 0x%08X)";
    Log(BASEKIT_LOG_ERROR, kSourceFile, kUnregisterFunction, 115, format, reason.text, HandlerId(handler),
        HandlerId(registered));
    g_registeredHandler = handler;
    Log(BASEKIT_LOG_ERROR, kSourceFile, kUnregisterFunction, 120, format, reason.text, HandlerId(handler),
        HandlerId(registered));
    g_registeredHandler = registered;
    return ERROR_INVALID_STATE;
}

ILoggingHandler* CLogger::RegisteredHandler()
{
    return g_registeredHandler;
}

ILoggingHandler* CLogger::DefaultHandler()
{
    return &g_defaultHandler;
}

} // namespace Basekit
