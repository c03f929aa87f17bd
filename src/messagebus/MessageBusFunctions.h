#pragma once

// The binary interface of the framework's bus library: the function table its
// "CreateObject" returns (or the host passes) and the two entry points through
// which the library calls back into a module. All strings are NUL-terminated
// UTF-16 and valid only during the call; statuses are module statuses (0 =
// success); a subscription id of 0 means failure. The property record is passed
// through unchanged.

#include "messagebus/MessageProperties.h"
#include "module/ModuleStatus.h"

#include <cstdint>

namespace Ostrel
{

// Called by the library on its own thread for every message that matches a
// subscription; context is what the subscriber gave with the subscription.
using BusDeliveryEntryPoint = ModuleStatus (*)(void* context, const MessageProperties* properties, const wchar_t* name,
                                               const wchar_t* sender, const wchar_t* payload);

// Called by the library exactly once per accepted request, with the answer
// (busStatus 0) or MODULE_STATUS_TIMEOUT / another failure (no message).
using BusReplyEntryPoint = ModuleStatus (*)(void* context, std::uint64_t replyIndex,
                                            const MessageProperties* properties, const wchar_t* name,
                                            const wchar_t* sender, const wchar_t* payload, std::uint32_t busStatus);

using BusCreateHandleFn = ModuleStatus (*)(void** handle);
using BusReleaseHandleFn = ModuleStatus (*)(void* handle);
using BusPublishFn = ModuleStatus (*)(void* handle, MessageProperties* properties, const wchar_t* name,
                                      const wchar_t* sender, const wchar_t* payload);
using BusRequestFn = ModuleStatus (*)(void* handle, std::uint64_t replyIndex, void* context,
                                      BusReplyEntryPoint replyEntryPoint, MessageProperties* properties,
                                      const wchar_t* name, const wchar_t* sender, const wchar_t* payload,
                                      std::uint64_t timeoutMilliseconds);
using BusSubscribeFn = std::uint32_t (*)(void* handle, void* context, BusDeliveryEntryPoint deliveryEntryPoint,
                                         const wchar_t* messageNameOrPattern);
using BusUnsubscribeFn = void (*)(void* handle, std::uint32_t subscriptionId);
using BusReleaseReplyCallbackFn = void (*)(void* handle, BusReplyEntryPoint replyEntryPoint);

// Ten function pointers, 8 bytes apart, in this order.
struct MessageBusFunctions
{
    BusCreateHandleFn createHandle;                 // 0
    BusReleaseHandleFn releaseHandle;               // 1
    BusPublishFn publish;                           // 2
    BusRequestFn request;                           // 3
    BusSubscribeFn subscribe;                       // 4: by message name
    BusSubscribeFn subscribeFilter;                 // 5: by name pattern, matched against whole names
    BusUnsubscribeFn unsubscribe;                   // 6
    BusReleaseReplyCallbackFn releaseReplyCallback; // 7
    BusPublishFn publishFlagged;                    // 8
    BusRequestFn requestFlagged;                    // 9
};

static_assert(sizeof(MessageBusFunctions) == 80);

// The interface version passed to the library's "CreateObject".
inline constexpr std::uint32_t kMessageBusInterfaceVersion = 2001000;

} // namespace Ostrel
