#include "RegistrationLock.h"

namespace DevHost
{

namespace
{

constexpr wchar_t kLockName[] = L"RelayHostRegistrationLock";
constexpr DWORD kWaitMs = 120000;

} // namespace

RegistrationLock::RegistrationLock()
    : mutex_(CreateMutexW(nullptr, FALSE, kLockName))
{
    if (mutex_)
    {
        // An abandoned lock is free: its holder ended without removing its registrations.
        const DWORD waited = WaitForSingleObject(mutex_.get(), kWaitMs);
        held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    }
}

RegistrationLock::~RegistrationLock()
{
    if (held_)
    {
        ReleaseMutex(mutex_.get());
    }
}

} // namespace DevHost
