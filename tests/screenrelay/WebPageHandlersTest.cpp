#include "screenrelay/LoggedLines.h"
#include "screenrelay/ModuleUnderTest.h"
#include "support/LogCapture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <objbase.h>

#include <cstring>
#include <functional>
#include <tuple>

// The browser, UI host link, container and web-safety handlers over a mocked
// UI host and registry reader: what they ask for, and the records of each way
// they can fail.

namespace Ostrel
{
namespace
{

using namespace ::testing;
using ScreenRelayTest::LogCapture;
using ScreenRelayTest::LoggedLines;
using ScreenRelayTest::LoggedLinesAfter;
using ScreenRelayTest::ModuleUnderTest;

constexpr wchar_t kWebSafetyKey[] = L"SOFTWARE\\Norvane\\VRT\\Settings\\toc\\A12341F7-A130-4447-97AD-2675F46516FB";

using Handler = bool (ScreenRelayImpl::*)(const std::wstring&);
constexpr Handler kBrowser = &ScreenRelayImpl::showInBrowserMessageHandler;
constexpr Handler kUiHostLink = &ScreenRelayImpl::openUrl;
constexpr Handler kContainer = &ScreenRelayImpl::showInContainerMessageHandler;
constexpr Handler kWebSafety = &ScreenRelayImpl::showInBrowserSurfmark;

// A copy of the text from the COM task allocator, as link expansion hands it.
wchar_t* TaskText(const std::wstring& text)
{
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    auto* copy = static_cast<wchar_t*>(CoTaskMemAlloc(bytes));
    std::memcpy(copy, text.c_str(), bytes);
    return copy;
}

// Link expansion that answers with status and, when given, a text.
void ExpandTo(ModuleUnderTest& test, DWORD status, const wchar_t* text)
{
    ON_CALL(test.UiHost(), expandUrl(_, _))
        .WillByDefault(
            [=](const wchar_t*, wchar_t** expanded)
            {
                *expanded = text != nullptr ? TaskText(text) : nullptr;
                return status;
            });
}

// The registry reader answering with status, type and the bytes of text
// (its terminator included unless bytes says fewer).
void ReadLinkAs(ModuleUnderTest& test, LONG status, DWORD type, const std::wstring& text, DWORD bytes)
{
    ON_CALL(test.Registry(), readValue(_, _, _, _, _, _, _))
        .WillByDefault(
            [=](HKEY, const wchar_t*, const wchar_t*, DWORD* readType, void* data, DWORD* readBytes, DWORD)
            {
                std::memcpy(data, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
                *readType = type;
                *readBytes = bytes;
                return status;
            });
}

void ReadLink(ModuleUnderTest& test, const std::wstring& text)
{
    ReadLinkAs(test, ERROR_SUCCESS, REG_SZ, text, static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

// Every UI host call of a test, as "<call> <arguments>".
class UiHostCalls
{
public:
    explicit UiHostCalls(ModuleUnderTest& test, HRESULT answer = S_OK)
    {
        ON_CALL(test.UiHost(), shellExecute(_))
            .WillByDefault(
                [this, answer](const wchar_t* target)
                {
                    calls_.push_back(std::wstring(L"ShellExecute ") + target);
                    return static_cast<DWORD>(answer);
                });
        ON_CALL(test.UiHost(), openUrl(_, _, _, _))
            .WillByDefault(
                [this, answer](const wchar_t* url, DWORD destination, DWORD overlay, const wchar_t* parameters)
                {
                    calls_.push_back(std::wstring(L"OpenUrl ") + url + L" " + std::to_wstring(destination) + L" " +
                                     std::to_wstring(overlay) + L" [" + parameters + L"]");
                    return answer;
                });
        ON_CALL(test.UiHost(), openUrlInContainer(_, _))
            .WillByDefault(
                [this, answer](const wchar_t* url, const wchar_t* parameters)
                {
                    calls_.push_back(std::wstring(L"OpenUrlInContainer ") + url + L" [" + parameters + L"]");
                    return answer;
                });
        ON_CALL(test.UiHost(), setLaunchPoint(_))
            .WillByDefault(
                [this](LONG launchPoint)
                {
                    calls_.push_back(L"SetLaunchPoint " + std::to_wstring(launchPoint));
                    return true;
                });
    }

    const std::vector<std::wstring>& Calls() const { return calls_; }

private:
    std::vector<std::wstring> calls_;
};

TEST(WebPageHandlersTest, EachHandlerAsksTheUiHostForWhatThePayloadNames)
{
    const std::tuple<const char*, Handler, std::wstring, std::vector<std::wstring>> cases[] = {
        {"browser: the expanded link",
         kBrowser,
         LR"({"url":"substlink:help"})",
         {L"ShellExecute https://help.test/en"}},
        {"UI host link with parameters",
         kUiHostLink,
         LR"({"url":"https://a.test/","destination":2,"web_overlay_option":3,"parameters":"p=1"})",
         {L"OpenUrl https://a.test/ 2 3 [p=1]"}},
        {"UI host link without parameters: empty text",
         kUiHostLink,
         LR"({"url":"","destination":0,"web_overlay_option":1})",
         {L"OpenUrl  0 1 []"}},
        {"container with a launch point: stored first, link unexpanded",
         kContainer,
         LR"({"link":"substlink:offer","parameters":"a=1","launch_point":7})",
         {L"SetLaunchPoint 7", L"OpenUrlInContainer substlink:offer [a=1]"}},
        {"container without a launch point",
         kContainer,
         LR"({"link":"substlink:offer","launch_point":"7"})",
         {L"OpenUrlInContainer substlink:offer []"}},
        {"web-safety page: the payload is not read",
         kWebSafety,
         LR"({"link":"x","parameters":"a=1"})",
         {L"OpenUrlInContainer https://safety.test/ []"}}};
    for (const auto& [label, handler, payload, expected] : cases)
    {
        SCOPED_TRACE(label);
        ModuleUnderTest test;
        ASSERT_EQ(test.Module().initialize(), MODULE_STATUS_SUCCESS);
        ExpandTo(test, ERROR_SUCCESS, L"https://help.test/en");
        ReadLink(test, L"https://safety.test/");
        const UiHostCalls calls(test);
        EXPECT_TRUE((test.Module().*handler)(payload));
        EXPECT_EQ(calls.Calls(), expected);
        EXPECT_EQ(test.Unloads().Count(), 1);
    }
}

TEST(WebPageHandlersTest, EachFailureIsOneRecordOfTheHandlerAndTheAnswerFalse)
{
    const std::wstring key = kWebSafetyKey;
    const auto nothing = [](ModuleUnderTest&) {
    };
    const std::tuple<const char*, Handler, std::wstring, std::function<void(ModuleUnderTest&)>, std::wstring> cases[] =
        {{"browser, unusable payload", kBrowser, LR"({"url":""})", nothing,
          L"Error: Failed to process show in browser message"},
         {"browser, expansion fails", kBrowser, LR"({"url":"substlink:x"})",
          [](ModuleUnderTest& test) { ExpandTo(test, ERROR_INVALID_PARAMETER, nullptr); },
          L"Error: Failed to expand any kesp arguments in url, error: 87"},
         {"browser, expansion gives no text", kBrowser, LR"({"url":"x"})",
          [](ModuleUnderTest& test) { ExpandTo(test, ERROR_SUCCESS, nullptr); },
          L"Error: Failed to expand any kesp arguments in url, error: 0"},
         {"browser, the shell fails", kBrowser, LR"({"url":"x"})",
          [](ModuleUnderTest& test) { ExpandTo(test, ERROR_SUCCESS, L"x"); },
          L"Error: Failed to execute url, error: -2147467259"},
         {"UI host link, unusable payload", kUiHostLink, LR"({"url":"a","destination":-1})", nothing,
          L"Error: Failed to process openUrl message"},
         {"UI host link, the UI host fails", kUiHostLink, LR"({"url":"a","destination":1,"web_overlay_option":0})",
          nothing, L"Error: Failed to call OpenUrl with error: -2147467259"},
         {"container, unusable payload", kContainer, LR"({"link":5})", nothing,
          L"Error: Failed to process show in container message"},
         {"container, the UI host fails", kContainer, LR"({"link":"a"})", nothing,
          L"Error: Failed to call OpenUrlInContainer with error: -2147467259"},
         {"web safety, the value cannot be read", kWebSafety, L"",
          [](ModuleUnderTest& test) { ReadLinkAs(test, ERROR_FILE_NOT_FOUND, REG_NONE, L"", 0); },
          L"Error: Failed to read registry key " + key + L" value LinkContext with error: 2"},
         {"web safety, not a string", kWebSafety, L"",
          [](ModuleUnderTest& test) { ReadLinkAs(test, ERROR_SUCCESS, REG_EXPAND_SZ, L"https://s.test/", 32); },
          L"Error: Failed to read registry key " + key + L" key LinkContext of type 2"},
         {"web safety, empty", kWebSafety, L"", [](ModuleUnderTest& test) { ReadLink(test, L""); },
          L"Error: Failed to read registry path " + key + L" key(empty) LinkContext"},
         {"web safety, the UI host fails", kWebSafety, L"",
          [](ModuleUnderTest& test) { ReadLink(test, L"https://s.test/"); },
          L"Error: Failed to call OpenUrlInContainer with error: -2147467259"}};
    LogCapture log;
    for (const auto& [label, handler, payload, arrange, lastRecord] : cases)
    {
        SCOPED_TRACE(label);
        const std::size_t seen = LoggedLines(log.Text()).size();
        ModuleUnderTest test;
        ASSERT_EQ(test.Module().initialize(), MODULE_STATUS_SUCCESS);
        const UiHostCalls calls(test, E_FAIL);
        arrange(test);
        EXPECT_FALSE((test.Module().*handler)(payload));
        const std::vector<std::wstring> lines = LoggedLinesAfter(log.Text(), seen);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), lastRecord);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), lastRecord), 1);
        EXPECT_EQ(test.Unloads().Count(), 1);
    }
}

