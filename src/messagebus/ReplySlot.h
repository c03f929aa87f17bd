#pragma once

#include "messagebus/Message.h"

#include <windows.h>

#include <cstdint>
#include <exception>
#include <memory>

namespace Ostrel
{

// The outcome of one request, handed from the thread the bus answers on to
// the thread that waits for it: a reply message or a failure, settled once.
//
// Built on the Windows slim lock and condition variable rather than
// std::promise: the threads library linked statically into our DLLs keeps
// state (a thread handle and an event) for every host thread that waits on
// one of its condition variables, and frees it only when that thread ends.
// With the DLL unloaded after each request, each reply waited for would leave
// both behind.
class ReplySlot
{
public:
    ReplySlot() = default;
    ReplySlot(const ReplySlot&) = delete;
    ReplySlot& operator=(const ReplySlot&) = delete;

    // The first outcome stays; later ones are ignored.
    void setValue(std::shared_ptr<Message> message);
    void setFailure(std::exception_ptr failure);

    // Waits until the slot is settled or the time has passed; true when
    // settled. INFINITE waits without limit.
    bool waitFor(std::uint32_t milliseconds);
    // The reply message, or the failure rethrown. Only once settled.
    std::shared_ptr<Message> get();

private:
    void settle(std::shared_ptr<Message> message, std::exception_ptr failure);

    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE settledCondition_ = CONDITION_VARIABLE_INIT;
    bool settled_ = false;
    std::shared_ptr<Message> message_;
    std::exception_ptr failure_;
};

} // namespace Ostrel
