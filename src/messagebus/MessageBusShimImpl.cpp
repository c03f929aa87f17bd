#include "messagebus/MessageBusShimImpl.h"

#include "logging/Log.h"
#include "module/ExceptionBarrier.h"
#include "platform/ModuleException.h"

#include <new>

LOG_SOURCE_FILE(L"MessageBusShimImpl.cpp")

namespace Ostrel
{

namespace
{

// The library's strings are only read during the call; a null one counts as
// empty text.
std::wstring Text(const wchar_t* text)
{
    return text != nullptr ? std::wstring(text) : std::wstring();
}

// A message from what the library delivered, its property record copied in;
// empty when memory ran out, copying the texts included.
std::shared_ptr<Message> BuildMessage(const MessageProperties* properties, const wchar_t* name, const wchar_t* sender,
                                      const wchar_t* payload)
{
    try
    {
        std::shared_ptr<Message> message = createMessage(Text(name), Text(sender), Text(payload));
        if (message)
        {
            CopyMessageProperties(*message->getProperties(), properties);
        }
        return message;
    }
    catch (const std::bad_alloc&)
    {
        return {};
    }
}

} // namespace

MessageBusShimImpl::MessageBusShimImpl(void* handle, const MessageBusFunctions* functions)
    : handle_(handle)
    , functions_(functions)
{
    if (handle_ == nullptr)
    {
        LOG_ERROR(L"Ostrel::MessageBusShimImpl::MessageBusShimImpl",
                  L"Invalid message bus handle. Throwing ModuleException.");
        throw ModuleException("Invalid message bus handle");
    }
    if (functions_ == nullptr)
    {
        LOG_ERROR(L"Ostrel::MessageBusShimImpl::MessageBusShimImpl",
                  L"Invalid message bus functions object. Throwing ModuleException.");
        throw ModuleException("Invalid message bus functions object");
    }
}

MessageBusShimImpl::~MessageBusShimImpl()
{
    releaseReplyCallback();
}

ModuleStatus MessageBusShimImpl::publish(const std::shared_ptr<Message>& message, bool flagged)
{
    if (!message)
    {
        return MODULE_STATUS_INVALID_PARAMETER;
    }
    const BusPublishFn publish = flagged ? functions_->publishFlagged : functions_->publish;
    return publish(handle_, message->getProperties(), message->getName().c_str(), message->getSender().c_str(),
                   message->getPayload().c_str());
}

ModuleStatus MessageBusShimImpl::request(const std::shared_ptr<Message>& message, std::uint64_t replyIndex,
                                         ReplyFunction* replyFunction, std::uint64_t timeoutMilliseconds, bool flagged)
{
    if (!message)
    {
        return MODULE_STATUS_INVALID_PARAMETER;
    }
    const BusRequestFn request = flagged ? functions_->requestFlagged : functions_->request;
    return request(handle_, replyIndex, replyFunction, &MessageBusShimImpl::replyEntryPoint, message->getProperties(),
                   message->getName().c_str(), message->getSender().c_str(), message->getPayload().c_str(),
                   timeoutMilliseconds);
}

void MessageBusShimImpl::releaseReplyCallback()
{
    functions_->releaseReplyCallback(handle_, &MessageBusShimImpl::replyEntryPoint);
}

std::uint32_t MessageBusShimImpl::subscribe(const std::wstring& messageName, SubscribedHandler* handler)
{
    return functions_->subscribe(handle_, handler, &MessageBusShimImpl::deliveryEntryPoint, messageName.c_str());
}

std::uint32_t MessageBusShimImpl::subscribeFilter(const std::wstring& namePattern, SubscribedHandler* handler)
{
    return functions_->subscribeFilter(handle_, handler, &MessageBusShimImpl::deliveryEntryPoint, namePattern.c_str());
}

void MessageBusShimImpl::unsubscribe(std::uint32_t subscriptionId)
{
    functions_->unsubscribe(handle_, subscriptionId);
}

ModuleStatus MessageBusShimImpl::deliveryEntryPoint(void* context, const MessageProperties* properties,
                                                    const wchar_t* name, const wchar_t* sender,
                                                    const wchar_t* payload) noexcept
{
    return ExceptionBarrier(
        [&]()
        {
            // A subscription without a handler is treated like an empty one.
            const auto* subscribed = static_cast<const SubscribedHandler*>(context);
            if (subscribed == nullptr)
            {
                return MODULE_STATUS_UNKNOWN_EXCEPTION;
            }
            // The handler may end its own subscription, which drops the
            // client's reference: this one keeps it until it returned.
            const std::shared_ptr<const SubscribedHandler> handler = subscribed->shared_from_this();
            const std::shared_ptr<Message> message = BuildMessage(properties, name, sender, payload);
            if (!message)
            {
                return MODULE_STATUS_NO_MEMORY;
            }
            return (*handler)(message);
        });
}

ModuleStatus MessageBusShimImpl::replyEntryPoint(void* context, std::uint64_t replyIndex,
                                                 const MessageProperties* properties, const wchar_t* name,
                                                 const wchar_t* sender, const wchar_t* payload,
                                                 std::uint32_t busStatus) noexcept
{
    return ExceptionBarrier(
        [&]()
        {
            std::shared_ptr<Message> message;
            if (busStatus == MODULE_STATUS_SUCCESS)
            {
                message = BuildMessage(properties, name, sender, payload);
            }
            const ReplyFunction* replyFunction = static_cast<const ReplyFunction*>(context);
            if (replyFunction == nullptr)
            {
                return MODULE_STATUS_SUCCESS;
            }
            return (*replyFunction)(replyIndex, message, busStatus);
        });
}

} // namespace Ostrel
