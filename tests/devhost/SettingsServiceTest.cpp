#include "DevelopmentSwitches.h"
#include "HostBus.h"
#include "JournalFile.h"
#include "SettingsService.h"
#include "messagebus/MessageBusClient.h"
#include "messagebus/MessageBusShimImpl.h"
#include "support/RegistryIsolation.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <rapidjson/document.h>

#include <future>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <variant>

// The settings service on the host's bus, asked the way the module asks it:
// through the module's bus client over the handle and function table the host
// passes to a module it initializes with its bus.

namespace
{

using RelayHost::HostBus;
using RelayHost::SettingsAnswers;
using RelayHost::SettingsService;

constexpr std::uint64_t kRequestTimeoutMilliseconds = 5000;
constexpr std::uint64_t kShortTimeoutMilliseconds = 300;

class SettingsServiceTest : public ScreenRelayTest::RegistryIsolatedTest
{
protected:
    void Start(SettingsAnswers answers)
    {
        std::wstring error;
        bus_ = HostBus::Open(ScreenRelayTest::ProgramFolder() + L"MessageBus.dll", error);
        ASSERT_NE(bus_, nullptr) << std::string(error.begin(), error.end());
        service_ = SettingsService::Start(*bus_, answers);
        ASSERT_NE(service_, nullptr);
        module_ = std::make_unique<Ostrel::MessageBusClient>(
            std::make_shared<Ostrel::MessageBusShimImpl>(bus_->handle(), bus_->functions()), nullptr);
    }

    void TearDown() override
    {
        module_.reset();
        service_.reset();
        bus_.reset();
    }

    // Requests the setting as the module does and waits for the answer; the
    // request's status, and the answer when one came.
    Ostrel::ModuleStatus Ask(const std::wstring& setting, std::shared_ptr<Ostrel::Message>& answer)
    {
        std::shared_ptr<Ostrel::Reply> reply;
        const Ostrel::ModuleStatus requested =
            module_->request(Ostrel::createMessage(L"VEZir.PDSettings.Request", L"ScreenRelayModule", setting), reply,
                             kRequestTimeoutMilliseconds);
        if (requested == Ostrel::MODULE_STATUS_SUCCESS && reply->wait() == Ostrel::ReplyReceived)
        {
            reply->getMessage(answer);
        }
        return requested;
    }

    DevHostTest::JournalFile journal_;
    std::unique_ptr<HostBus> bus_;
    std::unique_ptr<SettingsService> service_;
    std::unique_ptr<Ostrel::MessageBusClient> module_;
};

std::wstring TextArgument(const DevHost::JournalEntry& entry, std::size_t index)
{
    const auto* text = std::get_if<std::wstring>(&entry.arguments.at(index).value);
    return text != nullptr ? *text : L"(not text)";
}

TEST_F(SettingsServiceTest, TheRenewButtonSettingTellsAPartnerInstallationByValueZero)
{
    struct Case
    {
        const char* label;
        std::optional<DWORD> partnerSwitch;
        const wchar_t* answer;
    };
    const Case cases[] = {
        {"no choice stored", std::nullopt, LR"({"name":"renew_button_show","value":"1"})"},
        {"not a partner", 0, LR"({"name":"renew_button_show","value":"1"})"},
        {"partner", 1, LR"({"name":"renew_button_show","value":"0"})"},
    };
    Start(SettingsAnswers::Answered);
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.label);
        if (c.partnerSwitch)
        {
            ASSERT_EQ(DevHost::WriteDevelopmentSwitch(SettingsService::kComponent, SettingsService::kPartnerSwitch,
                                                      *c.partnerSwitch),
                      0u);
        }
        std::shared_ptr<Ostrel::Message> answer;
        ASSERT_EQ(Ask(L"renew_button_show", answer), 0u);
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->getPayload(), c.answer);
        EXPECT_EQ(answer->getSender(), L"SettingsService");
    }

    const auto asked = journal_.WaitFor(L"SettingsService", L"VEZir.PDSettings.Request", std::size(cases));
    ASSERT_EQ(asked.size(), std::size(cases));
    for (std::size_t i = 0; i < asked.size(); ++i)
    {
        EXPECT_EQ(TextArgument(asked[i], 0), L"renew_button_show");
        EXPECT_EQ(TextArgument(asked[i], 1), cases[i].answer);
    }
}

TEST_F(SettingsServiceTest, AnUnknownSettingIsAnsweredWithAnErrorAndItsNameCarriedAsText)
{
    Start(SettingsAnswers::Answered);
    const std::wstring setting = L"x\",\"value\":\"0";
    std::shared_ptr<Ostrel::Message> answer;
    ASSERT_EQ(Ask(setting, answer), 0u);
    ASSERT_TRUE(answer);

    rapidjson::GenericDocument<rapidjson::UTF16<wchar_t>> document;
    document.Parse(answer->getPayload().c_str());
    ASSERT_FALSE(document.HasParseError());
    ASSERT_TRUE(document.IsObject());
    EXPECT_EQ(document.MemberCount(), 2u);
    EXPECT_EQ(std::wstring(document[L"name"].GetString()), setting);
    EXPECT_EQ(std::wstring(document[L"error"].GetString()), L"unknown setting");
    EXPECT_FALSE(document.HasMember(L"value"));
}

TEST_F(SettingsServiceTest, LeftUnansweredTheRequestEndsInTheBusTimeOut)
{
    Start(SettingsAnswers::LeftUnanswered);
    std::shared_ptr<Ostrel::Reply> reply;
    ASSERT_EQ(
        module_->request(Ostrel::createMessage(L"VEZir.PDSettings.Request", L"ScreenRelayModule", L"renew_button_show"),
                         reply, kShortTimeoutMilliseconds),
        0u);
    try
    {
        reply->wait();
        FAIL() << "wait returned instead of throwing";
    }
    catch (const std::future_error& error)
    {
        EXPECT_EQ(error.code().value(), static_cast<int>(std::errc::operation_canceled));
    }

    const auto asked = journal_.WaitFor(L"SettingsService", L"VEZir.PDSettings.Request");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(TextArgument(asked[0], 0), L"renew_button_show");
    EXPECT_TRUE(std::holds_alternative<std::monostate>(asked[0].arguments.at(1).value));
}

TEST_F(SettingsServiceTest, AStoppedServiceNoLongerReceivesRequests)
{
    Start(SettingsAnswers::Answered);
    service_.reset();
    std::shared_ptr<Ostrel::Message> answer;
    EXPECT_EQ(Ask(L"renew_button_show", answer), Ostrel::MODULE_STATUS_NO_SUBSCRIBERS);
}

} // namespace