TEST(WebPageHandlersTest, TheExpandedLinkIsGivenBackWhetherTheShellOpensItOrNot)
{
    for (const DWORD shellStatus : {DWORD{0}, DWORD{ERROR_FILE_NOT_FOUND}})
    {
        SCOPED_TRACE(shellStatus);
        ModuleUnderTest test;
        wchar_t* expandedText = TaskText(L"https://help.test/");
        EXPECT_CALL(test.UiHost(), expandUrl(StrEq(L"substlink:help"), _))
            .WillOnce(DoAll(SetArgPointee<1>(expandedText), Return(ERROR_SUCCESS)));
        EXPECT_CALL(test.UiHost(), shellExecute(StrEq(L"https://help.test/"))).WillOnce(Return(shellStatus));
        EXPECT_CALL(test.TaskMemory(), freeTaskMemory(expandedText)).WillOnce(CoTaskMemFree);
        EXPECT_EQ(test.Module().showInBrowserMessageHandler(LR"({"url":"substlink:help"})"), shellStatus == 0);
    }
}

TEST(WebPageHandlersTest, AContainerLaunchPointThatCannotBeStoredIsLoggedAndTheLinkStillOpens)
{
    LogCapture log;
    ModuleUnderTest test;
    EXPECT_CALL(test.UiHost(), setLaunchPoint(-3)).WillOnce(Return(false));
    EXPECT_CALL(test.UiHost(), openUrlInContainer(StrEq(L"substlink:offer"), StrEq(L""))).WillOnce(Return(S_OK));
    EXPECT_TRUE(test.Module().showInContainerMessageHandler(LR"({"link":"substlink:offer","launch_point":-3})"));
    EXPECT_THAT(LoggedLines(log.Text()), Contains(L"Error: Failed to set launch point value: -3"));
}

TEST(WebPageHandlersTest, TheWebSafetyLinkIsReadFromTheMachineSettingsAndEndsWithinTheBytesRead)
{
    ModuleUnderTest test;
    // Eleven characters read without their terminator: only those count.
    EXPECT_CALL(test.Registry(),
                readValue(HKEY_LOCAL_MACHINE, StrEq(kWebSafetyKey), StrEq(L"LinkContext"), _, _, Pointee(4168u), 0u))
        .WillOnce(
            [](HKEY, const wchar_t*, const wchar_t*, DWORD* type, void* data, DWORD* bytes, DWORD)
            {
                std::memcpy(data, L"https://s.t/ignored", 20 * sizeof(wchar_t));
                *type = REG_SZ;
                *bytes = 11 * sizeof(wchar_t);
                return ERROR_SUCCESS;
            });
    EXPECT_CALL(test.UiHost(), openUrlInContainer(StrEq(L"https://s.t"), StrEq(L""))).WillOnce(Return(S_OK));
    EXPECT_TRUE(test.Module().showInBrowserSurfmark(L""));
}

} // namespace
} // namespace Ostrel
