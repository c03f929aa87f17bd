#include "logging/CLogging.h"
#include "logging/FileLogWriterLock.h"
#include "platform/UniqueHandles.h"
#include "registry/CObfuscatedIniReader.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <chrono>
#include <cstring>
#include <map>
#include <regex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace ETWLogging
{
namespace
{

using ScreenRelayTest::LogGroupFolder;
using ScreenRelayTest::ReadFileBytes;

constexpr wchar_t kWriterBase[] = L"filelog_writer";
constexpr int kWriters = 4;
constexpr int kLinesPerWriter = 2000;
// Enough files that the writers' lines never wrap around to a used one.
constexpr int kMaxEntries = 20;
constexpr DWORD kWritersDoneMs = 240000;

// A log group of the test's own, removed afterwards.
class OwnLogGroup
{
public:
    OwnLogGroup()
        : name_(ScreenRelayTest::UniqueLogGroup())
    {
    }
    ~OwnLogGroup() { ScreenRelayTest::RemoveLogGroup(name_); }
    OwnLogGroup(const OwnLogGroup&) = delete;
    OwnLogGroup& operator=(const OwnLogGroup&) = delete;

    const std::wstring& Name() const { return name_; }
    std::wstring Folder(const std::wstring& baseName) const { return LogGroupFolder(name_) + L"\\" + baseName; }

private:
    std::wstring name_;
};

// Starts filelog_writer.exe suspended at its start event.
Ostrel::UniqueHandle StartWriter(const std::wstring& group, int writer, const std::wstring& startEvent)
{
    const std::wstring program = ScreenRelayTest::ProgramFolder() + kWriterBase + L".exe";
    std::wstring commandLine = L"\"" + program + L"\" " + group + L" " + std::to_wstring(writer) + L" " +
                               std::to_wstring(kLinesPerWriter) + L" " + startEvent;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
    {
        return {};
    }
    const Ostrel::UniqueHandle thread(process.hThread);
    return Ostrel::UniqueHandle(process.hProcess);
}

// The log files of a folder in name order, each as its bytes.
std::vector<std::pair<std::wstring, std::string>> LogFiles(const std::wstring& folder)
{
    std::vector<std::pair<std::wstring, std::string>> files;
    for (int index = 0; index < kMaxEntries; ++index)
    {
        wchar_t name[32];
        _snwprintf(name, 31, L"%ls%03d.log", kWriterBase, index);
        name[31] = L'\0';
        const std::wstring path = folder + L"\\" + name;
        if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        {
            files.emplace_back(name, ReadFileBytes(path));
        }
    }
    return files;
}

TEST(FileLogWritersTest, FourProcessesLoseNoLineAndTearNone)
{
    OwnLogGroup group;
    const std::wstring folder = group.Folder(kWriterBase);
    ASSERT_EQ(SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr), ERROR_SUCCESS);
    Basekit::CObfuscatedIniReader settings;
    settings.Load(folder + L"\\log.ini");
    ASSERT_TRUE(settings.SetInt(L"Config", L"MaxEntries", kMaxEntries));

    const std::wstring startEvent = L"Local\\FileLogWritersStart-" + group.Name();
    const Ostrel::UniqueHandle start(CreateEventW(nullptr, TRUE, FALSE, startEvent.c_str()));
    ASSERT_TRUE(start);
    std::vector<Ostrel::UniqueHandle> writers;
    std::vector<HANDLE> waitable;
    for (int writer = 0; writer < kWriters; ++writer)
    {
        writers.push_back(StartWriter(group.Name(), writer, startEvent));
        ASSERT_TRUE(writers.back()) << GetLastError();
        waitable.push_back(writers.back().get());
    }
    SetEvent(start.get());
    ASSERT_EQ(WaitForMultipleObjects(kWriters, waitable.data(), TRUE, kWritersDoneMs), WAIT_OBJECT_0);
    for (const auto& writer : writers)
    {
        DWORD exitCode = 0;
        GetExitCodeProcess(writer.get(), &exitCode);
        EXPECT_EQ(exitCode, 0u);
    }

    const auto files = LogFiles(folder);
    // Rotation happened, and no file was started twice.
    ASSERT_GE(files.size(), 2u);
    ASSERT_LT(files.size(), static_cast<std::size_t>(kMaxEntries));
    int storedIndex = -1;
    Basekit::CObfuscatedIniReader stored;
    stored.Load(folder + L"\\log.ini");
    stored.GetInt(L"Config", L"LastLogIdx", storedIndex);
    EXPECT_EQ(storedIndex, static_cast<int>(files.size()) - 1);

    static const std::wregex wholeLine(
        LR"(\d\d/\d\d/\d{4} \d\d:\d\d:\d\d [AP]M\$ -- \(Error\)\$ \[filelog_writer\.\]\$ writer (\d) line (\d+) \.{48})");
    std::map<std::pair<int, int>, int> seen;
    int torn = 0;
    for (const auto& [name, bytes] : files)
    {
        ASSERT_GE(bytes.size(), 2u) << name;
        EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE") << name;
        EXPECT_EQ(bytes.size() % 2, 0u) << name;
        std::wstring text((bytes.size() - 2) / 2, L'\0');
        std::memcpy(text.data(), bytes.data() + 2, text.size() * sizeof(wchar_t));
        std::size_t begin = 0;
        for (std::size_t end = text.find(L"\r\n"); end != std::wstring::npos; end = text.find(L"\r\n", begin))
        {
            std::wsmatch match;
            const std::wstring line = text.substr(begin, end - begin);
            if (std::regex_match(line, match, wholeLine))
            {
                ++seen[{std::stoi(match[1].str()), std::stoi(match[2].str())}];
            }
            else
            {
                ++torn;
            }
            begin = end + 2;
        }
        EXPECT_EQ(begin, text.size()) << name << ": ends inside a line";
    }
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kWriters * kLinesPerWriter));
    int repeated = 0;
    for (const auto& [line, count] : seen)
    {
        repeated += count != 1 ? 1 : 0;
    }
    EXPECT_EQ(repeated, 0);
}

