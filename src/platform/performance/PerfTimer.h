#pragma once

#include <cstdint>
#include <string>

namespace Ostrel::internal
{

// Times a stretch of work from construction to stop (or destruction) and
// writes one progress record with the name, start, end and duration in
// milliseconds of unbiased interrupt time.
class PerfTimer
{
public:
    explicit PerfTimer(std::wstring name);
    ~PerfTimer();
    PerfTimer(const PerfTimer&) = delete;
    PerfTimer& operator=(const PerfTimer&) = delete;

    // Logs the record the first time; later calls do nothing.
    void stop();

private:
    std::wstring name_;
    std::int64_t start_;
    bool stopped_ = false;
};

} // namespace Ostrel::internal
