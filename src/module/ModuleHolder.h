#pragma once

#include "module/Module.h"

#include <memory>

namespace Ostrel
{

// What a module handle points to: the module object and the function that
// destroys it. A holder may own no module.
struct ModuleHolder
{
    using Deleter = void (*)(Module*);

    std::unique_ptr<Module, Deleter> module;
};

} // namespace Ostrel
