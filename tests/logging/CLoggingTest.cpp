#include "logging/CLogging.h"
#include "platform/UniqueHandles.h"
#include "registry/CObfuscatedIniReader.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace ETWLogging
{
namespace
{

using ScreenRelayTest::ReadFileBytes;
using ScreenRelayTest::ReadUtf16File;
using ScreenRelayTest::WriteFileBytes;

constexpr wchar_t kConfig[] = L"Config";
// The test program's own name, which names its logs when no module is given.
constexpr wchar_t kBase[] = L"logging_tests";
constexpr wchar_t kImagePiece[] = L" [logging_tests.e]$ ";
constexpr std::uint32_t kMinSize = 262144;
// A log file holding "old", and one of exactly the smallest maximum size.
const std::string kOldLog("\xFF\xFEo\0l\0d\0", 8);
const std::string kFullLog = "\xFF\xFE" + std::string(kMinSize - 2, 'f');

std::wstring LogRoot()
{
    Ostrel::UniqueTaskString programData;
    SHGetKnownFolderPath(FOLDERID_ProgramData, 0, nullptr, programData.put());
    return std::wstring(programData.get()) + L"\\Norvane\\QVLOGS\\";
}

std::optional<int> ReadSetting(const std::wstring& path, const wchar_t* key)
{
    Basekit::CObfuscatedIniReader ini;
    ini.Load(path);
    int value = 0;
    return ini.GetInt(kConfig, key, value) ? std::optional<int>(value) : std::nullopt;
}

void WriteSetting(const std::wstring& path, const wchar_t* key, int value)
{
    Basekit::CObfuscatedIniReader ini;
    ini.Load(path);
    EXPECT_TRUE(ini.SetInt(kConfig, key, value)) << path;
}

// The log text with every timestamp replaced by "<time>".
std::wstring Masked(const std::wstring& text)
{
    static const std::wregex timestamp(LR"(\d\d/\d\d/\d{4} \d\d:\d\d:\d\d [AP]M\$)");
    return std::regex_replace(text, timestamp, L"<time>");
}

std::wstring Line(const wchar_t* level, const std::wstring& message)
{
    return L"<time> -- (" + std::wstring(level) + L")$" + kImagePiece + message + L"\r\n";
}

// Loggers read the machine-wide log.ini at Open; the one test that writes it
// holds this lock while the file exists, every other test while it opens.
class SettingsLock
{
public:
    SettingsLock()
        : mutex_(CreateMutexW(nullptr, FALSE, L"Local\\ScreenRelayFileLogTestSettings"))
    {
        WaitForSingleObject(mutex_.get(), 60000);
    }
    ~SettingsLock() { ReleaseMutex(mutex_.get()); }
    SettingsLock(const SettingsLock&) = delete;
    SettingsLock& operator=(const SettingsLock&) = delete;

private:
    Ostrel::UniqueHandle mutex_;
};

class CLoggingTest : public ::testing::Test
{
protected:
    ~CLoggingTest() override
    {
        for (const auto& group : groups_)
        {
            std::error_code ignored;
            std::filesystem::remove_all(root_ + group, ignored);
        }
    }

    // A group of the test's own; its folder goes away with the test.
    std::wstring NewGroup()
    {
        GUID guid{};
        CoCreateGuid(&guid);
        wchar_t text[64];
        StringFromGUID2(guid, text, 64);
        return groups_.emplace_back(std::wstring(L"FileLogTest") + text);
    }
    std::wstring Folder(const std::wstring& group, const wchar_t* base = kBase) const
    {
        return root_ + group + L"\\" + base;
    }
    std::wstring LogFile(const std::wstring& group, int index) const
    {
        return Folder(group) + L"\\" + kBase + L"00" + std::to_wstring(index) + L".log";
    }
    std::wstring ModuleIni(const std::wstring& group) const { return Folder(group) + L"\\log.ini"; }
    // A group whose log folder exists and whose log.ini holds `settings`.
    std::wstring NewGroup(std::initializer_list<std::pair<const wchar_t*, int>> settings)
    {
        const std::wstring group = NewGroup();
        std::filesystem::create_directories(Folder(group));
        for (const auto& [key, value] : settings)
        {
            WriteSetting(ModuleIni(group), key, value);
        }
        return group;
    }

    std::unique_ptr<CLogging> Open(const std::wstring& group, HMODULE module = nullptr, const wchar_t* host = nullptr)
    {
        auto logger = std::make_unique<CLogging>();
        SettingsLock lock;
        EXPECT_EQ(logger->Open(group.c_str(), module, host, nullptr), 0u);
        return logger;
    }

    const std::wstring root_ = LogRoot();
    std::vector<std::wstring> groups_;
};

TEST_F(CLoggingTest, NamesFilesAfterTheModuleAndHost)
{
    const std::wstring group = NewGroup();
    auto moduleLogger = Open(group, GetModuleHandleW(L"kernel32.dll"), L"svc");
    EXPECT_EQ(moduleLogger->LogText(L"dll\\DllLoader.cpp", L"Ostrel::DllLoader::load", 42, 4, L"first"), 0u);
    moduleLogger->Log(4, L"a.cpp", L"f", 1, L"%ls %hs %lu\n", L"wide", "narrow", 7ul);
    bool bom = false;
    const std::wstring text = ReadUtf16File(Folder(group, L"kernel32") + L"\\kernel32_svc000.log", &bom);
    EXPECT_TRUE(bom);
    // With a module handle the process's name is not kept: no piece for option 16.
    EXPECT_EQ(Masked(text), L"<time> -- (Error)$ first\r\n<time> -- (Error)$ wide narrow 7\n");

    auto processLogger = Open(group);
    EXPECT_EQ(processLogger->LogText(L"a.cpp", L"f", 1, 2, L"own name"), 0u);
    EXPECT_EQ(Masked(ReadUtf16File(LogFile(group, 0))), Line(L"Warning", L"own name"));
}

TEST_F(CLoggingTest, WritesOnlyValidRecordsThatPass)
{
    const std::wstring group = NewGroup();
    auto logger = Open(group);
    EXPECT_EQ(logger->LogText(L"a.cpp", L"f", 1, 0, L"level 0"), 87u);
    EXPECT_EQ(logger->LogText(L"a.cpp", L"f", 1, 7, L"level 7"), 87u);
    EXPECT_EQ(logger->LogText(L"a.cpp", L"f", 1, 4, L""), 87u);
    logger->Log(2, L"a.cpp", L"f", 1, L"below severity");
    logger->SetEnabled(false);
    logger->Log(5, L"a.cpp", L"f", 1, L"disabled");
    EXPECT_EQ(GetFileAttributesW(LogFile(group, 0).c_str()), INVALID_FILE_ATTRIBUTES);

    logger->SetEnabled(true);
    const std::wstring longMessage(5000, L'z');
    logger->Log(4, L"a.cpp", L"f", 1, L"%ls", longMessage.c_str());
    EXPECT_EQ(Masked(ReadUtf16File(LogFile(group, 0))), Line(L"Error", std::wstring(4159, L'z')));
}

TEST_F(CLoggingTest, OpenAndCloseReportTheirStateAndCloseThenOpenWritesAgain)
{
    const std::wstring group = NewGroup();
    CLogging logger;
    EXPECT_EQ(logger.Close(), kFileLogNotOpen);
    EXPECT_EQ(logger.Open(L"", nullptr, nullptr, nullptr), 87u);
    EXPECT_EQ(logger.Open(group.c_str(), nullptr, L"", nullptr), 87u);
    EXPECT_EQ(logger.Open(nullptr, nullptr, nullptr, nullptr), 87u);
    EXPECT_EQ(logger.Open(group.c_str(), nullptr, nullptr, nullptr), 0u);
    EXPECT_EQ(logger.Open(group.c_str(), nullptr, nullptr, nullptr), kFileLogAlreadyOpen);

    logger.SetMaxEntries(101);
    logger.SetMaxSize(1);
    EXPECT_EQ(logger.GetMaxEntries(), 100u);
    EXPECT_EQ(logger.GetMaxSize(), kMinSize);
    EXPECT_EQ(logger.Close(), 0u);
    EXPECT_EQ(logger.GetMaxEntries(), 3u);
    EXPECT_EQ(logger.Close(), kFileLogNotOpen);
    // A line after Close finds no log folder and closes the write gate; Open opens it again.
    EXPECT_EQ(logger.LogText(L"a.cpp", L"f", 1, 4, L"after close"), 87u);
    ASSERT_EQ(logger.Open(group.c_str(), nullptr, nullptr, nullptr), 0u);
    EXPECT_TRUE(logger.IsEnabled());
    EXPECT_TRUE(logger.IsLevelEnabled(LOG_LEVEL_ERROR));
    EXPECT_EQ(logger.LogText(L"a.cpp", L"f", 1, 4, L"reopened"), 0u);
    EXPECT_EQ(Masked(ReadUtf16File(LogFile(group, 0))), Line(L"Error", L"reopened"));

    wchar_t cut[4];
    EXPECT_EQ(logger.GetCommonDataFolder(cut, 4), 0u);
    EXPECT_EQ(std::wstring(cut), root_.substr(0, 3));
    EXPECT_EQ(logger.GetCommonDataFolder(nullptr, 4), 87u);
}

TEST_F(CLoggingTest, UncreatableFolderSilencesTheLoggerForGood)
{
    const std::wstring group = NewGroup();
    std::filesystem::create_directories(root_ + group);
    ASSERT_TRUE(WriteFileBytes(Folder(group), "a file where the log folder belongs"));
    auto logger = Open(group);
    EXPECT_EQ(logger->LogText(L"a.cpp", L"f", 1, 4, L"lost"), 87u);
    EXPECT_FALSE(logger->IsEnabled());
    for (LogLevel level = 0; level <= 6; ++level)
    {
        EXPECT_FALSE(logger->IsLevelEnabled(level)) << level;
    }
    logger->SetEnabled(true);
    logger->SetSeverity(1);
    EXPECT_EQ(logger->LogText(L"a.cpp", L"f", 1, 4, L"still lost"), 87u);
}

TEST_F(CLoggingTest, RotatesWhenMaxSizeIsReached)
{
    const std::wstring group = NewGroup({{L"MaxSize", kMinSize}, {L"MaxEntries", 3}});
    auto logger = Open(group);
    ASSERT_EQ(logger->LogText(L"a.cpp", L"f", 1, 1, L"x"), 0u);
    // Characters of a line besides its message.
    const std::uintmax_t fixedChars = (std::filesystem::file_size(LogFile(group, 0)) - 2) / 2 - 1;
    // Writes the one line that brings the file to exactly `bytes`.
    const auto fill = [&](int index, std::uintmax_t bytes)
    {
        const std::wstring message((bytes - std::filesystem::file_size(LogFile(group, index))) / 2 - fixedChars, L'y');
        ASSERT_EQ(logger->LogText(L"a.cpp", L"f", 1, 1, message.c_str()), 0u);
        ASSERT_EQ(std::filesystem::file_size(LogFile(group, index)), bytes);
    };
    const auto expectFresh = [&](int index, const std::wstring& text)
    {
        bool bom = false;
        // Cut, so that a file that was not started anew does not flood the output.
        EXPECT_EQ(Masked(ReadUtf16File(LogFile(group, index), &bom)).substr(0, 200), text) << index;
        EXPECT_TRUE(bom) << index;
        EXPECT_EQ(ReadSetting(ModuleIni(group), L"LastLogIdx"), index);
    };

    fill(0, kMinSize);
    ASSERT_EQ(logger->LogText(L"a.cpp", L"f", 1, 1, L"second"), 0u);
    expectFresh(1, Line(L"Normal", L"second"));
    EXPECT_EQ(std::filesystem::file_size(LogFile(group, 0)), kMinSize);

    fill(1, kMinSize - 2);
    ASSERT_EQ(logger->LogText(L"a.cpp", L"f", 1, 1, L"below"), 0u);
    EXPECT_EQ(GetFileAttributesW(LogFile(group, 2).c_str()), INVALID_FILE_ATTRIBUTES);
    ASSERT_EQ(logger->LogText(L"a.cpp", L"f", 1, 1, L"third"), 0u);
    expectFresh(2, Line(L"Normal", L"third"));

    fill(2, kMinSize);
    ASSERT_EQ(logger->LogText(L"a.cpp", L"f", 1, 1, L"first again"), 0u);
    expectFresh(0, Line(L"Normal", L"first again"));
}

TEST_F(CLoggingTest, FollowsTheStoredIndexAndLoweredMaxEntries)
{
    const std::wstring group = NewGroup({{L"MaxEntries", 3}, {L"LastLogIdx", 2}});
    ASSERT_TRUE(WriteFileBytes(LogFile(group, 0), kOldLog));
    ASSERT_TRUE(WriteFileBytes(LogFile(group, 2), kOldLog));
    auto logger = Open(group);

    ASSERT_EQ(logger->LogText(L"a.cpp", L"f", 1, 1, L"appended"), 0u);
    EXPECT_EQ(Masked(ReadUtf16File(LogFile(group, 2))), L"old" + Line(L"Normal", L"appended"));

    logger->SetMaxEntries(2);
    ASSERT_EQ(logger->LogText(L"a.cpp", L"f", 1, 1, L"replaced"), 0u);
    EXPECT_EQ(Masked(ReadUtf16File(LogFile(group, 0))), Line(L"Normal", L"replaced"));
    EXPECT_EQ(ReadSetting(ModuleIni(group), L"LastLogIdx"), 0);

    // Another writer finds the current file full and moves the index on; the
    // next line follows it instead of starting (and emptying) a file again.
    auto other = Open(group);
    other->SetMaxEntries(2);
    ASSERT_TRUE(WriteFileBytes(LogFile(group, 0), kFullLog));
    ASSERT_EQ(other->LogText(L"a.cpp", L"f", 1, 1, L"other writer"), 0u);
    ASSERT_EQ(logger->LogText(L"a.cpp", L"f", 1, 1, L"follows"), 0u);
    EXPECT_EQ(Masked(ReadUtf16File(LogFile(group, 1))), Line(L"Normal", L"other writer") + Line(L"Normal", L"follows"));
    EXPECT_EQ(ReadSetting(ModuleIni(group), L"LastLogIdx"), 1);
}

TEST_F(CLoggingTest, LooksTheStoredIndexUpAgainOnlyWhenTheFileIsFull)
{
    const std::wstring group = NewGroup({{L"MaxEntries", 3}});
    ASSERT_TRUE(WriteFileBytes(LogFile(group, 2), kOldLog));
    auto logger = Open(group);
    ASSERT_EQ(logger->LogText(L"a.cpp", L"f", 1, 1, L"first"), 0u);

    // A file with room is still the current one, whatever "LastLogIdx" says.
    WriteSetting(ModuleIni(group), L"LastLogIdx", 2);
    ASSERT_EQ(logger->LogText(L"a.cpp", L"f", 1, 1, L"room left"), 0u);
    EXPECT_EQ(Masked(ReadUtf16File(LogFile(group, 0))), Line(L"Normal", L"first") + Line(L"Normal", L"room left"));

    // Once it is full, the stored index names the file to go on with.
    ASSERT_TRUE(WriteFileBytes(LogFile(group, 0), kFullLog));
    ASSERT_EQ(logger->LogText(L"a.cpp", L"f", 1, 1, L"full"), 0u);
    EXPECT_EQ(Masked(ReadUtf16File(LogFile(group, 2))), L"old" + Line(L"Normal", L"full"));
    EXPECT_EQ(GetFileAttributesW(LogFile(group, 1).c_str()), INVALID_FILE_ATTRIBUTES);
}

// The settings file as UTF-16, which the logger does not read.
std::string AsUtf16(const std::string& ansi)
{
    std::string utf16("\xFF\xFE");
    for (const char c : ansi)
    {
        utf16 += c;
        utf16 += '\0';
    }
    return utf16;
}

TEST_F(CLoggingTest, UnreadableOrUnwritableIndexTruncatesNoFile)
{
    // Each keeps the logger from reading or writing "LastLogIdx" while it is in place.
    const struct
    {
        const char* label;
        bool rewriteAsUtf16;
        DWORD holderShare;
    } obstacles[] = {
        {"held open exclusively", false, 0},
        {"rewritten as UTF-16", true, 0},
        {"readable, but held against writers", false, FILE_SHARE_READ},
    };
    for (const auto& obstacle : obstacles)
    {
        SCOPED_TRACE(obstacle.label);
        const std::wstring group = NewGroup({{L"MaxEntries", 3}, {L"LastLogIdx", 1}});
        ASSERT_TRUE(WriteFileBytes(LogFile(group, 0), kFullLog));
        ASSERT_TRUE(WriteFileBytes(LogFile(group, 1), kOldLog));
        auto logger = Open(group);
        Ostrel::UniqueFileHandle holder;
        if (obstacle.rewriteAsUtf16)
        {
            ASSERT_TRUE(WriteFileBytes(ModuleIni(group), AsUtf16(ReadFileBytes(ModuleIni(group)))));
        }
        else
        {
            holder.reset(CreateFileW(ModuleIni(group).c_str(), GENERIC_READ, obstacle.holderShare, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(holder) << GetLastError();
        }

        // The index known from Open still names the current file.
        ASSERT_EQ(logger->LogText(L"a.cpp", L"f", 1, 4, L"kept"), 0u);
        EXPECT_EQ(Masked(ReadUtf16File(LogFile(group, 1))), L"old" + Line(L"Error", L"kept"));
        EXPECT_EQ(std::filesystem::file_size(LogFile(group, 0)), kMinSize);

        // A rotation whose index cannot be stored, or read back, is not
        // repeated on the next line.
        ASSERT_TRUE(WriteFileBytes(LogFile(group, 1), kFullLog));
        ASSERT_EQ(logger->LogText(L"a.cpp", L"f", 1, 4, L"rotated"), 0u);
        ASSERT_EQ(logger->LogText(L"a.cpp", L"f", 1, 4, L"next"), 0u);
        EXPECT_EQ(Masked(ReadUtf16File(LogFile(group, 2))), Line(L"Error", L"rotated") + Line(L"Error", L"next"));
        EXPECT_EQ(std::filesystem::file_size(LogFile(group, 1)), kMinSize);
    }
}

// What the logger applied for the log.ini setting `key`.
std::uint32_t Applied(CLogging& logger, const std::wstring& key)
{
    return key == L"Severity"     ? logger.GetSeverity()
           : key == L"Enable"     ? static_cast<std::uint32_t>(logger.IsEnabled())
           : key == L"MaxEntries" ? logger.GetMaxEntries()
                                  : logger.GetMaxSize();
}

TEST_F(CLoggingTest, ReadsOnlyScrambledSettingsInRange)
{
    const struct
    {
        const wchar_t* key;
        int value;
        bool scrambled;
        std::uint32_t expected;
        std::optional<int> storedAfterOpen;
    } cases[] = {
        {L"Severity", 0, true, 0, 0},
        {L"Severity", 7, true, 3, 3},
        {L"Severity", 0, false, 3, std::nullopt},
        {L"Enable", 0, true, 0, 0},
        {L"Enable", 0, false, 1, std::nullopt},
        {L"MaxEntries", 50, true, 50, 50},
        {L"MaxEntries", 1, true, 3, 3},
        {L"MaxSize", 1048576, false, kMinSize, std::nullopt},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << (c.scrambled ? "" : "plain ") << c.key << " " << c.value);
        const std::wstring group = c.scrambled ? NewGroup({{c.key, c.value}}) : NewGroup({});
        if (!c.scrambled)
        {
            const std::wstring line = std::wstring(c.key) + L"=" + std::to_wstring(c.value);
            ASSERT_TRUE(WriteFileBytes(ModuleIni(group), "[Config]\r\n" + std::string(line.begin(), line.end())));
        }
        auto logger = Open(group);
        EXPECT_EQ(Applied(*logger, c.key), c.expected);
        EXPECT_EQ(ReadSetting(ModuleIni(group), c.key), c.storedAfterOpen);
    }
}

TEST_F(CLoggingTest, CorrectsRejectedSettingsAndFallsBackToTheMachineWideFile)
{
    const std::wstring group = NewGroup({{L"MaxSize", 100}});
    const std::wstring globalIni = root_ + L"log.ini";
    SettingsLock lock;
    WriteSetting(globalIni, L"MaxSize", 1048576);
    WriteSetting(globalIni, L"MaxEntries", 500);
    CLogging logger;
    const DWORD opened = logger.Open(group.c_str(), nullptr, nullptr, nullptr);
    const std::optional<int> globalEntries = ReadSetting(globalIni, L"MaxEntries");
    DeleteFileW(globalIni.c_str());

    EXPECT_EQ(opened, 0u);
    EXPECT_EQ(logger.GetMaxSize(), 1048576u);
    EXPECT_EQ(ReadSetting(ModuleIni(group), L"MaxSize"), static_cast<int>(kMinSize));
    EXPECT_EQ(logger.GetMaxEntries(), 3u);
    EXPECT_EQ(globalEntries, 3);
}

} // namespace
} // namespace ETWLogging
