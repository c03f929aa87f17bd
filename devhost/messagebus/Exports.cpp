#include "BusFunctions.h"
#include "BusHandles.h"
#include "MessageBusVersion.h"
#include "platform/RuntimeReserveRelease.h"

#include <chrono>
#include <cstddef>
#include <cstdint>

// The four exports of every framework library. "CreateObject" hands out the
// bus function table to callers of interface version 2.x and null to others;
// the table is static, so "ReleaseObject" has nothing to do. Its threads stop
// when the last bus handle is released; DllMain only gives back the C++
// runtime's reserve at unload.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    Ostrel::ReleaseRuntimeReserveOnUnload(reason, reserved);
    return TRUE;
}

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

    // For tests, apart from the function table: how many deliveries, reply
    // calls and time-outs the bus holds that have not started; 0 while no
    // handle is open.
    std::size_t GetPendingTaskCount()
    {
        const auto bus = DevBus::CurrentBus();
        return bus ? bus->pendingTasks() : 0;
    }

    // For the development host and tests: 0 once no delivery is queued or
    // running, MODULE_STATUS_TIMEOUT when the time-out passes first. Not from
    // a delivery, which would wait for itself.
    Ostrel::ModuleStatus WaitForDeliveries(std::uint32_t timeoutMilliseconds)
    {
        const auto bus = DevBus::CurrentBus();
        return bus == nullptr || bus->waitForDeliveries(std::chrono::milliseconds(timeoutMilliseconds))
                   ? Ostrel::MODULE_STATUS_SUCCESS
                   : Ostrel::MODULE_STATUS_TIMEOUT;
    }
}
