#pragma once

#include "module/ModuleInterface.h"

#include <string>

namespace Ostrel::internal
{

// The host's module manager as the module sees it: the context and unload
// callback the host passed to InitializeModule.
class ModuleManagerShim
{
public:
    ModuleManagerShim(void* context, UnloadModuleCallback unloadCallback);
    virtual ~ModuleManagerShim() = default;
    ModuleManagerShim(const ModuleManagerShim&) = delete;
    ModuleManagerShim& operator=(const ModuleManagerShim&) = delete;

    // Asks the host to unload the named module; the host's status is returned
    // unchanged, or MODULE_STATUS_INVALID_PARAMETER when the host passed no
    // callback. The host only schedules the unload.
    virtual ModuleStatus unloadModule(const std::wstring& moduleName);

private:
    void* context_;
    UnloadModuleCallback unloadCallback_;
};

} // namespace Ostrel::internal
