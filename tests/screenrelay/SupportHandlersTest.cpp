#include "screenrelay/LoggedLines.h"
#include "screenrelay/ModuleUnderTest.h"
#include "screenrelay/SettingsReplies.h"
#include "support/LogCapture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

// The in-app support handler and the partner question it asks the settings
// service, over a mocked bus, UI host and connectivity check.

namespace Ostrel
{
namespace
{

using namespace ::testing;
using ScreenRelayTest::LogCapture;
using ScreenRelayTest::LoggedLines;
using ScreenRelayTest::LoggedLinesAfter;
using ScreenRelayTest::ModuleUnderTest;
using ScreenRelayTest::SettingsReply;

constexpr wchar_t kCampaign[] = L"utm_source=inproduct&utm_medium=inproduct&utm_campaign=inproduct";

// The settings service answers every request with this reply.
void AnswerSettings(ModuleUnderTest& test, std::shared_ptr<Reply> answer)
{
    ON_CALL(test.Bus(), request(_, An<std::shared_ptr<Reply>&>(), _))
        .WillByDefault(DoAll(SetArgReferee<1>(std::move(answer)), Return(MODULE_STATUS_SUCCESS)));
}

TEST(SupportHandlersTest, OnlineTheSupportPageOpensInTheContainerWithItsParameters)
{
    struct Case
    {
        const char* label;
        std::wstring payload;
        std::wstring parameters;
    };
    const std::wstring campaign = kCampaign;
    const Case cases[] = {
        {"fault id and parameters", LR"({"fault_id":"42","parameters":"x=1"})", campaign + L"&faultid=42&x=1"},
        {"parameters starting with &: no second one", LR"({"fault_id":"42","parameters":"&x=1"})",
         campaign + L"&faultid=42&x=1"},
        {"neither", L"{}", campaign},
        {"empty fault id", LR"({"fault_id":"","parameters":"x=1"})", campaign + L"&x=1"},
        {"unparsable payload", L"not json", campaign},
        {"a quote in the fault id stays text", LR"({"fault_id":"4\"2"})", campaign + L"&faultid=4\"2"},
        {"a backslash stays text", LR"({"fault_id":"a\\b","parameters":"c=\\"})", campaign + L"&faultid=a\\b&c=\\"},
        {"members cannot be injected",
         LR"({"parameters":"x=1\",\"link\":\"https://elsewhere.test/\",\"launch_point\":5,\"a\":\""})",
         campaign + LR"(&x=1","link":"https://elsewhere.test/","launch_point":5,"a":")"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.label);
        ModuleUnderTest test;
        ON_CALL(test.Connectivity(), isConnected()).WillByDefault(Return(1));
        AnswerSettings(test, SettingsReply::Answering(LR"({"value":"1"})"));
        EXPECT_CALL(test.UiHost(), setLaunchPoint(_)).Times(0);
        EXPECT_CALL(test.UiHost(), openInternal(_)).Times(0);
        EXPECT_CALL(test.UiHost(), openUrlInContainer(StrEq(L"substlink:inappsupport"), StrEq(c.parameters)))
            .WillOnce(Return(S_OK));
        EXPECT_TRUE(test.Module().showInAppSupportMessageHandler(c.payload));
        // The delegate makes its own unload request.
        EXPECT_EQ(test.Unloads().Count(), 2);
    }
}

TEST(SupportHandlersTest, OfflineUndeterminedOrPartnerOpensTheSupportScreen)
{
    struct Case
    {
        const char* label;
        int connected;
        std::shared_ptr<Reply> settings; // null: the settings service must not be asked
    };
    const Case cases[] = {
        {"offline", 0, nullptr},
        {"undetermined", -1, nullptr},
        {"partner installation", 1, SettingsReply::Answering(LR"({"name":"renew_button_show","value":"0"})")},
    };
    LogCapture log(ETWLogging::LOG_LEVEL_NORMAL);
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.label);
        const std::size_t seen = LoggedLines(log.Text()).size();
        ModuleUnderTest test;
        ON_CALL(test.Connectivity(), isConnected()).WillByDefault(Return(c.connected));
        if (c.settings)
        {
            AnswerSettings(test, c.settings);
        }
        else
        {
            EXPECT_CALL(test.Bus(), request(_, An<std::shared_ptr<Reply>&>(), _)).Times(0);
        }
        EXPECT_CALL(test.UiHost(), openUrlInContainer(_, _)).Times(0);
        EXPECT_CALL(test.UiHost(), openInternal(StrEq(L"help_support"))).WillOnce(Return(S_OK));
        EXPECT_TRUE(test.Module().showInAppSupportMessageHandler(LR"({"fault_id":"42"})"));
        EXPECT_EQ(test.Unloads().Count(), 2);
        EXPECT_THAT(LoggedLinesAfter(log.Text(), seen),
                    IsSupersetOf({L"Normal: passed in fault_id:42,parameters:",
                                  L"Normal: It is offline, open second lever screen: support page."}));
    }
}

