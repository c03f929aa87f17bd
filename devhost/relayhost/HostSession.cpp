#include "HostSession.h"

#include "AdminPrivilegeHelperRegistration.h"
#include "JournalReader.h"
#include "RequestReport.h"

#include <windows.h>
#include <objbase.h>

#include <chrono>
#include <vector>

namespace RelayHost
{

namespace
{

constexpr wchar_t kDefaultJournalFile[] = L"relayhost-journal.log";
// Generous: the first request of a session loads COM and the shell.
constexpr std::uint32_t kDeliveryTimeoutMilliseconds = 60000;

std::wstring JournalPath(const std::wstring& folder)
{
    wchar_t configured[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(DevHost::kJournalVariable, configured, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
    {
        return std::wstring(configured, length);
    }
    const std::wstring path = folder + kDefaultJournalFile;
    SetEnvironmentVariableW(DevHost::kJournalVariable, path.c_str());
    return path;
}

} // namespace

std::unique_ptr<HostSession> HostSession::Open(const std::wstring& folder, ModuleHostSettings settings,
                                               SettingsAnswers settingsAnswers, std::wstring& error)
{
    std::unique_ptr<HostSession> session(new HostSession);
    const HRESULT entered = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    session->comEntered_ = SUCCEEDED(entered);
    const HRESULT registered =
        session->comEntered_ ? DevHost::RegisterAdminPrivilegeHelper(&session->adminHelperCookie_) : entered;
    if (FAILED(registered))
    {
        error = L"cannot serve the elevated registry helper (HRESULT " + std::to_wstring(registered) + L")";
        return nullptr;
    }
    session->journalPath_ = JournalPath(folder);

    session->bus_ = HostBus::Open(folder + L"MessageBus.dll", error);
    if (!session->bus_)
    {
        return nullptr;
    }
    session->settingsService_ = SettingsService::Start(*session->bus_, settingsAnswers);
    if (!session->settingsService_)
    {
        error = L"cannot subscribe the settings service";
        return nullptr;
    }
    if (settings.modulePath.empty())
    {
        settings.modulePath = folder + L"ScreenRelay.dll";
    }
    session->host_ = std::make_unique<ModuleHost>(*session->bus_, std::move(settings));
    const Ostrel::ModuleStatus subscribed = session->host_->subscribe();
    if (subscribed != Ostrel::MODULE_STATUS_SUCCESS)
    {
        error = std::wstring(L"cannot subscribe to the requests: ") + Ostrel::ModuleStatusName(subscribed);
        return nullptr;
    }
    return session;
}

HostSession::~HostSession()
{
    host_.reset();
    settingsService_.reset();
    bus_.reset();
    if (adminHelperCookie_ != 0)
    {
        DevHost::RevokeAdminPrivilegeHelper(adminHelperCookie_);
    }
    if (comEntered_)
    {
        CoUninitialize();
    }
}

namespace
{

// Programs the shell starts for a request (the updater, the browser) write
// their journal lines a little after the request returns: read the journal
// once it has stopped growing for a while, within a bound.
std::vector<DevHost::JournalEntry> SettledJournal(const std::wstring& path)
{
    constexpr auto kQuiet = std::chrono::milliseconds(400);
    constexpr auto kBound = std::chrono::seconds(3);
    const auto start = std::chrono::steady_clock::now();
    std::vector<DevHost::JournalEntry> entries = DevHost::ReadJournal(path);
    auto lastGrowth = start;
    for (;;)
    {
        const auto now = std::chrono::steady_clock::now();
        if (now - lastGrowth >= kQuiet || now - start >= kBound)
        {
            return entries;
        }
        Sleep(50);
        std::vector<DevHost::JournalEntry> again = DevHost::ReadJournal(path);
        if (again.size() != entries.size())
        {
            lastGrowth = std::chrono::steady_clock::now();
        }
        entries = std::move(again);
    }
}

} // namespace

bool HostSession::run(const std::wstring& name, const std::wstring& payload)
{
    const std::size_t journaled = DevHost::ReadJournal(journalPath_).size();
    const RequestOutcome outcome = host_->send(name, payload, kDeliveryTimeoutMilliseconds);
    std::vector<DevHost::JournalEntry> entries = SettledJournal(journalPath_);
    entries.erase(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(std::min(journaled, entries.size())));
    PrintRequestReport(name, payload, outcome, entries);
    const bool moduleFailedToLoad = outcome.times.received != 0 && !outcome.deliveredByBus && !outcome.handlerStatus;
    return outcome.publishStatus == Ostrel::MODULE_STATUS_SUCCESS && !outcome.timedOut && !moduleFailedToLoad &&
           outcome.handlerStatus.value_or(Ostrel::MODULE_STATUS_SUCCESS) == Ostrel::MODULE_STATUS_SUCCESS;
}

} // namespace RelayHost
