#include "HostBus.h"

#include "LibraryExports.h"
#include "messagebus/MessageProperties.h"

#include <windows.h>

namespace RelayHost
{

using Ostrel::MODULE_STATUS_SUCCESS;
using Ostrel::ModuleStatus;

namespace
{

std::uint32_t TotalSize(const wchar_t* name, const wchar_t* sender, const wchar_t* payload)
{
    return Ostrel::kEmptyMessageTotalSize +
           static_cast<std::uint32_t>(sizeof(wchar_t) * (wcslen(name) + wcslen(sender) + wcslen(payload)));
}

} // namespace

std::unique_ptr<HostBus> HostBus::Open(const std::wstring& libraryPath, std::wstring& error)
{
    std::unique_ptr<HostBus> bus(new HostBus);
    bus->library_ = LoadLibraryByFullPath(libraryPath);
    if (!bus->library_)
    {
        error = L"cannot load " + libraryPath + L" (error " + std::to_wstring(GetLastError()) + L")";
        return nullptr;
    }
    const auto createObject =
        Export<const Ostrel::MessageBusFunctions* (*)(std::uint32_t)>(bus->library_.get(), "CreateObject");
    bus->waitForDeliveries_ = Export<WaitForDeliveriesFn>(bus->library_.get(), "WaitForDeliveries");
    bus->functions_ = createObject != nullptr ? createObject(Ostrel::kMessageBusInterfaceVersion) : nullptr;
    if (bus->functions_ == nullptr || bus->waitForDeliveries_ == nullptr)
    {
        error = libraryPath + L" is not the development bus library";
        return nullptr;
    }
    const ModuleStatus created = bus->functions_->createHandle(&bus->handle_);
    if (created != MODULE_STATUS_SUCCESS)
    {
        bus->handle_ = nullptr;
        error = std::wstring(L"cannot open a bus handle: ") + Ostrel::ModuleStatusName(created);
        return nullptr;
    }
    return bus;
}

HostBus::~HostBus()
{
    if (handle_ == nullptr)
    {
        return;
    }
    for (const auto& subscription : subscriptions_)
    {
        functions_->unsubscribe(handle_, subscription.first);
    }
    functions_->releaseHandle(handle_);
}

std::uint32_t HostBus::subscribe(const wchar_t* name, Delivery delivery)
{
    return addSubscription(std::move(delivery), false, name);
}

std::uint32_t HostBus::subscribeFilter(const wchar_t* pattern, Delivery delivery)
{
    return addSubscription(std::move(delivery), true, pattern);
}

void HostBus::unsubscribe(std::uint32_t subscription)
{
    functions_->unsubscribe(handle_, subscription);
    std::lock_guard lock(subscriptionsMutex_);
    subscriptions_.erase(subscription);
}

ModuleStatus HostBus::publish(const wchar_t* name, const wchar_t* sender, const wchar_t* payload)
{
    MessageProperties properties = Ostrel::MessagePropertiesTemplate();
    properties.totalSize = TotalSize(name, sender, payload);
    return functions_->publish(handle_, &properties, name, sender, payload);
}

ModuleStatus HostBus::answer(const MessageProperties& request, const wchar_t* name, const wchar_t* sender,
                             const wchar_t* payload)
{
    MessageProperties properties = request;
    properties.flags |= Ostrel::MESSAGE_FLAG_REPLY;
    properties.totalSize = TotalSize(name, sender, payload);
    return functions_->publish(handle_, &properties, name, sender, payload);
}

ModuleStatus HostBus::waitForDeliveries(std::uint32_t timeoutMilliseconds)
{
    return waitForDeliveries_(timeoutMilliseconds);
}

std::uint32_t HostBus::addSubscription(Delivery delivery, bool byPattern, const wchar_t* nameOrPattern)
{
    auto held = std::make_unique<Delivery>(std::move(delivery));
    std::lock_guard lock(subscriptionsMutex_);
    const auto subscribe = byPattern ? functions_->subscribeFilter : functions_->subscribe;
    const std::uint32_t id = subscribe(handle_, held.get(), &HostBus::Deliver, nameOrPattern);
    if (id != 0)
    {
        subscriptions_.emplace(id, std::move(held));
    }
    return id;
}

ModuleStatus HostBus::Deliver(void* context, const MessageProperties* properties, const wchar_t* name,
                              const wchar_t* sender, const wchar_t* payload)
{
    return (*static_cast<const Delivery*>(context))(properties, name, sender, payload);
}

} // namespace RelayHost
