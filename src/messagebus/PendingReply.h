#pragma once

#include "messagebus/Message.h"
#include "module/ModuleStatus.h"

#include <functional>
#include <future>
#include <memory>

namespace Ostrel
{

// What the bus client keeps for a request until the bus reports its outcome.
struct PendingReply
{
    std::promise<std::shared_ptr<Message>> promise;
    // Run after the promise is settled, when set.
    std::function<void()> continuation;

    // Settles the promise by the bus status: the reply (possibly null) on
    // success; std::future_error with code 105 (operation canceled) on
    // MODULE_STATUS_TIMEOUT; std::future_error with code 120 (no message
    // available) on any other failure. Then runs the continuation.
    void settle(ModuleStatus status, std::shared_ptr<Message> reply);
};

} // namespace Ostrel
