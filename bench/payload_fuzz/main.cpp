// Sends seeded, mutated payloads through all ten requests over the
// development bus into ScreenRelay.dll, in process through the development
// host's module host: the module is loaded on demand for each request and
// unloaded once its handler asked for it, so that every request gets the
// handler's status back and is judged by its own log lines and journal.
//
// A request passes when the host got a status for it (success or failure,
// never an exception status), nothing timed out, the module was unloaded, and
// the reader did what its contract says: a refused payload leaves exactly its
// reader's one failure record and makes no call into the UI host; an
// accepted one leaves no reader failure record. A request the module does not
// serve yet is counted and not judged further. Every journal entry must come
// from a development stand-in registered for the run.
//
// Usage: payload_fuzz.exe [--count=N] [--seed=S] [--first=I]
// Payload I of seed S is the same in every run: --first=I --count=1 repeats
// it. A failing payload is written, as UTF-16LE, to
// payload_fuzz-<seed>-<index>.txt beside the program.

#include "DevelopmentInstallation.h"
#include "HostBus.h"
#include "LogIniSettings.h"
#include "ModuleHost.h"
#include "ModuleLogFiles.h"
#include "PayloadGenerator.h"
#include "ReaderExpectations.h"
#include "RegistrationLock.h"
#include "RequestTraces.h"
#include "platform/UniqueHandles.h"

#include <windows.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

namespace
{

using namespace PayloadFuzz;
using RelayHost::RequestOutcome;

constexpr std::uint32_t kDeliveryTimeoutMilliseconds = 30000;
constexpr std::size_t kMostFailuresReported = 20;
constexpr wchar_t kNotServed[] = L"Request not served by this module version";
// A request the module serves with an empty payload.
constexpr wchar_t kFollowUpMessage[] = L"ZTS.UI.ShowSurfmark";
constexpr std::array<const wchar_t*, 6> kStandIns = {L"UiHostHelper",         L"Browser",        L"QvUtil", L"QvUpdate",
                                                     L"AdminPrivilegeHelper", L"SettingsService"};

struct Options
{
    std::uint64_t seed = 0;
    std::uint64_t first = 0;
    std::uint64_t count = 2000;
};

bool ReadOptions(int argc, wchar_t** argv, Options& options)
{
    options.seed = static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    for (int i = 1; i < argc; ++i)
    {
        const std::wstring argument = argv[i];
        const auto value = [&](const wchar_t* prefix, std::uint64_t& target)
        {
            const std::size_t length = std::wcslen(prefix);
            if (argument.compare(0, length, prefix) != 0)
            {
                return false;
            }
            target = std::wcstoull(argument.c_str() + length, nullptr, 10);
            return true;
        };
        if (!value(L"--seed=", options.seed) && !value(L"--first=", options.first) &&
            !value(L"--count=", options.count))
        {
            std::printf("unknown argument: %ls\n", argument.c_str());
            return false;
        }
    }
    return true;
}

std::wstring OwnFolder()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

// The generator of payload index of a run: each payload depends on the seed
// and its index only.
PayloadGenerator GeneratorFor(std::uint64_t seed, std::uint64_t index)
{
    return PayloadGenerator(seed ^ (index * 0x9E3779B97F4A7C15ull));
}

std::wstring WritePayload(const std::wstring& folder, std::uint64_t seed, std::uint64_t index,
                          const std::wstring& payload)
{
    const std::wstring path =
        folder + L"payload_fuzz-" + std::to_wstring(seed) + L"-" + std::to_wstring(index) + L".txt";
    const Ostrel::UniqueFileHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file)
    {
        WriteFile(file.get(), payload.data(), static_cast<DWORD>(payload.size() * sizeof(wchar_t)), &written, nullptr);
    }
    return path;
}

