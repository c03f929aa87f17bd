#include "LoadedModule.h"

#include "LibraryExports.h"

#include <windows.h>

namespace RelayHost
{

using Ostrel::MODULE_STATUS_SUCCESS;
using Ostrel::MODULE_STATUS_UNSUCCESSFUL;
using Ostrel::ModuleStatus;

std::unique_ptr<LoadedModule> LoadedModule::Load(const std::wstring& path, const std::wstring& moduleName,
                                                 std::vector<HostCall>& calls)
{
    std::unique_ptr<LoadedModule> module(new LoadedModule);
    module->moduleName_ = moduleName;
    module->library_ = LoadLibraryByFullPath(path);
    calls.push_back({L"LoadLibraryExW", module->library_ ? ERROR_SUCCESS : GetLastError(), true});
    if (!module->library_)
    {
        return nullptr;
    }

    const auto createObject =
        Export<const Ostrel::ModuleFunctionTable* (*)(std::uint32_t)>(module->library_.get(), "CreateObject");
    module->releaseObject_ = Export<void (*)(void*)>(module->library_.get(), "ReleaseObject");
    module->table_ = createObject != nullptr ? createObject(Ostrel::kModuleVersionNumber) : nullptr;
    if (module->table_ == nullptr || module->releaseObject_ == nullptr)
    {
        calls.push_back({L"CreateObject", MODULE_STATUS_UNSUCCESSFUL});
        module->freeLibrary(calls);
        return nullptr;
    }
    if (module->call(calls, L"NewModule", module->table_->NewModule(&module->handle_, module->moduleName_.c_str())) !=
        MODULE_STATUS_SUCCESS)
    {
        module->releaseObject_(const_cast<Ostrel::ModuleFunctionTable*>(module->table_));
        module->freeLibrary(calls);
        return nullptr;
    }
    return module;
}

ModuleStatus LoadedModule::initialize(BusPassing busPassing, const HostBus& bus, void* hostContext,
                                      Ostrel::UnloadModuleCallback unloadCallback, std::vector<HostCall>& calls)
{
    const wchar_t* const name = moduleName_.c_str();
    const ModuleStatus initialized =
        busPassing == BusPassing::HostPassesBus
            ? call(calls, L"InitializeModuleV2",
                   table_->InitializeModuleV2(handle_, name, L"", 0, nullptr, nullptr, hostContext, unloadCallback,
                                              bus.handle(), const_cast<Ostrel::MessageBusFunctions*>(bus.functions())))
            : call(calls, L"InitializeModule",
                   table_->InitializeModule(handle_, name, L"", 0, nullptr, nullptr, hostContext, unloadCallback));
    if (initialized != MODULE_STATUS_SUCCESS)
    {
        return initialized;
    }
    initialized_ = true;
    return call(calls, L"StartModule", table_->StartModule(handle_));
}

ModuleStatus LoadedModule::directMessage(const MessageProperties* properties, const wchar_t* name,
                                         const wchar_t* sender, const wchar_t* payload, std::vector<HostCall>& calls)
{
    return call(calls, L"DirectMessage", table_->DirectMessage(handle_, properties, name, sender, payload));
}

void LoadedModule::unload(std::vector<HostCall>& calls)
{
    call(calls, L"StopModule", table_->StopModule(handle_));
    call(calls, L"UninitializeModule", table_->UninitializeModule(handle_));
    destroyAndFree(calls);
}

void LoadedModule::discard(std::vector<HostCall>& calls)
{
    if (initialized_)
    {
        call(calls, L"UninitializeModule", table_->UninitializeModule(handle_));
    }
    destroyAndFree(calls);
}

ModuleStatus LoadedModule::call(std::vector<HostCall>& calls, const wchar_t* name, ModuleStatus status)
{
    calls.push_back({name, status});
    return status;
}

void LoadedModule::destroyAndFree(std::vector<HostCall>& calls)
{
    call(calls, L"DestroyModule", table_->DestroyModule(handle_));
    handle_ = nullptr;
    releaseObject_(const_cast<Ostrel::ModuleFunctionTable*>(table_));
    table_ = nullptr;
    freeLibrary(calls);
}

void LoadedModule::freeLibrary(std::vector<HostCall>& calls)
{
    const BOOL freed = FreeLibrary(library_.release());
    calls.push_back({L"FreeLibrary", freed ? ERROR_SUCCESS : GetLastError(), true});
}

} // namespace RelayHost
