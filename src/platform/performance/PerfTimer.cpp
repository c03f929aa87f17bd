#include "platform/performance/PerfTimer.h"

#include "logging/Log.h"

#include <windows.h>

LOG_SOURCE_FILE(L"performance\\PerfTimer.cpp")

namespace Ostrel::internal
{

namespace
{

// Unbiased interrupt time counts 100 ns units and stands still while the
// machine sleeps.
std::int64_t NowMilliseconds()
{
    ULONGLONG ticks = 0;
    QueryUnbiasedInterruptTime(&ticks);
    return static_cast<std::int64_t>(ticks / 10000);
}

} // namespace

PerfTimer::PerfTimer(std::wstring name)
    : name_(std::move(name))
    , start_(NowMilliseconds())
{
}

PerfTimer::~PerfTimer()
{
    stop();
}

void PerfTimer::stop()
{
    if (stopped_)
    {
        return;
    }
    const std::int64_t end = NowMilliseconds();
    LOG_NORMAL(L"Ostrel::internal::PerfTimer::stop", L"M12NPerfTimer|%ls|%lld|%lld|%lld", name_.c_str(),
               static_cast<long long>(start_), static_cast<long long>(end), static_cast<long long>(end - start_));
    stopped_ = true;
}

} // namespace Ostrel::internal
