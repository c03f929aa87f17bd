#include "HostBus.h"
#include "JournalFile.h"
#include "LoadedModule.h"
#include "ProcessResources.h"
#include "RegistrationLock.h"
#include "RelayHostProcess.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace
{

using RelayHost::BusPassing;
using RelayHost::HostBus;
using RelayHost::LoadedModule;

constexpr int kPublishers = 8;
constexpr int kRequestsPerPublisher = 1000;
// The warm-up round before the baseline is taken.
constexpr int kWarmUpRequestsPerPublisher = 100;
constexpr auto kWholeRun = std::chrono::seconds(120);
constexpr unsigned kAllowedGrowthPercent = 5;
// Memory the heap gives back a little after the run.
constexpr auto kSettleBound = std::chrono::seconds(10);

std::int64_t Now()
{
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

// The unload requests of the module, with when each came.
struct UnloadRequests
{
    std::mutex mutex;
    std::vector<std::int64_t> times;

    static Ostrel::ModuleStatus Record(void* context, const wchar_t*, void*)
    {
        auto& requests = *static_cast<UnloadRequests*>(context);
        const std::int64_t now = Now();
        std::lock_guard lock(requests.mutex);
        requests.times.push_back(now);
        return Ostrel::MODULE_STATUS_SUCCESS;
    }
};

std::wstring RequestPayload(const std::wstring& id)
{
    return LR"({"resource_name":"Scan","parameters":"id=)" + id + LR"("})";
}

std::wstring OpenedApplication(const std::wstring& id)
{
    return L"qvknownapp:uihost::kesp://vrtjsres.dll::Scan?id=" + id;
}

// The module, kept loaded on the development bus, under requests published
// from eight threads at once: each request reaches the UI host helper once,
// each handled request asks once to be unloaded, the handlers run one at a
// time (every helper call is followed by its unload request before the next
// helper call), and the process holds what it held before.
TEST(LoadTest, EightPublishersOfAThousandRequestsEachAreHandledOnceEachOneAtATimeWithoutGrowth)
{
    // The set-up registers the development COM servers for real: no other
    // test may remove them while this one runs.
    DevHost::RegistrationLock registrations;
    ASSERT_TRUE(registrations.Held());
    const E2ETest::RelayHostRun setUp = E2ETest::RunRelayHost({L"setup"});
    ASSERT_EQ(setUp.exitCode, 0u) << setUp.output;
    DevHostTest::JournalFile journal;

    const std::wstring folder = ScreenRelayTest::ProgramFolder();
    std::wstring error;
    const auto bus = HostBus::Open(folder + L"MessageBus.dll", error);
    ASSERT_NE(bus, nullptr) << std::string(error.begin(), error.end());
    std::vector<RelayHost::HostCall> calls;
    const auto module =
        LoadedModule::Load(folder + L"ScreenRelay.dll", L"LoadTest" + std::to_wstring(GetCurrentProcessId()), calls);
    ASSERT_NE(module, nullptr);
    UnloadRequests unloadRequests;
    ASSERT_EQ(module->initialize(BusPassing::HostPassesBus, *bus, &unloadRequests, &UnloadRequests::Record, calls), 0u);

    // Publishes the requests of one round from eight threads at once and
    // waits until the bus holds no delivery, within the run's bound.
    const auto runRound = [&bus](const std::wstring& round, int requestsPerPublisher)
    {
        const auto started = std::chrono::steady_clock::now();
        std::vector<std::future<int>> publishers;
        for (int publisher = 0; publisher < kPublishers; ++publisher)
        {
            publishers.push_back(std::async(
                std::launch::async,
                [&bus, &round, publisher, requestsPerPublisher]
                {
                    int refused = 0;
                    for (int i = 0; i < requestsPerPublisher; ++i)
                    {
                        const std::wstring payload =
                            RequestPayload(round + std::to_wstring(publisher) + L"-" + std::to_wstring(i));
                        refused += bus->publish(L"ZTS.UI.ShowWithResource", L"load-test", payload.c_str()) != 0 ? 1 : 0;
                    }
                    return refused;
                }));
        }
        for (auto& publisher : publishers)
        {
            ASSERT_EQ(publisher.wait_until(started + kWholeRun), std::future_status::ready) << "publishing deadlocked";
            EXPECT_EQ(publisher.get(), 0) << "requests the bus refused";
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(started + kWholeRun -
                                                                                std::chrono::steady_clock::now());
        ASSERT_EQ(bus->waitForDeliveries(static_cast<std::uint32_t>(std::max<std::int64_t>(left.count(), 0))), 0u)
            << "handling deadlocked";
    };
    // A first round loads COM, the helper's server and the log, and lets the
    // bus start the workers it keeps, before the baseline is taken.
    runRound(L"warm-", kWarmUpRequestsPerPublisher);
    ASSERT_FALSE(testing::Test::HasFatalFailure());
    const RelayHost::ProcessResources before = RelayHost::MeasureProcessResources();
    runRound(L"", kRequestsPerPublisher);
    ASSERT_FALSE(testing::Test::HasFatalFailure());
    RelayHost::ProcessResources after = RelayHost::MeasureProcessResources();
    for (const auto settleBy = std::chrono::steady_clock::now() + kSettleBound;
         !RelayHost::GrowthBeyond(before, after, kAllowedGrowthPercent).empty() &&
         std::chrono::steady_clock::now() < settleBy;
         after = RelayHost::MeasureProcessResources())
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    module->unload(calls);

    std::map<std::wstring, int> openedTimes;
    std::vector<std::pair<std::int64_t, char>> events;
    for (const DevHost::JournalEntry& entry : journal.Entries())
    {
        if (entry.component == L"UiHostHelper" && entry.call == L"OpenApp" && !entry.arguments.empty())
        {
            const auto* application = std::get_if<std::wstring>(&entry.arguments[0].value);
            ++openedTimes[application != nullptr ? *application : L""];
            events.emplace_back(entry.time, 'H');
        }
    }
    int handledOnce = 0;
    for (int publisher = 0; publisher < kPublishers; ++publisher)
    {
        for (int i = 0; i < kRequestsPerPublisher; ++i)
        {
            const auto found =
                openedTimes.find(OpenedApplication(std::to_wstring(publisher) + L"-" + std::to_wstring(i)));
            handledOnce += found != openedTimes.end() && found->second == 1 ? 1 : 0;
        }
    }
    const std::size_t handled = events.size();
    EXPECT_EQ(handledOnce, kPublishers * kRequestsPerPublisher);
    EXPECT_EQ(handled, std::size_t{kPublishers * (kWarmUpRequestsPerPublisher + kRequestsPerPublisher)});
    ASSERT_EQ(unloadRequests.times.size(), handled);

    for (const std::int64_t time : unloadRequests.times)
    {
        events.emplace_back(time, 'U');
    }
    std::sort(events.begin(), events.end());
    std::size_t overlaps = 0;
    for (std::size_t i = 0; i < events.size(); ++i)
    {
        overlaps += events[i].second != (i % 2 == 0 ? 'H' : 'U') ? 1 : 0;
    }
    EXPECT_EQ(overlaps, 0u) << "handlers of the module ran at the same time";

    EXPECT_EQ(RelayHost::GrowthBeyond(before, after, kAllowedGrowthPercent), L"")
        << "before: " << testing::PrintToString(RelayHost::DescribeProcessResources(before))
        << ", after: " << testing::PrintToString(RelayHost::DescribeProcessResources(after));
}

} // namespace
