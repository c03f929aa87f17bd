#include "module/ModuleInterface.h"

// The entry points answer MODULE_STATUS_NOT_IMPLEMENTED until the module object
// and its lifecycle exist; the table's shape and order are final.

namespace Ostrel
{

namespace
{

ModuleStatus NewModule(ModuleHandle*, const wchar_t*)
{
    return MODULE_STATUS_NOT_IMPLEMENTED;
}

ModuleStatus DestroyModule(ModuleHandle)
{
    return MODULE_STATUS_NOT_IMPLEMENTED;
}

ModuleStatus InitializeModule(ModuleHandle, const wchar_t*, const wchar_t*, std::uint32_t, const wchar_t* const*,
                              const wchar_t* const*, void*, UnloadModuleCallback)
{
    return MODULE_STATUS_NOT_IMPLEMENTED;
}

ModuleStatus StartModule(ModuleHandle)
{
    return MODULE_STATUS_NOT_IMPLEMENTED;
}

ModuleStatus StopModule(ModuleHandle)
{
    return MODULE_STATUS_NOT_IMPLEMENTED;
}

ModuleStatus UninitializeModule(ModuleHandle)
{
    return MODULE_STATUS_NOT_IMPLEMENTED;
}

ModuleStatus DirectMessage(ModuleHandle, const MessageProperties*, const wchar_t*, const wchar_t*, const wchar_t*)
{
    return MODULE_STATUS_NOT_IMPLEMENTED;
}

ModuleStatus InitializeModuleV2(ModuleHandle, const wchar_t*, const wchar_t*, std::uint32_t, const wchar_t* const*,
                                const wchar_t* const*, void*, UnloadModuleCallback, void*, void*)
{
    return MODULE_STATUS_NOT_IMPLEMENTED;
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
