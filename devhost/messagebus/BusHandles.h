#pragma once

#include "Bus.h"

#include "module/ModuleStatus.h"

#include <memory>

namespace DevBus
{

// The handles of a process and the one bus they share: the first handle
// creates the bus, the release of the last one stops it. Handle values are
// never reused within a process.

// MODULE_STATUS_INVALID_PARAMETER for a null out pointer.
Ostrel::ModuleStatus CreateBusHandle(void** handle);
// Ends the client's subscriptions and pending requests and returns once no
// call into it runs on another thread. MODULE_STATUS_INVALID_HANDLE for a
// handle that is not attached.
Ostrel::ModuleStatus ReleaseBusHandle(void* handle);
// The bus while any handle is attached; null otherwise. The bus itself tells
// whether a given handle is attached to it.
std::shared_ptr<Bus> CurrentBus();

} // namespace DevBus
