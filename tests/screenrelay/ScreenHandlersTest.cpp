#include "screenrelay/LoggedLines.h"
#include "screenrelay/ModuleUnderTest.h"
#include "support/LogCapture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

// The four screen and application handlers: what they ask the UI host for,
// and the records of each way they can fail.

namespace Ostrel
{
namespace
{

using namespace ::testing;
using ScreenRelayTest::LogCapture;
using ScreenRelayTest::LoggedLines;
using ScreenRelayTest::LoggedLinesAfter;
using ScreenRelayTest::ModuleUnderTest;

TEST(ScreenHandlersTest, EachHandlerAsksTheUiHostForWhatThePayloadNames)
{
    struct Case
    {
        const char* label;
        bool (ScreenRelayImpl::*handler)(const std::wstring&);
        std::wstring payload;
        std::wstring call;
    };
    const Case cases[] = {
        {"screen: its page id; parameters are not passed on", &ScreenRelayImpl::showScreenMessageHandler,
         LR"({"name":"dashboard.home","parameters":"a=1"})", L"OpenInternal home"},
        {"page id", &ScreenRelayImpl::showWithPageIDMessageHandler, LR"({"page_id":"P-17"})", L"OpenInternal P-17"},
        {"resource with parameters", &ScreenRelayImpl::showWithResourceMessageHandler,
         LR"({"resource_name":"Scan","parameters":"a=1"})",
         L"OpenApp qvknownapp:uihost::kesp://vrtjsres.dll::Scan?a=1"},
        {"resource with empty parameters", &ScreenRelayImpl::showWithResourceMessageHandler,
         LR"({"resource_name":"Scan","parameters":""})", L"OpenApp qvknownapp:uihost::kesp://vrtjsres.dll::Scan"},
        {"application string unchanged", &ScreenRelayImpl::openAppMessageHandler,
         LR"({"app_info":"qvknownapp:uihost::x?y=1"})", L"OpenApp qvknownapp:uihost::x?y=1"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.label);
        ModuleUnderTest test;
        ASSERT_EQ(test.Module().initialize(), MODULE_STATUS_SUCCESS);
        std::vector<std::wstring> calls;
        ON_CALL(test.UiHost(), openInternal(_))
            .WillByDefault(
                [&](const wchar_t* pageId)
                {
                    calls.push_back(std::wstring(L"OpenInternal ") + pageId);
                    return S_OK;
                });
        ON_CALL(test.UiHost(), openApp(_))
            .WillByDefault(
                [&](const wchar_t* application)
                {
                    calls.push_back(std::wstring(L"OpenApp ") + application);
                    return S_OK;
                });
        EXPECT_TRUE((test.Module().*c.handler)(c.payload));
        EXPECT_EQ(calls, std::vector<std::wstring>{c.call});
    }
}

TEST(ScreenHandlersTest, EachFailureIsOneRecordOfTheHandlerAndTheAnswerFalse)
{
    struct Case
    {
        const char* label;
        bool (ScreenRelayImpl::*handler)(const std::wstring&);
        std::wstring payload;
        std::wstring lastRecord;
    };
    const Case cases[] = {
        {"screen, unusable payload", &ScreenRelayImpl::showScreenMessageHandler, L"[]",
         L"Error: Failed to process show screen message"},
        {"screen, name in another case", &ScreenRelayImpl::showScreenMessageHandler, LR"({"name":"Scan.Quick"})",
         L"Error: No command for 'Scan.Quick' found"},
        {"screen, UI host fails", &ScreenRelayImpl::showScreenMessageHandler, LR"({"name":"scan.quick"})",
         L"Error: Failed to call OpenInternal with error: -2147467259"},
        {"page id, unusable payload", &ScreenRelayImpl::showWithPageIDMessageHandler, LR"({"page_id":""})",
         L"Error: Message payload invalid"},
        {"page id, UI host fails", &ScreenRelayImpl::showWithPageIDMessageHandler, LR"({"page_id":"P-17"})",
         L"Error: Failed to call OpenInternal with P-17, error: -2147467259"},
        {"resource, unusable payload", &ScreenRelayImpl::showWithResourceMessageHandler, L"{}",
         L"Error: Failed to process show with resource message"},
        {"resource, UI host fails", &ScreenRelayImpl::showWithResourceMessageHandler, LR"({"resource_name":"S"})",
         L"Error: Failed to call OpenApp with error: -2147024891"},
        {"application, unusable payload", &ScreenRelayImpl::openAppMessageHandler, LR"({"app_info":1})",
         L"Error: Failed to process open app message"},
        {"application, UI host fails", &ScreenRelayImpl::openAppMessageHandler, LR"({"app_info":"a"})",
         L"Error: Failed to call OpenApp with error: -2147024891"},
    };
    LogCapture log;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.label);
        const std::size_t seen = LoggedLines(log.Text()).size();
        ModuleUnderTest test;
        ASSERT_EQ(test.Module().initialize(), MODULE_STATUS_SUCCESS);
        ON_CALL(test.UiHost(), openInternal(_)).WillByDefault(Return(E_FAIL));
        ON_CALL(test.UiHost(), openApp(_)).WillByDefault(Return(E_ACCESSDENIED));
        EXPECT_FALSE((test.Module().*c.handler)(c.payload));
        const std::vector<std::wstring> lines = LoggedLinesAfter(log.Text(), seen);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), c.lastRecord);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), c.lastRecord), 1);
    }
}

