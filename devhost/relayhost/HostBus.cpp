#include "HostBus.h"

#include "LibraryExports.h"
#include "messagebus/MessageProperties.h"

#include <windows.h>

namespace RelayHost
{

using Ostrel::MODULE_STATUS_SUCCESS;
using Ostrel::MODULE_STATUS_UNSUCCESSFUL;
using Ostrel::ModuleStatus;

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
    if (subscription_ != 0)
    {
        functions_->unsubscribe(handle_, subscription_);
    }
    functions_->releaseHandle(handle_);
}

ModuleStatus HostBus::subscribeFilter(const wchar_t* pattern, Delivery delivery)
{
    if (subscription_ != 0)
    {
        return MODULE_STATUS_UNSUCCESSFUL;
    }
    delivery_ = std::move(delivery);
    subscription_ = functions_->subscribeFilter(handle_, this, &HostBus::Deliver, pattern);
    return subscription_ != 0 ? MODULE_STATUS_SUCCESS : MODULE_STATUS_UNSUCCESSFUL;
}

ModuleStatus HostBus::publish(const wchar_t* name, const wchar_t* sender, const wchar_t* payload)
{
    MessageProperties properties = Ostrel::MessagePropertiesTemplate();
    properties.totalSize =
        Ostrel::kEmptyMessageTotalSize +
        static_cast<std::uint32_t>(sizeof(wchar_t) * (wcslen(name) + wcslen(sender) + wcslen(payload)));
    return functions_->publish(handle_, &properties, name, sender, payload);
}

ModuleStatus HostBus::waitForDeliveries(std::uint32_t timeoutMilliseconds)
{
    return waitForDeliveries_(timeoutMilliseconds);
}

ModuleStatus HostBus::Deliver(void* context, const MessageProperties* properties, const wchar_t* name,
                              const wchar_t* sender, const wchar_t* payload)
{
    return static_cast<HostBus*>(context)->delivery_(properties, name, sender, payload);
}

} // namespace RelayHost
