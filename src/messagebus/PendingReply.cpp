#include "messagebus/PendingReply.h"

#include <future>

namespace Ostrel
{

namespace
{

// Codes of the failures a waiting caller sees, with the values of the
// generic error numbers ECANCELED and ENODATA. The standard library offers no
// public constructor of std::future_error from an arbitrary error code, so the
// value is carried in the future category.
constexpr int kOperationCanceled = 105;
constexpr int kNoMessageAvailable = 120;

std::exception_ptr FutureError(int code)
{
    return std::make_exception_ptr(std::future_error(static_cast<std::future_errc>(code)));
}

} // namespace

PendingReply::~PendingReply()
{
    if (slot)
    {
        slot->setFailure(std::make_exception_ptr(std::future_error(std::future_errc::broken_promise)));
    }
}

void PendingReply::settle(ModuleStatus status, std::shared_ptr<Message> reply)
{
    if (status == MODULE_STATUS_SUCCESS)
    {
        slot->setValue(std::move(reply));
    }
    else
    {
        slot->setFailure(FutureError(status == MODULE_STATUS_TIMEOUT ? kOperationCanceled : kNoMessageAvailable));
    }
    if (continuation)
    {
        continuation();
    }
}

} // namespace Ostrel
