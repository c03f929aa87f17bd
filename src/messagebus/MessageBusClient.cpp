#include "messagebus/MessageBusClient.h"

#include "logging/Log.h"
#include "messagebus/MessageBusLib.h"
#include "messagebus/MessageProperties.h"
#include "messagebus/message/ReplyImpl.h"
#include "module/ExceptionBarrier.h"

#include <algorithm>
#include <limits>
#include <utility>

LOG_SOURCE_FILE(L"MessageBusClient.cpp")

namespace Ostrel
{

namespace
{

constexpr auto kPatternOptions =
    std::regex_constants::ECMAScript | std::regex_constants::nosubs | std::regex_constants::optimize;

// A Reply counts its deadline in 32-bit milliseconds; longer time-outs wait
// as long as it can count instead of wrapping to a short one.
std::uint32_t ReplyTimeout(std::uint64_t timeoutMilliseconds)
{
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(timeoutMilliseconds, std::numeric_limits<std::uint32_t>::max()));
}

} // namespace

MessageBusClient::MessageBusClient()
    : MessageBusClient(std::make_shared<MessageBusLib>(), nullptr)
{
}

MessageBusClient::MessageBusClient(std::shared_ptr<MessageBusShim> shim, std::shared_ptr<ProcessAPI> processApi)
    : shim_(std::move(shim))
    , processApi_(processApi ? std::move(processApi) : std::make_shared<ProcessAPI>())
    , replyFunction_([this](std::uint64_t replyIndex, const std::shared_ptr<Message>& message, std::uint32_t busStatus)
                     { return replyCallback(replyIndex, message, busStatus); })
{
    const DWORD processId = processApi_->GetCurrentProcessId();
    DWORD sessionId = 0;
    if (!processApi_->ProcessIdToSessionId(processId, &sessionId))
    {
        LOG_ERROR(L"Ostrel::MessageBusClient::MessageBusClient",
                  L"Failed to get the session id for process %ld - defaulting to %ld", static_cast<long>(processId),
                  0L);
        return;
    }
    LOG_NORMAL(L"Ostrel::MessageBusClient::MessageBusClient", L"Found session id %ld for process %ld",
               static_cast<long>(sessionId), static_cast<long>(processId));
    sessionId_ = sessionId;
}

MessageBusClient::~MessageBusClient()
{
    ExceptionBarrier(
        [this]
        {
            // A handler may subscribe while the bus ends its subscription:
            // repeat until nothing is left.
            for (;;)
            {
                decltype(subscriptions_) removed;
                {
                    std::lock_guard<std::mutex> lock(subscriptionLock_);
                    removed.swap(subscriptions_);
                }
                if (removed.empty())
                {
                    break;
                }
                for (const auto& [alias, entry] : removed)
                {
                    endAtBus(entry);
                }
            }
            shim_->releaseReplyCallback();
            return MODULE_STATUS_SUCCESS;
        });
}

ModuleStatus MessageBusClient::publish(const std::shared_ptr<Message>& message)
{
    return internalPublish(message, false);
}

ModuleStatus MessageBusClient::publishFlagged(const std::shared_ptr<Message>& message)
{
    return internalPublish(message, true);
}

ModuleStatus MessageBusClient::request(const std::shared_ptr<Message>& message, ReplyCallback callback,
                                       const std::uint64_t& timeoutMilliseconds)
{
    return internalRequest(message, std::move(callback), timeoutMilliseconds, false);
}

ModuleStatus MessageBusClient::request(const std::shared_ptr<Message>& message, std::shared_ptr<Reply>& reply,
                                       const std::uint64_t& timeoutMilliseconds)
{
    return internalRequest(message, reply, timeoutMilliseconds, false);
}

ModuleStatus MessageBusClient::requestFlagged(const std::shared_ptr<Message>& message, ReplyCallback callback,
                                              const std::uint64_t& timeoutMilliseconds)
{
    return internalRequest(message, std::move(callback), timeoutMilliseconds, true);
}

ModuleStatus MessageBusClient::requestFlagged(const std::shared_ptr<Message>& message, std::shared_ptr<Reply>& reply,
                                              const std::uint64_t& timeoutMilliseconds)
{
    return internalRequest(message, reply, timeoutMilliseconds, true);
}

ModuleStatus MessageBusClient::subscribe(const std::wstring& messageName, const std::wstring& alias,
                                         MessageHandler handler)
{
    std::lock_guard<std::mutex> lock(subscriptionLock_);
    std::vector<Subscription>& records = subscriptions_[alias].subscriptions;
    records.push_back({0, messageName, std::make_shared<SubscribedHandler>(std::move(handler))});
    Subscription& record = records.back();
    record.id = shim_->subscribe(messageName, record.handler.get());
    if (record.id == 0)
    {
        LOG_ERROR(L"Ostrel::MessageBusClient::subscribe", L"Failed to subscribe. Alias: %ls Message name: %ls",
                  alias.c_str(), messageName.c_str());
        records.pop_back();
        return MODULE_STATUS_UNSUCCESSFUL;
    }
    return MODULE_STATUS_SUCCESS;
}

