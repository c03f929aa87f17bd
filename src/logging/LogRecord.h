#pragma once

#include "logging/LogLevel.h"

#include <cstdint>

namespace ETWLogging
{

// A log record as a caller hands it over; the message is a wide printf format
// (Microsoft meaning: %s and %ls wide, %hs narrow) with its arguments.
struct LogRecord
{
    LogLevel level;
    const wchar_t* sourceFile; // as written in the code: "ModuleFunctions.cpp", "dll\DllLoader.cpp"
    const wchar_t* function;   // qualified: "Ostrel::MessageBusClient::replyCallback"
    std::uint32_t line;
};

} // namespace ETWLogging
