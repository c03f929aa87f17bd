#pragma once

#include <windows.h>

namespace Ostrel
{

// A critical section: re-entrant for the thread that owns it, spinning a
// while before it waits. Usable with std::lock_guard and std::unique_lock.
class CriticalSection
{
public:
    // Cannot fail on any supported Windows version.
    explicit CriticalSection(DWORD spinCount = 0) { InitializeCriticalSectionAndSpinCount(&section_, spinCount); }
    ~CriticalSection() { DeleteCriticalSection(&section_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void lock() { EnterCriticalSection(&section_); }
    void unlock() { LeaveCriticalSection(&section_); }
    bool try_lock() { return TryEnterCriticalSection(&section_) != FALSE; }

private:
    CRITICAL_SECTION section_;
};

} // namespace Ostrel
