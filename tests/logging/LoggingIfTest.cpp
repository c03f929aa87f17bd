#include "logging/CLoggingIf.h"
#include "logging/LogFormat.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ETWLogging
{
namespace
{

// Records what reaches LogText; everything else does nothing.
class RecordingLogger : public CLoggingIf
{
public:
    struct Entry
    {
        std::wstring file;
        std::wstring function;
        std::uint32_t line;
        LogLevel level;
        std::wstring text;
    };
    std::vector<Entry> entries;

    DWORD Open(const wchar_t*, HMODULE, const wchar_t*, void*) override { return 0; }
    DWORD Register() override { return 0; }
    const wchar_t* GetLogName() override { return L""; }
    const wchar_t* GetGroup() override { return L""; }
    DWORD Close() override { return 0; }
    void SetEnabled(bool) override {}
    bool IsEnabled() override { return true; }
    void Log(LogLevel, const wchar_t*, const wchar_t*, std::uint32_t, const wchar_t*, ...) override {}
    DWORD LogText(const wchar_t* file, const wchar_t* function, std::uint32_t line, LogLevel level,
                  const wchar_t* text) override
    {
        entries.push_back({file, function, line, level, text});
        return 0;
    }
    bool IsLevelEnabled(LogLevel) override { return true; }
    void SetMaxEntries(std::uint32_t) override {}
    std::uint32_t GetMaxEntries() override { return 0; }
    void SetMaxSize(std::uint32_t) override {}
    std::uint32_t GetMaxSize() override { return 0; }
    void SetSeverity(LogLevel) override {}
    LogLevel GetSeverity() override { return 0; }
    long AddRef() override { return 1; }
    long Release() override { return 1; }
};

TEST(LoggingIfTest, ShortcutsFormatWithTheirFixedLevel)
{
    RecordingLogger logger;
    logger.LogNormal(L"a.cpp", L"N::f", 1, L"n%d", 1);
    logger.LogError(L"b.cpp", L"N::g", 2, L"e%d", 4);
    logger.LogWarning(L"c.cpp", L"N::h", 3, L"w%d", 2);
    logger.LogCritical(L"d.cpp", L"N::i", 4, L"c%d", 5);
    logger.LogInformation(L"e.cpp", L"N::j", 5, L"i%d", 3);

    ASSERT_EQ(logger.entries.size(), 5u);
    const LogLevel levels[] = {1, 4, 2, 5, 3};
    const wchar_t* texts[] = {L"n1", L"e4", L"w2", L"c5", L"i3"};
    for (std::size_t i = 0; i < 5; ++i)
    {
        EXPECT_EQ(logger.entries[i].level, levels[i]);
        EXPECT_EQ(logger.entries[i].text, texts[i]);
        EXPECT_EQ(logger.entries[i].line, i + 1);
    }
    EXPECT_EQ(logger.entries[1].file, L"b.cpp");
    EXPECT_EQ(logger.entries[1].function, L"N::g");
}

TEST(LoggingIfTest, ShortcutsKeepAtMost4159Characters)
{
    RecordingLogger logger;
    const std::wstring fits(4159, L'x');
    const std::wstring tooLong(5000, L'y');
    logger.LogError(L"f.cpp", L"f", 1, L"%ls", fits.c_str());
    logger.LogError(L"f.cpp", L"f", 1, L"%ls", tooLong.c_str());
    logger.LogError(L"f.cpp", L"f", 1, L"%ls!", fits.c_str());

    ASSERT_EQ(logger.entries.size(), 3u);
    EXPECT_EQ(logger.entries[0].text, fits);
    EXPECT_EQ(logger.entries[1].text, std::wstring(4159, L'y'));
    EXPECT_EQ(logger.entries[2].text, fits);
}

TEST(LogFormatTest, ConversionsHaveTheirMicrosoftMeaning)
{
    wchar_t buffer[kLogMessageBufferChars];
    // %s and %ls take wide strings, %hs a narrow one, %lu a 32-bit number.
    auto format = [&](const wchar_t* fmt, ...)
    {
        va_list args;
        va_start(args, fmt);
        FormatLogMessage(buffer, kLogMessageBufferChars, fmt, args);
        va_end(args);
        return std::wstring(buffer);
    };
    EXPECT_EQ(format(L"[%s|%ls|%hs|%lu]", L"wide", L"wide2", "narrow", 7ul), L"[wide|wide2|narrow|7]");
    EXPECT_EQ(format(L"%ls(%lu)", L"MODULE_STATUS_TIMEOUT", 0x8000000Dul), L"MODULE_STATUS_TIMEOUT(2147483661)");
}

TEST(LogFormatTest, CutsToTheBufferAndAlwaysTerminates)
{
    wchar_t small[8];
    auto format = [&](const wchar_t* fmt, ...)
    {
        va_list args;
        va_start(args, fmt);
        const std::size_t length = FormatLogMessage(small, 8, fmt, args);
        va_end(args);
        return length;
    };
    EXPECT_EQ(format(L"%ls", L"0123456789"), 7u);
    EXPECT_EQ(std::wstring(small), L"0123456");
    EXPECT_EQ(format(L"abc"), 3u);
    EXPECT_EQ(std::wstring(small), L"abc");
}

} // namespace
} // namespace ETWLogging
