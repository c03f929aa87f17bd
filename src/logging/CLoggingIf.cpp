#include "logging/CLoggingIf.h"

#include "logging/LogFormat.h"

#include <cstdarg>

namespace ETWLogging
{

void CLoggingIf::LogTextFormatted(LogLevel level, const wchar_t* file, const wchar_t* function, std::uint32_t line,
                                  const wchar_t* format, va_list args)
{
    wchar_t text[kLogMessageBufferChars];
    FormatLogMessage(text, kLogMessageBufferChars, format, args);
    LogText(file, function, line, level, text);
}

#define SCREENRELAY_FIXED_LEVEL_SHORTCUT(name, level)                                                                  \
    void CLoggingIf::name(const wchar_t* file, const wchar_t* function, std::uint32_t line, const wchar_t* format,     \
                          ...)                                                                                         \
    {                                                                                                                  \
        va_list args;                                                                                                  \
        va_start(args, format);                                                                                        \
        LogTextFormatted(level, file, function, line, format, args);                                                   \
        va_end(args);                                                                                                  \
    }

SCREENRELAY_FIXED_LEVEL_SHORTCUT(LogNormal, LOG_LEVEL_NORMAL)
SCREENRELAY_FIXED_LEVEL_SHORTCUT(LogError, LOG_LEVEL_ERROR)
SCREENRELAY_FIXED_LEVEL_SHORTCUT(LogWarning, LOG_LEVEL_WARNING)
SCREENRELAY_FIXED_LEVEL_SHORTCUT(LogCritical, LOG_LEVEL_CRITICAL)
SCREENRELAY_FIXED_LEVEL_SHORTCUT(LogInformation, LOG_LEVEL_INFORMATION)

#undef SCREENRELAY_FIXED_LEVEL_SHORTCUT

} // namespace ETWLogging
