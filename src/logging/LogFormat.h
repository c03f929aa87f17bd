#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

namespace ETWLogging
{

// Size of the buffer a formatted message is written into; at most one
// character less remains of the message.
inline constexpr std::size_t kLogMessageBufferChars = 4160;

// Formats a wide printf-style message with the Microsoft meaning of the
// conversions (%s and %ls wide, %hs narrow, %lu 32-bit). A longer result, or
// one the formatter fails on, is cut to what fits; the buffer is always
// terminated. Returns the length of the text in the buffer.
std::size_t FormatLogMessage(wchar_t* buffer, std::size_t bufferChars, const wchar_t* format, va_list args) noexcept;

// Formats a message whole, however long; empty when the formatter fails.
std::wstring FormatLogMessage(const wchar_t* format, va_list args);

} // namespace ETWLogging
