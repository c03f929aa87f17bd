#include "ModuleHost.h"

#include "SystemImports.h"

#include <utility>

namespace RelayHost
{

using Ostrel::MODULE_STATUS_SUCCESS;
using Ostrel::MODULE_STATUS_UNSUCCESSFUL;
using Ostrel::ModuleStatus;

ModuleHost::ModuleHost(HostBus& bus, ModuleHostSettings settings)
    : bus_(bus)
    , settings_(std::move(settings))
    , systemImports_(LoadSystemImports(settings_.modulePath))
{
}

ModuleHost::~ModuleHost()
{
    if (subscription_ != 0)
    {
        bus_.unsubscribe(subscription_);
    }
    std::lock_guard lock(lifecycle_);
    if (module_)
    {
        unloadModule();
    }
}

ModuleStatus ModuleHost::subscribe()
{
    subscription_ = bus_.subscribeFilter(
        kRequestPattern, [this](const MessageProperties* properties, const wchar_t* name, const wchar_t* sender,
                                const wchar_t* payload) { return onRequest(properties, name, sender, payload); });
    return subscription_ != 0 ? MODULE_STATUS_SUCCESS : MODULE_STATUS_UNSUCCESSFUL;
}

RequestOutcome ModuleHost::send(const std::wstring& name, const std::wstring& payload,
                                std::uint32_t timeoutMilliseconds)
{
    {
        std::lock_guard lock(lifecycle_);
        outcome_ = {};
        outcome_.times.published = PerformanceCounterNow();
    }
    const ModuleStatus published = bus_.publish(name.c_str(), kSender, payload.c_str());
    const bool delivered =
        published != MODULE_STATUS_SUCCESS || bus_.waitForDeliveries(timeoutMilliseconds) == MODULE_STATUS_SUCCESS;

    std::lock_guard lock(lifecycle_);
    outcome_.publishStatus = published;
    outcome_.timedOut = !delivered;
    // A handler that is still running keeps its module.
    if (delivered)
    {
        honourUnloadRequest();
    }
    outcome_.loadedAfterwards = module_ != nullptr;
    return std::move(outcome_);
}

bool ModuleHost::moduleLoaded()
{
    std::lock_guard lock(lifecycle_);
    return module_ != nullptr;
}

ModuleStatus ModuleHost::onRequest(const MessageProperties* properties, const wchar_t* name, const wchar_t* sender,
                                   const wchar_t* payload)
{
    std::lock_guard lock(lifecycle_);
    outcome_.times.received = PerformanceCounterNow();
    if (module_)
    {
        outcome_.deliveredByBus = true;
        return MODULE_STATUS_SUCCESS;
    }
    if (!loadModule())
    {
        return MODULE_STATUS_UNSUCCESSFUL;
    }
    outcome_.loadedOnDemand = true;
    outcome_.times.loaded = PerformanceCounterNow();
    const ModuleStatus handled = module_->directMessage(properties, name, sender, payload, outcome_.calls);
    outcome_.handlerStatus = handled;
    outcome_.times.handled = PerformanceCounterNow();
    honourUnloadRequest();
    return handled;
}

ModuleStatus ModuleHost::OnUnloadRequest(void* context, const wchar_t* moduleName, void*)
{
    auto& host = *static_cast<ModuleHost*>(context);
    std::lock_guard lock(host.unloadRequestMutex_);
    host.unloadRequest_ = moduleName != nullptr ? moduleName : L"";
    return MODULE_STATUS_SUCCESS;
}

bool ModuleHost::loadModule()
{
    {
        std::lock_guard lock(unloadRequestMutex_);
        unloadRequest_.reset();
    }
    module_ = LoadedModule::Load(settings_.modulePath, settings_.moduleName, outcome_.calls);
    if (!module_)
    {
        return false;
    }
    const Ostrel::UnloadModuleCallback unloadCallback =
        settings_.passUnloadCallback ? &ModuleHost::OnUnloadRequest : nullptr;
    if (module_->initialize(settings_.busPassing, bus_, this, unloadCallback, outcome_.calls) != MODULE_STATUS_SUCCESS)
    {
        module_->discard(outcome_.calls);
        module_.reset();
        return false;
    }
    return true;
}

void ModuleHost::unloadModule()
{
    module_->unload(outcome_.calls);
    module_.reset();
    outcome_.freed = true;
    outcome_.times.freed = PerformanceCounterNow();
}

void ModuleHost::honourUnloadRequest()
{
    std::optional<std::wstring> request;
    {
        std::lock_guard lock(unloadRequestMutex_);
        request = std::exchange(unloadRequest_, std::nullopt);
    }
    if (!request)
    {
        return;
    }
    outcome_.unloadRequestedBy = std::move(request);
    if (module_)
    {
        unloadModule();
    }
}

} // namespace RelayHost
