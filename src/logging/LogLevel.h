#pragma once

#include <cstdint>

namespace ETWLogging
{

// A log level; 1 to 6 are valid. A logger's threshold ("Severity") is a level too.
using LogLevel = std::uint32_t;

inline constexpr LogLevel LOG_LEVEL_NORMAL = 1;      // progress and success
inline constexpr LogLevel LOG_LEVEL_WARNING = 2;     // recoverable problems
inline constexpr LogLevel LOG_LEVEL_INFORMATION = 3; // noteworthy events
inline constexpr LogLevel LOG_LEVEL_ERROR = 4;       // failures
inline constexpr LogLevel LOG_LEVEL_CRITICAL = 5;    // accepted, not used by the module
inline constexpr LogLevel LOG_LEVEL_INFORMATION_EX = 6;

inline constexpr LogLevel kDefaultSeverity = LOG_LEVEL_INFORMATION;

// The name the file log prints for a level, or null for level 0 and levels
// above 6, which the file log refuses to print.
const wchar_t* LogLevelName(LogLevel level) noexcept;

// What a logger stores as its threshold: 6 for anything above 6, 1 for 0.
LogLevel ClampSeverity(LogLevel level) noexcept;

} // namespace ETWLogging
