#pragma once

#include "messagebus/Reply.h"
#include "messagebus/ReplySlot.h"

#include <cstdint>
#include <memory>

namespace Ostrel
{

// A reply fed by the slot of a pending request. Its deadline is the
// request's time-out plus one second of grace, on the monotonic clock.
class ReplyImpl : public Reply
{
public:
    ReplyImpl(std::shared_ptr<ReplySlot> slot, std::uint32_t timeoutMilliseconds);

    std::uint32_t getStatus() override;
    void getMessage(std::shared_ptr<Message>& message) override;
    std::uint32_t wait() override;
    std::uint32_t waitFor(std::uint32_t milliseconds) override;

private:
    std::uint32_t getReplyMessage();

    std::uint32_t status_ = ReplyPending;
    std::shared_ptr<Message> message_;
    // Given up once its outcome is taken.
    std::shared_ptr<ReplySlot> slot_;
    std::int64_t deadline_;
};

// Milliseconds of the system's unbiased interrupt time (sleep not counted).
std::int64_t MonotonicMilliseconds();

} // namespace Ostrel
