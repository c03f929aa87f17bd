#pragma once

#include "messagebus/MessageBusFunctions.h"

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <list>
#include <mutex>

namespace DevBus
{

// The calls into clients that are running, so that a client can be told that
// none of a kind runs any more (after unsubscribing, releasing a reply entry
// point or releasing its handle).
class ActiveCalls
{
public:
    struct Call
    {
        void* client;
        std::uint32_t subscriptionId;               // a delivery; 0 for a reply call
        Ostrel::BusReplyEntryPoint replyEntryPoint; // a reply call; null for a delivery
        DWORD threadId;
    };

    // Marks a call as running for as long as it lives.
    class Scope
    {
    public:
        Scope(ActiveCalls& calls, const Call& call);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        ActiveCalls& calls_;
        std::list<Call>::iterator position_;
    };

    // Returns once no call of the client that matches runs on another thread
    // than the caller's. A subscription id of 0 and a null reply entry point
    // match any.
    void waitUntilIdle(void* client, std::uint32_t subscriptionId, Ostrel::BusReplyEntryPoint replyEntryPoint);

private:
    std::mutex mutex_;
    std::condition_variable ended_;
    std::list<Call> running_;
};

} // namespace DevBus
