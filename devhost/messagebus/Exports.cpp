#include "BusFunctions.h"
#include "MessageBusVersion.h"

#include <cstdint>

// The four exports of every framework library. "CreateObject" hands out the
// bus function table to callers of interface version 2.x and null to others;
// the table is static, so "ReleaseObject" has nothing to do. The library has
// no DllMain of its own: its threads stop when the last bus handle is released.
extern "C"
{

    const Ostrel::MessageBusFunctions* CreateObject(std::uint32_t interfaceVersion)
    {
        return interfaceVersion / 1000000 == MESSAGEBUS_VERSION_MAJOR ? &DevBus::BusFunctionTable() : nullptr;
    }

    void ReleaseObject(void*) {}

    std::uint32_t GetVersionNum()
    {
        return MESSAGEBUS_VERSION_NUMBER;
    }

    const char* GetVersionStr()
    {
        return MESSAGEBUS_VERSION_STRING;
    }
}
