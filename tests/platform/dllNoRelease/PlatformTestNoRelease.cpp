// A library that exports CreateObject but lacks ReleaseObject, so that
// binding it fails after it was loaded.

#include <cstdint>

namespace
{
int object = 0;
}

extern "C" void* CreateObject(std::uint32_t)
{
    return &object;
}
