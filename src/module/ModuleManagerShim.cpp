#include "module/ModuleManagerShim.h"

namespace Ostrel::internal
{

ModuleManagerShim::ModuleManagerShim(void* context, UnloadModuleCallback unloadCallback)
    : context_(context)
    , unloadCallback_(unloadCallback)
{
}

ModuleStatus ModuleManagerShim::unloadModule(const std::wstring& moduleName)
{
    if (unloadCallback_ == nullptr)
    {
        return MODULE_STATUS_INVALID_PARAMETER;
    }
    return unloadCallback_(context_, moduleName.c_str(), nullptr);
}

} // namespace Ostrel::internal