// What is wrong with the outcome of one request; empty when nothing is.
std::wstring Fault(const RequestReader& request, const std::wstring& payload, const RequestOutcome& outcome,
                   const std::wstring& logText, const std::vector<DevHost::JournalEntry>& journal, bool& served)
{
    served = true;
    if (outcome.timedOut)
    {
        return L"the request did not finish in time";
    }
    if (outcome.publishStatus != Ostrel::MODULE_STATUS_SUCCESS || !outcome.handlerStatus)
    {
        return L"no handler status (publish status " + std::to_wstring(outcome.publishStatus) + L")";
    }
    const Ostrel::ModuleStatus status = *outcome.handlerStatus;
    if (status != Ostrel::MODULE_STATUS_SUCCESS && status != Ostrel::MODULE_STATUS_UNSUCCESSFUL)
    {
        return L"handler status " + std::to_wstring(status) + L" (an exception reached the barrier?)";
    }
    if (!outcome.freed)
    {
        return L"the module was not unloaded";
    }
    for (const DevHost::JournalEntry& entry : journal)
    {
        bool standIn = false;
        for (const wchar_t* component : kStandIns)
        {
            standIn = standIn || entry.component == component;
        }
        if (!standIn)
        {
            return L"journal entry from an unknown component: " + entry.component;
        }
    }
    if (logText.find(kNotServed) != std::wstring::npos)
    {
        served = false;
        return {};
    }
    const Verdict verdict = Judge(request, AsDelivered(payload));
    for (const std::wstring& record : verdict.possibleRecords)
    {
        const std::size_t expected = verdict.refused && record == verdict.record ? 1 : 0;
        const std::size_t found = Occurrences(logText, record);
        if (found != expected)
        {
            return L"record \"" + record + L"\" logged " + std::to_wstring(found) + L" times, expected " +
                   std::to_wstring(expected);
        }
    }
    if (verdict.refused)
    {
        for (const DevHost::JournalEntry& entry : journal)
        {
            if (entry.component == L"UiHostHelper")
            {
                return L"a refused payload reached the UI host: " + entry.call;
            }
        }
    }
    return {};
}

// What the host did for a request, for a failure report.
std::wstring DescribeOutcome(const RequestOutcome& outcome)
{
    std::wstring text = std::wstring(outcome.loadedOnDemand ? L"loaded on demand" : L"found loaded") +
                        (outcome.deliveredByBus ? L", delivered by the bus" : L"") +
                        (outcome.unloadRequestedBy ? L", unload asked" : L", no unload asked") +
                        (outcome.freed ? L", freed" : L"") + (outcome.loadedAfterwards ? L", loaded afterwards" : L"");
    for (const RelayHost::HostCall& call : outcome.calls)
    {
        text += L"; " + call.name + L" " + std::to_wstring(call.status);
    }
    return text;
}

