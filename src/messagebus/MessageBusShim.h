#pragma once

#include "messagebus/Message.h"
#include "module/ModuleStatus.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>

namespace Ostrel
{

// The reply function of a bus client: reply index, reply message (empty
// unless the bus status is 0) and bus status.
using ReplyFunction = std::function<ModuleStatus(std::uint64_t, const std::shared_ptr<Message>&, std::uint32_t)>;

// A handler as a module subscribes it.
using MessageHandler = std::function<ModuleStatus(const std::shared_ptr<Message>&)>;

// A subscription's handler as the bus client keeps it, always owned through a
// shared pointer; the bus library is given its address. A delivery holds a
// reference of its own while the handler runs, so that a handler that ends its
// own subscription keeps its captures until it returns.
class SubscribedHandler : public std::enable_shared_from_this<SubscribedHandler>
{
public:
    explicit SubscribedHandler(MessageHandler handler)
        : handler_(std::move(handler))
    {
    }

    // Throws std::bad_function_call when the handler is empty.
    ModuleStatus operator()(const std::shared_ptr<Message>& message) const { return handler_(message); }

private:
    MessageHandler handler_;
};

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
    // handler stays put while the subscription lives. The result is the
    // subscription id, 0 on failure.
    virtual std::uint32_t subscribe(const std::wstring& messageName, SubscribedHandler* handler) = 0;
    virtual std::uint32_t subscribeFilter(const std::wstring& namePattern, SubscribedHandler* handler) = 0;
    // Returns once no delivery to the subscription runs on another thread.
    virtual void unsubscribe(std::uint32_t subscriptionId) = 0;
};

} // namespace Ostrel
