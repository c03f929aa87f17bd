#pragma once

#include "logging/Logging/internal_logging.h"

namespace ETWLogging
{

// Bridges the core library's logger into the module's logger.
class CBasekitLogHandler final : public Basekit::ILoggingHandler
{
public:
    // Maps the core level (0 and 1 to 1, 2 to 4, others to 2) and writes the
    // message; 1627 when the module has no logger.
    DWORD Handle(std::uint32_t level, const wchar_t* file, const wchar_t* function, std::uint32_t line,
                 const wchar_t* message) override;

    // The process-wide instance the front end registers.
    static CBasekitLogHandler& Instance();
};

} // namespace ETWLogging
