#pragma once

// The binary interface between the framework's host and this library.
//
// The host loads the library, calls CreateObject and drives one module object
// through the table it returns: NewModule, InitializeModule (or
// InitializeModuleV2, which passes the host's bus), StartModule, any number of
// DirectMessage calls, StopModule, UninitializeModule, DestroyModule. The host
// serialises these calls for one handle. Every entry point returns a module
// status and never lets an exception escape.

#include "module/ModuleStatus.h"

#include <cstdint>

// The fixed-size property record of a bus message.
struct MessageProperties;

namespace Ostrel
{

// Opaque handle the host keeps for one module object.
using ModuleHandle = void*;

// Asks the host to unload the module; it only schedules the unload.
using UnloadModuleCallback = ModuleStatus (*)(void* moduleManagerContext, const wchar_t* moduleName, void* reserved);

using NewModuleFn = ModuleStatus (*)(ModuleHandle* handleAddress, const wchar_t* moduleName);
using DestroyModuleFn = ModuleStatus (*)(ModuleHandle handle);
using InitializeModuleFn = ModuleStatus (*)(ModuleHandle handle, const wchar_t* moduleName, const wchar_t* moduleInfo,
                                            std::uint32_t parameterCount, const wchar_t* const* parameterNames,
                                            const wchar_t* const* parameterValues, void* moduleManagerContext,
                                            UnloadModuleCallback unloadModuleCallback);
using StartModuleFn = ModuleStatus (*)(ModuleHandle handle);
using StopModuleFn = ModuleStatus (*)(ModuleHandle handle);
using UninitializeModuleFn = ModuleStatus (*)(ModuleHandle handle);
using DirectMessageFn = ModuleStatus (*)(ModuleHandle handle, const MessageProperties* properties,
                                         const wchar_t* messageName, const wchar_t* sender, const wchar_t* payload);
using InitializeModuleV2Fn = ModuleStatus (*)(ModuleHandle handle, const wchar_t* moduleName, const wchar_t* moduleInfo,
                                              std::uint32_t parameterCount, const wchar_t* const* parameterNames,
                                              const wchar_t* const* parameterValues, void* moduleManagerContext,
                                              UnloadModuleCallback unloadModuleCallback, void* messageBusHandle,
                                              void* messageBusFunctions);

// The module function table CreateObject returns; the order is fixed.
struct ModuleFunctionTable
{
    NewModuleFn NewModule;
    DestroyModuleFn DestroyModule;
    InitializeModuleFn InitializeModule;
    StartModuleFn StartModule;
    StopModuleFn StopModule;
    UninitializeModuleFn UninitializeModule;
    DirectMessageFn DirectMessage;
    InitializeModuleV2Fn InitializeModuleV2;
};

// Version of this library: major * 1,000,000 + minor * 1,000 + patch.
inline constexpr std::uint32_t kModuleVersionNumber = 2001000;
inline constexpr char kModuleVersionString[] = "2.1.0";

// The static, read-only table; it lives as long as the library is loaded.
const ModuleFunctionTable* GetModuleFunctionTable() noexcept;

} // namespace Ostrel

// The library's exports, with plain names (see ScreenRelay.def).
extern "C"
{
    const Ostrel::ModuleFunctionTable* CreateObject(std::uint32_t interfaceVersion);
    void ReleaseObject(void* object);
    std::uint32_t GetVersionNum();
    const char* GetVersionStr();
}
