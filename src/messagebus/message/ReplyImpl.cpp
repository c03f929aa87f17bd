#include "messagebus/message/ReplyImpl.h"

#include "logging/Log.h"

#include <windows.h>

#include <algorithm>

LOG_SOURCE_FILE(L"message\\ReplyImpl.cpp")

namespace Ostrel
{

namespace
{

constexpr std::int64_t kGraceMilliseconds = 1000;

} // namespace

std::int64_t MonotonicMilliseconds()
{
    ULONGLONG interruptTime = 0;
    QueryUnbiasedInterruptTime(&interruptTime);
    return static_cast<std::int64_t>(interruptTime / 10000);
}

ReplyImpl::ReplyImpl(std::shared_ptr<ReplySlot> slot, std::uint32_t timeoutMilliseconds)
    : slot_(std::move(slot))
    , deadline_(MonotonicMilliseconds() + kGraceMilliseconds + timeoutMilliseconds)
{
}

std::uint32_t ReplyImpl::getStatus()
{
    return status_;
}

void ReplyImpl::getMessage(std::shared_ptr<Message>& message)
{
    message = status_ == ReplyReceived ? message_ : nullptr;
}

std::uint32_t ReplyImpl::wait()
{
    if (status_ == ReplyPending)
    {
        status_ = getReplyMessage();
    }
    return status_;
}

std::uint32_t ReplyImpl::waitFor(std::uint32_t milliseconds)
{
    // A reply that has left the pending state keeps that state: a received
    // reply has already taken the slot's value, and keeps its message.
    if (status_ != ReplyPending)
    {
        return status_;
    }
    if (!slot_)
    {
        LOG_ERROR(L"Ostrel::ReplyImpl::waitFor", L"Reply future is in an invalid state. Returning.");
        status_ = ReplyInvalid;
        return status_;
    }
    if (!slot_->waitFor(milliseconds))
    {
        LOG_WARNING(L"Ostrel::ReplyImpl::waitFor", L"Reply waitFor timed out. Returning.");
        return status_;
    }
    status_ = getReplyMessage();
    return status_;
}

std::uint32_t ReplyImpl::getReplyMessage()
{
    if (!slot_)
    {
        LOG_ERROR(L"Ostrel::ReplyImpl::getReplyMessage", L"Reply future is in an invalid state. Returning.");
        return ReplyInvalid;
    }
    while (!slot_->waitFor(0))
    {
        const std::int64_t remaining = deadline_ - MonotonicMilliseconds();
        if (remaining < 0)
        {
            LOG_ERROR(L"Ostrel::ReplyImpl::getReplyMessage", L"Reply future did not get fulfilled on time. Returning.");
            return ReplyTimedOut;
        }
        slot_->waitFor(static_cast<std::uint32_t>(std::min<std::int64_t>(remaining, INFINITE - 1)));
    }
    const std::shared_ptr<ReplySlot> slot = std::move(slot_);
    message_ = slot->get();
    return message_ ? ReplyReceived : ReplyInvalid;
}

} // namespace Ostrel
