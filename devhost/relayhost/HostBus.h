#pragma once

#include "messagebus/MessageBusFunctions.h"
#include "platform/UniqueHandles.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace RelayHost
{

// The host's own connection to the bus library MessageBus.dll: the library
// loaded by full path, one bus handle, and the subscriptions of the host and
// of the services it runs, each delivering to a function of theirs. Statuses
// are module statuses.
class HostBus
{
public:
    using Delivery = std::function<Ostrel::ModuleStatus(const MessageProperties* properties, const wchar_t* name,
                                                        const wchar_t* sender, const wchar_t* payload)>;

    // Loads the library and opens a handle; null with a description in error
    // when that fails.
    static std::unique_ptr<HostBus> Open(const std::wstring& libraryPath, std::wstring& error);

    // Ends the subscriptions, releases the handle and unloads the library.
    ~HostBus();
    HostBus(const HostBus&) = delete;
    HostBus& operator=(const HostBus&) = delete;

    // Subscribes to the messages of this name, or to every message whose
    // whole name matches the pattern. The subscription id, 0 when the bus
    // refuses.
    std::uint32_t subscribe(const wchar_t* name, Delivery delivery);
    std::uint32_t subscribeFilter(const wchar_t* pattern, Delivery delivery);
    // Returns once no delivery to the subscription runs on another thread.
    void unsubscribe(std::uint32_t subscription);
    // Publishes with a fresh property record.
    Ostrel::ModuleStatus publish(const wchar_t* name, const wchar_t* sender, const wchar_t* payload);
    // Answers the request delivered with this record: the record kept, with
    // MESSAGE_FLAG_REPLY set. MODULE_STATUS_NOT_FOUND when the request was
    // answered already or timed out.
    Ostrel::ModuleStatus answer(const MessageProperties& request, const wchar_t* name, const wchar_t* sender,
                                const wchar_t* payload);
    // Returns 0 once the bus holds no delivery, queued or running, or
    // MODULE_STATUS_TIMEOUT. Never from a delivery: it would wait for itself.
    Ostrel::ModuleStatus waitForDeliveries(std::uint32_t timeoutMilliseconds);

    // What a module initialized with the host's bus is given.
    void* handle() const { return handle_; }
    const Ostrel::MessageBusFunctions* functions() const { return functions_; }

private:
    using WaitForDeliveriesFn = Ostrel::ModuleStatus (*)(std::uint32_t);

    HostBus() = default;
    std::uint32_t addSubscription(Delivery delivery, bool byPattern, const wchar_t* nameOrPattern);
    static Ostrel::ModuleStatus Deliver(void* context, const MessageProperties* properties, const wchar_t* name,
                                        const wchar_t* sender, const wchar_t* payload);

    Ostrel::UniqueLibrary library_;
    const Ostrel::MessageBusFunctions* functions_ = nullptr;
    WaitForDeliveriesFn waitForDeliveries_ = nullptr;
    void* handle_ = nullptr;
    // Each delivery function stays put while its subscription lives: the bus
    // holds its address.
    std::mutex subscriptionsMutex_;
    std::map<std::uint32_t, std::unique_ptr<Delivery>> subscriptions_;
};

} // namespace RelayHost
