#include "messagebus/MessageBusLib.h"

#include "logging/Log.h"
#include "messagebus/MessageBusShimImpl.h"
#include "module/ExceptionBarrier.h"
#include "platform/ModuleException.h"
#include "platform/OnceOnly.h"
#include "platform/dll/SharedLibrary.h"
#include "platform/performance/PerfTimer.h"

LOG_SOURCE_FILE(L"MessageBusLib.cpp")

namespace Ostrel
{

namespace
{

constinit LazyObject<const LibraryDescriptor> g_defaultDescriptor;

} // namespace

MessageBusLib::MessageBusLib(std::shared_ptr<SharedLibrary> library, std::shared_ptr<MessageBusShim> shim)
    : library_(std::move(library))
    , shim_(std::move(shim))
{
    internal::PerfTimer timer(L"MessageBusLib::MessageBusLib");
    if (!library_)
    {
        library_ = std::make_shared<SharedLibrary>(defaultDescriptor());
    }

    functions_ =
        static_cast<const MessageBusFunctions*>(library_->getFunctions()->CreateObject(kMessageBusInterfaceVersion));
    if (functions_ == nullptr)
    {
        LOG_ERROR(L"Ostrel::MessageBusLib::MessageBusLib",
                  L"Failed to get message bus functions object. Throwing ModuleException.");
        throw ModuleException("Failed to get message bus functions object");
    }

    const ModuleStatus status = functions_->createHandle(&handle_);
    if (status != MODULE_STATUS_SUCCESS)
    {
        LOG_ERROR(L"Ostrel::MessageBusLib::MessageBusLib",
                  L"Failed to get message bus handle. Error code: %ls(%lu). Throwing ModuleException.",
                  ModuleStatusName(status), static_cast<unsigned long>(status));
        throw ModuleException("Failed to get message bus handle");
    }

    // An object that was never built is not destroyed: a failure from here on
    // releases the handle itself.
    try
    {
        if (!shim_)
        {
            shim_ = std::make_shared<MessageBusShimImpl>(handle_, functions_);
        }
        timer.stop();
    }
    catch (...)
    {
        shim_.reset();
        functions_->releaseHandle(handle_);
        throw;
    }
}

MessageBusLib::~MessageBusLib()
{
    // The inner shim still uses the handle when it goes (it releases the reply
    // callback), and the handle belongs to the library.
    shim_.reset();
    ExceptionBarrier(
        [this]()
        {
            const ModuleStatus status = functions_->releaseHandle(handle_);
            if (status != MODULE_STATUS_SUCCESS)
            {
                LOG_WARNING(L"Ostrel::MessageBusLib::{dtor}", L"Failed to release message bus. Error code %ls(%lu).",
                            ModuleStatusName(status), static_cast<unsigned long>(status));
            }
            return status;
        });
    library_.reset();
}

ModuleStatus MessageBusLib::publish(const std::shared_ptr<Message>& message, bool flagged)
{
    return shim_->publish(message, flagged);
}

ModuleStatus MessageBusLib::request(const std::shared_ptr<Message>& message, std::uint64_t replyIndex,
                                    ReplyFunction* replyFunction, std::uint64_t timeoutMilliseconds, bool flagged)
{
    return shim_->request(message, replyIndex, replyFunction, timeoutMilliseconds, flagged);
}

void MessageBusLib::releaseReplyCallback()
{
    shim_->releaseReplyCallback();
}

std::uint32_t MessageBusLib::subscribe(const std::wstring& messageName, SubscribedHandler* handler)
{
    return shim_->subscribe(messageName, handler);
}

std::uint32_t MessageBusLib::subscribeFilter(const std::wstring& namePattern, SubscribedHandler* handler)
{
    return shim_->subscribeFilter(namePattern, handler);
}

void MessageBusLib::unsubscribe(std::uint32_t subscriptionId)
{
    shim_->unsubscribe(subscriptionId);
}

const LibraryDescriptor& MessageBusLib::defaultDescriptor()
{
    return g_defaultDescriptor.Get(
        [] {
            return LibraryDescriptor{L"MessageBus.dll", {L"$(App.Folder)", L"$(VuzevaRevo.InstallDir)"}};
        });
}

} // namespace Ostrel
