// Publishes "ZTS.UI.ShowScreen" N times (default 200) through the development
// host's in-process path, as relayhost does: the module loaded on demand, then
// unloaded once its handler asked for it, for each request; once with the
// module loading the bus library itself (InitializeModule) and once with the
// host passing its bus (InitializeModuleV2). Prints the median and 95th
// percentile, in milliseconds, of publish to the UI host helper's call and of
// publish to the library freed, and of their phases:
//   load      publish to the module started (the host's delivery, loading,
//             creating, initializing, including the bus library's load and
//             trust check for InitializeModule)
//   handler   to the helper's call (payload, mapping, COM creation and the
//             helper's trust check)
//   return    from the helper's call until the handler has returned
//   unload    stop, uninitialize, destroy and free
// The helper's call time comes from its journal entry. Sets up the development
// installation first.
// Usage: request_bench.exe [N]

#include "DevelopmentInstallation.h"
#include "HostBus.h"
#include "JournalReader.h"
#include "ModuleHost.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace
{

using namespace RelayHost;

constexpr std::uint32_t kDeliveryTimeoutMilliseconds = 60000;
constexpr wchar_t kRequest[] = L"ZTS.UI.ShowScreen";
constexpr wchar_t kPayload[] = LR"({"name":"scan.quick"})";

std::wstring OwnFolder()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

double Milliseconds(std::int64_t ticks)
{
    return static_cast<double>(ticks) * 1000.0 / static_cast<double>(PerformanceCounterFrequency());
}

struct Samples
{
    const char* label;
    std::vector<double> values;

    void add(std::int64_t from, std::int64_t to)
    {
        if (from != 0 && to != 0)
        {
            values.push_back(Milliseconds(to - from));
        }
    }
    void print()
    {
        if (values.empty())
        {
            std::printf("  %-26s   n/a\n", label);
            return;
        }
        std::sort(values.begin(), values.end());
        const double median = values[values.size() / 2];
        const double p95 = values[std::min(values.size() - 1, values.size() * 95 / 100)];
        std::printf("  %-26s %8.2f %8.2f\n", label, median, p95);
    }
};

// The time of the newest helper call "OpenInternal" in the journal; 0 when none
// was journaled after since.
std::int64_t HelperCallTime(const std::wstring& journal, std::int64_t since)
{
    const auto entries = DevHost::ReadJournal(journal);
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry)
    {
        if (entry->component == L"UiHostHelper" && entry->call == L"OpenInternal" && entry->time >= since)
        {
            return entry->time;
        }
    }
    return 0;
}

bool Run(const wchar_t* label, BusPassing busPassing, int count, const std::wstring& folder,
         const std::wstring& journal)
{
    std::wstring error;
    const auto bus = HostBus::Open(folder + L"MessageBus.dll", error);
    if (!bus)
    {
        std::printf("error: %ls\n", error.c_str());
        return false;
    }
    ModuleHost host(*bus, {folder + L"ScreenRelay.dll", L"ScreenRelayModule", busPassing});
    if (host.subscribe() != Ostrel::MODULE_STATUS_SUCCESS)
    {
        std::printf("error: cannot subscribe\n");
        return false;
    }

    Samples toHelper{"publish to helper call", {}};
    Samples toFreed{"publish to library freed", {}};
    Samples load{"  load", {}};
    Samples handler{"  handler", {}};
    Samples back{"  return", {}};
    Samples unload{"  unload", {}};
    int failed = 0;
    for (int i = 0; i < count; ++i)
    {
        const RequestOutcome outcome = host.send(kRequest, kPayload, kDeliveryTimeoutMilliseconds);
        const RequestTimes& t = outcome.times;
        const std::int64_t helper = HelperCallTime(journal, t.published);
        if (outcome.handlerStatus != std::optional<Ostrel::ModuleStatus>(Ostrel::MODULE_STATUS_SUCCESS) ||
            !outcome.freed || helper == 0)
        {
            ++failed;
            continue;
        }
        toHelper.add(t.published, helper);
        toFreed.add(t.published, t.freed);
        load.add(t.published, t.loaded);
        handler.add(t.loaded, helper);
        back.add(helper, t.handled);
        unload.add(t.handled, t.freed);
    }
    std::printf("%ls: %d requests, %d not handled and unloaded\n", label, count, failed);
    std::printf("  %-26s %8s %8s\n", "(milliseconds)", "median", "p95");
    for (Samples* samples : {&toHelper, &load, &handler, &back, &toFreed, &unload})
    {
        samples->print();
    }
    return failed == 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const int count = argc > 1 ? _wtoi(argv[1]) : 200;
    const std::wstring folder = OwnFolder();
    for (const SetUpStep& step : SetUpDevelopmentInstallation(folder, false))
    {
        if (step.status != ERROR_SUCCESS)
        {
            std::printf("set-up failed (error %lu): %ls\n", step.status, step.what.c_str());
        }
    }
    const std::wstring journal = folder + L"request_bench-journal.log";
    DeleteFileW(journal.c_str());
    SetEnvironmentVariableW(DevHost::kJournalVariable, journal.c_str());

    const bool v1 =
        Run(L"InitializeModule (the module loads the bus library)", BusPassing::ModuleLoadsBus, count, folder, journal);
    const bool v2 =
        Run(L"InitializeModuleV2 (the host passes its bus)", BusPassing::HostPassesBus, count, folder, journal);
    return v1 && v2 ? 0 : 1;
}
