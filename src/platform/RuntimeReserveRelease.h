#pragma once

// The GNU C++ runtime linked statically into each of our DLLs reserves about
// 71 KB on the process heap when the DLL loads, for exceptions thrown while
// memory is exhausted, and keeps it when the DLL is unloaded. A DLL that is
// loaded and unloaded per request would leak that much each time. Call this
// from DllMain: on an unload by FreeLibrary it gives the reserve back.

#include <windows.h>

#if defined(__GLIBCXX__)
namespace __gnu_cxx
{
void __freeres() noexcept;
}
#endif

namespace Ostrel
{

// A null reserved pointer at detach means FreeLibrary, not process exit (when
// other threads are gone and the memory goes with the process).
inline void ReleaseRuntimeReserveOnUnload(DWORD reason, LPVOID reserved) noexcept
{
#if defined(__GLIBCXX__)
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr)
    {
        __gnu_cxx::__freeres();
    }
#else
    (void)reason;
    (void)reserved;
#endif
}

} // namespace Ostrel
