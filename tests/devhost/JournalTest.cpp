#include "JournalFile.h"
#include "platform/UniqueHandles.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

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
        const JournalEntry written{L"Component", L"Call", test.arguments, 4242, 0x123456789AB};
        const std::string line = DevHost::FormatJournalLine(written);
        EXPECT_EQ(line.find('\n'), std::string::npos);
        const auto read = DevHost::ParseJournalLine(line);
        ASSERT_TRUE(read.has_value()) << line;
        EXPECT_EQ(read->component, L"Component");
        EXPECT_EQ(read->call, L"Call");
        EXPECT_EQ(read->processId, 4242u);
        EXPECT_EQ(read->time, 0x123456789AB);
        EXPECT_EQ(read->arguments, test.arguments);
    }
}

// Lines appended by separate calls stay whole and in order, each one entry of
// the calling process.
TEST(JournalTest, EachCallAppendsOneLineOfThisProcess)
{
    DevHostTest::JournalFile journal;
    LARGE_INTEGER before;
    QueryPerformanceCounter(&before);
    for (std::uint32_t i = 0; i < 3; ++i)
    {
        ASSERT_EQ(DevHost::JournalCall(L"Test", L"Call", {{L"index", {}, i}}), 0u);
    }
    LARGE_INTEGER after;
    QueryPerformanceCounter(&after);
    const auto entries = journal.Entries();
    ASSERT_EQ(entries.size(), 3u);
    for (std::uint32_t i = 0; i < 3; ++i)
    {
        EXPECT_EQ(entries[i].processId, GetCurrentProcessId());
        EXPECT_GE(entries[i].time, i == 0 ? before.QuadPart : entries[i - 1].time);
        EXPECT_LE(entries[i].time, after.QuadPart);
        ASSERT_EQ(entries[i].arguments.size(), 1u);
        EXPECT_EQ(entries[i].arguments[0].value, DevHost::JournalValue(i));
    }
}

// Several processes appending at once: every line stays whole and each
// process's lines keep their order (under Wine, appends from several
// processes can interleave without the journal's lock).
TEST(JournalTest, AppendsFromSeveralProcessesStayWhole)
{
    constexpr int kProcesses = 4;
    constexpr std::uint32_t kLinesEach = 2000;
    DevHostTest::JournalFile journal;
    std::wstring commandLine =
        L"\"" + ScreenRelayTest::ProgramFolder() + L"JournalAppender.exe\" " + std::to_wstring(kLinesEach);
    std::vector<Ostrel::UniqueHandle> processes;
    for (int i = 0; i < kProcesses; ++i)
    {
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION started{};
        ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                   &started))
            << GetLastError();
        const Ostrel::UniqueHandle thread(started.hThread);
        processes.emplace_back(started.hProcess);
    }
    for (const auto& process : processes)
    {
        ASSERT_EQ(WaitForSingleObject(process.get(), 120000), WAIT_OBJECT_0);
        DWORD exitCode = 1;
        GetExitCodeProcess(process.get(), &exitCode);
        EXPECT_EQ(exitCode, 0u);
    }

    const auto lines = DevHost::ReadJournalLines(journal.Path());
    EXPECT_EQ(lines.size(), kProcesses * kLinesEach);
    std::map<DWORD, std::uint32_t> nextIndex;
    std::size_t torn = 0;
    for (const auto& line : lines)
    {
        const auto entry = DevHost::ParseJournalLine(line);
        if (!entry || entry->arguments.size() != 1)
        {
            ++torn;
            continue;
        }
        EXPECT_EQ(entry->arguments[0].value, DevHost::JournalValue(nextIndex[entry->processId]++));
    }
    EXPECT_EQ(torn, 0u);
    EXPECT_EQ(nextIndex.size(), static_cast<std::size_t>(kProcesses));
}

} // namespace