ModuleStatus MessageBusClient::subscribe(const std::wstring& messageName, MessageHandler handler)
{
    return subscribe(messageName, messageName, std::move(handler));
}

ModuleStatus MessageBusClient::subscribeInSession(const std::wstring& messageName, const std::wstring& alias,
                                                  MessageHandler handler)
{
    return subscribe(messageName, alias, inSession(std::move(handler)));
}

ModuleStatus MessageBusClient::subscribeInSession(const std::wstring& messageName, MessageHandler handler)
{
    return subscribeInSession(messageName, messageName, std::move(handler));
}

ModuleStatus MessageBusClient::subscribeFilter(const std::wstring& namePattern, const std::wstring& alias,
                                               MessageHandler handler)
{
    std::wregex compiledPattern;
    try
    {
        compiledPattern.assign(namePattern, kPatternOptions);
    }
    catch (const std::regex_error& error)
    {
        LOG_ERROR(L"Ostrel::MessageBusClient::subscribeFilter",
                  L"subscribeFilter failed. Regex error with regex \"%ls\" [caught: %hs]", namePattern.c_str(),
                  error.what());
        return MODULE_STATUS_INVALID_PARAMETER;
    }

    std::lock_guard<std::mutex> lock(subscriptionLock_);
    std::vector<FilterSubscription>& records = subscriptions_[alias].filterSubscriptions;
    records.push_back(
        {0, namePattern, std::move(compiledPattern), std::make_shared<SubscribedHandler>(std::move(handler))});
    FilterSubscription& record = records.back();
    record.id = shim_->subscribeFilter(namePattern, record.handler.get());
    if (record.id == 0)
    {
        LOG_ERROR(L"Ostrel::MessageBusClient::subscribeFilter",
                  L"Failed to subscribeFilter. Alias: %ls Message nameRegex: %ls", alias.c_str(), namePattern.c_str());
        records.pop_back();
        return MODULE_STATUS_UNSUCCESSFUL;
    }
    return MODULE_STATUS_SUCCESS;
}

ModuleStatus MessageBusClient::subscribeFilter(const std::wstring& namePattern, MessageHandler handler)
{
    return subscribeFilter(namePattern, namePattern, std::move(handler));
}

ModuleStatus MessageBusClient::subscribeFilterInSession(const std::wstring& namePattern, const std::wstring& alias,
                                                        MessageHandler handler)
{
    return subscribeFilter(namePattern, alias, inSession(std::move(handler)));
}

ModuleStatus MessageBusClient::subscribeFilterInSession(const std::wstring& namePattern, MessageHandler handler)
{
    return subscribeFilterInSession(namePattern, namePattern, std::move(handler));
}

ModuleStatus MessageBusClient::unsubscribe(const std::wstring& alias)
{
    AliasSubscriptions removed;
    {
        std::lock_guard<std::mutex> lock(subscriptionLock_);
        const auto entry = subscriptions_.find(alias);
        if (entry == subscriptions_.end())
        {
            LOG_WARNING(L"Ostrel::MessageBusClient::unsubscribe", L"Subscription not found. Alias: %ls.",
                        alias.c_str());
            return MODULE_STATUS_SUCCESS;
        }
        removed = std::move(entry->second);
        subscriptions_.erase(entry);
    }
    endAtBus(removed);
    return MODULE_STATUS_SUCCESS;
}

void MessageBusClient::endAtBus(const AliasSubscriptions& removed)
{
    for (const Subscription& subscription : removed.subscriptions)
    {
        shim_->unsubscribe(subscription.id);
    }
    for (const FilterSubscription& subscription : removed.filterSubscriptions)
    {
        shim_->unsubscribe(subscription.id);
    }
}

ModuleStatus MessageBusClient::deliverDirect(const std::shared_ptr<Message>& message)
{
    if (!message)
    {
        return MODULE_STATUS_INVALID_PARAMETER;
    }
    const std::wstring& name = message->getName();
    std::lock_guard<std::mutex> lock(subscriptionLock_);
    for (const auto& [alias, entry] : subscriptions_)
    {
        for (const Subscription& subscription : entry.subscriptions)
        {
            if (subscription.messageName == name)
            {
                (*subscription.handler)(message);
            }
        }
        for (const FilterSubscription& subscription : entry.filterSubscriptions)
        {
            if (std::regex_match(name, subscription.compiledPattern))
            {
                (*subscription.handler)(message);
            }
        }
    }
    return MODULE_STATUS_SUCCESS;
}