// What is wrong with the outcome of a request published under a name a hair
// away from a real one; empty when nothing is. No handler may take it: the
// host may load the module for it, but no handler asks to be unloaded, no
// reader runs and the UI host is not called. (The stand-ins started as
// programs may still journal for an earlier request.)
std::wstring NearNameFault(const RequestOutcome& outcome, const std::wstring& logText,
                           const std::vector<DevHost::JournalEntry>& journal)
{
    if (outcome.timedOut)
    {
        return L"the request did not finish in time";
    }
    if (outcome.publishStatus != Ostrel::MODULE_STATUS_SUCCESS &&
        outcome.publishStatus != Ostrel::MODULE_STATUS_NO_SUBSCRIBERS)
    {
        return L"publish status " + std::to_wstring(outcome.publishStatus);
    }
    if (outcome.handlerStatus.value_or(Ostrel::MODULE_STATUS_SUCCESS) != Ostrel::MODULE_STATUS_SUCCESS)
    {
        return L"direct delivery status " + std::to_wstring(*outcome.handlerStatus);
    }
    for (const RequestReader& reader : RequestReaders())
    {
        for (const std::wstring& record : Judge(reader, L"").possibleRecords)
        {
            if (Occurrences(logText, record) != 0)
            {
                return L"a reader ran: \"" + record + L"\"";
            }
        }
    }
    if (outcome.unloadRequestedBy)
    {
        return L"a handler took it and asked to be unloaded";
    }
    for (const DevHost::JournalEntry& entry : journal)
    {
        if (entry.component == L"UiHostHelper")
        {
            return L"the UI host was called: " + entry.call;
        }
    }
    return {};
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    Options options;
    if (!ReadOptions(argc, argv, options))
    {
        return 2;
    }
    std::printf("payload_fuzz: seed %llu, payloads %llu to %llu\n", static_cast<unsigned long long>(options.seed),
                static_cast<unsigned long long>(options.first),
                static_cast<unsigned long long>(options.first + options.count - 1));
    std::fflush(stdout);

    // The development components are registered for the run; no other
    // program may remove them meanwhile.
    const DevHost::RegistrationLock registrations;
    if (!registrations.Held())
    {
        std::printf("error: the registration lock is held elsewhere\n");
        return 2;
    }
    const std::wstring folder = OwnFolder();
    for (const RelayHost::SetUpStep& step : RelayHost::SetUpDevelopmentInstallation(folder, false))
    {
        if (step.status != ERROR_SUCCESS)
        {
            std::printf("error: set-up failed (error %lu): %ls\n", step.status, step.what.c_str());
            return 2;
        }
    }
    const std::wstring moduleName = L"PayloadFuzz" + std::to_wstring(GetCurrentProcessId());
    std::wstring logFolder;
    std::wstring error;
    if (RelayHost::ModuleLogFolder(moduleName, logFolder) != ERROR_SUCCESS ||
        !RelayHost::WriteLogIniSettings(logFolder + L"\\log.ini", {{L"Severity", 4}, {L"Options", 16 | 8 | 32}}, error))
    {
        std::printf("error: cannot set up the module's log: %ls\n", error.c_str());
        return 2;
    }
    const std::wstring journalPath = folder + moduleName + L"-journal.log";
    SetEnvironmentVariableW(DevHost::kJournalVariable, journalPath.c_str());
    RequestTraces traces(logFolder, journalPath);

    const auto bus = RelayHost::HostBus::Open(folder + L"MessageBus.dll", error);
    if (!bus)
    {
        std::printf("error: %ls\n", error.c_str());
        return 2;
    }
    RelayHost::ModuleHost host(*bus, {folder + L"ScreenRelay.dll", moduleName, RelayHost::BusPassing::HostPassesBus});
    if (host.subscribe() != Ostrel::MODULE_STATUS_SUCCESS)
    {
        std::printf("error: the host cannot subscribe\n");
        return 2;
    }

    const std::vector<RequestReader>& requests = RequestReaders();
    const auto started = std::chrono::steady_clock::now();
    std::map<std::wstring, std::uint64_t> mutations;
    std::uint64_t refused = 0;
    std::uint64_t notServed = 0;
    std::uint64_t nearNames = 0;
    std::uint64_t succeeded = 0;
    std::size_t failures = 0;
    for (std::uint64_t index = options.first; index < options.first + options.count; ++index)
    {
        const RequestReader& request = requests[index % requests.size()];
        std::wstring mutation;
        PayloadGenerator generator = GeneratorFor(options.seed, index);
        const std::wstring payload = generator.next(request, mutation);
        const std::wstring name = generator.messageName(request);
        // The bus takes a name up to its first NUL: one at the end leaves the real name.
        const bool nearName = AsDelivered(name) != request.message;
        mutation = nearName ? L"message name a hair away" : mutation;
        ++mutations[mutation];

        const RequestOutcome outcome = host.send(name, payload, kDeliveryTimeoutMilliseconds);
        std::wstring logText;
        std::vector<DevHost::JournalEntry> journal;
        traces.take(logText, journal);

        bool served = true;
        std::wstring fault = nearName ? NearNameFault(outcome, logText, journal)
                                      : Fault(request, payload, outcome, logText, journal, served);
        // A module loaded for a message it has no handler for stays loaded; a
        // request it serves must still reach it and unload it.
        if (nearName && outcome.loadedAfterwards)
        {
            const RequestOutcome next = host.send(kFollowUpMessage, L"{}", kDeliveryTimeoutMilliseconds);
            traces.take(logText, journal);
            if (fault.empty() && (next.timedOut || !next.freed))
            {
                fault = L"the module loaded for it was not unloaded by the next request";
            }
        }
        notServed += served || nearName ? 0 : 1;
        refused += served && Judge(request, AsDelivered(payload)).refused ? 1 : 0;
        nearNames += nearName ? 1 : 0;
        succeeded += !nearName && outcome.handlerStatus == std::optional(Ostrel::MODULE_STATUS_SUCCESS) ? 1 : 0;
        if (fault.empty())
        {
            continue;
        }
        ++failures;
        std::printf("FAIL payload %llu (%ls, %ls): %ls\n  host: %ls\n  payload written to %ls\n  repeat: "
                    "payload_fuzz.exe --seed=%llu --first=%llu --count=1\n",
                    static_cast<unsigned long long>(index), request.message, mutation.c_str(), fault.c_str(),
                    DescribeOutcome(outcome).c_str(), WritePayload(folder, options.seed, index, payload).c_str(),
                    static_cast<unsigned long long>(options.seed), static_cast<unsigned long long>(index));
        std::fflush(stdout);
        if (outcome.timedOut || failures >= kMostFailuresReported)
        {
            break;
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    std::printf("payload_fuzz: seed %llu, %llu payloads in %.1f s: %llu refused as expected, %llu answered "
                "with status 0, %llu under a message name no handler takes, %llu not served by this module "
                "version, %zu failed\n",
                static_cast<unsigned long long>(options.seed), static_cast<unsigned long long>(options.count), seconds,
                static_cast<unsigned long long>(refused), static_cast<unsigned long long>(succeeded),
                static_cast<unsigned long long>(nearNames), static_cast<unsigned long long>(notServed), failures);
    for (const auto& [mutation, count] : mutations)
    {
        std::printf("  %-20ls %llu\n", mutation.c_str(), static_cast<unsigned long long>(count));
    }
    DeleteFileW((logFolder + L"\\log.ini").c_str());
    RemoveDirectoryW(logFolder.c_str());
    RemoveDirectoryW(logFolder.substr(0, logFolder.find_last_of(L'\\')).c_str());
    return failures == 0 ? 0 : 1;
}
