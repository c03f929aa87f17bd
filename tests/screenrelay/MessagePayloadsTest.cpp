#include "screenrelay/LoggedLines.h"
#include "screenrelay/PayloadReading.h"
#include "screenrelay/ScreenRelayImpl.h"
#include "support/LogCapture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

// The payload readers of the ten messages: what each hands back and the
// records it writes for the payloads other processes may send.

namespace Ostrel
{
namespace
{

using ScreenRelayTest::LogCapture;
using ScreenRelayTest::LoggedLines;
using ScreenRelayTest::LoggedLinesAfter;

// Runs one reader on a payload and describes the values it handed back.
using Reader = std::function<bool(const std::wstring& payload, std::wstring& values)>;

const Reader kShowScreen = [](const std::wstring& payload, std::wstring& values)
{
    std::wstring name;
    std::wstring parameters;
    const bool read = ScreenRelayImpl::processShowScreenMessagePayload(payload, name, parameters);
    values = L"name=" + name + L"|parameters=" + parameters;
    return read;
};

const Reader kShowInBrowser = [](const std::wstring& payload, std::wstring& values)
{
    std::wstring url;
    const bool read = ScreenRelayImpl::processShowInBrowserMessagePayload(payload, url);
    values = L"url=" + url;
    return read;
};

const Reader kShowInContainer = [](const std::wstring& payload, std::wstring& values)
{
    std::wstring link;
    std::wstring parameters;
    std::optional<std::int32_t> launchPoint = 99;
    const bool read = ScreenRelayImpl::processShowInContainerMessagePayload(payload, link, parameters, launchPoint);
    values = L"link=" + link + L"|parameters=" + parameters + L"|launch_point=" +
             (launchPoint ? std::to_wstring(*launchPoint) : L"absent");
    return read;
};

const Reader kShowWithPageId = [](const std::wstring& payload, std::wstring& values)
{
    std::wstring pageId;
    const bool read = ScreenRelayImpl::processShowWithPageIDMessagePayload(payload, pageId);
    values = L"page_id=" + pageId;
    return read;
};

const Reader kShowWithResource = [](const std::wstring& payload, std::wstring& values)
{
    std::wstring resourceName;
    std::wstring parameters;
    const bool read = ScreenRelayImpl::processShowWithResourceMessagePayload(payload, resourceName, parameters);
    values = L"resource_name=" + resourceName + L"|parameters=" + parameters;
    return read;
};

// The caller's parameters stay when the payload has none.
const Reader kOpenUrl = [](const std::wstring& payload, std::wstring& values)
{
    std::wstring url;
    std::uint32_t destination = 0;
    std::uint32_t overlay = 0;
    std::wstring parameters = L"preset";
    const bool read = ScreenRelayImpl::processOpenUrlMessagePayload(payload, url, destination, overlay, parameters);
    values = L"url=" + url + L"|destination=" + std::to_wstring(destination) + L"|overlay=" + std::to_wstring(overlay) +
             L"|parameters=" + parameters;
    return read;
};

const Reader kShowHelp = [](const std::wstring& payload, std::wstring& values)
{
    std::wstring appId;
    std::wstring topic;
    bool online = true;
    const bool read = ScreenRelayImpl::processShowHelpMessagePayload(payload, appId, topic, online);
    values = L"appid=" + appId + L"|topic=" + topic + L"|online=" + (online ? L"true" : L"false");
    return read;
};

const Reader kOpenApp = [](const std::wstring& payload, std::wstring& values)
{
    std::wstring application;
    const bool read = ScreenRelayImpl::processOpenAppMessagePayload(payload, application);
    values = L"app_info=" + application;
    return read;
};

struct ReaderCase
{
    const char* label;
    const Reader& reader;
    std::wstring payload;
    bool read;
    // Compared only when the reader answered true.
    std::wstring values;
    std::vector<std::wstring> records;
};

const std::wstring kNotFound = L"Error: Failed to get string member, not found";
const std::wstring kNotString = L"Error: Failed to get string member, not string type";
const std::wstring kEmpty = L"Error: Failed to get string member, empty";

std::wstring Nested(std::size_t depth)
{
    return L"{\"name\":" + std::wstring(depth - 1, L'[') + std::wstring(depth - 1, L']') + L"}";
}

TEST(MessagePayloadsTest, EachReaderHandsBackItsValuesAndLogsWhyAPayloadIsUnusable)
{
    LogCapture log(ETWLogging::LOG_LEVEL_NORMAL);
    const std::wstring screenNotParsable = L"Error: Message payload invalid, not parsable";
    const std::wstring noName = L"Error: Message payload invalid, unable to get 'name' member";
    const std::wstring noScreenParameters = L"Normal: No parameters found, this may be purposeful";
    const std::wstring urlParsed = L"Normal: Message payload for OpenUrl was successfully parsabled";
    const std::wstring noUrlParameters = L"Normal: Unable to get 'parameters' member, this may be purposeful";
    const std::wstring noDestination = L"Error: Invalid payload, unable to get 'destination' member";

    const ReaderCase cases[] = {
        // Show screen: the reading functions' records come before the reader's.
        {"screen, empty payload",
         kShowScreen,
         L"",
         false,
         L"",
         {L"Error: String empty, not valid JSON", screenNotParsable}},
        {"screen, only whitespace",
         kShowScreen,
         L" \r\n",
         false,
         L"",
         {L"Error: String is not valid JSON, 1", screenNotParsable}},
        {"screen, text after the root",
         kShowScreen,
         L"{\"name\":\"a.b\"} x",
         false,
         L"",
         {L"Error: String is not valid JSON, 2", screenNotParsable}},
        {"screen, nested past the limit",
         kShowScreen,
         Nested(kMaxJsonDepth + 1),
         false,
         L"",
         {L"Error: String is not valid JSON, 16", screenNotParsable}},
        {"screen, nested to the limit", kShowScreen, Nested(kMaxJsonDepth), false, L"", {kNotString, noName}},
        {"screen, longer than the limit",
         kShowScreen,
         L"{\"name\":\"" + std::wstring(kMaxPayloadChars, L'a') + L"\"}",
         false,
         L"",
         {L"Error: String too long, not valid JSON, 65547", screenNotParsable}},
        {"screen, array payload", kShowScreen, L"[\"name\",\"a.b\"]", false, L"", {kNotFound, noName}},
        {"screen, empty name", kShowScreen, L"{\"name\":\"\"}", false, L"", {kEmpty, noName}},
        {"screen, name is a number", kShowScreen, L"{\"name\":7}", false, L"", {kNotString, noName}},
        {"screen, name differs in case", kShowScreen, L"{\"Name\":\"a.b\"}", false, L"", {kNotFound, noName}},
        {"screen, no parameters",
         kShowScreen,
         L"{\"name\":\"a.b\"}",
         true,
         L"name=a.b|parameters=",
         {kNotFound, noScreenParameters}},
        {"screen, parameters not a string",
         kShowScreen,
         L"{\"name\":\"a.b\",\"parameters\":[1]}",
         true,
         L"name=a.b|parameters=",
         {kNotString, noScreenParameters}},
        {"screen, all members and an unknown one",
         kShowScreen,
         L"{\"name\":\"a.b\",\"parameters\":\"x=1\",\"other\":{}}",
         true,
         L"name=a.b|parameters=x=1",
         {}},
        {"screen, name holding a NUL keeps its full length",
         kShowScreen,
         L"{\"name\":\"a\\u0000b\"}",
         true,
         std::wstring(L"name=a\0b|parameters=", 20),
         {kNotFound, noScreenParameters}},

        {"browser, array payload",
         kShowInBrowser,
         L"[]",
         false,
         L"",
         {kNotFound, L"Error: Mapping definition invalid, unable to get url member"}},
        {"browser, empty url",
         kShowInBrowser,
         L"{\"url\":\"\"}",
         false,
         L"",
         {kEmpty, L"Error: Mapping definition invalid, unable to get url member"}},
        {"browser, empty payload",
         kShowInBrowser,
         L"",
         false,
         L"",
         {L"Error: String empty, not valid JSON",
          L"Error: Message payload for show in browser is invalid, not parsable"}},
        {"browser, url",
         kShowInBrowser,
         L"{\"url\":\"https://example.test/\"}",
         true,
         L"url=https://example.test/",
         {}},

        {"container, array payload",
         kShowInContainer,
         L"[{\"link\":\"l\"}]",
         false,
         L"",
         {kNotFound, L"Error: Mapping definition invalid, unable to get link member"}},
        {"container, launch point as a string",
         kShowInContainer,
         L"{\"link\":\"l\",\"launch_point\":\"5\"}",
         true,
         L"link=l|parameters=|launch_point=absent",
         {kNotFound, L"Normal: Unable to get parameters member, this may be purposeful",
          L"Error: Failed to get int member, not int type"}},
        {"container, launch point past 32 bits",
         kShowInContainer,
         L"{\"link\":\"l\",\"parameters\":\"p\",\"launch_point\":2147483648}",
         true,
         L"link=l|parameters=p|launch_point=absent",
         {L"Error: Failed to get int member, not int type"}},
        {"container, no launch point",
         kShowInContainer,
         L"{\"link\":\"l\",\"parameters\":\"p\"}",
         true,
         L"link=l|parameters=p|launch_point=absent",
         {L"Error: Failed to get int member, not found"}},
        {"container, negative launch point",
         kShowInContainer,
         L"{\"link\":\"l\",\"parameters\":\"p\",\"launch_point\":-7}",
         true,
         L"link=l|parameters=p|launch_point=-7",
         {}},

        {"page id, array payload",
         kShowWithPageId,
         L"[1]",
         false,
         L"",
         {kNotFound, L"Error: Message payload for show with page id is invalid, unable to get 'page_id' member"}},
        {"page id, not JSON",
         kShowWithPageId,
         L"page",
         false,
         L"",
         {L"Error: String is not valid JSON, 3",
          L"Error: Message payload for show with page id is invalid, not parsable"}},
        {"page id", kShowWithPageId, L"{\"page_id\":\"scan_quick\"}", true, L"page_id=scan_quick", {}},

        {"resource, array payload",
         kShowWithResource,
         L"[]",
         false,
         L"",
         {kNotFound, L"Error: Invalid payload, unable to get 'resource_name' member"}},
        {"resource, name is a number",
         kShowWithResource,
         L"{\"resource_name\":5}",
         false,
         L"",
         {kNotString, L"Error: Invalid payload, unable to get 'resource_name' member"}},
        {"resource, no parameters",
         kShowWithResource,
         L"{\"resource_name\":\"Scan\"}",
         true,
         L"resource_name=Scan|parameters=",
         {kNotFound, noScreenParameters}},

        // Open URL reads through the JSON wrapper: no records of the reading functions.
        {"url, empty payload",
         kOpenUrl,
         L"",
         false,
         L"",
         {L"Error: Message payload for OpenUrl is invalid, not parsable"}},
        {"url, longer than the limit",
         kOpenUrl,
         L"{\"url\":\"" + std::wstring(kMaxPayloadChars, L'a') + L"\"}",
         false,
         L"",
         {L"Error: Message payload for OpenUrl is invalid, not parsable"}},
        {"url, array payload", kOpenUrl, L"[]", false, L"", {L"Error: Invalid payload, unable to get 'url' member"}},
        {"url, url is a number",
         kOpenUrl,
         L"{\"url\":1,\"destination\":1,\"web_overlay_option\":2}",
         false,
         L"",
         {L"Error: Invalid payload, unable to get 'url' member"}},
        {"url, destination -1",
         kOpenUrl,
         L"{\"url\":\"u\",\"destination\":-1,\"web_overlay_option\":2}",
         false,
         L"",
         {noDestination}},
        {"url, destination 1.5",
         kOpenUrl,
         L"{\"url\":\"u\",\"destination\":1.5,\"web_overlay_option\":2}",
         false,
         L"",
         {noDestination}},
        {"url, destination past 32 bits",
         kOpenUrl,
         L"{\"url\":\"u\",\"destination\":4294967296,\"web_overlay_option\":2}",
         false,
         L"",
         {noDestination}},
        {"url, destination quoted",
         kOpenUrl,
         L"{\"url\":\"u\",\"destination\":\"1\",\"web_overlay_option\":2}",
         false,
         L"",
         {noDestination}},
        {"url, no overlay option",
         kOpenUrl,
         L"{\"url\":\"u\",\"destination\":1}",
         false,
         L"",
         {L"Error: Invalid payload, unable to get 'web_overlay_option' member"}},
        {"url, empty url and no parameters",
         kOpenUrl,
         L"{\"url\":\"\",\"destination\":4294967295,\"web_overlay_option\":2}",
         true,
         L"url=|destination=4294967295|overlay=2|parameters=preset",
         {noUrlParameters, urlParsed}},
        {"url, a NUL ends the url",
         kOpenUrl,
         L"{\"url\":\"a\\u0000b\",\"destination\":0,\"web_overlay_option\":0,\"parameters\":\"p\"}",
         true,
         L"url=a|destination=0|overlay=0|parameters=p",
         {urlParsed}},

        {"help, array payload",
         kShowHelp,
         L"[]",
         false,
         L"",
         {kNotFound, L"Error: Message payload invalid, unable to get 'appid' member"}},
        {"help, no topic", kShowHelp, L"{\"appid\":\"a\"}", false, L"", {kNotFound, L"Error: No topic_id found"}},
        {"help, online as a string",
         kShowHelp,
         L"{\"appid\":\"a\",\"topic\":\"t\",\"online\":\"true\"}",
         true,
         L"appid=a|topic=t|online=false",
         {L"Error: Failed to get Bool member, not Bool type", L"Normal: No is_online found, assume it is false"}},
        {"help, no online",
         kShowHelp,
         L"{\"appid\":\"a\",\"topic\":\"t\"}",
         true,
         L"appid=a|topic=t|online=false",
         {L"Error: Failed to get Bool member, not found", L"Normal: No is_online found, assume it is false"}},
        {"help, online",
         kShowHelp,
         L"{\"appid\":\"a\",\"topic\":\"t\",\"online\":true}",
         true,
         L"appid=a|topic=t|online=true",
         {}},

        {"app, array payload",
         kOpenApp,
         L"[\"app_info\"]",
         false,
         L"",
         {kNotFound, L"Error: Message payload invalid, unable to get 'app_info' member"}},
        {"app, empty payload",
         kOpenApp,
         L"",
         false,
         L"",
         {L"Error: String empty, not valid JSON", L"Error: Message payload invalid, not parsable"}},
        {"app", kOpenApp, L"{\"app_info\":\"qvknownapp:uihost::x\"}", true, L"app_info=qvknownapp:uihost::x", {}},
    };

    for (const ReaderCase& c : cases)
    {
        SCOPED_TRACE(c.label);
        const std::size_t seen = LoggedLines(log.Text()).size();
        std::wstring values;
        EXPECT_EQ(c.reader(c.payload, values), c.read);
        if (c.read)
        {
            EXPECT_EQ(values, c.values);
        }
        EXPECT_THAT(LoggedLinesAfter(log.Text(), seen), ::testing::ElementsAreArray(c.records));
    }
}

} // namespace
} // namespace Ostrel