ModuleStatus MessageBusClient::internalPublish(const std::shared_ptr<Message>& message, bool flagged)
{
    if (!message)
    {
        return MODULE_STATUS_INVALID_PARAMETER;
    }
    // A reply also goes out as a plain message, unless its sender declined
    // the copy or the copy is already on its way.
    MessageProperties& properties = *message->getProperties();
    const bool sendCopy = (properties.flags & MESSAGE_FLAG_REPLY) != 0 &&
                          (properties.flags & (MESSAGE_FLAG_NO_COPY | MESSAGE_FLAG_COPY_FOLLOWS)) == 0;
    if (sendCopy)
    {
        properties.flags |= MESSAGE_FLAG_COPY_FOLLOWS;
    }
    const ModuleStatus status = shim_->publish(message, flagged);
    if (status != MODULE_STATUS_SUCCESS)
    {
        LOG_ERROR(L"Ostrel::MessageBusClient::internalPublish", L"Failed to publish message. Error code %lu.", status);
        return status;
    }
    if (sendCopy)
    {
        properties.flags &= ~MESSAGE_FLAG_REPLY;
        properties.replyToken = 0;
        const ModuleStatus copyStatus = shim_->publish(message, flagged);
        if (copyStatus != MODULE_STATUS_SUCCESS)
        {
            LOG_WARNING(L"Ostrel::MessageBusClient::internalPublish",
                        L"Failed to publish non-reply copy of the message. Error code %lu.", copyStatus);
        }
    }
    return MODULE_STATUS_SUCCESS;
}

ModuleStatus MessageBusClient::internalRequest(const std::shared_ptr<Message>& message, std::shared_ptr<Reply>& reply,
                                               std::uint64_t timeoutMilliseconds, bool flagged)
{
    PendingReply pending;
    std::shared_ptr<ReplySlot> slot = pending.slot;
    const ModuleStatus status = sendRequest(message, std::move(pending), timeoutMilliseconds, flagged);
    if (status == MODULE_STATUS_SUCCESS)
    {
        reply = std::make_shared<ReplyImpl>(std::move(slot), ReplyTimeout(timeoutMilliseconds));
    }
    return status;
}

ModuleStatus MessageBusClient::internalRequest(const std::shared_ptr<Message>& message, ReplyCallback callback,
                                               std::uint64_t timeoutMilliseconds, bool flagged)
{
    PendingReply pending;
    // Runs once the slot is settled: the Reply is ready at once, or its wait
    // rethrows the failure the bus reported and the callback is skipped.
    pending.continuation = [slot = pending.slot, callback = std::move(callback)]
    {
        const auto reply = std::make_shared<ReplyImpl>(slot, 0);
        reply->wait();
        callback(reply);
    };
    return sendRequest(message, std::move(pending), timeoutMilliseconds, flagged);
}

ModuleStatus MessageBusClient::sendRequest(const std::shared_ptr<Message>& message, PendingReply pending,
                                           std::uint64_t timeoutMilliseconds, bool flagged)
{
    std::uint64_t replyIndex = 0;
    {
        std::lock_guard<std::mutex> lock(replyLock_);
        replyIndex = nextReplyIndex_++;
        if (!pendingReplies_.try_emplace(replyIndex, std::move(pending)).second)
        {
            LOG_ERROR(L"Ostrel::MessageBusClient::internalRequest", L"Unable to create reply promise. Returning.");
            return MODULE_STATUS_UNSUCCESSFUL;
        }
    }
    const ModuleStatus status = shim_->request(message, replyIndex, &replyFunction_, timeoutMilliseconds, flagged);
    if (status != MODULE_STATUS_SUCCESS)
    {
        std::lock_guard<std::mutex> lock(replyLock_);
        pendingReplies_.erase(replyIndex);
        LOG_ERROR(L"Ostrel::MessageBusClient::internalRequest", L"Failed to make request. Error code %lu.", status);
    }
    return status;
}

ModuleStatus MessageBusClient::replyCallback(std::uint64_t replyIndex, const std::shared_ptr<Message>& message,
                                             std::uint32_t busStatus)
{
    decltype(pendingReplies_)::node_type entry;
    {
        std::lock_guard<std::mutex> lock(replyLock_);
        const auto found = pendingReplies_.find(replyIndex);
        if (found == pendingReplies_.end())
        {
            LOG_WARNING(L"Ostrel::MessageBusClient::replyCallback", L"Reply index not found. Returning");
            return MODULE_STATUS_NOT_FOUND;
        }
        entry = pendingReplies_.extract(found);
    }
    // Settling cannot fail; whatever the continuation throws stays here.
    ExceptionBarrier(
        [&]
        {
            entry.mapped().settle(busStatus, message);
            return MODULE_STATUS_SUCCESS;
        });
    return MODULE_STATUS_SUCCESS;
}

MessageHandler MessageBusClient::inSession(MessageHandler handler) const
{
    if (sessionId_ == 0)
    {
        return handler;
    }
    return [sessionId = sessionId_, handler = std::move(handler)](const std::shared_ptr<Message>& message)
    {
        const MessageSessionExtension* extension =
            FindMessageExtension(*message->getProperties(), kMessagePropertiesVersion2);
        if (extension == nullptr || extension->sessionId == 0 || extension->sessionId == sessionId)
        {
            return handler(message);
        }
        return MODULE_STATUS_SUCCESS;
    };
}

} // namespace Ostrel
