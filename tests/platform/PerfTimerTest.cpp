#include "platform/performance/PerfTimer.h"

#include "platform/dllTestSupport/TestLibraries.h"
#include "support/LogCapture.h"
#include "support/LoggedRecord.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cwchar>
#include <string>

namespace
{

using Ostrel::internal::PerfTimer;
using ScreenRelayTest::LogCapture;

long long NowMilliseconds()
{
    ULONGLONG ticks = 0;
    QueryUnbiasedInterruptTime(&ticks);
    return static_cast<long long>(ticks / 10000);
}

// One timing record per timer, whether it is stopped once, stopped again or
// only destroyed; its numbers are start, end and their difference, and it
// names the stop function either way.
TEST(PerfTimerTest, WritesOneRecordWithStartEndAndDuration)
{
    LogCapture log(ETWLogging::LOG_LEVEL_NORMAL);
    ScreenRelayTest::LogSourceAndFunction(log);

    const long long before = NowMilliseconds();
    {
        PerfTimer stoppedTwice(L"Twice");
        Sleep(20); // a duration that differs from zero
        stoppedTwice.stop();
        stoppedTwice.stop();
        PerfTimer destroyed(L"Destroyed");
    }
    const long long after = NowMilliseconds();

    const std::wstring text = log.Text();
    for (const std::wstring name : {L"Twice", L"Destroyed"})
    {
        SCOPED_TRACE(name);
        const std::wstring prefix = L"M12NPerfTimer|" + name + L"|";
        const std::size_t at = text.find(prefix);
        ASSERT_NE(at, std::wstring::npos) << text;
        EXPECT_EQ(text.find(prefix, at + 1), std::wstring::npos) << text;
        long long start = 0;
        long long end = 0;
        long long duration = 0;
        ASSERT_EQ(swscanf(text.c_str() + at + prefix.size(), L"%lld|%lld|%lld", &start, &end, &duration), 3);
        EXPECT_LE(before, start);
        EXPECT_LE(start, end);
        EXPECT_LE(end, after);
        EXPECT_EQ(duration, end - start);
        EXPECT_EQ(ScreenRelayTest::FindLoggedRecord(text, prefix),
                  (ScreenRelayTest::LoggedRecord{L"Normal", L"PerfTimer.cpp", L"Ostrel::internal::PerfTimer::stop"}));
    }
}

} // namespace
