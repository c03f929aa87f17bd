#include "ComServerRegistration.h"
#include "DevelopmentSwitches.h"
#include "HostBus.h"
#include "JournalFile.h"
#include "ModuleHost.h"
#include "ModuleLogFiles.h"
#include "RegistrationLock.h"
#include "platform/TrustList.h"
#include "platform/TrustVerification.h"
#include "registry/FileVersionInfo.h"
#include "support/RegistryIsolation.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Each row breaks one piece of the installation around the module, sends a
// request through the development host, and checks the status the host saw
// and the record in the module's file log; then it mends the piece and checks
// that the next request is served.

namespace
{

using RelayHost::BusPassing;
using RelayHost::HostBus;
using RelayHost::ModuleHost;
using RelayHost::RequestOutcome;

constexpr std::uint32_t kTimeoutMilliseconds = 60000;
constexpr wchar_t kRequest[] = L"ZTS.UI.ShowWithPageID";
constexpr wchar_t kPayload[] = LR"({"page_id":"P-17"})";

constexpr wchar_t kFrameworkKey[] = L"SOFTWARE\\NORVANE\\RADADUV";
constexpr wchar_t kInstallDirValue[] = L"Install Dir";
constexpr wchar_t kBlockListKey[] = L"SOFTWARE\\Norvane\\RadAduv\\List\\messagebus.dll";
constexpr wchar_t kLoggingKey[] = L"SOFTWARE\\Norvane\\Logging";
constexpr wchar_t kUiHostHelperSwitches[] = L"SOFTWARE\\Norvane\\VRT\\DevHost\\UiHostHelper";

// The folder of the components the development host loads: the one above
// this program's own folder, without a trailing backslash.
std::wstring ComponentsFolder()
{
    std::wstring folder = ScreenRelayTest::ProgramFolder();
    folder.pop_back();
    return folder.substr(0, folder.rfind(L'\\'));
}

std::wstring Component(const wchar_t* fileName)
{
    return ComponentsFolder() + L"\\" + fileName;
}

DWORD SetText(const wchar_t* key, const wchar_t* name, const std::wstring& text)
{
    return static_cast<DWORD>(RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, name, REG_SZ, text.c_str(),
                                              static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))));
}

DWORD SetNumber(const wchar_t* key, const wchar_t* name, DWORD number)
{
    return static_cast<DWORD>(
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, name, REG_DWORD, &number, static_cast<DWORD>(sizeof(number))));
}

DWORD DeleteValue(const wchar_t* key, const wchar_t* name)
{
    return static_cast<DWORD>(RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, key, name));
}

DWORD Unlist(const wchar_t* fileName)
{
    std::wstring digest;
    const DWORD computed = Ostrel::ComputeFileSha256(Component(fileName), digest);
    return computed != ERROR_SUCCESS ? computed : DeleteValue(Ostrel::kTrustedFilesKey, digest.c_str());
}

DWORD SetInstallFolder(const std::wstring& folder)
{
    return SetText(kFrameworkKey, kInstallDirValue, folder);
}

// The block list entry that names the bus library's own version.
DWORD BlockBusLibrary()
{
    Basekit::FileVersionInfo version;
    if (!version.Load(Component(L"MessageBus.dll")))
    {
        return ERROR_RESOURCE_DATA_NOT_FOUND;
    }
    const std::wstring fileVersion = version.GetString(L"FileVersion");
    return SetText(kBlockListKey, fileVersion.c_str(), fileVersion);
}

// A file where the module's log group folder would go, so that the folder
// cannot be created.
std::wstring LogFolderBlocker(const std::wstring& group)
{
    std::wstring root;
    return RelayHost::LogRootFolder(root) == ERROR_SUCCESS ? root + group : std::wstring();
}

DWORD BlockLogFolder(const std::wstring& group)
{
    const std::wstring blocker = LogFolderBlocker(group);
    SHCreateDirectoryExW(nullptr, blocker.substr(0, blocker.rfind(L'\\')).c_str(), nullptr);
    return ScreenRelayTest::WriteFileBytes(blocker, "not a folder") ? ERROR_SUCCESS : GetLastError();
}

DWORD UnblockLogFolder(const std::wstring& group)
{
    return DeleteFileW(LogFolderBlocker(group).c_str()) ? ERROR_SUCCESS : GetLastError();
}

std::optional<std::uint32_t> CallStatus(const RequestOutcome& outcome, const std::wstring& name)
{
    const auto found = std::find_if(outcome.calls.begin(), outcome.calls.end(),
                                    [&name](const RelayHost::HostCall& call) { return call.name == name; });
    return found == outcome.calls.end() ? std::nullopt : std::optional<std::uint32_t>(found->status);
}

