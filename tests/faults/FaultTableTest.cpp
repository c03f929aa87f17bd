#include "ComServerRegistration.h"
#include "DevelopmentSwitches.h"
#include "HostBus.h"
#include "JournalFile.h"
#include "LogIniSettings.h"
#include "ModuleHost.h"
#include "ModuleLogFiles.h"
#include "RegistrationLock.h"
#include "SettingsService.h"
#include "platform/TrustList.h"
#include "platform/TrustVerification.h"
#include "registry/FileVersionInfo.h"
#include "support/KeepAliveListener.h"
#include "support/RegistryIsolation.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <chrono>
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
using ScreenRelayTest::KeepAliveListener;

constexpr std::uint32_t kTimeoutMilliseconds = 60000;

// A request, and the development component's journaled call that serves it.
struct Request
{
    const wchar_t* message;
    const wchar_t* payload;
    const wchar_t* component;
    const wchar_t* call;
};

const Request kPageRequest{L"ZTS.UI.ShowWithPageID", LR"({"page_id":"P-17"})", L"UiHostHelper", L"OpenInternal"};
const Request kWebSafetyRequest{L"ZTS.UI.ShowSurfmark", L"{}", L"UiHostHelper", L"OpenUrlInContainer"};
const Request kContainerRequest{L"ZTS.UI.ShowInContainer",
                                LR"({"link":"https://localhost/offer","parameters":"a=1","launch_point":5})",
                                L"UiHostHelper", L"OpenUrlInContainer"};
const Request kSupportRequest{L"ZTS.UI.OpenInAppSupport", LR"({"fault_id":"42"})", L"UiHostHelper",
                              L"OpenUrlInContainer"};
// A link of the link table whose text is a substitute variable naming the
// stand-in browser, which the shell starts.
const Request kBrowserRequest{L"ZTS.UI.ShowInBrowser", LR"({"url":"substlink:relay"})", L"Browser", L"Open"};

constexpr wchar_t kFrameworkKey[] = L"SOFTWARE\\NORVANE\\RADADUV";
constexpr wchar_t kInstallDirValue[] = L"Install Dir";
constexpr wchar_t kBlockListKey[] = L"SOFTWARE\\Norvane\\RadAduv\\List\\messagebus.dll";
constexpr wchar_t kLoggingKey[] = L"SOFTWARE\\Norvane\\Logging";
constexpr wchar_t kUiHostHelperSwitches[] = L"SOFTWARE\\Norvane\\VRT\\DevHost\\UiHostHelper";
constexpr wchar_t kWebSafetyKey[] = L"SOFTWARE\\Norvane\\VRT\\Settings\\toc\\A12341F7-A130-4447-97AD-2675F46516FB";
constexpr wchar_t kWebSafetyValue[] = L"LinkContext";
constexpr wchar_t kWebSafetyLink[] = L"https://localhost/websafety";
constexpr wchar_t kQvUtilKey[] = L"SOFTWARE\\Norvane\\Platform";
constexpr wchar_t kQvUtilFolderValue[] = L"qvutil64_install_dir";
constexpr wchar_t kConnectivityKey[] = L"SOFTWARE\\Norvane\\VRT\\Connectivity";
constexpr wchar_t kLinksKey[] = L"SOFTWARE\\Norvane\\VRT\\Settings\\Links";
constexpr wchar_t kLinkName[] = L"relay";
constexpr wchar_t kLinkText[] = L"%relaybrowser%";
constexpr wchar_t kSubstituteKey[] = L"SOFTWARE\\Norvane\\VRT\\AppInfo\\Substitute";
constexpr wchar_t kSubstituteName[] = L"relaybrowser";
// A partner override of the settings, mapped onto the main settings by its
// priority.
constexpr wchar_t kOverrideKey[] = L"SOFTWARE\\Norvane\\VRT\\overrides\\partner";
constexpr wchar_t kOverrideLinksKey[] = L"SOFTWARE\\Norvane\\VRT\\overrides\\partner\\Settings\\Links";
constexpr wchar_t kPriorityValue[] = L"priority";
constexpr DWORD kOverridePriority = 9;

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

