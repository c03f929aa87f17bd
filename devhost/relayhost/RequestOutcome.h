#pragma once

#include "module/ModuleStatus.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace RelayHost
{

// One call the host made into the module library, and what it returned: a
// module status, or for the loader's calls a Win32 error.
struct HostCall
{
    std::wstring name;
    std::uint32_t status = 0;
    bool win32 = false;
};

// When the host passed each phase of a request, in performance-counter ticks;
// 0 for a phase not reached.
struct RequestTimes
{
    std::int64_t published = 0;
    std::int64_t received = 0; // the host's subscription got the message
    std::int64_t loaded = 0;   // created, initialized and started
    std::int64_t handled = 0;  // the handler has returned
    std::int64_t freed = 0;    // stopped, uninitialized, destroyed and freed
};

// What the host did for one published message.
struct RequestOutcome
{
    Ostrel::ModuleStatus publishStatus = Ostrel::MODULE_STATUS_SUCCESS;
    // The bus still held deliveries when the host stopped waiting.
    bool timedOut = false;
    // The module was not loaded, so the host loaded it and handed it the message.
    bool loadedOnDemand = false;
    // The module was loaded, so its own subscriptions received the message
    // and the host did not see the handler's status.
    bool deliveredByBus = false;
    // The handler's status, when the host handed the message over.
    std::optional<Ostrel::ModuleStatus> handlerStatus;
    // The module name the unload request came with, when one came.
    std::optional<std::wstring> unloadRequestedBy;
    bool freed = false;
    // The module is loaded once the request is done.
    bool loadedAfterwards = false;
    std::vector<HostCall> calls;
    RequestTimes times;
};

// The performance counter now, and its ticks per second.
std::int64_t PerformanceCounterNow();
std::int64_t PerformanceCounterFrequency();

} // namespace RelayHost
