#pragma once

#include <string>

namespace Basekit
{

// The file of the module that holds this code, as the event-tracing logger
// reports it in every event.
struct OwnModuleInfo
{
    // Full path of the module file.
    std::wstring path;
    // The path up to and including its last backslash.
    std::wstring folder;
    // FileVersion of the first translation of the version resource: four
    // numbers joined by dots when written as four comma-separated numbers,
    // else the text as written.
    std::wstring version;
};

// Computed on the first call, once per process and safe to call from any
// thread; what could not be found stays empty.
const OwnModuleInfo& GetOwnModuleInfo();

} // namespace Basekit
