#include "BusHandles.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <utility>

namespace DevBus
{

namespace
{

struct Handles
{
    std::mutex mutex;
    std::shared_ptr<Bus> bus;
    std::size_t count = 0;
    std::uintptr_t nextHandle = 1;
};

// Never destroyed: at process exit the bus's threads are already gone, and
// nothing may wait for them while the loader tears the library down. Made
// when the library is loaded: a guarded local static would leave the threads
// library's state for the first caller's thread behind at each unload.
Handles* const g_processHandles = new Handles;

Handles& ProcessHandles()
{
    return *g_processHandles;
}

} // namespace

Ostrel::ModuleStatus CreateBusHandle(void** handle)
{
    if (handle == nullptr)
    {
        return Ostrel::MODULE_STATUS_INVALID_PARAMETER;
    }
    Handles& handles = ProcessHandles();
    std::lock_guard lock(handles.mutex);
    if (handles.bus == nullptr)
    {
        handles.bus = std::make_shared<Bus>();
    }
    void* const created = reinterpret_cast<void*>(handles.nextHandle++);
    handles.bus->attach(created);
    ++handles.count;
    *handle = created;
    return Ostrel::MODULE_STATUS_SUCCESS;
}

Ostrel::ModuleStatus ReleaseBusHandle(void* handle)
{
    Handles& handles = ProcessHandles();
    std::shared_ptr<Bus> bus;
    bool last = false;
    {
        std::lock_guard lock(handles.mutex);
        if (handles.bus == nullptr || !handles.bus->detach(handle))
        {
            return Ostrel::MODULE_STATUS_INVALID_HANDLE;
        }
        bus = handles.bus;
        last = --handles.count == 0;
        if (last)
        {
            handles.bus.reset();
        }
    }
    bus->waitUntilIdle(handle);
    if (last)
    {
        bus->shutdown();
    }
    return Ostrel::MODULE_STATUS_SUCCESS;
}

std::shared_ptr<Bus> CurrentBus()
{
    Handles& handles = ProcessHandles();
    std::lock_guard lock(handles.mutex);
    return handles.bus;
}

} // namespace DevBus
