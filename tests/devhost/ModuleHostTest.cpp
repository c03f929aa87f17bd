#include "DevelopmentSwitches.h"
#include "HostBus.h"
#include "JournalFile.h"
#include "ModuleHost.h"
#include "SettingsService.h"
#include "platform/UniqueHandles.h"
#include "support/RegistryIsolation.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <vector>

namespace
{

using RelayHost::BusPassing;
using RelayHost::HostBus;
using RelayHost::ModuleHost;
using RelayHost::RequestOutcome;

constexpr std::uint32_t kTimeoutMilliseconds = 30000;

std::wstring FakeModulePath()
{
    return ScreenRelayTest::ProgramFolder() + L"FakeModule.dll";
}

bool FakeModuleLoaded()
{
    return GetModuleHandleW(FakeModulePath().c_str()) != nullptr;
}

std::vector<std::wstring> CallNames(const RequestOutcome& outcome)
{
    std::vector<std::wstring> names;
    for (const auto& call : outcome.calls)
    {
        names.push_back(call.name);
    }
    return names;
}

// The fake module's journal as "<call>" or "<call>:<argument>".
std::vector<std::wstring> ModuleJournal(const DevHostTest::JournalFile& journal)
{
    std::vector<std::wstring> calls;
    for (const auto& entry : journal.Entries())
    {
        const auto* argument = entry.arguments.empty() ? nullptr : std::get_if<std::wstring>(&entry.arguments[0].value);
        calls.push_back(entry.call + (argument != nullptr && !argument->empty() ? L":" + *argument : L""));
    }
    return calls;
}

// The development host over the development bus, driving FakeModule.dll.
class ModuleHostTest : public ::testing::Test
{
protected:
    void Open(BusPassing busPassing, const std::wstring& moduleName = L"Fake")
    {
        std::wstring error;
        bus_ = HostBus::Open(ScreenRelayTest::ProgramFolder() + L"MessageBus.dll", error);
        ASSERT_NE(bus_, nullptr) << std::string(error.begin(), error.end());
        host_ = std::make_unique<ModuleHost>(*bus_,
                                             RelayHost::ModuleHostSettings{FakeModulePath(), moduleName, busPassing});
        ASSERT_EQ(host_->subscribe(), 0u);
    }
    void TearDown() override
    {
        host_.reset();
        bus_.reset();
    }

    DevHostTest::JournalFile journal_;
    std::unique_ptr<HostBus> bus_;
    std::unique_ptr<ModuleHost> host_;
};

TEST_F(ModuleHostTest, ARequestLoadsTheModuleAndItsUnloadRequestIsHonouredAfterTheHandlerReturned)
{
    const struct
    {
        BusPassing busPassing;
        const wchar_t* initialize;
    } cases[] = {{BusPassing::ModuleLoadsBus, L"InitializeModule"}, {BusPassing::HostPassesBus, L"InitializeModuleV2"}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << std::string(c.initialize, c.initialize + wcslen(c.initialize)));
        DevHostTest::JournalFile journal;
        Open(c.busPassing);

        const RequestOutcome outcome = host_->send(L"ZTS.UI.ShowScreen", L"unload", kTimeoutMilliseconds);

        EXPECT_EQ(outcome.publishStatus, 0u);
        EXPECT_TRUE(outcome.loadedOnDemand);
        EXPECT_FALSE(outcome.deliveredByBus);
        EXPECT_EQ(outcome.handlerStatus, std::optional<Ostrel::ModuleStatus>(0u));
        EXPECT_EQ(outcome.unloadRequestedBy, std::optional<std::wstring>(L"Fake"));
        EXPECT_TRUE(outcome.freed);
        EXPECT_EQ(
            CallNames(outcome),
            (std::vector<std::wstring>{L"LoadLibraryExW", L"NewModule", c.initialize, L"StartModule", L"DirectMessage",
                                       L"StopModule", L"UninitializeModule", L"DestroyModule", L"FreeLibrary"}));
        EXPECT_EQ(ModuleJournal(journal),
                  (std::vector<std::wstring>{L"NewModule:Fake", std::wstring(c.initialize) + L":Fake", L"StartModule",
                                             L"DirectMessage:unload", L"HandlerReturning", L"StopModule",
                                             L"UninitializeModule", L"DestroyModule"}));
        EXPECT_FALSE(FakeModuleLoaded());
        EXPECT_FALSE(host_->moduleLoaded());
        TearDown();
    }
}

