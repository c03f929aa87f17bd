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
#include "uihost/QvRegAPI.h"
#include "uihost/VRTCommonAPI.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

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
                call += L" " + argument.type + L":";
                if (const auto* text = std::get_if<std::wstring>(&argument.value))
                {
                    call += *text;
                }
                else if (const auto* number = std::get_if<std::uint32_t>(&argument.value))
                {
                    call += std::to_wstring(*number);
                }
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

// What the registry holds for a string value under HKEY_LOCAL_MACHINE.
std::wstring MachineString(const wchar_t* key, const wchar_t* value)
{
    wchar_t text[64] = {};
    DWORD bytes = sizeof(text);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key, value, RRF_RT_REG_SZ, nullptr, text, &bytes) != ERROR_SUCCESS)
    {
        return L"(unreadable)";
    }
    return text;
}

TEST_F(HandlersWithUiHostHelperTest, EachWebPageAndHelpHandlerMakesOneCallOfTheTrustedHelper)
{
    ASSERT_EQ(ListTrustedFile(HelperPath()), 0u);
    const std::wstring safetyLink = L"https://safety.test/?a=1";
    ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE,
                              L"SOFTWARE\\Norvane\\VRT\\Settings\\toc\\A12341F7-A130-4447-97AD-2675F46516FB",
                              L"LinkContext", REG_SZ, safetyLink.c_str(),
                              static_cast<DWORD>((safetyLink.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    ModuleUnderTest test(ScreenRelayTest::kTwoScreens, std::make_shared<VRTCommonAPI>(), std::make_shared<QvRegAPI>());
    ASSERT_EQ(test.Module().initialize(), MODULE_STATUS_SUCCESS);

    EXPECT_TRUE(test.Module().openUrl(
        LR"({"url":"https://a.test/","destination":2,"web_overlay_option":3,"parameters":"p=1"})"));
    EXPECT_TRUE(test.Module().showInContainerMessageHandler(
        LR"({"link":"substlink:offer","parameters":"a=1","launch_point":7})"));
    EXPECT_TRUE(test.Module().showInBrowserSurfmark(LR"({"link":"ignored"})"));
    EXPECT_TRUE(test.Module().showHelpMessageHandler(LR"({"appid":"scanner","topic":"t-1","online":true})"));
    EXPECT_TRUE(test.Module().showHelpMessageHandler(LR"({"appid":"scanner","topic":"t-2"})"));

    EXPECT_EQ(HelperCalls(), (std::vector<std::wstring>{
                                 L"UiHostHelper OpenUrl VT_BSTR:https://a.test/ VT_UI4:2 VT_UI4:3 VT_BSTR:p=1",
                                 L"UiHostHelper OpenUrlInContainer VT_BSTR:substlink:offer VT_BSTR:a=1",
                                 L"UiHostHelper OpenUrlInContainer VT_BSTR:https://safety.test/?a=1 VT_BSTR:",
                                 L"UiHostHelper OpenHelp VT_BSTR:scanner VT_BSTR:t-1 VT_BOOL:65535",
                                 L"UiHostHelper OpenHelp VT_BSTR:scanner VT_BSTR:t-2 VT_BOOL:0",
                             }));
    EXPECT_EQ(MachineString(L"SOFTWARE\\Norvane\\VRT\\AppInfo\\Substitute\\QueryParams", L"LaunchPoint"), L"7");
    EXPECT_EQ(test.Unloads().Count(), 5);
}

TEST_F(HandlersWithUiHostHelperTest, HelpIsServedEvenWhenTheHelperCallFails)
{
    ASSERT_EQ(ListTrustedFile(HelperPath()), 0u);
    ASSERT_EQ(DevHost::WriteDevelopmentSwitch(L"UiHostHelper", L"OpenHelp", 0x80004005), 0u);
    LogCapture log(ETWLogging::LOG_LEVEL_NORMAL);
    ModuleUnderTest test(ScreenRelayTest::kTwoScreens, std::make_shared<VRTCommonAPI>());

    EXPECT_TRUE(test.Module().showHelpMessageHandler(LR"({"appid":"scanner","topic":"t-1"})"));
    EXPECT_EQ(HelperCalls(), std::vector<std::wstring>{L"UiHostHelper OpenHelp VT_BSTR:scanner VT_BSTR:t-1 VT_BOOL:0"});
    EXPECT_THAT(LoggedLines(log.Text()), Contains(L"Normal: OpenHelp(scanner, t-1, NULL) returned (0x80004005)"));
}

TEST_F(HandlersWithUiHostHelperTest, HelpIsNotServedWithoutAHelperOrAUsablePayload)
{
    LogCapture log;
    ModuleUnderTest test(ScreenRelayTest::kTwoScreens, std::make_shared<VRTCommonAPI>());

    EXPECT_FALSE(test.Module().showHelpMessageHandler(LR"({"appid":"scanner","topic":"t-1"})"));
    EXPECT_THAT(LoggedLines(log.Text()), Contains(L"Error: Failed to create the UI host helper, error: 0x80070005"));
    ASSERT_EQ(ListTrustedFile(HelperPath()), 0u);
    EXPECT_FALSE(test.Module().showHelpMessageHandler(LR"({"appid":"scanner"})"));
    EXPECT_THAT(LoggedLines(log.Text()), Contains(L"Error: Failed to process show help message"));
    EXPECT_TRUE(HelperCalls().empty());
    EXPECT_EQ(test.Unloads().Count(), 2);
}

TEST_F(HandlersWithUiHostHelperTest, InAppSupportOpensTheOnlinePageOrTheSupportScreen)
{
    ASSERT_EQ(ListTrustedFile(HelperPath()), 0u);
    ModuleUnderTest test(ScreenRelayTest::kTwoScreens, std::make_shared<VRTCommonAPI>());
    ON_CALL(test.Bus(), request(_, An<std::shared_ptr<Reply>&>(), _)).WillByDefault(Return(MODULE_STATUS_TIMEOUT));
    EXPECT_CALL(test.Connectivity(), isConnected()).WillOnce(Return(1)).WillOnce(Return(0));

    EXPECT_TRUE(test.Module().showInAppSupportMessageHandler(LR"({"fault_id":"4\"2","parameters":"&x=1"})"));
    EXPECT_TRUE(test.Module().showInAppSupportMessageHandler(LR"({"fault_id":"42"})"));

    EXPECT_EQ(HelperCalls(), (std::vector<std::wstring>{
                                 L"UiHostHelper OpenUrlInContainer VT_BSTR:substlink:inappsupport "
                                 L"VT_BSTR:utm_source=inproduct&utm_medium=inproduct&utm_campaign=inproduct"
                                 L"&faultid=4\"2&x=1",
                                 L"UiHostHelper OpenInternal VT_BSTR:help_support",
                             }));
    EXPECT_EQ(test.Unloads().Count(), 4);
}

} // namespace
} // namespace Ostrel
