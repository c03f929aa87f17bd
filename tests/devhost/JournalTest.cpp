#include "JournalFile.h"

#include <gtest/gtest.h>

namespace
{

using DevHost::JournalArgument;
using DevHost::JournalEntry;

// A line written for an entry reads back as the same entry, whatever the
// arguments hold.
TEST(JournalTest, LinesReadBackAsTheEntriesWritten)
{
    struct Case
    {
        const char* label;
        std::vector<JournalArgument> arguments;
    };
    const Case cases[] = {
        {"no arguments", {}},
        {"null string", {{{}, L"VT_BSTR", {}}}},
        {"text needing escapes", {{L"link", {}, std::wstring(L"a \"b\" \\c\td\u00e9\u4e2d")}}},
        {"numbers at both ends", {{{}, L"VT_UI4", 0u}, {{}, L"VT_UI4", 0xFFFFFFFFu}, {{}, L"VT_BOOL", 0xFFFFu}}},
        {"empty text is not null", {{L"p", {}, std::wstring()}}},
    };
    for (const auto& test : cases)
    {
        SCOPED_TRACE(test.label);
        const JournalEntry written{L"Component", L"Call", test.arguments, 4242};
        const std::string line = DevHost::FormatJournalLine(written);
        EXPECT_EQ(line.find('\n'), std::string::npos);
        const auto read = DevHost::ParseJournalLine(line);
        ASSERT_TRUE(read.has_value()) << line;
        EXPECT_EQ(read->component, L"Component");
        EXPECT_EQ(read->call, L"Call");
        EXPECT_EQ(read->processId, 4242u);
        EXPECT_EQ(read->arguments, test.arguments);
    }
}

// Lines appended by separate calls stay whole and in order, each one entry of
// the calling process.
TEST(JournalTest, EachCallAppendsOneLineOfThisProcess)
{
    DevHostTest::JournalFile journal;
    for (std::uint32_t i = 0; i < 3; ++i)
    {
        ASSERT_EQ(DevHost::JournalCall(L"Test", L"Call", {{L"index", {}, i}}), 0u);
    }
    const auto entries = journal.Entries();
    ASSERT_EQ(entries.size(), 3u);
    for (std::uint32_t i = 0; i < 3; ++i)
    {
        EXPECT_EQ(entries[i].processId, GetCurrentProcessId());
        ASSERT_EQ(entries[i].arguments.size(), 1u);
        EXPECT_EQ(entries[i].arguments[0].value, DevHost::JournalValue(i));
    }
}

} // namespace
