#include "messagebus/Message.h"
#include "screenrelay/LoggedLines.h"
#include "screenrelay/ModuleUnderTest.h"
#include "support/LogCapture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

// The module object's lifecycle: subscribing the ten handlers, reading the
// mapping definition, what the subscriptions hand back to the bus, and
// unsubscribing.

namespace Ostrel
{
namespace
{

using namespace ::testing;
using ScreenRelayTest::LogCapture;
using ScreenRelayTest::LoggedLines;
using ScreenRelayTest::LoggedLinesAfter;
using ScreenRelayTest::ModuleUnderTest;

const std::vector<std::wstring> kMessagesInTableOrder = {
    L"ZTS.UI.ShowScreen",       L"ZTS.UI.ShowInBrowser",   L"ZTS.UI.ShowInContainer", L"ZTS.UI.ShowWithPageID",
    L"ZTS.UI.ShowWithResource", L"ZTS.UI.ShowSurfmark",    L"ZTS.UI.OpenUrl",         L"ZTS.UI.ShowHelp",
    L"ZTS.UI.OpenApp",          L"ZTS.UI.OpenInAppSupport"};

std::vector<std::wstring> SubscribedNames(const ModuleUnderTest& test)
{
    std::vector<std::wstring> names;
    for (const auto& subscription : test.Subscriptions())
    {
        names.push_back(subscription.first);
    }
    return names;
}

// The page ids the module opens for these screen names, "-" for a name it
// does not know.
std::vector<std::wstring> PagesOpenedFor(ModuleUnderTest& test, const std::vector<std::wstring>& names)
{
    std::vector<std::wstring> pages;
    ON_CALL(test.UiHost(), openInternal(_))
        .WillByDefault(
            [&](const wchar_t* pageId)
            {
                pages.back() = pageId;
                return S_OK;
            });
    for (const std::wstring& name : names)
    {
        pages.push_back(L"-");
        test.Module().showScreenMessageHandler(L"{\"name\":\"" + name + L"\"}");
    }
    return pages;
}

TEST(ScreenRelayImplTest, InitializeSubscribesTheTenMessagesInSessionInTableOrderThenReadsTheMapping)
{
    LogCapture log(ETWLogging::LOG_LEVEL_NORMAL);
    ModuleUnderTest test;
    EXPECT_EQ(test.Module().initialize(), MODULE_STATUS_SUCCESS);

    EXPECT_EQ(SubscribedNames(test), kMessagesInTableOrder);
    EXPECT_EQ(PagesOpenedFor(test, {L"scan.quick", L"dashboard.home", L"Scan.Quick"}),
              (std::vector<std::wstring>{L"scan_quick_page", L"home", L"-"}));
    const std::wstring text = log.Text();
    EXPECT_THAT(text, HasSubstr(L"Initializing module"));
    EXPECT_THAT(text, HasSubstr(L"Successfully initialized module"));
    EXPECT_THAT(text, HasSubstr(L"No command for 'Scan.Quick' found"));
}

TEST(ScreenRelayImplTest, AFailedSubscriptionEndsInitializeAndKeepsTheEarlierOnes)
{
    LogCapture log;
    ModuleUnderTest test;
    EXPECT_CALL(test.Bus(), subscribeInSession(_, _)).Times(AnyNumber());
    EXPECT_CALL(test.Bus(), subscribeInSession(std::wstring(L"ZTS.UI.ShowWithPageID"), _))
        .WillOnce(Return(MODULE_STATUS_TIMEOUT));
    EXPECT_CALL(test.Bus(), unsubscribe(_)).Times(0);

    EXPECT_EQ(test.Module().initialize(), MODULE_STATUS_TIMEOUT);
    EXPECT_EQ(SubscribedNames(test),
              (std::vector<std::wstring>(kMessagesInTableOrder.begin(), kMessagesInTableOrder.begin() + 3)));
    EXPECT_THAT(log.Text(), HasSubstr(L"Failed to attach message handlers, return code: 0x8000000d"));
    EXPECT_EQ(PagesOpenedFor(test, {L"scan.quick"}), std::vector<std::wstring>{L"-"}) << "mapping not read";
}

TEST(ScreenRelayImplTest, AnUnusableMappingDefinitionFailsInitializeKeepingTheSubscriptionsAndEarlierEntries)
{
    const std::wstring first = LR"({"name":"a.one","page_id":"one"})";
    const std::wstring unparsable = L"Mapping definition is invalid, not parsable";
    const std::wstring noScreens = L"Mapping definition invalid, missing screens member";
    const std::wstring noName = L"Mapping definition invalid, screen member missing name member";
    const std::wstring noPageId = L"Mapping definition invalid, unable to get 'page_id' member";
    const struct
    {
        const char* label;
        std::wstring definition;
        std::wstring record;
        bool firstKept; // whether "a.one" opens its page afterwards; "b.two" never does
    } cases[] = {
        {"not JSON", L"{\"screens\":", unparsable, false},
        {"empty text", L"", unparsable, false},
        {"root is an array", L"[{\"screens\":[]}]", noScreens, false},
        {"no screens", L"{\"screen\":[]}", noScreens, false},
        {"screens is an object", L"{\"screens\":{}}", L"Mapping definition invalid, screens member invalid type",
         false},
        {"element is a string", L"{\"screens\":[" + first + L",\"b.two\"]}",
         L"Mapping definition invalid, screens element invalid type", true},
        {"name missing", L"{\"screens\":[" + first + L",{\"page_id\":\"two\"}]}", noName, true},
        {"name empty", L"{\"screens\":[" + first + L",{\"name\":\"\",\"page_id\":\"two\"}]}", noName, true},
        {"page id empty", L"{\"screens\":[" + first + L",{\"name\":\"b.two\",\"page_id\":\"\"}]}", noPageId, true},
        {"page id a number", L"{\"screens\":[" + first + L",{\"name\":\"b.two\",\"page_id\":2}]}", noPageId, true},
        {"name twice: the first page id stays",
         L"{\"screens\":[" + first + LR"(,{"name":"a.one","page_id":"again"},{"name":"b.two","page_id":"two"}]})",
         L"Failed to add mapping entry", true},
    };
    LogCapture log;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.label);
        const std::size_t seen = LoggedLines(log.Text()).size();
        ModuleUnderTest test(c.definition);
        EXPECT_EQ(test.Module().initialize(), MODULE_STATUS_UNSUCCESSFUL);
        EXPECT_EQ(SubscribedNames(test), kMessagesInTableOrder);
        const std::vector<std::wstring> lines = LoggedLinesAfter(log.Text(), seen);
        EXPECT_THAT(lines, Contains(L"Error: " + c.record));
        EXPECT_THAT(lines, Contains(L"Error: Failed to process request mapping definition"));
        EXPECT_EQ(PagesOpenedFor(test, {L"a.one", L"b.two"}),
                  (std::vector<std::wstring>{c.firstKept ? L"one" : L"-", L"-"}));
    }
}

