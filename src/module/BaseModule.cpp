#include "module/BaseModule.h"

#include "logging/Log.h"
#include "messagebus/MessageBusClient.h"

LOG_SOURCE_FILE(L"BaseModule.cpp")

namespace Ostrel
{

BaseModule::BaseModule(std::shared_ptr<Basekit::IOCContainer> container)
    : container_(container ? std::move(container) : std::make_shared<Basekit::IOCContainer>())
{
}

ModuleStatus BaseModule::initialize()
{
    return MODULE_STATUS_SUCCESS;
}

ModuleStatus BaseModule::start()
{
    return MODULE_STATUS_SUCCESS;
}

ModuleStatus BaseModule::stop()
{
    return MODULE_STATUS_SUCCESS;
}

ModuleStatus BaseModule::uninitialize()
{
    return MODULE_STATUS_SUCCESS;
}

ModuleStatus BaseModule::baseInitialize(const std::wstring& moduleName, const std::wstring& moduleInfo,
                                        const std::unordered_map<std::wstring, std::wstring>& parameters,
                                        std::shared_ptr<internal::ModuleManagerShim> moduleManager,
                                        std::shared_ptr<MessageBus> messageBus)
{
    moduleName_ = moduleName;
    moduleInfo_ = moduleInfo;
    parameters_ = parameters;

    if (!moduleManager)
    {
        LOG_ERROR(L"Ostrel::BaseModule::baseInitialize", L"Invalid module manager object passed to base initialize.");
        return MODULE_STATUS_INVALID_PARAMETER;
    }
    moduleManager_ = std::move(moduleManager);

    if (!messageBus)
    {
        LOG_ERROR(L"Ostrel::BaseModule::baseInitialize", L"Invalid message bus object passed to base initialize.");
        return MODULE_STATUS_INVALID_PARAMETER;
    }
    messageBus_ = std::move(messageBus);

    container_->registerInstance<MessageBus>(messageBus_);
    return MODULE_STATUS_SUCCESS;
}

ModuleStatus BaseModule::directMessage(const std::shared_ptr<Message>& message)
{
    auto* client = dynamic_cast<MessageBusClient*>(messageBus_.get());
    if (!client)
    {
        LOG_ERROR(L"Ostrel::BaseModule::directMessage",
                  L"Failed to process direct message. Invalid message bus client.");
        return MODULE_STATUS_INVALID_STATE;
    }
    const ModuleStatus status = client->deliverDirect(message);
    if (status != MODULE_STATUS_SUCCESS)
    {
        LOG_ERROR(L"Ostrel::BaseModule::directMessage",
                  L"Failed to process direct message. Module: %ls. Module Status: %ls(%lu)", moduleName_.c_str(),
                  ModuleStatusName(status), status);
    }
    return status;
}

ModuleStatus BaseModule::unload()
{
    if (!moduleManager_)
    {
        LOG_ERROR(L"Ostrel::BaseModule::unload", L"Failed to unload module due to nullptr");
        return MODULE_STATUS_SUCCESS;
    }
    const ModuleStatus status = moduleManager_->unloadModule(moduleName_);
    if (status != MODULE_STATUS_SUCCESS)
    {
        LOG_ERROR(L"Ostrel::BaseModule::unload", L"Failed to unload module. Error code: %lu.", status);
    }
    return status;
}

ModuleStatus BaseModule::publish(const std::shared_ptr<Message>& message)
{
    return messageBus_->publish(message);
}

ModuleStatus BaseModule::publishFlagged(const std::shared_ptr<Message>& message)
{
    return messageBus_->publishFlagged(message);
}

ModuleStatus BaseModule::request(const std::shared_ptr<Message>& message, ReplyCallback callback,
                                 const std::uint64_t& timeoutMilliseconds)
{
    return messageBus_->request(message, std::move(callback), timeoutMilliseconds);
}

ModuleStatus BaseModule::request(const std::shared_ptr<Message>& message, std::shared_ptr<Reply>& reply,
                                 const std::uint64_t& timeoutMilliseconds)
{
    return messageBus_->request(message, reply, timeoutMilliseconds);
}

ModuleStatus BaseModule::requestFlagged(const std::shared_ptr<Message>& message, ReplyCallback callback,
                                        const std::uint64_t& timeoutMilliseconds)
{
    return messageBus_->requestFlagged(message, std::move(callback), timeoutMilliseconds);
}

ModuleStatus BaseModule::requestFlagged(const std::shared_ptr<Message>& message, std::shared_ptr<Reply>& reply,
                                        const std::uint64_t& timeoutMilliseconds)
{
    return messageBus_->requestFlagged(message, reply, timeoutMilliseconds);
}

ModuleStatus BaseModule::subscribe(const std::wstring& messageName, const std::wstring& alias, MessageHandler handler)
{
    return messageBus_->subscribe(messageName, alias, std::move(handler));
}

ModuleStatus BaseModule::subscribe(const std::wstring& messageName, MessageHandler handler)
{
    return messageBus_->subscribe(messageName, std::move(handler));
}

ModuleStatus BaseModule::subscribeInSession(const std::wstring& messageName, const std::wstring& alias,
                                            MessageHandler handler)
{
    return messageBus_->subscribeInSession(messageName, alias, std::move(handler));
}

ModuleStatus BaseModule::subscribeInSession(const std::wstring& messageName, MessageHandler handler)
{
    return messageBus_->subscribeInSession(messageName, std::move(handler));
}

ModuleStatus BaseModule::subscribeFilter(const std::wstring& namePattern, const std::wstring& alias,
                                         MessageHandler handler)
{
    return messageBus_->subscribeFilter(namePattern, alias, std::move(handler));
}

ModuleStatus BaseModule::subscribeFilter(const std::wstring& namePattern, MessageHandler handler)
{
    return messageBus_->subscribeFilter(namePattern, std::move(handler));
}

ModuleStatus BaseModule::subscribeFilterInSession(const std::wstring& namePattern, const std::wstring& alias,
                                                  MessageHandler handler)
{
    return messageBus_->subscribeFilterInSession(namePattern, alias, std::move(handler));
}

ModuleStatus BaseModule::subscribeFilterInSession(const std::wstring& namePattern, MessageHandler handler)
{
    return messageBus_->subscribeFilterInSession(namePattern, std::move(handler));
}

ModuleStatus BaseModule::unsubscribe(const std::wstring& alias)
{
    if (!messageBus_)
    {
        return MODULE_STATUS_INVALID_STATE;
    }
    return messageBus_->unsubscribe(alias);
}

} // namespace Ostrel
