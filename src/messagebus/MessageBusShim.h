#pragma once

#include "messagebus/Message.h"
#include "module/ModuleStatus.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace Ostrel
{

// The reply function of a bus client: reply index, reply message (empty
// unless the bus status is 0) and bus status.
using ReplyFunction = std::function<ModuleStatus(std::uint64_t, const std::shared_ptr<Message>&, std::uint32_t)>;

// A handler as the bus client stores it; the bus library is given its address.
using MessageHandler = std::function<ModuleStatus(const std::shared_ptr<Message>&)>;

// What the bus client calls to reach the bus library. Slot order is part of
// the interface.
class MessageBusShim
{
public:
    virtual ~MessageBusShim() = default;
    virtual ModuleStatus publish(const std::shared_ptr<Message>& message, bool flagged) = 0;
    // replyFunction is the address of the client's reply function; the library
    // answers through it exactly once per accepted request.
    virtual ModuleStatus request(const std::shared_ptr<Message>& message, std::uint64_t replyIndex,
                                 ReplyFunction* replyFunction, std::uint64_t timeoutMilliseconds, bool flagged) = 0;
    virtual void releaseReplyCallback() = 0;
    // handler is the address of a handler copy that stays put while the
    // subscription lives. The result is the subscription id, 0 on failure.
    virtual std::uint32_t subscribe(const std::wstring& messageName, MessageHandler* handler) = 0;
    virtual std::uint32_t subscribeFilter(const std::wstring& namePattern, MessageHandler* handler) = 0;
    virtual void unsubscribe(std::uint32_t subscriptionId) = 0;
};

} // namespace Ostrel
