#pragma once

#include "messagebus/Message.h"

#include <cstdint>
#include <memory>

namespace Ostrel
{

enum ReplyStatus : std::uint32_t
{
    ReplyReceived = 0, // a non-null reply message is held
    ReplyPending = 1,
    ReplyTimedOut = 2, // the deadline passed
    ReplyInvalid = 3,  // the future is unusable, or the reply was empty
};

// The handle on a request's answer. A reply moves from ReplyPending to exactly
// one other state and stays there. When the bus reported a failure or a
// time-out, wait and waitFor rethrow the std::future_error it left. One thread
// at a time uses a reply.
class Reply
{
public:
    virtual ~Reply() = default;
    virtual std::uint32_t getStatus() = 0;
    // The reply message in state ReplyReceived, an empty pointer otherwise.
    virtual void getMessage(std::shared_ptr<Message>& message) = 0;
    // Waits until the reply arrives or its deadline passes.
    virtual std::uint32_t wait() = 0;
    // Waits at most this long; the status stays ReplyPending when the wait
    // timed out, so that the caller may wait again.
    virtual std::uint32_t waitFor(std::uint32_t milliseconds) = 0;
};

} // namespace Ostrel