TEST(SupportHandlersTest, ASettingsRequestThatFailsCountsAsNoPartnerAndTheRequestGoesOn)
{
    LogCapture log(ETWLogging::LOG_LEVEL_WARNING);
    ModuleUnderTest test;
    ON_CALL(test.Connectivity(), isConnected()).WillByDefault(Return(1));
    AnswerSettings(test, SettingsReply::Failing());
    EXPECT_CALL(test.UiHost(), openUrlInContainer(StrEq(L"substlink:inappsupport"), StrEq(kCampaign)))
        .WillOnce(Return(S_OK));
    EXPECT_TRUE(test.Module().showInAppSupportMessageHandler(L"{}"));
    EXPECT_THAT(LoggedLines(log.Text()), Contains(StartsWith(L"Warning: VEZir.PDSettings.Request renew_button_show "
                                                             L"failed: ")));
}

TEST(SupportHandlersTest, TheSupportResultIsThatOfTheDelegate)
{
    ModuleUnderTest test;
    EXPECT_CALL(test.UiHost(), openInternal(StrEq(L"help_support"))).WillOnce(Return(E_FAIL));
    EXPECT_FALSE(test.Module().showInAppSupportMessageHandler(L"{}"));
}

TEST(SupportHandlersTest, APartnerInstallationIsOneWhoseSettingsReplyHoldsTheExactValueText)
{
    struct Case
    {
        const char* label;
        std::shared_ptr<Reply> settings;
        ModuleStatus requestStatus;
        bool partner;
    };
    const Case cases[] = {
        {"the exact text", SettingsReply::Answering(LR"({"value":"0"})"), MODULE_STATUS_SUCCESS, true},
        {"the exact text anywhere", SettingsReply::Answering(LR"(x{"a":1,"value":"0"}y)"), MODULE_STATUS_SUCCESS, true},
        {"a blank after the colon", SettingsReply::Answering(LR"({"value": "0"})"), MODULE_STATUS_SUCCESS, false},
        {"another value", SettingsReply::Answering(LR"({"value":"1"})"), MODULE_STATUS_SUCCESS, false},
        {"the value as a number", SettingsReply::Answering(LR"({"value":0})"), MODULE_STATUS_SUCCESS, false},
        {"another case", SettingsReply::Answering(LR"({"Value":"0"})"), MODULE_STATUS_SUCCESS, false},
        {"the request fails", SettingsReply::Failing(), MODULE_STATUS_SUCCESS, false},
        {"the request is refused", nullptr, MODULE_STATUS_UNSUCCESSFUL, false},
        {"accepted without a reply", nullptr, MODULE_STATUS_SUCCESS, false},
    };
    LogCapture log(ETWLogging::LOG_LEVEL_NORMAL);
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.label);
        const std::size_t seen = LoggedLines(log.Text()).size();
        ModuleUnderTest test;
        std::shared_ptr<Message> sent;
        std::uint64_t timeout = 0;
        EXPECT_CALL(test.Bus(), request(_, An<std::shared_ptr<Reply>&>(), _))
            .WillOnce(
                [&](const std::shared_ptr<Message>& message, std::shared_ptr<Reply>& reply,
                    const std::uint64_t& milliseconds)
                {
                    sent = message;
                    timeout = milliseconds;
                    reply = c.settings;
                    return c.requestStatus;
                });
        EXPECT_EQ(test.Module().isISP(), c.partner);
        ASSERT_TRUE(sent);
        EXPECT_EQ(sent->getName(), L"VEZir.PDSettings.Request");
        EXPECT_EQ(sent->getPayload(), L"renew_button_show");
        EXPECT_EQ(sent->getSender(), L"ScreenRelay");
        EXPECT_EQ(timeout, 5000u);
        EXPECT_THAT(LoggedLinesAfter(log.Text(), seen),
                    Contains(std::wstring(L"Normal: Is Isp return ") + (c.partner ? L"1" : L"0")));
    }
}

TEST(SupportHandlersTest, TheSettingsReplyIsLogged)
{
    LogCapture log(ETWLogging::LOG_LEVEL_NORMAL);
    ModuleUnderTest test;
    AnswerSettings(test, SettingsReply::Answering(LR"({"value":"0"})"));
    EXPECT_TRUE(test.Module().isISP());
    EXPECT_THAT(LoggedLines(log.Text()),
                Contains(LR"(Normal: VEZir.PDSettings.Request renew_button_show return {"value":"0"})"));
}

} // namespace
} // namespace Ostrel
