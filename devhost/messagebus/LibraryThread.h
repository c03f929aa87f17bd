#pragma once

#include "platform/UniqueHandles.h"

#include <functional>

namespace DevBus
{

// Starts a thread that runs body and holds a reference on this library until
// it ends, so the library cannot be unloaded under a thread of its own. body
// must not throw. Returns the thread's handle; an empty one when the thread
// could not be started.
Ostrel::UniqueHandle StartLibraryThread(std::function<void()> body);

} // namespace DevBus
