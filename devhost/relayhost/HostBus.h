#pragma once

#include "messagebus/MessageBusFunctions.h"
#include "platform/UniqueHandles.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace RelayHost
{

// The host's own connection to the bus library MessageBus.dll: the library
// loaded by full path, one bus handle, and at most one pattern subscription
// whose deliveries go to a function of the host's. Statuses are module
// statuses.
class HostBus
{
public:
    using Delivery = std::function<Ostrel::ModuleStatus(const MessageProperties* properties, const wchar_t* name,
                                                        const wchar_t* sender, const wchar_t* payload)>;

    // Loads the library and opens a handle; null with a description in error
    // when that fails.
    static std::unique_ptr<HostBus> Open(const std::wstring& libraryPath, std::wstring& error);

    // Ends the subscription, releases the handle and unloads the library.
    ~HostBus();
    HostBus(const HostBus&) = delete;
    HostBus& operator=(const HostBus&) = delete;

    // Subscribes to every message whose whole name matches the pattern.
    // MODULE_STATUS_UNSUCCESSFUL when the bus refuses or a subscription exists.
    Ostrel::ModuleStatus subscribeFilter(const wchar_t* pattern, Delivery delivery);
    // Publishes with a fresh property record.
    Ostrel::ModuleStatus publish(const wchar_t* name, const wchar_t* sender, const wchar_t* payload);
    // Returns 0 once the bus holds no delivery, queued or running, or
    // MODULE_STATUS_TIMEOUT. Never from a delivery: it would wait for itself.
    Ostrel::ModuleStatus waitForDeliveries(std::uint32_t timeoutMilliseconds);

    // What a module initialized with the host's bus is given.
    void* handle() const { return handle_; }
    const Ostrel::MessageBusFunctions* functions() const { return functions_; }

private:
    using WaitForDeliveriesFn = Ostrel::ModuleStatus (*)(std::uint32_t);

    HostBus() = default;
    static Ostrel::ModuleStatus Deliver(void* context, const MessageProperties* properties, const wchar_t* name,
                                        const wchar_t* sender, const wchar_t* payload);

    Ostrel::UniqueLibrary library_;
    const Ostrel::MessageBusFunctions* functions_ = nullptr;
    WaitForDeliveriesFn waitForDeliveries_ = nullptr;
    void* handle_ = nullptr;
    std::uint32_t subscription_ = 0;
    Delivery delivery_;
};

} // namespace RelayHost