// The block list entry that names the bus library's own version.
DWORD BlockBusLibrary()
{
    Basekit::FileVersionInfo version;
    if (!version.Load(Component(L"MessageBus.dll")))
    {
        return ERROR_RESOURCE_DATA_NOT_FOUND;
    }
    const std::wstring fileVersion = version.GetString(L"FileVersion");
    return fileVersion.empty() ? ERROR_RESOURCE_DATA_NOT_FOUND
                               : SetText(kBlockListKey, fileVersion.c_str(), fileVersion);
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

// Makes the module's file log for the group keep records of every level.
DWORD LogEveryLevel(const std::wstring& group)
{
    std::wstring folder;
    std::wstring error;
    const DWORD found = RelayHost::ModuleLogFolder(group, folder);
    return found != ERROR_SUCCESS                                                             ? found
           : RelayHost::WriteLogIniSettings(folder + L"\\log.ini", {{L"Severity", 1}}, error) ? ERROR_SUCCESS
                                                                                              : ERROR_WRITE_FAULT;
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

// How often the request's serving call was journaled, once the journal holds
// at least the expected count or a generous bound has passed: a started
// program journals on its own time.
std::size_t ServingCalls(const DevHostTest::JournalFile& journal, const Request& request, std::size_t expected)
{
    return journal.WaitFor(request.component, request.call, expected, std::chrono::seconds(30)).size();
}

DWORD SetLinkText()
{
    return SetText(kLinksKey, kLinkName, kLinkText);
}

DWORD SetBrowserSubstitute()
{
    return SetText(kSubstituteKey, kSubstituteName, Component(L"RelayBrowser.exe"));
}

// Deletes a value that may be gone already.
DWORD RemoveValue(const wchar_t* key, const wchar_t* name)
{
    const DWORD deleted = DeleteValue(key, name);
    return deleted == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : deleted;
}

// The link only in the partner override, whose priority breakPriority spoils.
DWORD MoveLinkToOverride(DWORD (*breakPriority)())
{
    const DWORD moved = SetText(kOverrideLinksKey, kLinkName, kLinkText);
    if (moved != ERROR_SUCCESS)
    {
        return moved;
    }
    const DWORD removed = RemoveValue(kLinksKey, kLinkName);
    return removed != ERROR_SUCCESS ? removed : breakPriority();
}

DWORD MapOverride()
{
    return SetNumber(kOverrideKey, kPriorityValue, kOverridePriority);
}

// Replaces a value of another type by its text.
DWORD Retype(const wchar_t* key, const wchar_t* name, const std::wstring& text)
{
    const DWORD deleted = DeleteValue(key, name);
    return deleted != ERROR_SUCCESS ? deleted : SetText(key, name, text);
}

std::chrono::milliseconds HandlingTime(const RequestOutcome& outcome)
{
    return std::chrono::milliseconds((outcome.times.handled - outcome.times.received) * 1000 /
                                     RelayHost::PerformanceCounterFrequency());
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

struct HostSaw
{
    const wchar_t* call;
    std::uint32_t status;
};
const HostSaw kInitializeFails{L"InitializeModule", Ostrel::MODULE_STATUS_UNKNOWN_EXCEPTION};
const HostSaw kHandled{L"DirectMessage", Ostrel::MODULE_STATUS_SUCCESS};

struct Fault
{
    const char* name;
    const Request& request;
    // Breaks and mends the piece.
    std::function<DWORD()> inject;
    std::function<DWORD()> repair;
    // The host call whose status shows the fault, and that status. A direct
    // message ignores its handler's result: a failing handler shows in its
    // record only.
    HostSaw hostSaw;
    // How often the request's serving call was made: whether the request got
    // as far as the user interface.
    std::size_t servingCalls;
    // The record the module logs, which the next request no longer logs;
    // null when the module logs no error.
    const wchar_t* record;
    // Whether the host passes its bus or the module loads the bus library.
    BusPassing busPassing = BusPassing::HostPassesBus;
    bool passUnloadCallback = true;
    // How long the handler waits for the settings service: at least this,
    // and less than twice as long.
    std::chrono::seconds settingsWait{};
};

DWORD Nothing()
{
    return ERROR_SUCCESS;
}

// An installation where every request is served: the framework's install
// folder holding a copy of the bus library; the bus library, the UI host
// helper and the stand-in browser listed as trusted; the helper registered;
// the web-safety link context, the link table and its substitute value; a
// keep-alive server on loopback and a settings service that answers; the
// module logging to its file log.
class FaultTableTest : public ScreenRelayTest::RegistryIsolatedTest
{
protected:
    void SetUp() override
    {
        RegistryIsolatedTest::SetUp();
        ASSERT_TRUE(registrations_.Held());
        ASSERT_TRUE(
            CopyFileW(Component(L"MessageBus.dll").c_str(), installFolder_.File(L"MessageBus.dll").c_str(), FALSE));
        ASSERT_EQ(SetText(kFrameworkKey, kInstallDirValue, installFolder_.Path()), 0u);
        ASSERT_EQ(Ostrel::ListTrustedFile(Component(L"MessageBus.dll")), 0u);
        ASSERT_EQ(Ostrel::ListTrustedFile(Component(L"UiHostHelper.dll")), 0u);
        ASSERT_EQ(Ostrel::ListTrustedFile(Component(L"RelayBrowser.exe")), 0u);
        ASSERT_EQ(DevHost::RegisterUiHostHelper(Component(L"UiHostHelper.dll")), 0u);
        ASSERT_EQ(SetNumber(kLoggingKey, L"Logging Mechanism", 1), 0u);
        ASSERT_EQ(SetText(kWebSafetyKey, kWebSafetyValue, kWebSafetyLink), 0u);
        ASSERT_EQ(SetLinkText(), 0u);
        ASSERT_EQ(SetBrowserSubstitute(), 0u);
        ASSERT_NE(keepAlive_.Port(), 0u);
        ASSERT_EQ(SetText(kConnectivityKey, L"KeepAliveServer", KeepAliveListener::kWideAddress), 0u);
        ASSERT_EQ(SetNumber(kConnectivityKey, L"KeepAlivePort", keepAlive_.Port()), 0u);
        std::wstring error;
        bus_ = HostBus::Open(Component(L"MessageBus.dll"), error);
        ASSERT_NE(bus_, nullptr) << Narrow(error);
        ASSERT_EQ(StartSettingsService(RelayHost::SettingsAnswers::Answered), 0u);
    }

    void TearDown() override
    {
        settings_.reset();
        bus_.reset();
        EXPECT_EQ(DevHost::UnregisterUiHostHelper(), 0u);
    }

    DWORD StartSettingsService(RelayHost::SettingsAnswers answers)
    {
        settings_.reset();
        settings_ = RelayHost::SettingsService::Start(*bus_, answers);
        return settings_ ? ERROR_SUCCESS : ERROR_GEN_FAILURE;
    }

    RequestOutcome Send(const std::wstring& group, const Request& request, BusPassing busPassing,
                        bool passUnloadCallback)
    {
        ModuleHost host(
            *bus_, RelayHost::ModuleHostSettings{Component(L"ScreenRelay.dll"), group, busPassing, passUnloadCallback});
        EXPECT_EQ(host.subscribe(), 0u);
        return host.send(request.message, request.payload, kTimeoutMilliseconds);
    }

    // The framework's install folder, holding a copy of the bus library: a
    // module loading the very file the host's bus came from would share the
    // host's reference to it, taken without a trust decision.
    const ScreenRelayTest::TempFolder installFolder_;
    const DevHostTest::JournalFile journal_;
    const KeepAliveListener keepAlive_;
    std::unique_ptr<HostBus> bus_;
    std::unique_ptr<RelayHost::SettingsService> settings_;
    // The module's log group of the faulty request.
    std::wstring group_;

private:
    DevHost::RegistrationLock registrations_;
};

TEST_F(FaultTableTest, EachFaultGivesItsStatusAndRecordAndTheNextRequestIsServedOnceItIsGone)
{
    const ScreenRelayTest::TempFolder emptyFolder;
    const std::wstring installFolder = installFolder_.Path();
    const auto reinstall = [&installFolder]
    {
        return SetText(kFrameworkKey, kInstallDirValue, installFolder);
    };
    const Fault faults[] = {
        {"bus library missing", kPageRequest,
         [&emptyFolder] { return SetText(kFrameworkKey, kInstallDirValue, emptyFolder.Path()); }, reinstall,
         kInitializeFails, 0, L"Failed to find valid path for library: MessageBus.dll.", BusPassing::ModuleLoadsBus},
        {"bus library on the block list, from which it is exempt", kPageRequest, BlockBusLibrary, Nothing, kHandled, 1,
         nullptr, BusPassing::ModuleLoadsBus},
        {"bus library unsigned and unlisted", kPageRequest, [] { return Unlist(L"MessageBus.dll"); },
         [] { return Ostrel::ListTrustedFile(Component(L"MessageBus.dll")); }, kInitializeFails, 0,
         L"MessageBus.dll is not trusted.", BusPassing::ModuleLoadsBus},
        {"install folder missing", kPageRequest, [] { return DeleteValue(kFrameworkKey, kInstallDirValue); }, reinstall,
         kInitializeFails, 0, L"Failed to find valid path for library: MessageBus.dll.", BusPassing::ModuleLoadsBus},
        {"install folder of the wrong type", kPageRequest, [] { return SetNumber(kFrameworkKey, kInstallDirValue, 1); },
         [&installFolder] { return Retype(kFrameworkKey, kInstallDirValue, installFolder); }, kInitializeFails, 0,
         L"Failed to find valid path for library: MessageBus.dll.", BusPassing::ModuleLoadsBus},
        {"UI host helper not registered", kPageRequest, [] { return DevHost::UnregisterUiHostHelper(); },
         [] { return DevHost::RegisterUiHostHelper(Component(L"UiHostHelper.dll")); }, kHandled, 0,
         L"Failed to call OpenInternal with P-17, error: -2147221164"},
        {"UI host helper unlisted", kPageRequest, [] { return Unlist(L"UiHostHelper.dll"); },
         [] { return Ostrel::ListTrustedFile(Component(L"UiHostHelper.dll")); }, kHandled, 0,
         L"Failed to call OpenInternal with P-17, error: -2147024891"},
        {"UI host helper failing its call", kPageRequest,
         [] { return DevHost::WriteDevelopmentSwitch(L"UiHostHelper", L"OpenInternal", E_FAIL); },
         [] { return DeleteValue(kUiHostHelperSwitches, L"OpenInternal"); }, kHandled, 1,
         L"Failed to call OpenInternal with P-17, error: -2147467259"},
        {"log folder uncreatable", kPageRequest, [this] { return BlockLogFolder(group_); },
         [this] { return UnblockLogFolder(group_); }, kHandled, 1, nullptr},
        {"host's unload callback missing", kPageRequest, Nothing, Nothing, kHandled, 1,
         L"Failed to unload module. Error code: 2147483656.", BusPassing::HostPassesBus, false},
        {"web-safety link context missing", kWebSafetyRequest,
         [] { return DeleteValue(kWebSafetyKey, kWebSafetyValue); },
         [] { return SetText(kWebSafetyKey, kWebSafetyValue, kWebSafetyLink); }, kHandled, 0,
         L"Failed to read registry key SOFTWARE\\Norvane\\VRT\\Settings\\toc\\A12341F7-A130-4447-97AD-2675F46516FB "
         L"value LinkContext with error: 2"},
        {"web-safety link context of the wrong type", kWebSafetyRequest,
         [] { return SetNumber(kWebSafetyKey, kWebSafetyValue, 1); },
         [] { return Retype(kWebSafetyKey, kWebSafetyValue, kWebSafetyLink); }, kHandled, 0,
         L"Failed to read registry key SOFTWARE\\Norvane\\VRT\\Settings\\toc\\A12341F7-A130-4447-97AD-2675F46516FB "
         L"key LinkContext of type 4"},
        {"settings service silent", kSupportRequest,
         [this]
         {
             const DWORD logging = LogEveryLevel(group_);
             return logging != ERROR_SUCCESS ? logging
                                             : StartSettingsService(RelayHost::SettingsAnswers::LeftUnanswered);
         },
         [this] { return StartSettingsService(RelayHost::SettingsAnswers::Answered); }, kHandled, 1, L"Is Isp return 0",
         BusPassing::HostPassesBus, true, std::chrono::seconds(5)},
        {"link missing", kBrowserRequest, [] { return DeleteValue(kLinksKey, kLinkName); }, SetLinkText, kHandled, 0,
         L"Failed to expand any kesp arguments in url, error: -2147467259"},
        {"link of the wrong type", kBrowserRequest, [] { return SetNumber(kLinksKey, kLinkName, 1); },
         [] { return Retype(kLinksKey, kLinkName, kLinkText); }, kHandled, 0, L"Failed to execute url, error: 5"},
        {"substitute value missing", kBrowserRequest, [] { return DeleteValue(kSubstituteKey, kSubstituteName); },
         SetBrowserSubstitute, kHandled, 0, L"Failed to execute url, error: 5"},
        {"substitute value of the wrong type", kBrowserRequest,
         [] { return SetNumber(kSubstituteKey, kSubstituteName, 1); },
         [] { return Retype(kSubstituteKey, kSubstituteName, Component(L"RelayBrowser.exe")); }, kHandled, 0,
         L"Failed to execute url, error: 5"},
        {"override mapping missing its priority", kBrowserRequest,
         [] { return MoveLinkToOverride([] { return RemoveValue(kOverrideKey, kPriorityValue); }); }, MapOverride,
         kHandled, 0, L"Failed to expand any kesp arguments in url, error: -2147467259"},
        {"override mapping with a priority of the wrong type", kBrowserRequest,
         [] { return MoveLinkToOverride([] { return SetText(kOverrideKey, kPriorityValue, L"9"); }); }, MapOverride,
         kHandled, 0, L"Failed to expand any kesp arguments in url, error: -2147467259"},
        // Last: the launch point it stores joins the query parameters of every
        // link expanded afterwards.
        {"QvUtil.dll missing: the launch point is written directly", kContainerRequest, Nothing,
         []
         {
             const DWORD listed = Ostrel::ListTrustedFile(Component(L"QvUtil.dll"));
             return listed != ERROR_SUCCESS ? listed : SetText(kQvUtilKey, kQvUtilFolderValue, ComponentsFolder());
         },
         kHandled, 1, nullptr},
    };

    for (const Fault& fault : faults)
    {
        SCOPED_TRACE(fault.name);
        group_ = ScreenRelayTest::UniqueLogGroup();
        ASSERT_EQ(fault.inject(), 0u);

        const std::size_t callsBeforeFault = ServingCalls(journal_, fault.request, 0);
        const RequestOutcome failed = Send(group_, fault.request, fault.busPassing, fault.passUnloadCallback);
        EXPECT_EQ(CallStatus(failed, fault.hostSaw.call), std::optional<std::uint32_t>(fault.hostSaw.status));
        EXPECT_EQ(ServingCalls(journal_, fault.request, callsBeforeFault + fault.servingCalls),
                  callsBeforeFault + fault.servingCalls);
        if (fault.settingsWait.count() != 0)
        {
            EXPECT_GE(HandlingTime(failed), fault.settingsWait);
            EXPECT_LT(HandlingTime(failed), 2 * fault.settingsWait);
        }
        const std::wstring logged = ScreenRelayTest::ReadLoggedText(group_, L"ScreenRelay");
        // The fault's record, or no error at all.
        EXPECT_EQ(logged.find(fault.record ? fault.record : L"(Error)") != std::wstring::npos, fault.record != nullptr)
            << Narrow(logged);

        ASSERT_EQ(fault.repair(), 0u);
        ScreenRelayTest::RemoveLogGroup(group_);

        // Served: the helper called without the fault's record, and the module
        // unloaded at its own request.
        const std::wstring servedGroup = ScreenRelayTest::UniqueLogGroup();
        const std::size_t callsBefore = ServingCalls(journal_, fault.request, 0);
        const RequestOutcome served = Send(servedGroup, fault.request, fault.busPassing, true);
        EXPECT_EQ(served.handlerStatus, std::optional<Ostrel::ModuleStatus>(Ostrel::MODULE_STATUS_SUCCESS));
        EXPECT_EQ(ServingCalls(journal_, fault.request, callsBefore + 1), callsBefore + 1);
        EXPECT_LT(HandlingTime(served), std::chrono::seconds(5));
        const std::wstring servedLog = ScreenRelayTest::ReadLoggedText(servedGroup, L"ScreenRelay");
        if (fault.record != nullptr)
        {
            EXPECT_EQ(servedLog.find(fault.record), std::wstring::npos) << Narrow(servedLog);
        }
        EXPECT_EQ(served.unloadRequestedBy, std::optional<std::wstring>(servedGroup));
        EXPECT_TRUE(served.freed);
        ScreenRelayTest::RemoveLogGroup(servedGroup);
    }
}

} // namespace
