#include "logging/Log.h"
#include "messagebus/Message.h"
#include "messagebus/MessageBusClient.h"
#include "messagebus/MessageBusShimImpl.h"
#include "module/BaseModule.h"
#include "module/ExceptionBarrier.h"
#include "module/ModuleHolder.h"
#include "module/ModuleInterface.h"
#include "module/ModuleManagerShim.h"
#include "screenrelay/ScreenRelay.h"

#include <memory>
#include <string>
#include <unordered_map>

LOG_SOURCE_FILE(L"ModuleFunctions.cpp")

namespace Ostrel
{

namespace
{

// The module a handle holds, or null for a null handle or an empty holder.
Module* moduleOf(ModuleHandle handle)
{
    return handle == nullptr ? nullptr : static_cast<ModuleHolder*>(handle)->module.get();
}

// Names to values in array order; the first value of a name wins.
std::unordered_map<std::wstring, std::wstring> parameterMap(std::uint32_t count, const wchar_t* const* names,
                                                            const wchar_t* const* values)
{
    std::unordered_map<std::wstring, std::wstring> parameters;
    for (std::uint32_t i = 0; i < count; ++i)
    {
        parameters.try_emplace(names[i], values[i]);
    }
    return parameters;
}

// Wires a module to the host and the given bus client, then initializes it.
ModuleStatus initializeWith(const wchar_t* function, BaseModule& module, const wchar_t* moduleName,
                            const wchar_t* moduleInfo, std::uint32_t parameterCount,
                            const wchar_t* const* parameterNames, const wchar_t* const* parameterValues,
                            void* moduleManagerContext, UnloadModuleCallback unloadModuleCallback,
                            std::shared_ptr<MessageBus> messageBus)
{
    auto moduleManager = std::make_shared<internal::ModuleManagerShim>(moduleManagerContext, unloadModuleCallback);
    const ModuleStatus status =
        module.baseInitialize(moduleName, moduleInfo, parameterMap(parameterCount, parameterNames, parameterValues),
                              std::move(moduleManager), std::move(messageBus));
    if (status != MODULE_STATUS_SUCCESS)
    {
        LOG_ERROR(function, L"Failed to initialize base module. Error code %lu.", status);
        return status;
    }
    return module.initialize();
}

ModuleStatus NewModule(ModuleHandle* handleAddress, const wchar_t* moduleName)
{
    if (handleAddress == nullptr)
    {
        LOG_ERROR(L"Ostrel::NewModule", L"Invalid handle address.");
        return MODULE_STATUS_INVALID_PARAMETER;
    }
    return ExceptionBarrier(
        [&]
        {
            if (moduleName != nullptr && moduleName[0] != L'\0')
            {
                ETWLogging::SetLogContext(nullptr, moduleName, LibraryInstance(), nullptr, 0);
            }
            Module* module = nullptr;
            const ModuleStatus status = createModule(&module);
            if (status != MODULE_STATUS_SUCCESS)
            {
                return status;
            }
            std::unique_ptr<Module, ModuleHolder::Deleter> owned(module, destroyModule);
            auto holder = std::make_unique<ModuleHolder>(ModuleHolder{std::move(owned)});
            *handleAddress = holder.release();
            return MODULE_STATUS_SUCCESS;
        });
}

ModuleStatus DestroyModule(ModuleHandle handle)
{
    if (handle == nullptr)
    {
        LOG_ERROR(L"Ostrel::DestroyModule", L"Invalid handle.");
        return MODULE_STATUS_INVALID_PARAMETER;
    }
    return ExceptionBarrier(
        [&]
        {
            delete static_cast<ModuleHolder*>(handle);
            return MODULE_STATUS_SUCCESS;
        });
}

ModuleStatus InitializeModule(ModuleHandle handle, const wchar_t* moduleName, const wchar_t* moduleInfo,
                              std::uint32_t parameterCount, const wchar_t* const* parameterNames,
                              const wchar_t* const* parameterValues, void* moduleManagerContext,
                              UnloadModuleCallback unloadModuleCallback)
{
    constexpr const wchar_t* kFunction = L"Ostrel::InitializeModule";
    Module* module = moduleOf(handle);
    if (module == nullptr)
    {
        LOG_ERROR(kFunction, L"Invalid handle.");
        return MODULE_STATUS_INVALID_PARAMETER;
    }
    return ExceptionBarrier(
        [&]
        {
            auto* baseModule = dynamic_cast<BaseModule*>(module);
            if (baseModule == nullptr)
            {
                return module->initialize();
            }
            return initializeWith(kFunction, *baseModule, moduleName, moduleInfo, parameterCount, parameterNames,
                                  parameterValues, moduleManagerContext, unloadModuleCallback,
                                  std::make_shared<MessageBusClient>());
        });
}

ModuleStatus InitializeModuleV2(ModuleHandle handle, const wchar_t* moduleName, const wchar_t* moduleInfo,
                                std::uint32_t parameterCount, const wchar_t* const* parameterNames,
                                const wchar_t* const* parameterValues, void* moduleManagerContext,
                                UnloadModuleCallback unloadModuleCallback, void* messageBusHandle,
                                void* messageBusFunctions)
{
    constexpr const wchar_t* kFunction = L"Ostrel::InitializeModuleV2";
    Module* module = moduleOf(handle);
    if (module == nullptr)
    {
        LOG_ERROR(kFunction, L"Invalid handle.");
        return MODULE_STATUS_INVALID_PARAMETER;
    }
    return ExceptionBarrier(
        [&]
        {
            auto* baseModule = dynamic_cast<BaseModule*>(module);
            if (baseModule == nullptr)
            {
                return module->initialize();
            }
            auto shim = std::make_shared<MessageBusShimImpl>(
                messageBusHandle, static_cast<const MessageBusFunctions*>(messageBusFunctions));
            return initializeWith(kFunction, *baseModule, moduleName, moduleInfo, parameterCount, parameterNames,
                                  parameterValues, moduleManagerContext, unloadModuleCallback,
                                  std::make_shared<MessageBusClient>(std::move(shim), nullptr));
        });
}

// The three forwarding entry points differ only in the operation they call.
template <ModuleStatus (Module::*Operation)()>
ModuleStatus forward(const wchar_t* function, ModuleHandle handle)
{
    Module* module = moduleOf(handle);
    if (module == nullptr)
    {
        LOG_ERROR(function, L"Invalid handle.");
        return MODULE_STATUS_INVALID_PARAMETER;
    }
    return ExceptionBarrier([&] { return (module->*Operation)(); });
}

ModuleStatus StartModule(ModuleHandle handle)
{
    return forward<&Module::start>(L"Ostrel::StartModule", handle);
}

ModuleStatus StopModule(ModuleHandle handle)
{
    return forward<&Module::stop>(L"Ostrel::StopModule", handle);
}

ModuleStatus UninitializeModule(ModuleHandle handle)
{
    return forward<&Module::uninitialize>(L"Ostrel::UninitializeModule", handle);
}

ModuleStatus DirectMessage(ModuleHandle handle, const MessageProperties* properties, const wchar_t* messageName,
                           const wchar_t* sender, const wchar_t* payload)
{
    Module* module = moduleOf(handle);
    if (module == nullptr)
    {
        LOG_ERROR(L"Ostrel::DirectMessage", L"Invalid handle.");
        return MODULE_STATUS_INVALID_PARAMETER;
    }
    return ExceptionBarrier(
        [&]
        {
            std::shared_ptr<Message> message = createMessage(messageName, sender, payload);
            if (!message)
            {
                return MODULE_STATUS_NO_MEMORY;
            }
            if (properties != nullptr)
            {
                CopyMessageProperties(*message->getProperties(), properties);
            }
            auto* baseModule = dynamic_cast<BaseModule*>(module);
            return baseModule == nullptr ? MODULE_STATUS_SUCCESS : baseModule->directMessage(message);
        });
}

constexpr ModuleFunctionTable kModuleFunctionTable = {
    NewModule,  DestroyModule,      InitializeModule, StartModule,
    StopModule, UninitializeModule, DirectMessage,    InitializeModuleV2,
};

} // namespace

const ModuleFunctionTable* GetModuleFunctionTable() noexcept
{
    return &kModuleFunctionTable;
}

} // namespace Ostrel