TEST(ScreenRelayImplTest, AnEmptyScreensArrayInitializesWithAnEmptyTable)
{
    ModuleUnderTest test(L"{\"screens\":[]}");
    EXPECT_EQ(test.Module().initialize(), MODULE_STATUS_SUCCESS);
    EXPECT_EQ(PagesOpenedFor(test, {L"scan.quick"}), std::vector<std::wstring>{L"-"});
}

TEST(ScreenRelayImplTest, ASecondInitializeSubscribesAgainAndFailsOnTheFirstMappingEntry)
{
    LogCapture log;
    ModuleUnderTest test;
    ASSERT_EQ(test.Module().initialize(), MODULE_STATUS_SUCCESS);
    EXPECT_EQ(test.Module().initialize(), MODULE_STATUS_UNSUCCESSFUL);

    std::vector<std::wstring> twice = kMessagesInTableOrder;
    twice.insert(twice.end(), kMessagesInTableOrder.begin(), kMessagesInTableOrder.end());
    EXPECT_EQ(SubscribedNames(test), twice);
    const std::vector<std::wstring> lines = LoggedLines(log.Text());
    EXPECT_EQ(std::count(lines.begin(), lines.end(), L"Error: Failed to add mapping entry"), 1);
    EXPECT_EQ(PagesOpenedFor(test, {L"scan.quick", L"dashboard.home"}),
              (std::vector<std::wstring>{L"scan_quick_page", L"home"}));
}

