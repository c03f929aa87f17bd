#pragma once

#include <stdexcept>

namespace Ostrel
{

// Thrown by constructors that cannot produce a usable object (a shared
// library that does not load, a bus binding without a bus). Exception
// barriers at the entry points turn it into a module status.
class ModuleException : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

} // namespace Ostrel
