#include "json/JSONParser.h"

#include "platform/UniqueHandles.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace Ostrel
{
namespace
{

using Strings = std::vector<std::wstring>;

TEST(JSONParserTest, FailedParseKeepsThePreviousDocument)
{
    for (const wchar_t* text : {L"", L" \t\r\n", LR"({"a":1} x)", LR"({"a":1}{})", LR"({"a":)", L"[1,]"})
    {
        JSONParser parser;
        ASSERT_TRUE(parser.parse(std::wstring(LR"( {"kept" : 7} )")));
        EXPECT_FALSE(parser.parse(text)) << text;
        EXPECT_EQ(parser.toString(), LR"({"kept":7})") << text;
    }
    JSONParser parser;
    EXPECT_FALSE(parser.parse(nullptr));
    EXPECT_EQ(parser.toString(), L"null");
}

// The getters that accept member "n", each with the value it read.
std::wstring NumberReadings(const JSONParser& p)
{
    std::int32_t i32 = 0;
    std::int64_t i64 = 0;
    std::uint32_t u32 = 0;
    std::uint64_t u64 = 0;
    double real = 0;
    std::wstring readings;
    readings += p.getInt(L"n", i32) ? L" int=" + std::to_wstring(i32) : L"";
    readings += p.getInt64(std::wstring(L"n"), i64) ? L" int64=" + std::to_wstring(i64) : L"";
    readings += p.getUint(L"n", u32) ? L" uint=" + std::to_wstring(u32) : L"";
    readings += p.getUint64(L"n", u64) ? L" uint64=" + std::to_wstring(u64) : L"";
    readings += p.getDouble(L"n", real) ? L" double=" + std::to_wstring(real) : L"";
    return readings;
}

TEST(JSONParserTest, NumberKindsFollowTheLiteral)
{
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"1", L" int=1 int64=1 uint=1 uint64=1"},
        {L"-1", L" int=-1 int64=-1"},
        {L"2147483648", L" int64=2147483648 uint=2147483648 uint64=2147483648"},
        {L"4294967296", L" int64=4294967296 uint64=4294967296"},
        {L"-9223372036854775808", L" int64=-9223372036854775808"},
        {L"18446744073709551615", L" uint64=18446744073709551615"},
        {L"1.0", L" double=1.000000"},
        {L"-2.5e1", L" double=-25.000000"},
        {L"true", L""},
        {L"\"1\"", L""},
    };
    for (const auto& [literal, readings] : cases)
    {
        JSONParser parser;
        ASSERT_TRUE(parser.parse(L"{\"n\":" + std::wstring(literal) + L"}"));
        EXPECT_EQ(NumberReadings(parser), readings) << literal;
    }
}

TEST(JSONParserTest, StringGettersEndAtTheFirstNul)
{
    JSONParser parser;
    ASSERT_TRUE(parser.parse(LR"({"s":"ab\u0000cd","u":"\u00e9\ud83d\ude00","n":null,"o":{"x":[1,true]},"d":1.50})"));
    std::wstring text = L"untouched";
    EXPECT_TRUE(parser.getString(std::wstring(L"s"), text));
    EXPECT_EQ(text, L"ab");
    EXPECT_TRUE(parser.getString(L"u", text));
    EXPECT_EQ(text, L"\u00e9\U0001F600");
    text = L"untouched";
    EXPECT_FALSE(parser.getString(L"n", text));
    EXPECT_FALSE(parser.getString(L"S", text));
    EXPECT_FALSE(parser.getString(nullptr, text));
    EXPECT_EQ(text, L"untouched");

    const std::pair<const wchar_t*, const wchar_t*> values[] = {
        {L"s", L"ab"}, {L"n", L""}, {L"o", LR"({"x":[1,true]})"}, {L"d", L"1.5"}};
    for (const auto& [name, expected] : values)
    {
        EXPECT_TRUE(parser.getValueText(name, text)) << name;
        EXPECT_EQ(text, expected);
    }
    EXPECT_FALSE(parser.getValueText(std::wstring(L"missing"), text));
}

