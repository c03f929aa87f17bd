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
    return unloadCallback_(context_, moduleName.c_str(), nullptr);
}

} // namespace Ostrel::internal
