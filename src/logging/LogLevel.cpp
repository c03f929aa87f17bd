#include "logging/LogLevel.h"

namespace ETWLogging
{

const wchar_t* LogLevelName(LogLevel level) noexcept
{
    switch (level)
    {
        case LOG_LEVEL_NORMAL:
            return L"Normal";
        case LOG_LEVEL_WARNING:
            return L"Warning";
        case LOG_LEVEL_INFORMATION:
        case LOG_LEVEL_INFORMATION_EX:
            return L"Information";
        case LOG_LEVEL_ERROR:
            return L"Error";
        case LOG_LEVEL_CRITICAL:
            return L"Critical";
        default:
            return nullptr;
    }
}

LogLevel ClampSeverity(LogLevel level) noexcept
{
    if (level == 0)
    {
        return LOG_LEVEL_NORMAL;
    }
    return level > LOG_LEVEL_INFORMATION_EX ? LOG_LEVEL_INFORMATION_EX : level;
}

} // namespace ETWLogging
