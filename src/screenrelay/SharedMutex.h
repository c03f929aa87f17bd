#pragma once

#include <windows.h>

namespace Ostrel
{

// A slim reader/writer lock, usable with std::unique_lock (exclusive) and
// std::shared_lock (shared). Not re-entrant in either mode.
class SharedMutex
{
public:
    SharedMutex() = default;
    virtual ~SharedMutex() = default;
    SharedMutex(const SharedMutex&) = delete;
    SharedMutex& operator=(const SharedMutex&) = delete;

    void lock() { AcquireSRWLockExclusive(&lock_); }
    void unlock() { ReleaseSRWLockExclusive(&lock_); }
    void lock_shared() { AcquireSRWLockShared(&lock_); }
    void unlock_shared() { ReleaseSRWLockShared(&lock_); }

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
};

} // namespace Ostrel
