#include "messagebus/MessageBusClient.h"
#include "module/ModuleManagerShim.h"
#include "platform/TrustVerification.h"
#include "screenrelay/LoggedLines.h"
#include "screenrelay/ModuleUnderTest.h"
#include "screenrelay/ScreenRelayImpl.h"
#include "support/LogCapture.h"
#include "support/RegistryIsolation.h"
#include "support/TestFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>

// The partner question over the development bus library: a settings service
// on another bus client answers it, or stays silent until the bus gives up.

namespace Ostrel
{
namespace
{

using namespace ::testing;
using namespace std::chrono_literals;
using ScreenRelayTest::LogCapture;
using ScreenRelayTest::LoggedLines;

constexpr wchar_t kSettingsRequest[] = L"VEZir.PDSettings.Request";

class PartnerQuestionOverBusTest : public ScreenRelayTest::RegistryIsolatedTest
{
protected:
    void SetUp() override
    {
        RegistryIsolatedTest::SetUp();
        ASSERT_EQ(ListTrustedFile(ScreenRelayTest::ProgramFolder() + L"MessageBus.dll"), 0u);
        ASSERT_NO_THROW(moduleBus_ = std::make_shared<MessageBusClient>());
        ASSERT_NO_THROW(settings_ = std::make_unique<MessageBusClient>());
        module_ =
            std::make_unique<ScreenRelayImpl>(ScreenRelayTest::kTwoScreens, nullptr, nullptr, nullptr, nullptr, 300ms);
        ASSERT_EQ(module_->baseInitialize(L"ScreenRelay", L"info", {},
                                          std::make_shared<internal::ModuleManagerShim>(
                                              &unloads_, &ScreenRelayTest::UnloadRequests::Callback),
                                          moduleBus_),
                  MODULE_STATUS_SUCCESS);
    }

    void TearDown() override
    {
        module_.reset();
        settings_.reset();
        moduleBus_.reset();
    }

    // The settings service answers every question with this payload.
    void AnswerWith(const std::wstring& payload)
    {
        ASSERT_EQ(settings_->subscribe(kSettingsRequest,
                                       [this, payload](const std::shared_ptr<Message>& question)
                                       {
                                           auto answer = createMessage(L"VEZir.PDSettings.Reply", L"Settings", payload);
                                           CopyMessageProperties(*answer->getProperties(), question->getProperties());
                                           answer->getProperties()->flags |= MESSAGE_FLAG_REPLY;
                                           return settings_->publish(answer);
                                       }),
                  MODULE_STATUS_SUCCESS);
    }

    // Created before the first record of the test.
    LogCapture log_{ETWLogging::LOG_LEVEL_WARNING};
    ScreenRelayTest::UnloadRequests unloads_;
    std::shared_ptr<MessageBusClient> moduleBus_;
    std::unique_ptr<MessageBusClient> settings_;
    std::unique_ptr<ScreenRelayImpl> module_;
};

TEST_F(PartnerQuestionOverBusTest, ThePartnerAnswerIsTheExactValueTextOfTheReply)
{
    AnswerWith(LR"({"name":"renew_button_show","value":"0"})");
    EXPECT_TRUE(module_->isISP());
}

TEST_F(PartnerQuestionOverBusTest, AnotherValueIsNoPartner)
{
    AnswerWith(LR"({"name":"renew_button_show","value":"1"})");
    EXPECT_FALSE(module_->isISP());
}

TEST_F(PartnerQuestionOverBusTest, ASilentSettingsServiceIsNoPartnerOnceTheBusGivesUp)
{
    ASSERT_EQ(settings_->subscribe(kSettingsRequest, [](const auto&) { return MODULE_STATUS_SUCCESS; }),
              MODULE_STATUS_SUCCESS);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(module_->isISP());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    // The bus's time-out reached the waiting reply as an exception.
    EXPECT_THAT(LoggedLines(log_.Text()), Contains(L"Warning: VEZir.PDSettings.Request renew_button_show failed: 105"));
}

} // namespace
} // namespace Ostrel
