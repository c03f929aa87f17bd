#include "screenrelay/LoggedLines.h"
#include "screenrelay/PayloadReading.h"
#include "screenrelay/ScreenRelayImpl.h"
#include "support/LogCapture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <optional>
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
    const Reader& reader;
    std::wstring payload;
    // What the reader hands back; none when it must answer false.
    std::optional<std::wstring> values;
    std::vector<std::wstring> records;
};

const std::wstring kNotFound = L"Error: Failed to get string member, not found";
const std::wstring kNotString = L"Error: Failed to get string member, not string type";
const std::wstring kEmpty = L"Error: Failed to get string member, empty";
const std::wstring kEmptyText = L"Error: String empty, not valid JSON";
constexpr std::nullopt_t kRefused = std::nullopt;

std::wstring Nested(std::size_t depth)
{
    return L"{\"name\":" + std::wstring(depth - 1, L'[') + std::wstring(depth - 1, L']') + L"}";
}

TEST(MessagePayloadsTest, EachReaderHandsBackItsValuesAndLogsWhyAPayloadIsUnusable)
{
    LogCapture log(ETWLogging::LOG_LEVEL_NORMAL);
    const std::wstring unparsable = L"Error: Message payload invalid, not parsable";
    const std::wstring notJson = L"Error: String is not valid JSON, ";
    const std::wstring noName = L"Error: Message payload invalid, unable to get 'name' member";
    const std::wstring noParameters = L"Normal: No parameters found, this may be purposeful";
    const std::wstring longText = std::wstring(kMaxPayloadChars, L'a');
    const std::wstring noUrl = L"Error: Mapping definition invalid, unable to get url member";
    const std::wstring noLink = L"Error: Mapping definition invalid, unable to get link member";
    const std::wstring notInt = L"Error: Failed to get int member, not int type";
    const std::wstring noPageId =
        L"Error: Message payload for show with page id is invalid, unable to get 'page_id' member";
    const std::wstring noResource = L"Error: Invalid payload, unable to get 'resource_name' member";
    const std::wstring urlUnparsable = L"Error: Message payload for OpenUrl is invalid, not parsable";
    const std::wstring urlParsed = L"Normal: Message payload for OpenUrl was successfully parsabled";
    const std::wstring noUrlMember = L"Error: Invalid payload, unable to get 'url' member";
    const std::wstring noDestination = L"Error: Invalid payload, unable to get 'destination' member";
    const std::wstring noOnline = L"Normal: No is_online found, assume it is false";

    const ReaderCase cases[] = {
        // Show screen: the reading functions' records come before the reader's.
        {kShowScreen, L"", kRefused, {kEmptyText, unparsable}},
        {kShowScreen, L" \r\n", kRefused, {notJson + L"1", unparsable}},
        {kShowScreen, LR"({"name":"a.b"} x)", kRefused, {notJson + L"2", unparsable}},
        {kShowScreen, Nested(kMaxJsonDepth + 1), kRefused, {notJson + L"16", unparsable}},
        {kShowScreen, Nested(kMaxJsonDepth), kRefused, {kNotString, noName}},
        {kShowScreen,
         LR"({"name":")" + longText + L"\"}",
         kRefused,
         {L"Error: String too long, not valid JSON, 65547", unparsable}},
        {kShowScreen, LR"(["name","a.b"])", kRefused, {kNotFound, noName}},
        {kShowScreen, LR"({"name":""})", kRefused, {kEmpty, noName}},
        {kShowScreen, LR"({"name":7})", kRefused, {kNotString, noName}},
        {kShowScreen, LR"({"Name":"a.b"})", kRefused, {kNotFound, noName}},
        {kShowScreen, LR"({"name":"a.b"})", L"name=a.b|parameters=", {kNotFound, noParameters}},
        {kShowScreen, LR"({"name":"a.b","parameters":[1]})", L"name=a.b|parameters=", {kNotString, noParameters}},
        {kShowScreen, LR"({"name":"a.b","parameters":"x=1","other":{}})", L"name=a.b|parameters=x=1", {}},
        // A name holding a NUL keeps its full length.
        {kShowScreen, LR"({"name":"a\u0000b"})", std::wstring(L"name=a\0b|parameters=", 20), {kNotFound, noParameters}},

        {kShowInBrowser, L"[]", kRefused, {kNotFound, noUrl}},
        {kShowInBrowser, LR"({"url":""})", kRefused, {kEmpty, noUrl}},
        {kShowInBrowser,
         L"",
         kRefused,
         {kEmptyText, L"Error: Message payload for show in browser is invalid, not parsable"}},
        {kShowInBrowser, LR"({"url":"https://example.test/"})", L"url=https://example.test/", {}},

        {kShowInContainer, LR"([{"link":"l"}])", kRefused, {kNotFound, noLink}},
        {kShowInContainer,
         LR"({"link":"l","launch_point":"5"})",
         L"link=l|parameters=|launch_point=absent",
         {kNotFound, L"Normal: Unable to get parameters member, this may be purposeful", notInt}},
        {kShowInContainer,
         LR"({"link":"l","parameters":"p","launch_point":2147483648})",
         L"link=l|parameters=p|launch_point=absent",
         {notInt}},
        {kShowInContainer,
         LR"({"link":"l","parameters":"p"})",
         L"link=l|parameters=p|launch_point=absent",
         {L"Error: Failed to get int member, not found"}},
        {kShowInContainer,
         LR"({"link":"l","parameters":"p","launch_point":-7})",
         L"link=l|parameters=p|launch_point=-7",
         {}},

        {kShowWithPageId, L"[1]", kRefused, {kNotFound, noPageId}},
        {kShowWithPageId,
         L"page",
         kRefused,
         {notJson + L"3", L"Error: Message payload for show with page id is invalid, not parsable"}},
        {kShowWithPageId, LR"({"page_id":"scan_quick"})", L"page_id=scan_quick", {}},

        {kShowWithResource, L"[]", kRefused, {kNotFound, noResource}},
        {kShowWithResource, LR"({"resource_name":5})", kRefused, {kNotString, noResource}},
        {kShowWithResource,
         LR"({"resource_name":"Scan"})",
         L"resource_name=Scan|parameters=",
         {kNotFound, noParameters}},

        // Open URL reads through the JSON wrapper: no records of the reading functions.
        {kOpenUrl, L"", kRefused, {urlUnparsable}},
        {kOpenUrl, LR"({"url":")" + longText + L"\"}", kRefused, {urlUnparsable}},
        {kOpenUrl, L"[]", kRefused, {noUrlMember}},
        {kOpenUrl, LR"({"url":1,"destination":1,"web_overlay_option":2})", kRefused, {noUrlMember}},
        {kOpenUrl, LR"({"url":"u","destination":-1,"web_overlay_option":2})", kRefused, {noDestination}},
        {kOpenUrl, LR"({"url":"u","destination":1.5,"web_overlay_option":2})", kRefused, {noDestination}},
        {kOpenUrl, LR"({"url":"u","destination":4294967296,"web_overlay_option":2})", kRefused, {noDestination}},
        {kOpenUrl, LR"({"url":"u","destination":"1","web_overlay_option":2})", kRefused, {noDestination}},
        {kOpenUrl,
         LR"({"url":"u","destination":1})",
         kRefused,
         {L"Error: Invalid payload, unable to get 'web_overlay_option' member"}},
        {kOpenUrl,
         LR"({"url":"","destination":4294967295,"web_overlay_option":2})",
         L"url=|destination=4294967295|overlay=2|parameters=preset",
         {L"Normal: Unable to get 'parameters' member, this may be purposeful", urlParsed}},
        // A NUL ends the url.
        {kOpenUrl,
         LR"({"url":"a\u0000b","destination":0,"web_overlay_option":0,"parameters":"p"})",
         L"url=a|destination=0|overlay=0|parameters=p",
         {urlParsed}},

        {kShowHelp, L"[]", kRefused, {kNotFound, L"Error: Message payload invalid, unable to get 'appid' member"}},
        {kShowHelp, LR"({"appid":"a"})", kRefused, {kNotFound, L"Error: No topic_id found"}},
        {kShowHelp,
         LR"({"appid":"a","topic":"t","online":"true"})",
         L"appid=a|topic=t|online=false",
         {L"Error: Failed to get Bool member, not Bool type", noOnline}},
        {kShowHelp,
         LR"({"appid":"a","topic":"t"})",
         L"appid=a|topic=t|online=false",
         {L"Error: Failed to get Bool member, not found", noOnline}},
        {kShowHelp, LR"({"appid":"a","topic":"t","online":true})", L"appid=a|topic=t|online=true", {}},

        {kOpenApp,
         LR"(["app_info"])",
         kRefused,
         {kNotFound, L"Error: Message payload invalid, unable to get 'app_info' member"}},
        {kOpenApp, L"", kRefused, {kEmptyText, unparsable}},
        {kOpenApp, LR"({"app_info":"qvknownapp:uihost::x"})", L"app_info=qvknownapp:uihost::x", {}},
    };

    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        const ReaderCase& c = cases[i];
        SCOPED_TRACE(testing::Message() << "row " << i << ": " << c.payload.substr(0, 80));
        const std::size_t seen = LoggedLines(log.Text()).size();
        std::wstring values;
        EXPECT_EQ(c.reader(c.payload, values), c.values.has_value());
        if (c.values)
        {
            EXPECT_EQ(values, *c.values);
        }
        EXPECT_THAT(LoggedLinesAfter(log.Text(), seen), ::testing::ElementsAreArray(c.records));
    }
}

} // namespace
} // namespace Ostrel
