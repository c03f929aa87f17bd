#include "Bus.h"

#include "MessageBusProtocol.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace DevBus
{

using Ostrel::MODULE_STATUS_INVALID_HANDLE;
using Ostrel::MODULE_STATUS_INVALID_PARAMETER;
using Ostrel::MODULE_STATUS_NO_SUBSCRIBERS;
using Ostrel::MODULE_STATUS_NOT_FOUND;
using Ostrel::MODULE_STATUS_SUCCESS;
using Ostrel::MODULE_STATUS_TIMEOUT;
using Ostrel::ModuleStatus;

Bus::Bus()
    : deliveries_(std::make_shared<WorkerPool>(kMaxDeliveryThreads))
    , replies_(std::make_shared<WorkerPool>(kMaxReplyThreads))
{
}

void Bus::attach(void* client)
{
    std::lock_guard lock(mutex_);
    clients_.insert(client);
}

bool Bus::detach(void* client)
{
    std::lock_guard lock(mutex_);
    if (clients_.erase(client) == 0)
    {
        return false;
    }
    std::erase_if(subscriptions_, [client](const auto& entry) { return entry.second.client == client; });
    dropRequests(client, nullptr);
    return true;
}

void Bus::waitUntilIdle(void* client)
{
    calls_.waitUntilIdle(client, 0, nullptr);
}

std::size_t Bus::pendingTasks()
{
    return deliveries_->pendingTasks() + replies_->pendingTasks();
}

bool Bus::waitForDeliveries(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(deliveriesInFlightMutex_);
    return deliveriesEnded_.wait_for(lock, timeout, [this] { return deliveriesInFlight_ == 0; });
}

void Bus::shutdown()
{
    deliveries_->stop();
    replies_->stop();
}

ModuleStatus Bus::publish(void* client, const MessageProperties* properties, const wchar_t* name, const wchar_t* sender,
                          const wchar_t* payload)
{
    if (name == nullptr)
    {
        return MODULE_STATUS_INVALID_PARAMETER;
    }
    auto message = std::make_shared<const BusMessage>(properties, name, sender, payload);
    std::lock_guard lock(mutex_);
    if (!clients_.contains(client))
    {
        return MODULE_STATUS_INVALID_HANDLE;
    }
    if (properties != nullptr && (properties->flags & Ostrel::MESSAGE_FLAG_REPLY) != 0)
    {
        return answer(properties->replyToken, std::move(message));
    }
    return deliver(message) ? MODULE_STATUS_SUCCESS : MODULE_STATUS_NO_SUBSCRIBERS;
}

ModuleStatus Bus::request(void* client, std::uint64_t replyIndex, void* context,
                          Ostrel::BusReplyEntryPoint replyEntryPoint, const MessageProperties* properties,
                          const wchar_t* name, const wchar_t* sender, const wchar_t* payload,
                          std::uint64_t timeoutMilliseconds)
{
    if (replyEntryPoint == nullptr || properties == nullptr || name == nullptr)
    {
        return MODULE_STATUS_INVALID_PARAMETER;
    }
    auto message = std::make_shared<BusMessage>(properties, name, sender, payload);
    const auto timeout = std::chrono::milliseconds(std::min(timeoutMilliseconds, kMaxRequestTimeoutMilliseconds));

    std::lock_guard lock(mutex_);
    if (!clients_.contains(client))
    {
        return MODULE_STATUS_INVALID_HANDLE;
    }
    const std::uint64_t replyToken = nextReplyToken_++;
    message->record->replyToken = replyToken;
    message->record->flags &= ~Ostrel::MESSAGE_FLAG_REPLY;
    if (!deliver(message))
    {
        return MODULE_STATUS_NO_SUBSCRIBERS;
    }
    const auto timeoutTask = replies_->postAfter(timeout, [self = shared_from_this(), replyToken]
                                                 { self->completeRequest(replyToken, nullptr); });
    requests_.emplace(replyToken, PendingRequest{client, replyIndex, context, replyEntryPoint, timeoutTask, false});
    return MODULE_STATUS_SUCCESS;
}

std::uint32_t Bus::subscribe(void* client, void* context, Ostrel::BusDeliveryEntryPoint deliveryEntryPoint,
                             const wchar_t* name)
{
    if (deliveryEntryPoint == nullptr || name == nullptr)
    {
        return 0;
    }
    return addSubscription(Subscription{client, context, deliveryEntryPoint, name, std::nullopt});
}

std::uint32_t Bus::subscribeFilter(void* client, void* context, Ostrel::BusDeliveryEntryPoint deliveryEntryPoint,
                                   const wchar_t* pattern)
{
    if (deliveryEntryPoint == nullptr || pattern == nullptr)
    {
        return 0;
    }
    std::wregex compiled;
    try
    {
        compiled.assign(pattern, std::regex_constants::ECMAScript | std::regex_constants::nosubs |
                                     std::regex_constants::optimize);
    }
    catch (const std::regex_error&)
    {
        return 0;
    }
    return addSubscription(Subscription{client, context, deliveryEntryPoint, pattern, std::move(compiled)});
}

void Bus::unsubscribe(void* client, std::uint32_t subscriptionId)
{
    {
        std::lock_guard lock(mutex_);
        const auto found = subscriptions_.find(subscriptionId);
        if (found == subscriptions_.end() || found->second.client != client)
        {
            return;
        }
        subscriptions_.erase(found);
    }
    calls_.waitUntilIdle(client, subscriptionId, nullptr);
}

void Bus::releaseReplyCallback(void* client, Ostrel::BusReplyEntryPoint replyEntryPoint)
{
    if (replyEntryPoint == nullptr)
    {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        dropRequests(client, replyEntryPoint);
    }
    calls_.waitUntilIdle(client, 0, replyEntryPoint);
}

std::uint32_t Bus::addSubscription(Subscription subscription)
{
    std::lock_guard lock(mutex_);
    if (!clients_.contains(subscription.client))
    {
        return 0;
    }
    std::uint32_t id = 0;
    while (id == 0 || subscriptions_.contains(id))
    {
        id = nextSubscriptionId_++;
    }
    subscriptions_.emplace(id, std::move(subscription));
    return id;
}

void Bus::dropRequests(void* client, Ostrel::BusReplyEntryPoint replyEntryPoint)
{
    for (auto request = requests_.begin(); request != requests_.end();)
    {
        if (request->second.client == client &&
            (replyEntryPoint == nullptr || request->second.entryPoint == replyEntryPoint))
        {
            replies_->cancel(request->second.timeout);
            request = requests_.erase(request);
        }
        else
        {
            ++request;
        }
    }
}

bool Bus::deliver(const std::shared_ptr<const BusMessage>& message)
{
    bool matched = false;
    for (const auto& [id, subscription] : subscriptions_)
    {
        if (subscription.pattern ? std::regex_match(message->name, *subscription.pattern)
                                 : subscription.name == message->name)
        {
            deliveries_->post([self = shared_from_this(), id, message, counted = countDelivery()]
                              { self->runDelivery(id, *message); });
            matched = true;
        }
    }
    return matched;
}

ModuleStatus Bus::answer(std::uint64_t replyToken, std::shared_ptr<const BusMessage> message)
{
    const auto found = requests_.find(replyToken);
    if (found == requests_.end() || found->second.answered)
    {
        return MODULE_STATUS_NOT_FOUND;
    }
    found->second.answered = true;
    replies_->cancel(found->second.timeout);
    replies_->post([self = shared_from_this(), replyToken, message = std::move(message)]
                   { self->completeRequest(replyToken, message); });
    return MODULE_STATUS_SUCCESS;
}

void Bus::runDelivery(std::uint32_t subscriptionId, const BusMessage& message)
{
    std::unique_lock lock(mutex_);
    const auto found = subscriptions_.find(subscriptionId);
    if (found == subscriptions_.end())
    {
        return;
    }
    const Subscription& subscription = found->second;
    void* const context = subscription.context;
    const Ostrel::BusDeliveryEntryPoint entryPoint = subscription.entryPoint;
    ActiveCalls::Scope running(calls_, {subscription.client, subscriptionId, nullptr, GetCurrentThreadId()});
    lock.unlock();

    std::optional<MessageProperties> record = message.record;
    entryPoint(context, record ? &*record : nullptr, message.name.c_str(), message.sender.c_str(),
               message.payload.c_str());
}

std::shared_ptr<void> Bus::countDelivery()
{
    {
        std::lock_guard lock(deliveriesInFlightMutex_);
        ++deliveriesInFlight_;
    }
    return std::shared_ptr<void>(this,
                                 [self = shared_from_this()](void*)
                                 {
                                     {
                                         std::lock_guard lock(self->deliveriesInFlightMutex_);
                                         --self->deliveriesInFlight_;
                                     }
                                     self->deliveriesEnded_.notify_all();
                                 });
}

void Bus::completeRequest(std::uint64_t replyToken, const std::shared_ptr<const BusMessage>& answer)
{
    std::unique_lock lock(mutex_);
    const auto found = requests_.find(replyToken);
    if (found == requests_.end() || found->second.answered != (answer != nullptr))
    {
        return;
    }
    const PendingRequest request = found->second;
    requests_.erase(found);
    ActiveCalls::Scope running(calls_, {request.client, 0, request.entryPoint, GetCurrentThreadId()});
    lock.unlock();

    if (answer != nullptr)
    {
        MessageProperties record = *answer->record;
        request.entryPoint(request.context, request.replyIndex, &record, answer->name.c_str(), answer->sender.c_str(),
                           answer->payload.c_str(), MODULE_STATUS_SUCCESS);
    }
    else
    {
        request.entryPoint(request.context, request.replyIndex, nullptr, L"", L"", L"", MODULE_STATUS_TIMEOUT);
    }
}

} // namespace DevBus
