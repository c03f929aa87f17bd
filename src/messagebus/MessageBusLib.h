#pragma once

#include "messagebus/MessageBusFunctions.h"
#include "messagebus/MessageBusShim.h"
#include "platform/LibraryDescriptor.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Ostrel
{

class SharedLibrary;

// The bus shim of a module that reaches the bus itself: loads the framework's
// bus library, obtains its function table and a bus handle, and forwards every
// operation to an inner shim over them. An object exists only with all of
// these: the constructor throws otherwise (ModuleException when a step fails),
// releasing the handle it created and unloading what it loaded. Destruction
// drops the inner shim, releases the handle and then the library, in that
// order.
class MessageBusLib : public MessageBusShim
{
public:
    // An empty library is loaded from defaultDescriptor(); an empty shim is
    // replaced by a MessageBusShimImpl over the handle and the table.
    explicit MessageBusLib(std::shared_ptr<SharedLibrary> library = nullptr,
                           std::shared_ptr<MessageBusShim> shim = nullptr);
    ~MessageBusLib() override;
    MessageBusLib(const MessageBusLib&) = delete;
    MessageBusLib& operator=(const MessageBusLib&) = delete;

    ModuleStatus publish(const std::shared_ptr<Message>& message, bool flagged) override;
    ModuleStatus request(const std::shared_ptr<Message>& message, std::uint64_t replyIndex,
                         ReplyFunction* replyFunction, std::uint64_t timeoutMilliseconds, bool flagged) override;
    void releaseReplyCallback() override;
    std::uint32_t subscribe(const std::wstring& messageName, SubscribedHandler* handler) override;
    std::uint32_t subscribeFilter(const std::wstring& namePattern, SubscribedHandler* handler) override;
    void unsubscribe(std::uint32_t subscriptionId) override;

    // "MessageBus.dll", looked for in the host application's folder and then in
    // the framework's install folder.
    static const LibraryDescriptor& defaultDescriptor();

private:
    std::shared_ptr<SharedLibrary> library_;
    std::shared_ptr<MessageBusShim> shim_;
    void* handle_ = nullptr;
    const MessageBusFunctions* functions_ = nullptr;
};

} // namespace Ostrel
