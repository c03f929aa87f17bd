#pragma once

// Class and shell-handler registrations are machine-wide, and test programs
// run in parallel in one prefix: whoever registers a development component
// for a while (a test) holds this lock from registering until it has removed
// the registration, so that nobody removes a registration another still uses.

#include "platform/UniqueHandles.h"

namespace DevHost
{

class RegistrationLock
{
public:
    // Waits up to two minutes for the lock.
    RegistrationLock();
    ~RegistrationLock();
    RegistrationLock(const RegistrationLock&) = delete;
    RegistrationLock& operator=(const RegistrationLock&) = delete;

    bool Held() const { return held_; }

private:
    Ostrel::UniqueHandle mutex_;
    bool held_ = false;
};

} // namespace DevHost