TEST(JSONParserTest, SettingAMemberAgainMovesItToTheEnd)
{
    JSONParser parser;
    ASSERT_TRUE(parser.parse(LR"({"a":1,"b":2,"c":3})"));
    parser.setInt(L"a", 4);
    EXPECT_EQ(parser.toString(), LR"({"c":3,"b":2,"a":4})");
    parser.setString(L"a", std::wstring(L"x"));
    parser.setJson(L"c", L"[true]");
    parser.setString(nullptr, L"y");
    parser.setString(L"b", nullptr);
    EXPECT_EQ(parser.toString(), LR"({"a":"x","b":2,"c":[true]})");
}

TEST(JSONParserTest, SettersBuildTheRootObject)
{
    JSONParser parser;
    parser.setString(std::wstring(L"s"), std::wstring(L"x\"y\u00e9"));
    parser.setInt(std::wstring(L"i"), -1);
    parser.setUint(L"u", 4294967295u);
    parser.setInt64(L"l", -2147483649);
    parser.setUint64(L"ul", 18446744073709551615u);
    parser.setDouble(L"d", 0.1);
    parser.setIntArray(L"ia", {1, -2});
    parser.setStringArray(L"sa", std::vector<const wchar_t*>{L"p", nullptr, L"q"});
    parser.setStringArray(std::wstring(L"ws"), Strings{L"r"});
    parser.appendToArray(L"o", L"v", L"k");
    parser.appendToArray(std::wstring(L"o"), std::wstring(L"w"), std::wstring());
    parser.appendJson(L"o", LR"( {"z" : [null]} )");
    parser.setJson(L"j", L"1.5");
    EXPECT_EQ(parser.toString(), LR"({"s":"x\"y)"
                                 L"\u00e9"
                                 LR"(","i":-1,"u":4294967295,"l":-2147483649,"ul":18446744073709551615,"d":0.1,)"
                                 LR"("ia":[1,-2],"sa":["p","q"],"ws":["r"],"o":[{"k":"v"},"w",{"z":[null]}],"j":1.5})");
}

TEST(JSONParserTest, UnparsableJsonChangesNothing)
{
    for (const wchar_t* initial : {LR"({"a":[1]})", L"[1]"})
    {
        JSONParser parser;
        ASSERT_TRUE(parser.parse(initial));
        for (const wchar_t* json : {L"", L"{", L"1 2", L"[1,]"})
        {
            parser.setJson(L"a", json);
            parser.setJson(L"b", json);
            parser.appendJson(L"a", json);
            parser.appendJson(L"c", json);
        }
        EXPECT_EQ(parser.toString(), initial);
    }
}

TEST(JSONParserTest, ArrayGettersStopAtTheFirstBadElement)
{
    const std::tuple<const wchar_t*, const wchar_t*, Strings, bool> cases[] = {
        {LR"(["a",1,"b"])", L"", {L"pre", L"a"}, false},
        {LR"([{"k":"a"},{"k":2},{"k":"c"}])", L"k", {L"pre", L"a"}, false},
        {LR"([{"k":"a"},{"j":"b"}])", L"k", {L"pre", L"a"}, false},
        {LR"([{"k":"a"},"b"])", L"k", {L"pre", L"a"}, false},
        {LR"([{"k":"a"},{"k":"b"}])", L"k", {L"pre", L"a", L"b"}, true},
        {LR"({"k":"a"})", L"k", {L"pre"}, false},
    };
    for (const auto& [array, key, expected, result] : cases)
    {
        JSONParser parser;
        ASSERT_TRUE(parser.parse(std::wstring(L"{\"m\":") + array + L"}"));
        Strings values{L"pre"};
        EXPECT_EQ(parser.getStringArray(L"m", values, key), result) << array;
        EXPECT_EQ(values, expected) << array;
    }

    JSONParser parser;
    ASSERT_TRUE(parser.parse(LR"({"i":[1,2.5,3],"b":[1,4294967296],"k":[{"k":-1},{"k":2}]})"));
    std::vector<std::int32_t> ints{7};
    EXPECT_FALSE(parser.getIntArray(L"i", ints, L""));
    EXPECT_FALSE(parser.getIntArray(L"b", ints, nullptr));
    EXPECT_TRUE(parser.getIntArray(std::wstring(L"k"), ints, std::wstring(L"k")));
    EXPECT_FALSE(parser.getIntArray(L"missing", ints, nullptr));
    EXPECT_EQ(ints, (std::vector<std::int32_t>{7, 1, 1, -1, 2}));
}