TEST(ScreenRelayImplTest, TheSubscriptionPassesOnlyThePayloadAndTurnsAFalseAnswerIntoUnsuccessful)
{
    LogCapture log;
    ModuleUnderTest test;
    ASSERT_EQ(test.Module().initialize(), MODULE_STATUS_SUCCESS);
    std::vector<std::wstring> pages;
    EXPECT_CALL(test.UiHost(), openInternal(_))
        .WillRepeatedly(
            [&](const wchar_t* pageId)
            {
                pages.push_back(pageId);
                return S_OK;
            });
    const MessageHandler& showScreen = test.Subscriptions()[0].second;
    const MessageHandler& showWithPageId = test.Subscriptions()[3].second;

    EXPECT_EQ(showScreen(createMessage(L"any name", L"any sender", L"{\"name\":\"scan.quick\"}")),
              MODULE_STATUS_SUCCESS);
    EXPECT_EQ(showWithPageId(createMessage(L"ZTS.UI.ShowWithPageID", L"", L"{\"page_id\":\"p7\"}")),
              MODULE_STATUS_SUCCESS);
    EXPECT_EQ(pages, (std::vector<std::wstring>{L"scan_quick_page", L"p7"}));
    EXPECT_FALSE(log.Contains(L"Failed to subscribe message"));

    EXPECT_EQ(showScreen(createMessage(L"ZTS.UI.ShowScreen", L"", L"{}")), MODULE_STATUS_UNSUCCESSFUL);
    EXPECT_EQ(showWithPageId(nullptr), MODULE_STATUS_UNSUCCESSFUL);
    const std::vector<std::wstring> lines = LoggedLines(log.Text());
    EXPECT_THAT(lines, Contains(L"Error: Failed to subscribe message ZTS.UI.ShowScreen"));
    EXPECT_THAT(lines, Contains(L"Error: Failed to subscribe message ZTS.UI.ShowWithPageID"));
    EXPECT_EQ(pages.size(), 2u);
    EXPECT_EQ(test.Unloads().Count(), 3) << "no message, no request frame";
}

TEST(ScreenRelayImplTest, UninitializeUnsubscribesEveryMessageReportsTheLastFailureAndClearsTheMapping)
{
    LogCapture log(ETWLogging::LOG_LEVEL_NORMAL);
    ModuleUnderTest test;
    ASSERT_EQ(test.Module().initialize(), MODULE_STATUS_SUCCESS);
    std::vector<std::wstring> unsubscribed;
    EXPECT_CALL(test.Bus(), unsubscribe(_))
        .Times(10)
        .WillRepeatedly(
            [&](const std::wstring& alias)
            {
                unsubscribed.push_back(alias);
                return alias == L"ZTS.UI.ShowInBrowser" ? MODULE_STATUS_TIMEOUT
                       : alias == L"ZTS.UI.ShowHelp"    ? MODULE_STATUS_NOT_FOUND
                                                        : MODULE_STATUS_SUCCESS;
            });

    EXPECT_EQ(test.Module().uninitialize(), MODULE_STATUS_NOT_FOUND);
    EXPECT_EQ(unsubscribed, kMessagesInTableOrder);
    const std::vector<std::wstring> lines = LoggedLines(log.Text());
    EXPECT_THAT(lines, Contains(L"Error: Failed unsubscribe (ZTS.UI.ShowInBrowser): 2147483661"));
    EXPECT_THAT(lines, Contains(L"Error: Failed unsubscribe (ZTS.UI.ShowHelp): 2147483658"));
    EXPECT_THAT(lines, Contains(L"Normal: Status: 2147483658"));
    EXPECT_THAT(lines, Contains(L"Error: Failed to detach message handlers, return code: 0x8000000a"));
    EXPECT_THAT(lines, Contains(L"Normal: Successfully uninitialized module"));
    EXPECT_EQ(PagesOpenedFor(test, {L"scan.quick"}), std::vector<std::wstring>{L"-"});
}

TEST(ScreenRelayImplTest, UninitializeWithoutABusClientReportsAnInvalidStateForEveryMessage)
{
    LogCapture log;
    ScreenRelayImpl module(ScreenRelayTest::kTwoScreens, nullptr, nullptr, nullptr);
    EXPECT_EQ(module.uninitialize(), MODULE_STATUS_INVALID_STATE);
    const std::vector<std::wstring> lines = LoggedLines(log.Text());
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::wstring& line) { return line.find(L"Failed unsubscribe (") == 7; }),
              10);
}

} // namespace
} // namespace Ostrel
