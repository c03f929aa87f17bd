#include "logging/CBasekitLogHandler.h"

#include "logging/LogHolder.h"

namespace ETWLogging
{

namespace
{

LogLevel MapBasekitLevel(std::uint32_t level)
{
    switch (level)
    {
        case Basekit::BASEKIT_LOG_NONE:
        case Basekit::BASEKIT_LOG_INFORMATION:
            return LOG_LEVEL_NORMAL;
        case Basekit::BASEKIT_LOG_ERROR:
            return LOG_LEVEL_ERROR;
        default:
            return LOG_LEVEL_WARNING;
    }
}

} // namespace

DWORD CBasekitLogHandler::Handle(std::uint32_t level, const wchar_t* file, const wchar_t* function, std::uint32_t line,
                                 const wchar_t* message)
{
    internal::LogHolder* holder = internal::ExistingLogHolder();
    if (holder == nullptr || !holder->logger)
    {
        return ERROR_FUNCTION_FAILED;
    }
    CLoggingIf* logger = holder->logger.get();
    if (const DWORD result = logger->Register(); result != 0)
    {
        return result;
    }
    const LogLevel mapped = MapBasekitLevel(level);
    if (auto* extended = dynamic_cast<CLoggingIf_ex*>(logger))
    {
        return extended->LogTextEx(mapped, file, function, line, message);
    }
    return logger->LogText(file, function, line, mapped, message);
}

CBasekitLogHandler& CBasekitLogHandler::Instance()
{
    static CBasekitLogHandler instance;
    return instance;
}

} // namespace ETWLogging