TEST(JSONParserTest, ObjectArrayGivesEachObjectAsText)
{
    JSONParser parser;
    ASSERT_TRUE(parser.parse(LR"({"o":[{"a":"x","n":1,"z":null,"r":[1,{"b":true}]},{"d":1,"e":"y","d":2},{},3,{}],)"
                             LR"("all":[{"a":1}],"s":"x"})"));
    Strings values{L"pre"};
    EXPECT_FALSE(parser.getObjectArray(L"o", values));
    EXPECT_EQ(values,
              (Strings{L"pre", LR"({"a":"x","n":1,"z":null,"r":[1,{"b":true}]})", LR"({"e":"y","d":2})", L"{}"}));
    values.clear();
    EXPECT_TRUE(parser.getObjectArray(std::wstring(L"all"), values));
    EXPECT_EQ(values, Strings{LR"({"a":1})"});
    EXPECT_FALSE(parser.getObjectArray(L"s", values));
}

TEST(JSONParserTest, NonObjectRootAnswersNoGetterUntilASetterReplacesIt)
{
    JSONParser fresh;
    EXPECT_EQ(fresh.toString(), L"null");
    JSONParser array;
    ASSERT_TRUE(array.parse(L"[1,2]"));
    for (JSONParser* parser : {&fresh, &array})
    {
        const std::wstring before = parser->toString();
        bool flag = false;
        std::wstring text;
        Strings strings;
        std::vector<std::int32_t> ints;
        EXPECT_EQ(NumberReadings(*parser), L"");
        EXPECT_FALSE(parser->getBool(L"0", flag) || parser->getString(L"0", text) ||
                     parser->getStringArray(L"0", strings, nullptr) || parser->getObjectArray(L"0", strings) ||
                     parser->getIntArray(L"0", ints, nullptr) || parser->getValueText(L"0", text));
        EXPECT_TRUE(parser->isEmpty());
        parser->clear();
        EXPECT_EQ(parser->toString(), before);
        parser->setBool(L"b", false);
        EXPECT_EQ(parser->toString(), LR"({"b":false})");
        EXPECT_FALSE(parser->isEmpty());
        parser->clear();
        EXPECT_TRUE(parser->isEmpty());
    }
}

UniqueCFile Open(const std::wstring& path, const wchar_t* mode)
{
    return UniqueCFile(_wfopen(path.c_str(), mode));
}

TEST(JSONParserTest, FileRoundTripIsUtf16LeWithByteOrderMark)
{
    ScreenRelayTest::TempFolder folder;
    const std::wstring path = folder.File(L"doc.json");
    std::wstring longText;
    for (int i = 0; i < 100; ++i)
    {
        longText += L"\u00e9\U0001F600x"; // surrogate pairs straddle the 256-byte buffers
    }
    JSONParser written;
    written.setString(L"t", longText);
    written.setInt(L"n", 1);
    {
        UniqueCFile file = Open(path, L"wb");
        ASSERT_TRUE(file);
        written.writeFile(file.get());
    }
    const std::string bytes = ScreenRelayTest::ReadFileBytes(path);
    bool bom = false;
    EXPECT_EQ(ScreenRelayTest::ReadUtf16File(path, &bom), written.toString());
    EXPECT_TRUE(bom);

    JSONParser read;
    EXPECT_TRUE(read.parseFile(Open(path, L"rb").get()));
    std::wstring text;
    EXPECT_TRUE(read.getString(L"t", text));
    EXPECT_EQ(text, longText);

    // Without the mark the text still reads; a broken text keeps the document.
    ASSERT_TRUE(ScreenRelayTest::WriteFileBytes(path, bytes.substr(2)));
    EXPECT_TRUE(read.parseFile(Open(path, L"rb").get()));
    EXPECT_EQ(read.toString(), written.toString());
    ASSERT_TRUE(ScreenRelayTest::WriteFileBytes(path, bytes.substr(0, bytes.size() - 2)));
    EXPECT_FALSE(read.parseFile(Open(path, L"rb").get()));
    EXPECT_EQ(read.toString(), written.toString());
}

