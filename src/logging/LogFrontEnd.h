#pragma once

// The log front end every part of the module writes through. One logger per
// loaded module stands behind it, created on the first call from the context
// set with SetLogContext. Call sites use the macros of Log.h, which ask
// LogIsEnabled first and format only when it answers true.

#include "logging/LogLevel.h"

#include <windows.h>

#include <concepts>
#include <cstdarg>
#include <cstdint>
#include <type_traits>

namespace ETWLogging
{

// Whether a record of this level would be written; false when there is no logger.
bool LogIsEnabled(LogLevel level);

// Passes one record to the logger. Returns 1627 when there is no logger,
// otherwise 0 or the Windows error code of the write. The format is a wide
// printf format with the Microsoft meaning (%s/%ls wide, %hs narrow, %lu).
std::uint32_t LogRecord(LogLevel level, const wchar_t* file, const wchar_t* function, std::uint32_t line,
                        const wchar_t* format, ...);
std::uint32_t LogRecordV(LogLevel level, const wchar_t* file, const wchar_t* function, std::uint32_t line,
                         const wchar_t* format, va_list args);

// Stores what the logger is created with: application name (null for the
// default), group, the module that names the log source (null for this
// library), host (null for none) and mechanism (1 forces the file log). It has
// no effect once the logger exists. The strings are kept by pointer, not copied.
void SetLogContext(const wchar_t* applicationName, const wchar_t* group, HMODULE moduleHandle, const wchar_t* host,
                   std::uint32_t mechanism);

namespace internal
{
std::uint32_t LogRecordValues(LogLevel level, const wchar_t* file, const wchar_t* function, std::uint32_t line,
                              const wchar_t* format, ...);
} // namespace internal

// Values the fixed-arity forms accept: numbers up to 64 bits, bytes and pointers.
template <typename T>
concept LogValue = std::is_arithmetic_v<T> || std::is_pointer_v<T> || std::is_null_pointer_v<T>;

// Fixed-arity forms of LogRecord for one to four values, taken by reference;
// anything else (a std::wstring, a class) does not compile.
template <LogValue... Values>
requires(sizeof...(Values) >= 1 && sizeof...(Values) <= 4) std::uint32_t
    LogRecord(LogLevel level, const wchar_t* file, const wchar_t* function, std::uint32_t line, const wchar_t* format,
              const Values&... values)
{
    return internal::LogRecordValues(level, file, function, line, format, static_cast<Values>(values)...);
}

} // namespace ETWLogging
