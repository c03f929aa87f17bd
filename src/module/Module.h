#pragma once

#include "module/ModuleStatus.h"

namespace Ostrel
{

// The module object the entry points drive: initialize once the host has
// wired the module up, start, stop, uninitialize, then delete. The host
// serialises these calls.
class Module
{
public:
    virtual ~Module() = default;
    virtual ModuleStatus initialize() = 0;
    virtual ModuleStatus start() = 0;
    virtual ModuleStatus stop() = 0;
    virtual ModuleStatus uninitialize() = 0;
};

} // namespace Ostrel
