#include "ComServerRegistration.h"
#include "DevelopmentSwitches.h"
#include "JournalFile.h"
#include "RegistrationLock.h"
#include "platform/TrustVerification.h"
#include "screenrelay/LoggedLines.h"
#include "screenrelay/ModuleUnderTest.h"
#include "support/LogCapture.h"
#include "support/RegistryIsolation.h"
#include "support/TestFiles.h"
#include "uihost/VRTCommonAPI.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

// The screen handlers over the real UI host services and the development UI
// host helper, registered in the prefix: what the helper was asked to do is
// read back from its journal.

namespace Ostrel
{
namespace
{

using namespace ::testing;
using DevHost::JournalArgument;
using ScreenRelayTest::LogCapture;
using ScreenRelayTest::LoggedLines;
using ScreenRelayTest::ModuleUnderTest;

class HandlersWithUiHostHelperTest : public ScreenRelayTest::RegistryIsolatedTest
{
protected:
    void SetUp() override
    {
        RegistryIsolatedTest::SetUp();
        ASSERT_TRUE(lock_.Held());
        ASSERT_EQ(DevHost::RegisterUiHostHelper(HelperPath()), 0u);
    }

    void TearDown() override { EXPECT_EQ(DevHost::UnregisterUiHostHelper(), 0u); }

    static std::wstring HelperPath() { return ScreenRelayTest::ProgramFolder() + L"UiHostHelper.dll"; }

    // The calls the helper journaled, as "<method> <first argument>".
    std::vector<std::wstring> HelperCalls() const
    {
        std::vector<std::wstring> calls;
        for (const DevHost::JournalEntry& entry : journal_.Entries())
        {
            std::wstring call = entry.component + L" " + entry.call;
            for (const JournalArgument& argument : entry.arguments)
            {
                const auto* text = std::get_if<std::wstring>(&argument.value);
                call += L" " + argument.type + L":" + (text != nullptr ? *text : L"?");
            }
            calls.push_back(call);
        }
        return calls;
    }

    DevHostTest::JournalFile journal_;

private:
    DevHost::RegistrationLock lock_;
};

TEST_F(HandlersWithUiHostHelperTest, EachHandlerMakesOneCallOfTheTrustedHelper)
{
    ASSERT_EQ(ListTrustedFile(HelperPath()), 0u);
    ModuleUnderTest test(ScreenRelayTest::kTwoScreens, std::make_shared<VRTCommonAPI>());
    ASSERT_EQ(test.Module().initialize(), MODULE_STATUS_SUCCESS);

    EXPECT_TRUE(test.Module().showScreenMessageHandler(LR"({"name":"scan.quick"})"));
    EXPECT_TRUE(test.Module().showWithPageIDMessageHandler(LR"({"page_id":"P-17"})"));
    EXPECT_TRUE(test.Module().showWithResourceMessageHandler(LR"({"resource_name":"Scan","parameters":"a=1"})"));
    EXPECT_TRUE(test.Module().openAppMessageHandler(LR"({"app_info":"qvknownapp:uihost::scan"})"));

    EXPECT_EQ(HelperCalls(), (std::vector<std::wstring>{
                                 L"UiHostHelper OpenInternal VT_BSTR:scan_quick_page",
                                 L"UiHostHelper OpenInternal VT_BSTR:P-17",
                                 L"UiHostHelper OpenApp VT_BSTR:qvknownapp:uihost::kesp://vrtjsres.dll::Scan?a=1",
                                 L"UiHostHelper OpenApp VT_BSTR:qvknownapp:uihost::scan",
                             }));
    EXPECT_EQ(test.Unloads().Count(), 4);
}

TEST_F(HandlersWithUiHostHelperTest, AFailingHelperCallIsLoggedWithItsStatus)
{
    ASSERT_EQ(ListTrustedFile(HelperPath()), 0u);
    ASSERT_EQ(DevHost::WriteDevelopmentSwitch(L"UiHostHelper", L"OpenInternal", 0x80004005), 0u);
    LogCapture log;
    ModuleUnderTest test(ScreenRelayTest::kTwoScreens, std::make_shared<VRTCommonAPI>());
    ASSERT_EQ(test.Module().initialize(), MODULE_STATUS_SUCCESS);

    EXPECT_FALSE(test.Module().showScreenMessageHandler(LR"({"name":"dashboard.home"})"));
    EXPECT_EQ(HelperCalls(), std::vector<std::wstring>{L"UiHostHelper OpenInternal VT_BSTR:home"});
    EXPECT_THAT(LoggedLines(log.Text()), Contains(L"Error: Failed to call OpenInternal with error: -2147467259"));
    EXPECT_EQ(test.Unloads().Count(), 1);
}

TEST_F(HandlersWithUiHostHelperTest, AnUntrustedHelperIsNotCalled)
{
    LogCapture log;
    ModuleUnderTest test(ScreenRelayTest::kTwoScreens, std::make_shared<VRTCommonAPI>());
    ASSERT_EQ(test.Module().initialize(), MODULE_STATUS_SUCCESS);

    EXPECT_FALSE(test.Module().showWithPageIDMessageHandler(LR"({"page_id":"P-17"})"));
    EXPECT_TRUE(HelperCalls().empty());
    EXPECT_THAT(LoggedLines(log.Text()), Contains(L"Error: Failed to call OpenInternal with P-17, error: -2147024891"));
}

} // namespace
} // namespace Ostrel
