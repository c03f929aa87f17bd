#pragma once

#include "messagebus/Message.h"
#include "messagebus/MessageBus.h"
#include "messagebus/MessageBusShim.h"
#include "messagebus/PendingReply.h"
#include "messagebus/ProcessAPI.h"
#include "messagebus/Reply.h"
#include "module/ModuleStatus.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <regex>
#include <string>
#include <unordered_map>
#include <vector>

namespace Ostrel
{

// The module's connection to the message bus. Keeps the module's
// subscriptions by alias (so that they can be removed together and delivered
// directly), turns the bus library's asynchronous replies into a Reply or a
// callback, and drops deliveries from another Windows session for the
// "InSession" subscriptions.
//
// Two locks, never held together: one guards the subscriptions (the bus
// library is called under it to subscribe, but not to unsubscribe: it then
// waits for running deliveries, whose handlers may subscribe or unsubscribe on
// this client), the other the pending replies (released before the bus
// library is called and before a reply is settled). Handlers reached by
// deliverDirect run under the subscription lock and must not subscribe or
// unsubscribe on this client.
class MessageBusClient : public MessageBus
{
public:
    // Loads the bus library.
    MessageBusClient();
    // An empty processApi is replaced by the default one.
    MessageBusClient(std::shared_ptr<MessageBusShim> shim, std::shared_ptr<ProcessAPI> processApi);
    // Ends every subscription at the bus, those that handlers make meanwhile
    // included, then releases the reply callback. Callers still waiting on a
    // Reply get std::future_error (broken promise).
    ~MessageBusClient() override;
    MessageBusClient(const MessageBusClient&) = delete;
    MessageBusClient& operator=(const MessageBusClient&) = delete;

    ModuleStatus publish(const std::shared_ptr<Message>& message) override;
    ModuleStatus publishFlagged(const std::shared_ptr<Message>& message) override;

    ModuleStatus request(const std::shared_ptr<Message>& message, ReplyCallback callback,
                         const std::uint64_t& timeoutMilliseconds) override;
    ModuleStatus request(const std::shared_ptr<Message>& message, std::shared_ptr<Reply>& reply,
                         const std::uint64_t& timeoutMilliseconds) override;
    ModuleStatus requestFlagged(const std::shared_ptr<Message>& message, ReplyCallback callback,
                                const std::uint64_t& timeoutMilliseconds) override;
    ModuleStatus requestFlagged(const std::shared_ptr<Message>& message, std::shared_ptr<Reply>& reply,
                                const std::uint64_t& timeoutMilliseconds) override;

    ModuleStatus subscribe(const std::wstring& messageName, const std::wstring& alias, MessageHandler handler) override;
    ModuleStatus subscribe(const std::wstring& messageName, MessageHandler handler) override;
    ModuleStatus subscribeInSession(const std::wstring& messageName, const std::wstring& alias,
                                    MessageHandler handler) override;
    ModuleStatus subscribeInSession(const std::wstring& messageName, MessageHandler handler) override;

    ModuleStatus subscribeFilter(const std::wstring& namePattern, const std::wstring& alias,
                                 MessageHandler handler) override;
    ModuleStatus subscribeFilter(const std::wstring& namePattern, MessageHandler handler) override;
    ModuleStatus subscribeFilterInSession(const std::wstring& namePattern, const std::wstring& alias,
                                          MessageHandler handler) override;
    ModuleStatus subscribeFilterInSession(const std::wstring& namePattern, MessageHandler handler) override;

    // An unknown alias is not an error. Returns once no delivery to the
    // alias's subscriptions runs on another thread; a handler may remove its
    // own alias.
    ModuleStatus unsubscribe(const std::wstring& alias) override;

    // Hands the message, on the calling thread, to every handler of this
    // client whose message name equals its name or whose pattern matches the
    // whole name. Handler results are ignored.
    ModuleStatus deliverDirect(const std::shared_ptr<Message>& message);

private:
    struct Subscription
    {
        std::uint32_t id;
        std::wstring messageName;
        // The bus library holds the address of this copy.
        std::shared_ptr<SubscribedHandler> handler;
    };

    struct FilterSubscription
    {
        std::uint32_t id;
        std::wstring namePattern;
        std::wregex compiledPattern;
        std::shared_ptr<SubscribedHandler> handler;
    };

    struct AliasSubscriptions
    {
        std::vector<Subscription> subscriptions;
        std::vector<FilterSubscription> filterSubscriptions;
    };

    ModuleStatus internalPublish(const std::shared_ptr<Message>& message, bool flagged);
    ModuleStatus internalRequest(const std::shared_ptr<Message>& message, std::shared_ptr<Reply>& reply,
                                 std::uint64_t timeoutMilliseconds, bool flagged);
    ModuleStatus internalRequest(const std::shared_ptr<Message>& message, ReplyCallback callback,
                                 std::uint64_t timeoutMilliseconds, bool flagged);
    // Files the pending reply under the next reply index and sends the
    // request; drops the entry again when the bus refuses it.
    ModuleStatus sendRequest(const std::shared_ptr<Message>& message, PendingReply pending,
                             std::uint64_t timeoutMilliseconds, bool flagged);
    // Ends the subscriptions at the bus; called without the subscription lock.
    void endAtBus(const AliasSubscriptions& removed);
    ModuleStatus replyCallback(std::uint64_t replyIndex, const std::shared_ptr<Message>& message,
                               std::uint32_t busStatus);
    // The handler, or when this process's session is known, a handler that
    // passes on only messages of no session or of this session.
    MessageHandler inSession(MessageHandler handler) const;

    std::shared_ptr<MessageBusShim> shim_;
    std::shared_ptr<ProcessAPI> processApi_;
    std::mutex subscriptionLock_;
    std::unordered_map<std::wstring, AliasSubscriptions> subscriptions_;
    std::uint64_t nextReplyIndex_ = 0;
    ReplyFunction replyFunction_;
    std::mutex replyLock_;
    std::unordered_map<std::uint64_t, PendingReply> pendingReplies_;
    std::uint32_t sessionId_ = 0;
};

} // namespace Ostrel
