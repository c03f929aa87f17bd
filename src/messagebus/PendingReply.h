#pragma once

#include "messagebus/Message.h"
#include "messagebus/ReplySlot.h"
#include "module/ModuleStatus.h"

#include <functional>
#include <memory>

namespace Ostrel
{

// What the bus client keeps for a request until the bus reports its outcome.
struct PendingReply
{
    PendingReply() = default;
    PendingReply(PendingReply&&) = default;
    PendingReply& operator=(PendingReply&&) = default;
    // A request dropped before its outcome came fails its waiter with
    // std::future_error broken_promise rather than leaving it to time out.
    ~PendingReply();

    std::shared_ptr<ReplySlot> slot = std::make_shared<ReplySlot>();
    // Run after the slot is settled, when set.
    std::function<void()> continuation;

    // Settles the slot by the bus status: the reply (possibly null) on
    // success; std::future_error with code 105 (operation canceled) on
    // MODULE_STATUS_TIMEOUT; std::future_error with code 120 (no message
    // available) on any other failure. Then runs the continuation.
    void settle(ModuleStatus status, std::shared_ptr<Message> reply);
};

} // namespace Ostrel
