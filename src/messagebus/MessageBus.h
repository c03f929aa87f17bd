#pragma once

#include "messagebus/Message.h"
#include "messagebus/MessageBusShim.h"
#include "messagebus/Reply.h"
#include "module/ModuleStatus.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace Ostrel
{

// Receives the Reply of a request made in the callback form.
using ReplyCallback = std::function<void(std::shared_ptr<Reply>)>;

// The message bus as a module sees it. Slot order is part of the interface:
// the shorter forms call the longer ones through the virtual table. The
// "Flagged" forms select the bus library's second publish and request entries;
// the "InSession" forms drop deliveries from another Windows session.
class MessageBus
{
public:
    virtual ~MessageBus() = default;

    virtual ModuleStatus publish(const std::shared_ptr<Message>& message) = 0;
    virtual ModuleStatus publishFlagged(const std::shared_ptr<Message>& message) = 0;

    virtual ModuleStatus request(const std::shared_ptr<Message>& message, ReplyCallback callback,
                                 const std::uint64_t& timeoutMilliseconds) = 0;
    virtual ModuleStatus request(const std::shared_ptr<Message>& message, std::shared_ptr<Reply>& reply,
                                 const std::uint64_t& timeoutMilliseconds) = 0;
    virtual ModuleStatus requestFlagged(const std::shared_ptr<Message>& message, ReplyCallback callback,
                                        const std::uint64_t& timeoutMilliseconds) = 0;
    virtual ModuleStatus requestFlagged(const std::shared_ptr<Message>& message, std::shared_ptr<Reply>& reply,
                                        const std::uint64_t& timeoutMilliseconds) = 0;

    virtual ModuleStatus subscribe(const std::wstring& messageName, const std::wstring& alias,
                                   MessageHandler handler) = 0;
    virtual ModuleStatus subscribe(const std::wstring& messageName, MessageHandler handler) = 0;
    virtual ModuleStatus subscribeInSession(const std::wstring& messageName, const std::wstring& alias,
                                            MessageHandler handler) = 0;
    virtual ModuleStatus subscribeInSession(const std::wstring& messageName, MessageHandler handler) = 0;

    virtual ModuleStatus subscribeFilter(const std::wstring& namePattern, const std::wstring& alias,
                                         MessageHandler handler) = 0;
    virtual ModuleStatus subscribeFilter(const std::wstring& namePattern, MessageHandler handler) = 0;
    virtual ModuleStatus subscribeFilterInSession(const std::wstring& namePattern, const std::wstring& alias,
                                                  MessageHandler handler) = 0;
    virtual ModuleStatus subscribeFilterInSession(const std::wstring& namePattern, MessageHandler handler) = 0;

    // Removes every subscription under the alias.
    virtual ModuleStatus unsubscribe(const std::wstring& alias) = 0;
};

} // namespace Ostrel
