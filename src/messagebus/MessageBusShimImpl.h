#pragma once

#include "messagebus/MessageBusFunctions.h"
#include "messagebus/MessageBusShim.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Ostrel
{

// The bus shim over a bus handle and the bus library's function table, and the
// two entry points through which the library calls back. Neither the handle
// nor the table is owned: both must outlive this object. Holds no state that
// changes after construction and takes no lock.
class MessageBusShimImpl : public MessageBusShim
{
public:
    // Throws ModuleException when the handle or the table is null.
    MessageBusShimImpl(void* handle, const MessageBusFunctions* functions);
    // Releases the reply callback at the library.
    ~MessageBusShimImpl() override;
    MessageBusShimImpl(const MessageBusShimImpl&) = delete;
    MessageBusShimImpl& operator=(const MessageBusShimImpl&) = delete;

    // An empty message gives MODULE_STATUS_INVALID_PARAMETER; otherwise the
    // library's status.
    ModuleStatus publish(const std::shared_ptr<Message>& message, bool flagged) override;
    ModuleStatus request(const std::shared_ptr<Message>& message, std::uint64_t replyIndex,
                         ReplyFunction* replyFunction, std::uint64_t timeoutMilliseconds, bool flagged) override;
    void releaseReplyCallback() override;
    std::uint32_t subscribe(const std::wstring& messageName, SubscribedHandler* handler) override;
    std::uint32_t subscribeFilter(const std::wstring& namePattern, SubscribedHandler* handler) override;
    void unsubscribe(std::uint32_t subscriptionId) override;

    // Given to the library with every subscription; context is the
    // subscriber's SubscribedHandler, held for the duration of the call.
    // Builds the message from what was delivered and returns the handler's
    // status; MODULE_STATUS_NO_MEMORY when the message cannot be built (the
    // handler is not called). Anything thrown, an empty handler included,
    // gives MODULE_STATUS_UNKNOWN_EXCEPTION.
    static ModuleStatus deliveryEntryPoint(void* context, const MessageProperties* properties, const wchar_t* name,
                                           const wchar_t* sender, const wchar_t* payload) noexcept;
    // Given to the library with every request; context is the client's
    // ReplyFunction. The reply message is built only when busStatus is 0.
    // Returns the reply function's status, 0 when there is none; anything
    // thrown gives MODULE_STATUS_UNKNOWN_EXCEPTION.
    static ModuleStatus replyEntryPoint(void* context, std::uint64_t replyIndex, const MessageProperties* properties,
                                        const wchar_t* name, const wchar_t* sender, const wchar_t* payload,
                                        std::uint32_t busStatus) noexcept;

private:
    void* handle_;
    const MessageBusFunctions* functions_;
};

} // namespace Ostrel
