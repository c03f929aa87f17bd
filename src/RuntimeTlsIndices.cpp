// The statically linked thread runtime takes a thread-local storage index the
// first time the library uses a thread function, and never gives it back.
// The host loads and frees this library once per request, and a process has
// 1,088 indices: after about a thousand requests the runtime could not start
// and ended the process. Every TlsAlloc of this library goes through the
// import slot defined here, which records the index; the indices are freed
// when the library is unloaded, after its other static objects are gone.

#include <windows.h>

#include <atomic>

#if defined(__MINGW32__)

namespace
{

using TlsAllocFunction = DWORD(WINAPI*)();

// Each index taken, plus one, so that 0 marks a free entry.
std::atomic<DWORD> g_indices[16];

DWORD WINAPI RecordingTlsAlloc()
{
    // Looked up on each call: a guarded local static would take a lock that
    // itself may allocate an index.
    const auto allocate = reinterpret_cast<TlsAllocFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "TlsAlloc")));
    const DWORD index = allocate();
    if (index != TLS_OUT_OF_INDEXES)
    {
        for (auto& slot : g_indices)
        {
            DWORD empty = 0;
            if (slot.compare_exchange_strong(empty, index + 1))
            {
                break;
            }
        }
    }
    return index;
}

// Destroyed after every other static object of the library.
struct TlsIndexRelease
{
    ~TlsIndexRelease()
    {
        for (auto& slot : g_indices)
        {
            const DWORD taken = slot.exchange(0);
            if (taken != 0)
            {
                TlsFree(taken - 1);
            }
        }
    }
};

__attribute__((init_priority(101))) TlsIndexRelease g_release;

} // namespace

extern "C"
{
    TlsAllocFunction __imp_TlsAlloc = RecordingTlsAlloc;
}

#endif
