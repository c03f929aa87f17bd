#include "screenrelay/ScreenRelayImpl.h"

#include "logging/Log.h"
#include "screenrelay/ConnectivityCheck.h"
#include "screenrelay/MessageNames.h"
#include "screenrelay/PayloadReading.h"
#include "uihost/QvRegAPI.h"
#include "uihost/VRTCommonAPI.h"
#include "uihost/WinCOMFundamentalsAPI.h"

#include <mutex>
#include <shared_mutex>

LOG_SOURCE_FILE(L"ScreenRelayImpl.cpp")

namespace Ostrel
{

namespace
{

constexpr DWORD kRequestLockSpinCount = 4000;

template <typename Service>
std::shared_ptr<Service> orDefault(std::shared_ptr<Service> service)
{
    return service ? std::move(service) : std::make_shared<Service>();
}

} // namespace

ScreenRelayImpl::ScreenRelayImpl(std::wstring mappingDefinition, std::shared_ptr<WinCOMFundamentalsAPI> comApi,
                                 std::shared_ptr<VRTCommonAPI> uiHostApi, std::shared_ptr<QvRegAPI> registryApi,
                                 std::shared_ptr<ConnectivityCheck> connectivity,
                                 std::chrono::milliseconds settingsRequestTimeout)
    : BaseModule(nullptr)
    , mappingDefinition_(std::move(mappingDefinition))
    , uiHostApi_(orDefault(std::move(uiHostApi)))
    , comApi_(orDefault(std::move(comApi)))
    , registryApi_(orDefault(std::move(registryApi)))
    , connectivity_(orDefault(std::move(connectivity)))
    , settingsRequestTimeout_(settingsRequestTimeout)
    , handlers_(buildHandlerTable())
    , requestLock_(kRequestLockSpinCount)
{
}

ScreenRelayImpl::~ScreenRelayImpl() = default;

std::vector<ScreenRelayImpl::HandlerEntry> ScreenRelayImpl::buildHandlerTable()
{
    const auto bind = [this](bool (ScreenRelayImpl::*handler)(const std::wstring&))
    {
        return Handler([this, handler](const std::wstring& payload) { return (this->*handler)(payload); });
    };
    return {
        {kShowScreenMessage, bind(&ScreenRelayImpl::showScreenMessageHandler)},
        {kShowInBrowserMessage, bind(&ScreenRelayImpl::showInBrowserMessageHandler)},
        {kShowInContainerMessage, bind(&ScreenRelayImpl::showInContainerMessageHandler)},
        {kShowWithPageIdMessage, bind(&ScreenRelayImpl::showWithPageIDMessageHandler)},
        {kShowWithResourceMessage, bind(&ScreenRelayImpl::showWithResourceMessageHandler)},
        {kShowSurfmarkMessage, bind(&ScreenRelayImpl::showInBrowserSurfmark)},
        {kOpenUrlMessage, bind(&ScreenRelayImpl::openUrl)},
        {kShowHelpMessage, bind(&ScreenRelayImpl::showHelpMessageHandler)},
        {kOpenAppMessage, bind(&ScreenRelayImpl::openAppMessageHandler)},
        {kOpenInAppSupportMessage, bind(&ScreenRelayImpl::showInAppSupportMessageHandler)},
    };
}

ModuleStatus ScreenRelayImpl::initialize()
{
    constexpr const wchar_t* kFunction = L"Ostrel::ScreenRelayImpl::initialize";
    LOG_NORMAL(kFunction, L"Initializing module");
    const ModuleStatus status = attachMessageHandlers();
    if (status != MODULE_STATUS_SUCCESS)
    {
        LOG_ERROR(kFunction, L"Failed to attach message handlers, return code: 0x%x", status);
        return status;
    }
    if (!processMapping())
    {
        LOG_ERROR(kFunction, L"Failed to process request mapping definition");
        return MODULE_STATUS_UNSUCCESSFUL;
    }
    LOG_NORMAL(kFunction, L"Successfully initialized module");
    return MODULE_STATUS_SUCCESS;
}

ModuleStatus ScreenRelayImpl::uninitialize()
{
    constexpr const wchar_t* kFunction = L"Ostrel::ScreenRelayImpl::uninitialize";
    LOG_NORMAL(kFunction, L"Uninitializing module");
    const ModuleStatus status = detachMessageHandlers();
    if (status != MODULE_STATUS_SUCCESS)
    {
        LOG_ERROR(kFunction, L"Failed to detach message handlers, return code: 0x%x", status);
    }
    {
        std::unique_lock lock(mappingLock_);
        mapping_.clear();
    }
    LOG_NORMAL(kFunction, L"Successfully uninitialized module");
    return status;
}

ModuleStatus ScreenRelayImpl::attachMessageHandlers()
{
    for (const HandlerEntry& entry : handlers_)
    {
        const ModuleStatus status = subscribeInSession(entry.messageName, subscriptionFor(entry));
        if (status != MODULE_STATUS_SUCCESS)
        {
            return status;
        }
    }
    return MODULE_STATUS_SUCCESS;
}

MessageHandler ScreenRelayImpl::subscriptionFor(const HandlerEntry& entry)
{
    return [messageName = entry.messageName, handler = entry.handler](const std::shared_ptr<Message>& message)
    {
        if (message && handler(message->getPayload()))
        {
            return MODULE_STATUS_SUCCESS;
        }
        LOG_ERROR(L"Ostrel::ScreenRelayImpl::attachMessageHandlers", L"Failed to subscribe message %s", messageName);
        return MODULE_STATUS_UNSUCCESSFUL;
    };
}

ModuleStatus ScreenRelayImpl::detachMessageHandlers()
{
    constexpr const wchar_t* kFunction = L"Ostrel::ScreenRelayImpl::detachMessageHandlers";
    ModuleStatus lastFailure = MODULE_STATUS_SUCCESS;
    for (const HandlerEntry& entry : handlers_)
    {
        const ModuleStatus status = unsubscribe(entry.messageName);
        if (status != MODULE_STATUS_SUCCESS)
        {
            LOG_ERROR(kFunction, L"Failed unsubscribe (%s): %lu", entry.messageName, status);
            lastFailure = status;
        }
    }
    LOG_NORMAL(kFunction, L"Status: %lu", lastFailure);
    return lastFailure;
}

bool ScreenRelayImpl::processMapping()
{
    constexpr const wchar_t* kFunction = L"Ostrel::ScreenRelayImpl::processMapping";
    PayloadDocument document(nullptr, kPayloadStackCapacity);
    if (!parseJSON(mappingDefinition_, document))
    {
        LOG_ERROR(kFunction, L"Mapping definition is invalid, not parsable");
        return false;
    }
    const auto screens = document.IsObject() ? document.FindMember(L"screens") : document.MemberEnd();
    if (!document.IsObject() || screens == document.MemberEnd())
    {
        LOG_ERROR(kFunction, L"Mapping definition invalid, missing screens member");
        return false;
    }
    if (!screens->value.IsArray())
    {
        LOG_ERROR(kFunction, L"Mapping definition invalid, screens member invalid type");
        return false;
    }
    for (const PayloadValue& screen : screens->value.GetArray())
    {
        if (!screen.IsObject())
        {
            LOG_ERROR(kFunction, L"Mapping definition invalid, screens element invalid type");
            return false;
        }
        std::wstring name;
        if (!getStringMember(screen, L"name", name, true))
        {
            LOG_ERROR(kFunction, L"Mapping definition invalid, screen member missing name member");
            return false;
        }
        std::wstring pageId;
        if (!getStringMember(screen, L"page_id", pageId, true))
        {
            LOG_ERROR(kFunction, L"Mapping definition invalid, unable to get 'page_id' member");
            return false;
        }
        bool added = false;
        {
            std::unique_lock lock(mappingLock_);
            added = mapping_.emplace(std::move(name), std::move(pageId)).second;
        }
        if (!added)
        {
            LOG_ERROR(kFunction, L"Failed to add mapping entry");
            return false;
        }
    }
    return true;
}

std::optional<std::wstring> ScreenRelayImpl::pageIdForScreen(const std::wstring& screenName)
{
    std::shared_lock lock(mappingLock_);
    const auto found = mapping_.find(screenName);
    return found == mapping_.end() ? std::nullopt : std::optional(found->second);
}

} // namespace Ostrel