TEST_F(ModuleHostTest, AModuleLoadedEarlierGetsTheRequestFromTheBusAndIsUnloadedOnceItsHandlerReturned)
{
    Open(BusPassing::HostPassesBus);
    const RequestOutcome kept = host_->send(L"ZTS.UI.Fake", L"stay", kTimeoutMilliseconds);
    EXPECT_TRUE(kept.loadedOnDemand);
    EXPECT_FALSE(kept.freed);
    EXPECT_TRUE(host_->moduleLoaded());

    const Ostrel::UniqueHandle go(CreateEventW(nullptr, TRUE, FALSE, L"FakeModuleGo"));
    ASSERT_TRUE(go);
    auto sent = std::async(std::launch::async,
                           [this] { return host_->send(L"ZTS.UI.Fake", L"wait-unload", kTimeoutMilliseconds); });
    EXPECT_EQ(sent.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
    SetEvent(go.get());
    const RequestOutcome unloaded = sent.get();

    EXPECT_FALSE(unloaded.loadedOnDemand);
    EXPECT_TRUE(unloaded.deliveredByBus);
    EXPECT_FALSE(unloaded.handlerStatus.has_value());
    EXPECT_TRUE(unloaded.freed);
    EXPECT_EQ(CallNames(unloaded),
              (std::vector<std::wstring>{L"StopModule", L"UninitializeModule", L"DestroyModule", L"FreeLibrary"}));
    const std::vector<std::wstring> calls = ModuleJournal(journal_);
    const std::vector<std::wstring> tail(calls.end() - std::min<std::ptrdiff_t>(5, calls.size()), calls.end());
    EXPECT_EQ(tail, (std::vector<std::wstring>{L"Delivered:wait-unload", L"HandlerReturning", L"StopModule",
                                               L"UninitializeModule", L"DestroyModule"}));
    EXPECT_FALSE(FakeModuleLoaded());
}

TEST_F(ModuleHostTest, AFailingHandlerIsReportedAndItsModuleStaysLoadedUntilTheHostEnds)
{
    Open(BusPassing::HostPassesBus);
    const RequestOutcome outcome = host_->send(L"ZTS.UI.OpenApp", L"fail", kTimeoutMilliseconds);
    EXPECT_EQ(outcome.handlerStatus, std::optional<Ostrel::ModuleStatus>(Ostrel::MODULE_STATUS_UNSUCCESSFUL));
    EXPECT_FALSE(outcome.unloadRequestedBy.has_value());
    EXPECT_TRUE(FakeModuleLoaded());

    host_.reset();
    EXPECT_FALSE(FakeModuleLoaded());
    const std::vector<std::wstring> calls = ModuleJournal(journal_);
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(std::vector<std::wstring>(calls.end() - 3, calls.end()),
              (std::vector<std::wstring>{L"StopModule", L"UninitializeModule", L"DestroyModule"}));
}

TEST_F(ModuleHostTest, AModuleThatFailsToInitializeIsDestroyedAndFreed)
{
    Open(BusPassing::HostPassesBus, L"FailInit");
    const RequestOutcome outcome = host_->send(L"ZTS.UI.ShowScreen", L"unload", kTimeoutMilliseconds);
    EXPECT_FALSE(outcome.loadedOnDemand);
    EXPECT_FALSE(outcome.handlerStatus.has_value());
    EXPECT_EQ(CallNames(outcome), (std::vector<std::wstring>{L"LoadLibraryExW", L"NewModule", L"InitializeModuleV2",
                                                             L"DestroyModule", L"FreeLibrary"}));
    EXPECT_FALSE(FakeModuleLoaded());
    EXPECT_FALSE(host_->moduleLoaded());
}

TEST_F(ModuleHostTest, TheSettingsServiceOnTheHostsBusAnswersAModuleAskingFromItsHandler)
{
    const ScreenRelayTest::RegistryIsolation registry;
    ASSERT_TRUE(registry.Active());
    ASSERT_EQ(DevHost::WriteDevelopmentSwitch(RelayHost::SettingsService::kComponent,
                                              RelayHost::SettingsService::kPartnerSwitch, 1),
              0u);
    Open(BusPassing::HostPassesBus);
    const auto settings = RelayHost::SettingsService::Start(*bus_, RelayHost::SettingsAnswers::Answered);
    ASSERT_NE(settings, nullptr);

    const RequestOutcome outcome = host_->send(L"ZTS.UI.Fake", L"ask-settings", kTimeoutMilliseconds);

    EXPECT_TRUE(outcome.loadedOnDemand);
    EXPECT_EQ(outcome.handlerStatus, std::optional<Ostrel::ModuleStatus>(0u));
    const std::vector<std::wstring> calls = ModuleJournal(journal_);
    EXPECT_NE(std::find(calls.begin(), calls.end(), LR"(SettingsAnswer:{"name":"renew_button_show","value":"0"})"),
              calls.end());
}

TEST_F(ModuleHostTest, OnlyUserInterfaceRequestsReachTheModuleAndAHostThatIsGoneReceivesNone)
{
    Open(BusPassing::HostPassesBus);
    for (const wchar_t* name : {L"ZTS.UIShowScreen", L"zts.ui.ShowScreen", L"VEZir.PDSettings.Request"})
    {
        const RequestOutcome outcome = host_->send(name, L"unload", kTimeoutMilliseconds);
        EXPECT_EQ(outcome.publishStatus, Ostrel::MODULE_STATUS_NO_SUBSCRIBERS) << name;
        EXPECT_TRUE(outcome.calls.empty()) << name;
    }
    // The bus outlives the host that subscribed on it.
    host_.reset();
    ModuleHost unsubscribed(*bus_, RelayHost::ModuleHostSettings{FakeModulePath(), L"Fake"});
    const RequestOutcome outcome = unsubscribed.send(L"ZTS.UI.ShowScreen", L"unload", kTimeoutMilliseconds);
    EXPECT_EQ(outcome.publishStatus, Ostrel::MODULE_STATUS_NO_SUBSCRIBERS);
    EXPECT_TRUE(outcome.calls.empty());
    EXPECT_TRUE(ModuleJournal(journal_).empty());
}

// The host loads and frees ScreenRelay.dll once per request: each request must
// give back the thread-local storage the library's runtime took, or the
// process runs out of its 1,088 indices after about a thousand requests.
TEST(ScreenRelayModuleHostTest, EachRequestGivesBackTheThreadLocalStorageOfTheLibrary)
{
    const auto freeIndices = []
    {
        std::vector<DWORD> taken;
        for (DWORD index = TlsAlloc(); index != TLS_OUT_OF_INDEXES; index = TlsAlloc())
        {
            taken.push_back(index);
        }
        for (const DWORD index : taken)
        {
            TlsFree(index);
        }
        return taken.size();
    };
    std::wstring error;
    const auto bus = HostBus::Open(ScreenRelayTest::ProgramFolder() + L"MessageBus.dll", error);
    ASSERT_NE(bus, nullptr);
    ModuleHost host(*bus, RelayHost::ModuleHostSettings{ScreenRelayTest::ProgramFolder() + L"ScreenRelay.dll",
                                                        L"TlsRounds", BusPassing::HostPassesBus});
    ASSERT_EQ(host.subscribe(), 0u);
    const auto request = [&]
    {
        return host.send(L"ZTS.UI.OpenApp", LR"({"app_info":"x"})", kTimeoutMilliseconds).freed;
    };
    ASSERT_TRUE(request());
    const std::size_t before = freeIndices();

    for (int round = 0; round < 5; ++round)
    {
        ASSERT_TRUE(request());
    }

    EXPECT_EQ(freeIndices(), before);
}

} // namespace