// Arrays and objects nested `depth` levels deep, alternating from an object at
// the root, around the number 1.
std::wstring Nested(std::size_t depth)
{
    std::wstring opening;
    std::wstring closing;
    for (std::size_t level = 0; level < depth; ++level)
    {
        opening += level % 2 == 0 ? L"{\"a\":" : L"[";
        closing.insert(0, level % 2 == 0 ? L"}" : L"]");
    }
    return opening + L"1" + closing;
}

// The ways in that took the text: parse (both forms), parseFile, setJson and
// appendJson, each into a wrapper of its own.
std::wstring WaysThatTakeIt(const std::wstring& text, const std::wstring& path)
{
    std::wstring taken;
    JSONParser owned;
    taken += owned.parse(text) && owned.toString() == text ? L" parse" : L"";
    JSONParser pointer;
    taken += pointer.parse(text.c_str()) && pointer.toString() == text ? L" parsePointer" : L"";

    const std::string bytes(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    EXPECT_TRUE(ScreenRelayTest::WriteFileBytes(path, "\xFF\xFE" + bytes));
    JSONParser file;
    taken += file.parseFile(Open(path, L"rb").get()) && file.toString() == text ? L" parseFile" : L"";

    std::wstring member;
    JSONParser set;
    set.setJson(L"m", text.c_str());
    taken += set.getValueText(L"m", member) && member == text ? L" setJson" : L"";
    JSONParser appended;
    appended.appendJson(L"m", text.c_str());
    taken += appended.getValueText(L"m", member) && member == L"[" + text + L"]" ? L" appendJson" : L"";
    return taken;
}

TEST(JSONParserTest, DocumentsNestedDeeperThanTheLimitAreRefused)
{
    ScreenRelayTest::TempFolder folder;
    const std::wstring path = folder.File(L"nested.json");
    const std::wstring everyWay = L" parse parsePointer parseFile setJson appendJson";
    const std::wstring branches = Nested(kMaxJsonDepth - 1);
    const std::pair<std::wstring, std::wstring> cases[] = {
        {Nested(kMaxJsonDepth), everyWay},
        {L"[" + branches + L"," + branches + L"]", everyWay}, // depth counts per branch
        {Nested(kMaxJsonDepth + 1), L""},
    };
    for (const auto& [text, expected] : cases)
    {
        EXPECT_EQ(WaysThatTakeIt(text, path), expected) << text;
    }
}

// A parse on a thread with a 64 KB stack, of a payload that would need
// megabytes of stack if the parser recursed once per level.
TEST(JSONParserTest, AHundredThousandLevelsAreRefusedOnASmallStack)
{
    struct Run
    {
        std::wstring payload = std::wstring(100000, L'[') + std::wstring(100000, L']');
        bool parsed = true;
        bool setJsonTookIt = true;
        bool finished = false;
        std::wstring document;
    } run;
    const LPTHREAD_START_ROUTINE parse = [](void* context) -> DWORD
    {
        auto& run = *static_cast<Run*>(context);
        JSONParser parser;
        parser.setInt(L"kept", 1);
        run.parsed = parser.parse(run.payload);
        parser.setJson(L"m", run.payload.c_str());
        std::wstring member;
        run.setJsonTookIt = parser.getValueText(L"m", member);
        run.document = parser.toString();
        run.finished = true;
        return 0;
    };
    UniqueHandle thread(CreateThread(nullptr, 64 * 1024, parse, &run, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
    ASSERT_TRUE(thread);
    ASSERT_EQ(WaitForSingleObject(thread.get(), 60000), WAIT_OBJECT_0);
    DWORD exitCode = STILL_ACTIVE;
    ASSERT_TRUE(GetExitCodeThread(thread.get(), &exitCode));
    EXPECT_EQ(exitCode, 0u);
    ASSERT_TRUE(run.finished) << "the thread ended early";
    EXPECT_FALSE(run.parsed);
    EXPECT_FALSE(run.setJsonTookIt);
    EXPECT_EQ(run.document, LR"({"kept":1})");
}

} // namespace
} // namespace Ostrel
