#pragma once

#include "module/ModuleStatus.h"

#include <utility>

namespace Ostrel
{

// Runs work that returns a module status and makes sure no exception leaves
// it: whatever escapes, of any type, is swallowed without a log record and
// the barrier yields MODULE_STATUS_UNKNOWN_EXCEPTION. Entry points and bus
// callbacks run their work inside it.
template <typename Work>
ModuleStatus ExceptionBarrier(Work&& work) noexcept
{
    try
    {
        return std::forward<Work>(work)();
    }
    catch (...)
    {
        return MODULE_STATUS_UNKNOWN_EXCEPTION;
    }
}

} // namespace Ostrel
