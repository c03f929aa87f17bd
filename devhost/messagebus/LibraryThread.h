#pragma once

#include <windows.h>

#include <functional>

namespace DevBus
{

// Starts a thread that runs body and holds a reference on this library until
// it ends, so the library cannot be unloaded under a thread of its own. body
// must not throw. Returns the thread's handle, which the caller closes; null
// when the thread could not be started.
HANDLE StartLibraryThread(std::function<void()> body);

} // namespace DevBus
