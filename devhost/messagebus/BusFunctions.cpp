#include "BusFunctions.h"

#include "BusHandles.h"

#include "module/ExceptionBarrier.h"

namespace DevBus
{

namespace
{

using Ostrel::BusDeliveryEntryPoint;
using Ostrel::BusReplyEntryPoint;
using Ostrel::ModuleStatus;

ModuleStatus CreateHandle(void** handle)
{
    return Ostrel::ExceptionBarrier([&] { return CreateBusHandle(handle); });
}

ModuleStatus ReleaseHandle(void* handle)
{
    return Ostrel::ExceptionBarrier([&] { return ReleaseBusHandle(handle); });
}

ModuleStatus Publish(void* handle, MessageProperties* properties, const wchar_t* name, const wchar_t* sender,
                     const wchar_t* payload)
{
    return Ostrel::ExceptionBarrier(
        [&]
        {
            const auto bus = CurrentBus();
            return bus ? bus->publish(handle, properties, name, sender, payload) : Ostrel::MODULE_STATUS_INVALID_HANDLE;
        });
}

ModuleStatus Request(void* handle, std::uint64_t replyIndex, void* context, BusReplyEntryPoint replyEntryPoint,
                     MessageProperties* properties, const wchar_t* name, const wchar_t* sender, const wchar_t* payload,
                     std::uint64_t timeoutMilliseconds)
{
    return Ostrel::ExceptionBarrier(
        [&]
        {
            const auto bus = CurrentBus();
            return bus ? bus->request(handle, replyIndex, context, replyEntryPoint, properties, name, sender, payload,
                                      timeoutMilliseconds)
                       : Ostrel::MODULE_STATUS_INVALID_HANDLE;
        });
}

std::uint32_t Subscribe(void* handle, void* context, BusDeliveryEntryPoint deliveryEntryPoint, const wchar_t* name)
{
    try
    {
        const auto bus = CurrentBus();
        return bus ? bus->subscribe(handle, context, deliveryEntryPoint, name) : 0;
    }
    catch (...)
    {
        return 0;
    }
}

std::uint32_t SubscribeFilter(void* handle, void* context, BusDeliveryEntryPoint deliveryEntryPoint,
                              const wchar_t* pattern)
{
    try
    {
        const auto bus = CurrentBus();
        return bus ? bus->subscribeFilter(handle, context, deliveryEntryPoint, pattern) : 0;
    }
    catch (...)
    {
        return 0;
    }
}

void Unsubscribe(void* handle, std::uint32_t subscriptionId)
{
    try
    {
        if (const auto bus = CurrentBus())
        {
            bus->unsubscribe(handle, subscriptionId);
        }
    }
    catch (...)
    {
    }
}

void ReleaseReplyCallback(void* handle, BusReplyEntryPoint replyEntryPoint)
{
    try
    {
        if (const auto bus = CurrentBus())
        {
            bus->releaseReplyCallback(handle, replyEntryPoint);
        }
    }
    catch (...)
    {
    }
}

// The flagged forms of publish and request behave as the plain ones.
constexpr Ostrel::MessageBusFunctions kFunctions = {
    &CreateHandle, &ReleaseHandle,        &Publish, &Request, &Subscribe, &SubscribeFilter,
    &Unsubscribe,  &ReleaseReplyCallback, &Publish, &Request,
};

} // namespace

const Ostrel::MessageBusFunctions& BusFunctionTable()
{
    return kFunctions;
}

} // namespace DevBus
