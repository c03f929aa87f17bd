#pragma once

#include "logging/CLoggingIf.h"
#include "logging/Logging/internal_logging.h"

#include <memory>

namespace ETWLogging::internal
{

// The front end's one logger per loaded module and the core library handler
// registered for it.
struct LogHolder
{
    std::unique_ptr<CLoggingIf> logger;
    Basekit::ILoggingHandler* basekitHandler = nullptr;
};

// The holder, created on first use from the log context; null when it could
// not be allocated (the next call tries again).
LogHolder* ObtainLogHolder();

// The holder when it exists, without creating it.
LogHolder* ExistingLogHolder();

} // namespace ETWLogging::internal