TEST(FileLogWritersTest, AWriterWaitsBrieflyForTheFolderLockThenWritesAnyway)
{
    OwnLogGroup group;
    CLogging logger;
    ASSERT_EQ(logger.Open(group.Name().c_str(), nullptr, nullptr, nullptr), 0u);
    const std::wstring folder = group.Folder(ScreenRelayTest::ProgramBaseName());

    // Another writer holds the folder's lock until the test is done.
    const Ostrel::UniqueHandle held(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const Ostrel::UniqueHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread holder(
        [&]
        {
            const Ostrel::UniqueHandle mutex(CreateMutexW(nullptr, FALSE, FileLogWriterLock::NameFor(folder).c_str()));
            if (WaitForSingleObject(mutex.get(), 0) == WAIT_OBJECT_0)
            {
                SetEvent(held.get());
                WaitForSingleObject(done.get(), INFINITE);
                ReleaseMutex(mutex.get());
            }
        });
    const bool lockHeld = WaitForSingleObject(held.get(), 10000) == WAIT_OBJECT_0;

    const auto before = std::chrono::steady_clock::now();
    const DWORD result = logger.LogText(L"a.cpp", L"f", 1, LOG_LEVEL_ERROR, L"written anyway");
    const auto waited = std::chrono::steady_clock::now() - before;
    SetEvent(done.get());
    holder.join();

    ASSERT_TRUE(lockHeld);
    EXPECT_EQ(result, 0u);
    EXPECT_GE(waited, std::chrono::milliseconds(kFileLogWriterWaitMs / 2));
    EXPECT_LT(waited, std::chrono::seconds(30));
    EXPECT_NE(ScreenRelayTest::ReadUtf16File(folder + L"\\" + ScreenRelayTest::ProgramBaseName() + L"000.log")
                  .find(L"(Error)$ [logging_tests.e]$ written anyway\r\n"),
              std::wstring::npos);
}

} // namespace
} // namespace ETWLogging
