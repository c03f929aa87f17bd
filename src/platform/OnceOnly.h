#pragma once

#include <windows.h>

namespace Ostrel
{

// Runs an initialisation once, on the Windows one-time initialisation rather
// than std::call_once. The threads library linked statically into our DLLs
// keeps state for every host thread that enters std::call_once and frees it
// only when that thread ends: with the DLL unloaded after each request, each
// request would leave a thread handle, an event and two semaphores behind.
//
// Callers that come while the initialisation runs wait for it. When it throws,
// the exception passes on and the next call runs it again.
class OnceOnly
{
public:
    template <typename Initialisation>
    void Run(Initialisation&& initialisation)
    {
        BOOL pending = FALSE;
        if (!InitOnceBeginInitialize(&once_, 0, &pending, nullptr) || !pending)
        {
            return;
        }
        try
        {
            initialisation();
        }
        catch (...)
        {
            InitOnceComplete(&once_, INIT_ONCE_INIT_FAILED, nullptr);
            throw;
        }
        InitOnceComplete(&once_, 0, nullptr);
    }

private:
    INIT_ONCE once_ = INIT_ONCE_STATIC_INIT;
};

} // namespace Ostrel
