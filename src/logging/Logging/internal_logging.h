#pragma once

#include <windows.h>

#include <cstdint>

namespace Basekit
{

// Levels of the core library's own logger.
inline constexpr std::uint32_t BASEKIT_LOG_NONE = 0;
inline constexpr std::uint32_t BASEKIT_LOG_INFORMATION = 1;
inline constexpr std::uint32_t BASEKIT_LOG_ERROR = 2;

// Receives every message of the core library's logger.
class ILoggingHandler
{
public:
    virtual DWORD Handle(std::uint32_t level, const wchar_t* file, const wchar_t* function, std::uint32_t line,
                         const wchar_t* message) = 0;

protected:
    ~ILoggingHandler() = default;
};

// Writes messages to the debugger output; the handler used while no other is
// registered.
class CDefaultLoggingHandler final : public ILoggingHandler
{
public:
    DWORD Handle(std::uint32_t level, const wchar_t* file, const wchar_t* function, std::uint32_t line,
                 const wchar_t* message) override;
};

// The core library's logger: one process-wide handler slot. The slot is a plain
// pointer without a lock; it changes only while the log front end creates its
// logger or unloads, and when a message finds no handler.
class CLogger
{
public:
    // Formats a message and hands it to the registered handler, registering the
    // default handler first when none is. A message that cannot be formatted,
    // or not allocated, reaches the handler as an error-level record saying so.
    static void Log(std::uint32_t level, const wchar_t* file, const wchar_t* function, std::uint32_t line,
                    const wchar_t* format, ...);

    // 0 when the handler took the slot (empty, the same handler, or the default
    // handler registered); 87 for null; 5023 when another handler holds it.
    static DWORD RegisterHandler(ILoggingHandler* handler);

    // 0 when the registered handler was removed; 87 for null; 5023 otherwise,
    // after telling both handlers involved.
    static DWORD UnregisterHandler(ILoggingHandler* handler);

    static ILoggingHandler* RegisteredHandler();
    static ILoggingHandler* DefaultHandler();
};

} // namespace Basekit
