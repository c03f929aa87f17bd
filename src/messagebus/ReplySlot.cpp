#include "messagebus/ReplySlot.h"

namespace Ostrel
{

void ReplySlot::setValue(std::shared_ptr<Message> message)
{
    settle(std::move(message), nullptr);
}

void ReplySlot::setFailure(std::exception_ptr failure)
{
    settle(nullptr, std::move(failure));
}

void ReplySlot::settle(std::shared_ptr<Message> message, std::exception_ptr failure)
{
    AcquireSRWLockExclusive(&lock_);
    const bool first = !settled_;
    if (first)
    {
        settled_ = true;
        message_ = std::move(message);
        failure_ = std::move(failure);
    }
    ReleaseSRWLockExclusive(&lock_);
    if (first)
    {
        WakeAllConditionVariable(&settledCondition_);
    }
}

bool ReplySlot::waitFor(std::uint32_t milliseconds)
{
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    AcquireSRWLockExclusive(&lock_);
    while (!settled_)
    {
        const ULONGLONG now = GetTickCount64();
        if (milliseconds != INFINITE && now >= deadline)
        {
            break;
        }
        const DWORD wait = milliseconds == INFINITE ? INFINITE : static_cast<DWORD>(deadline - now);
        SleepConditionVariableSRW(&settledCondition_, &lock_, wait, 0);
    }
    const bool settled = settled_;
    ReleaseSRWLockExclusive(&lock_);
    return settled;
}

std::shared_ptr<Message> ReplySlot::get()
{
    AcquireSRWLockExclusive(&lock_);
    std::shared_ptr<Message> message = message_;
    std::exception_ptr failure = failure_;
    ReleaseSRWLockExclusive(&lock_);
    if (failure)
    {
        std::rethrow_exception(failure);
    }
    return message;
}

} // namespace Ostrel