// How often the UI host helper was asked to open a page.
std::size_t OpenedPages(const DevHostTest::JournalFile& journal)
{
    const std::vector<DevHost::JournalEntry> entries = journal.Entries();
    return static_cast<std::size_t>(std::count_if(entries.begin(), entries.end(),
                                                  [](const DevHost::JournalEntry& entry) {
                                                      return entry.component == L"UiHostHelper" &&
                                                             entry.call == L"OpenInternal";
                                                  }));
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

struct Fault
{
    const char* name;
    BusPassing busPassing;
    // Breaks and mends the piece; each gets the module's log group.
    std::function<DWORD(const std::wstring&)> inject;
    std::function<DWORD(const std::wstring&)> repair;
    // The host call whose status shows the fault, and that status. A direct
    // message ignores its handler's result: a failing handler shows in its
    // record only.
    const wchar_t* call;
    std::uint32_t status;
    // Pages the UI host helper was asked to open: whether the request got
    // as far as the user interface.
    std::size_t pagesOpened;
    // A record the module logs; null when nothing may be logged at all.
    const wchar_t* record;
    bool passUnloadCallback = true;
};

DWORD Nothing(const std::wstring&)
{
    return ERROR_SUCCESS;
}

// An installation where every request is served: the framework's install
// folder holding the bus library, the bus library and the UI host helper
// listed as trusted, the helper registered, the module logging to its file log.
class FaultTableTest : public ScreenRelayTest::RegistryIsolatedTest
{
protected:
    void SetUp() override
    {
        RegistryIsolatedTest::SetUp();
        ASSERT_TRUE(registrations_.Held());
        ASSERT_TRUE(
            CopyFileW(Component(L"MessageBus.dll").c_str(), installFolder_.File(L"MessageBus.dll").c_str(), FALSE));
        ASSERT_EQ(SetInstallFolder(installFolder_.Path()), 0u);
        ASSERT_EQ(Ostrel::ListTrustedFile(Component(L"MessageBus.dll")), 0u);
        ASSERT_EQ(Ostrel::ListTrustedFile(Component(L"UiHostHelper.dll")), 0u);
        ASSERT_EQ(DevHost::RegisterUiHostHelper(Component(L"UiHostHelper.dll")), 0u);
        ASSERT_EQ(SetNumber(kLoggingKey, L"Logging Mechanism", 1), 0u);
        std::wstring error;
        bus_ = HostBus::Open(Component(L"MessageBus.dll"), error);
        ASSERT_NE(bus_, nullptr) << Narrow(error);
    }

    void TearDown() override
    {
        bus_.reset();
        EXPECT_EQ(DevHost::UnregisterUiHostHelper(), 0u);
    }

    RequestOutcome Send(const std::wstring& group, BusPassing busPassing, bool passUnloadCallback)
    {
        ModuleHost host(
            *bus_, RelayHost::ModuleHostSettings{Component(L"ScreenRelay.dll"), group, busPassing, passUnloadCallback});
        EXPECT_EQ(host.subscribe(), 0u);
        return host.send(kRequest, kPayload, kTimeoutMilliseconds);
    }

    // The framework's install folder, holding a copy of the bus library: a
    // module loading the very file the host's bus came from would share the
    // host's reference to it, taken without a trust decision.
    const ScreenRelayTest::TempFolder installFolder_;
    const DevHostTest::JournalFile journal_;
    std::unique_ptr<HostBus> bus_;

private:
    DevHost::RegistrationLock registrations_;
};

TEST_F(FaultTableTest, EachFaultGivesItsStatusAndRecordAndTheNextRequestIsServedOnceItIsGone)
{
    const ScreenRelayTest::TempFolder emptyFolder;
    const std::wstring installFolder = installFolder_.Path();
    const auto reinstall = [&installFolder](const std::wstring&)
    {
        return SetInstallFolder(installFolder);
    };
    const Fault faults[] = {
        {"bus library missing", BusPassing::ModuleLoadsBus,
         [&emptyFolder](const std::wstring&) { return SetInstallFolder(emptyFolder.Path()); }, reinstall,
         L"InitializeModule", Ostrel::MODULE_STATUS_UNKNOWN_EXCEPTION, 0,
         L"Failed to find valid path for library: MessageBus.dll."},
        {"bus library on the block list, from which it is exempt", BusPassing::ModuleLoadsBus,
         [](const std::wstring&) { return BlockBusLibrary(); }, Nothing, L"DirectMessage",
         Ostrel::MODULE_STATUS_SUCCESS, 1, nullptr},
        {"bus library unsigned and unlisted", BusPassing::ModuleLoadsBus,
         [](const std::wstring&) { return Unlist(L"MessageBus.dll"); },
         [](const std::wstring&) { return Ostrel::ListTrustedFile(Component(L"MessageBus.dll")); }, L"InitializeModule",
         Ostrel::MODULE_STATUS_UNKNOWN_EXCEPTION, 0,
         L"Failed to load library: MessageBus.dll. Throwing ModuleException."},
        {"install folder missing", BusPassing::ModuleLoadsBus,
         [](const std::wstring&) { return DeleteValue(kFrameworkKey, kInstallDirValue); }, reinstall,
         L"InitializeModule", Ostrel::MODULE_STATUS_UNKNOWN_EXCEPTION, 0,
         L"Failed to find valid path for library: MessageBus.dll."},
        {"install folder of the wrong type", BusPassing::ModuleLoadsBus,
         [](const std::wstring&) { return SetNumber(kFrameworkKey, kInstallDirValue, 1); },
         [&installFolder](const std::wstring&)
         {
             const DWORD deleted = DeleteValue(kFrameworkKey, kInstallDirValue);
             return deleted != ERROR_SUCCESS ? deleted : SetInstallFolder(installFolder);
         },
         L"InitializeModule", Ostrel::MODULE_STATUS_UNKNOWN_EXCEPTION, 0,
         L"Failed to find valid path for library: MessageBus.dll."},
        {"UI host helper not registered", BusPassing::HostPassesBus,
         [](const std::wstring&) { return DevHost::UnregisterUiHostHelper(); },
         [](const std::wstring&) { return DevHost::RegisterUiHostHelper(Component(L"UiHostHelper.dll")); },
         L"DirectMessage", Ostrel::MODULE_STATUS_SUCCESS, 0,
         L"Failed to call OpenInternal with P-17, error: -2147221164"},
        {"UI host helper unlisted", BusPassing::HostPassesBus,
         [](const std::wstring&) { return Unlist(L"UiHostHelper.dll"); },
         [](const std::wstring&) { return Ostrel::ListTrustedFile(Component(L"UiHostHelper.dll")); }, L"DirectMessage",
         Ostrel::MODULE_STATUS_SUCCESS, 0, L"Failed to call OpenInternal with P-17, error: -2147024891"},
        {"UI host helper failing its call", BusPassing::HostPassesBus,
         [](const std::wstring&) { return DevHost::WriteDevelopmentSwitch(L"UiHostHelper", L"OpenInternal", E_FAIL); },
         [](const std::wstring&) { return DeleteValue(kUiHostHelperSwitches, L"OpenInternal"); }, L"DirectMessage",
         Ostrel::MODULE_STATUS_SUCCESS, 1, L"Failed to call OpenInternal with P-17, error: -2147467259"},
        {"log folder uncreatable", BusPassing::HostPassesBus, BlockLogFolder, UnblockLogFolder, L"DirectMessage",
         Ostrel::MODULE_STATUS_SUCCESS, 1, nullptr},
        {"host's unload callback missing", BusPassing::HostPassesBus, Nothing, Nothing, L"DirectMessage",
         Ostrel::MODULE_STATUS_SUCCESS, 1, L"Failed to unload module. Error code: 2147483656.", false},
    };

    for (const Fault& fault : faults)
    {
        SCOPED_TRACE(fault.name);
        const std::wstring group = ScreenRelayTest::UniqueLogGroup();
        ASSERT_EQ(fault.inject(group), 0u);

        const std::size_t openedBeforeFault = OpenedPages(journal_);
        const RequestOutcome failed = Send(group, fault.busPassing, fault.passUnloadCallback);
        EXPECT_EQ(CallStatus(failed, fault.call), std::optional<std::uint32_t>(fault.status));
        EXPECT_EQ(OpenedPages(journal_), openedBeforeFault + fault.pagesOpened);
        const std::wstring logged = ScreenRelayTest::ReadLoggedText(group, L"ScreenRelay");
        if (fault.record == nullptr)
        {
            EXPECT_EQ(logged, L"");
        }
        else
        {
            EXPECT_NE(logged.find(fault.record), std::wstring::npos) << Narrow(logged);
        }

        ASSERT_EQ(fault.repair(group), 0u);
        ScreenRelayTest::RemoveLogGroup(group);

        // Served: the page opened, nothing logged at the file log's default
        // severity, and the module unloaded at its own request.
        const std::wstring servedGroup = ScreenRelayTest::UniqueLogGroup();
        const std::size_t openedBefore = OpenedPages(journal_);
        const RequestOutcome served = Send(servedGroup, fault.busPassing, true);
        EXPECT_EQ(served.handlerStatus, std::optional<Ostrel::ModuleStatus>(Ostrel::MODULE_STATUS_SUCCESS));
        EXPECT_EQ(OpenedPages(journal_), openedBefore + 1);
        const std::wstring servedLog = ScreenRelayTest::ReadLoggedText(servedGroup, L"ScreenRelay");
        EXPECT_EQ(servedLog, L"") << Narrow(servedLog);
        EXPECT_EQ(served.unloadRequestedBy, std::optional<std::wstring>(servedGroup));
        EXPECT_TRUE(served.freed);
        ScreenRelayTest::RemoveLogGroup(servedGroup);
    }
}

} // namespace
