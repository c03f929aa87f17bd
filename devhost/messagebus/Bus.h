#pragma once

#include "ActiveCalls.h"
#include "BusMessage.h"
#include "WorkerPool.h"

#include "messagebus/MessageBusFunctions.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <regex>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace DevBus
{

// One in-process bus: the clients attached to it (each known by its handle),
// their subscriptions and pending requests, and the worker threads that call
// into them: deliveries on one pool, reply calls and time-outs on another, so
// that handlers holding every delivery thread hold up no answer.
// MessageBusProtocol.h describes what clients see. No lock is held while a
// client's entry point runs.
class Bus : public std::enable_shared_from_this<Bus>
{
public:
    Bus();

    void attach(void* client);
    // Ends the client's subscriptions and pending requests; false when the
    // client is not attached.
    bool detach(void* client);
    // Returns once no call into the client runs on another thread.
    void waitUntilIdle(void* client);
    // The deliveries, reply calls and time-outs that have not started.
    std::size_t pendingTasks();
    // True once no delivery is queued or running, false when the time-out
    // passes first. Not from a delivery: it would wait for itself.
    bool waitForDeliveries(std::chrono::milliseconds timeout);
    // Stops the worker threads; queued work is dropped.
    void shutdown();

    Ostrel::ModuleStatus publish(void* client, const MessageProperties* properties, const wchar_t* name,
                                 const wchar_t* sender, const wchar_t* payload);
    Ostrel::ModuleStatus request(void* client, std::uint64_t replyIndex, void* context,
                                 Ostrel::BusReplyEntryPoint replyEntryPoint, const MessageProperties* properties,
                                 const wchar_t* name, const wchar_t* sender, const wchar_t* payload,
                                 std::uint64_t timeoutMilliseconds);
    // 0 for an unknown client or a null entry point or name.
    std::uint32_t subscribe(void* client, void* context, Ostrel::BusDeliveryEntryPoint deliveryEntryPoint,
                            const wchar_t* name);
    // 0 also when the pattern does not compile.
    std::uint32_t subscribeFilter(void* client, void* context, Ostrel::BusDeliveryEntryPoint deliveryEntryPoint,
                                  const wchar_t* pattern);
    void unsubscribe(void* client, std::uint32_t subscriptionId);
    void releaseReplyCallback(void* client, Ostrel::BusReplyEntryPoint replyEntryPoint);

private:
    struct Subscription
    {
        void* client;
        void* context;
        Ostrel::BusDeliveryEntryPoint entryPoint;
        std::wstring name;
        std::optional<std::wregex> pattern;
    };

    struct PendingRequest
    {
        void* client;
        std::uint64_t replyIndex;
        void* context;
        Ostrel::BusReplyEntryPoint entryPoint;
        WorkerPool::DelayedTaskId timeout;
        bool answered;
    };

    std::uint32_t addSubscription(Subscription subscription);
    // Forgets the client's requests that use the reply entry point (any, when
    // null) and cancels their time-outs. Called with the lock held.
    void dropRequests(void* client, Ostrel::BusReplyEntryPoint replyEntryPoint);
    // Queues one delivery per matching subscription; false when none matches.
    // Called with the lock held.
    bool deliver(const std::shared_ptr<const BusMessage>& message);
    // Hands an answer to its request. Called with the lock held.
    Ostrel::ModuleStatus answer(std::uint64_t replyToken, std::shared_ptr<const BusMessage> message);
    // Worker side: one call of a subscription's delivery entry point.
    void runDelivery(std::uint32_t subscriptionId, const BusMessage& message);
    // Counts one delivery from its queuing until its task is destroyed, run
    // or dropped.
    std::shared_ptr<void> countDelivery();
    // Worker side: the one call of a request's reply entry point, with the
    // answer, or with MODULE_STATUS_TIMEOUT when answer is null and the request
    // is still unanswered.
    void completeRequest(std::uint64_t replyToken, const std::shared_ptr<const BusMessage>& answer);

    std::mutex mutex_;
    std::unordered_set<void*> clients_;
    std::map<std::uint32_t, Subscription> subscriptions_;
    std::uint32_t nextSubscriptionId_ = 1;
    std::unordered_map<std::uint64_t, PendingRequest> requests_;
    std::uint64_t nextReplyToken_ = 1;
    ActiveCalls calls_;
    std::shared_ptr<WorkerPool> deliveries_;
    std::mutex deliveriesInFlightMutex_;
    std::condition_variable deliveriesEnded_;
    std::size_t deliveriesInFlight_ = 0;
    std::shared_ptr<WorkerPool> replies_;
};

} // namespace DevBus
