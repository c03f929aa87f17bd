#pragma once

#include "logging/FileLogLine.h"
#include "support/LogCapture.h"

#include <gmock/gmock.h>

#include <string>

namespace ScreenRelayTest
{

// Captures every record, with its source file and function in each line.
class RecordCapture : public LogCapture
{
public:
    RecordCapture()
        : LogCapture(ETWLogging::LOG_LEVEL_NORMAL)
    {
        Basekit::CObfuscatedIniReader settings;
        settings.Load(LogGroupFolder(Group()) + L"\\" + ProgramBaseName() + L"\\log.ini");
        settings.SetInt(L"Config", L"Options",
                        static_cast<int>(ETWLogging::kFileLogOptionSource | ETWLogging::kFileLogOptionFunction));
    }
};

// The whole logged line that holds the text, or empty.
inline std::wstring LoggedLine(const LogCapture& log, const std::wstring& text)
{
    const std::wstring logged = log.Text();
    const std::size_t at = logged.find(text);
    if (at == std::wstring::npos)
    {
        return {};
    }
    const std::size_t begin = logged.rfind(L'\n', at);
    const std::size_t start = begin == std::wstring::npos ? 0 : begin + 1;
    return logged.substr(start, logged.find(L'\n', at) - start);
}

// What one record must show: its level name ("Error"), source file, function
// and message text.
struct ExpectedRecord
{
    std::wstring level;
    std::wstring sourceFile;
    std::wstring function;
    std::wstring message;
};

// Checks the record's fields as the file log prints them: the level in
// parentheses, the source file right-aligned in a field of 20 characters (cut to its first 20), the function
// followed by "()", then the message.
inline void ExpectRecord(const LogCapture& log, const ExpectedRecord& record)
{
    const std::wstring line = LoggedLine(log, L" " + record.message);
    ASSERT_FALSE(line.empty()) << "no record: " << record.message << "\n" << log.Text();
    EXPECT_THAT(line, testing::HasSubstr(L"(" + record.level + L")$"));
    const std::wstring source = record.sourceFile.substr(0, 20) + L":";
    const std::size_t at = line.find(source);
    ASSERT_NE(at, std::wstring::npos) << "source " << source << " in " << line;
    EXPECT_TRUE(at > 0 && (line[at - 1] == L' ' || line[at - 1] == L'[')) << line;
    EXPECT_THAT(line, testing::HasSubstr(L" " + record.function + L"()]$ " + record.message));
}

} // namespace ScreenRelayTest