TEST(ScreenHandlersTest, TheTaskbarIsLookedForBeforeAnApplicationOpensAndNotFoundWithoutAShell)
{
    LogCapture log(ETWLogging::LOG_LEVEL_NORMAL);
    ModuleUnderTest test;
    ASSERT_EQ(test.Module().initialize(), MODULE_STATUS_SUCCESS);
    EXPECT_CALL(test.UiHost(), openApp(_))
        .WillOnce(
            [&](const wchar_t*)
            {
                EXPECT_THAT(LoggedLines(log.Text()), Contains(L"Information: Can't find taskbar window"));
                return S_OK;
            });
    EXPECT_TRUE(test.Module().openAppMessageHandler(LR"({"app_info":"a"})"));
}

// A top-level window of the taskbar's class stands in for the shell's.
TEST(ScreenHandlersTest, ATaskbarWindowIsBroughtToTheForegroundBeforeAnApplicationOpens)
{
    LogCapture log(ETWLogging::LOG_LEVEL_NORMAL);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"Shell_TrayWnd";
    ASSERT_NE(RegisterClassW(&windowClass), 0);
    HWND taskbar = CreateWindowExW(0, L"Shell_TrayWnd", L"", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr,
                                   windowClass.hInstance, nullptr);
    ASSERT_NE(taskbar, nullptr);

    ModuleUnderTest test;
    ASSERT_EQ(test.Module().initialize(), MODULE_STATUS_SUCCESS);
    HWND foregroundAtCall = nullptr;
    EXPECT_CALL(test.UiHost(), openApp(_))
        .WillOnce(
            [&](const wchar_t*)
            {
                foregroundAtCall = GetForegroundWindow();
                return S_OK;
            });
    EXPECT_TRUE(test.Module().openAppMessageHandler(LR"({"app_info":"a"})"));
    EXPECT_EQ(foregroundAtCall, taskbar);
    const std::wstring thread = std::to_wstring(GetCurrentThreadId());
    const std::wstring process = std::to_wstring(GetCurrentProcessId());
    EXPECT_THAT(LoggedLines(log.Text()),
                IsSupersetOf(std::vector<std::wstring>{
                    L"Normal: Found taskbar window, bringe it to foreground",
                    L"Normal: Current window thread is " + thread, L"Normal: Try to find foreground window again.",
                    L"Normal: New Foreground window thread is " + thread + L", processId is:" + process}));
    DestroyWindow(taskbar);
}

} // namespace
} // namespace Ostrel
