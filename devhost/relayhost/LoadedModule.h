#pragma once

#include "HostBus.h"
#include "RequestOutcome.h"
#include "module/ModuleInterface.h"
#include "platform/UniqueHandles.h"

#include <memory>
#include <string>
#include <vector>

namespace RelayHost
{

// How the module reaches the bus: InitializeModule, where the module loads
// MessageBus.dll itself, or InitializeModuleV2, where the host passes its bus.
enum class BusPassing
{
    ModuleLoadsBus,
    HostPassesBus
};

// ScreenRelay.dll loaded by the host, with one module object driven through
// its module function table. Each call is appended to the caller's list.
class LoadedModule
{
public:
    // LoadLibraryExW by full path, CreateObject, NewModule. Null when one of
    // them fails; the library is freed again.
    static std::unique_ptr<LoadedModule> Load(const std::wstring& path, const std::wstring& moduleName,
                                              std::vector<HostCall>& calls);
    ~LoadedModule() = default;
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    // InitializeModule or InitializeModuleV2, then StartModule.
    Ostrel::ModuleStatus initialize(BusPassing busPassing, const HostBus& bus, void* hostContext,
                                    Ostrel::UnloadModuleCallback unloadCallback, std::vector<HostCall>& calls);
    // Hands a message straight to the module's handlers; the handler's status.
    Ostrel::ModuleStatus directMessage(const MessageProperties* properties, const wchar_t* name, const wchar_t* sender,
                                       const wchar_t* payload, std::vector<HostCall>& calls);
    // StopModule, UninitializeModule, DestroyModule, ReleaseObject, FreeLibrary.
    void unload(std::vector<HostCall>& calls);
    // For a module whose initialization or start failed: UninitializeModule
    // when it was initialized, DestroyModule, ReleaseObject, FreeLibrary.
    void discard(std::vector<HostCall>& calls);

private:
    LoadedModule() = default;
    Ostrel::ModuleStatus call(std::vector<HostCall>& calls, const wchar_t* name, Ostrel::ModuleStatus status);
    void destroyAndFree(std::vector<HostCall>& calls);
    void freeLibrary(std::vector<HostCall>& calls);

    // Declared before the library: the library logs with this name until it
    // is freed.
    std::wstring moduleName_;
    Ostrel::UniqueLibrary library_;
    const Ostrel::ModuleFunctionTable* table_ = nullptr;
    void (*releaseObject_)(void*) = nullptr;
    Ostrel::ModuleHandle handle_ = nullptr;
    bool initialized_ = false;
};

} // namespace RelayHost
