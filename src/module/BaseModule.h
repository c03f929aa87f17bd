#pragma once

#include "messagebus/MessageBus.h"
#include "module/IOCContainer.h"
#include "module/Module.h"
#include "module/ModuleManagerShim.h"

#include <memory>
#include <string>
#include <unordered_map>

namespace Ostrel
{

// The base of every module object. It keeps what the host handed over at
// initialization, gives the module class the message bus (forwarded to the
// stored bus client), delivers direct messages and asks the host to unload
// the module. The bus operations may be used only after a successful
// baseInitialize; they do not check for a missing client, except unsubscribe,
// which answers MODULE_STATUS_INVALID_STATE without one, so that a module
// whose initialization failed can still be uninitialized.
class BaseModule : public Module, protected MessageBus
{
public:
    // An empty container is replaced by a new one.
    explicit BaseModule(std::shared_ptr<Basekit::IOCContainer> container);
    ~BaseModule() override = default;
    BaseModule(const BaseModule&) = delete;
    BaseModule& operator=(const BaseModule&) = delete;

    ModuleStatus initialize() override;
    ModuleStatus start() override;
    ModuleStatus stop() override;
    ModuleStatus uninitialize() override;

    // Stores what the host passed and registers the bus client as the
    // container's MessageBus. A missing module manager or bus client gives
    // MODULE_STATUS_INVALID_PARAMETER; what was stored before the failing
    // step stays stored.
    virtual ModuleStatus baseInitialize(const std::wstring& moduleName, const std::wstring& moduleInfo,
                                        const std::unordered_map<std::wstring, std::wstring>& parameters,
                                        std::shared_ptr<internal::ModuleManagerShim> moduleManager,
                                        std::shared_ptr<MessageBus> messageBus);

    // Hands the message synchronously to the module's own subscriptions.
    // MODULE_STATUS_INVALID_STATE when the bus is not a MessageBusClient
    // (also before baseInitialize).
    ModuleStatus directMessage(const std::shared_ptr<Message>& message);

    // Asks the host to unload this module by its name; returns the host's
    // status, or 0 when there is no module manager to ask.
    ModuleStatus unload();

    const std::wstring& getModuleName() const { return moduleName_; }

protected:
    ModuleStatus publish(const std::shared_ptr<Message>& message) override;
    ModuleStatus publishFlagged(const std::shared_ptr<Message>& message) override;

    ModuleStatus request(const std::shared_ptr<Message>& message, ReplyCallback callback,
                         const std::uint64_t& timeoutMilliseconds) override;
    ModuleStatus request(const std::shared_ptr<Message>& message, std::shared_ptr<Reply>& reply,
                         const std::uint64_t& timeoutMilliseconds) override;
    ModuleStatus requestFlagged(const std::shared_ptr<Message>& message, ReplyCallback callback,
                                const std::uint64_t& timeoutMilliseconds) override;
    ModuleStatus requestFlagged(const std::shared_ptr<Message>& message, std::shared_ptr<Reply>& reply,
                                const std::uint64_t& timeoutMilliseconds) override;

    ModuleStatus subscribe(const std::wstring& messageName, const std::wstring& alias, MessageHandler handler) override;
    ModuleStatus subscribe(const std::wstring& messageName, MessageHandler handler) override;
    ModuleStatus subscribeInSession(const std::wstring& messageName, const std::wstring& alias,
                                    MessageHandler handler) override;
    ModuleStatus subscribeInSession(const std::wstring& messageName, MessageHandler handler) override;

    ModuleStatus subscribeFilter(const std::wstring& namePattern, const std::wstring& alias,
                                 MessageHandler handler) override;
    ModuleStatus subscribeFilter(const std::wstring& namePattern, MessageHandler handler) override;
    ModuleStatus subscribeFilterInSession(const std::wstring& namePattern, const std::wstring& alias,
                                          MessageHandler handler) override;
    ModuleStatus subscribeFilterInSession(const std::wstring& namePattern, MessageHandler handler) override;

    ModuleStatus unsubscribe(const std::wstring& alias) override;

private:
    // Released in reverse order: the container and the bus client go first.
    std::wstring moduleName_;
    std::wstring moduleInfo_;
    std::unordered_map<std::wstring, std::wstring> parameters_;
    std::shared_ptr<internal::ModuleManagerShim> moduleManager_;
    std::shared_ptr<MessageBus> messageBus_;
    std::shared_ptr<Basekit::IOCContainer> container_;
};

} // namespace Ostrel
