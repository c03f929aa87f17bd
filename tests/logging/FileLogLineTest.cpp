#include "logging/FileLogLine.h"

#include <gtest/gtest.h>

#include <string>

namespace ETWLogging
{
namespace
{

struct LineCase
{
    const char* label;
    WORD hour;
    std::uint32_t options;
    LogLevel level;
    const wchar_t* imageName;
    const wchar_t* file;
    const wchar_t* function;
    const wchar_t* message;
    const wchar_t* expected;
};

TEST(FileLogLineTest, BuildsLinesByteForByte)
{
    const std::wstring longName(50, L'n');
    const LineCase cases[] = {
        {"worked example", 14, 44, 4, L"relayhost.exe", L"ModuleFunctions.cpp", L"InitializeModuleV2",
         L"Invalid handle.",
         L"03/07/2026 02:05:09 PM$ -- (Error)$ [PID: 1234 TID:  567]$ [ ModuleFunctions.cpp:  192]$ "
         L"[                      InitializeModuleV2()]$ Invalid handle.\r\n"},
        {"midnight, image name only", 0, 16, 6, L"relayhost.exe", L"a.cpp", L"f", L"m",
         L"03/07/2026 12:05:09 AM$ -- (Information)$ [  relayhost.exe]$ m\r\n"},
        {"noon, long names cut", 12, 56, 4, L"averyverylongprocess.exe", L"dll\\AVeryLongSourceFileName.cpp",
         longName.c_str(), L"m",
         L"03/07/2026 12:05:09 PM$ -- (Error)$ [averyverylongpr]$ [AVeryLongSourceFileN:  192]$ "
         L"[nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn()]$ m\r\n"},
        {"missing pieces left out", 9, 63, 2, nullptr, nullptr, nullptr, L"m",
         L"03/07/2026 09:05:09 AM$ -- (Warning)$ [PID: 1234 TID:  567]$ m\r\n"},
        {"message with its own line feed", 23, 0, 1, nullptr, nullptr, nullptr, L"two\nlines\n",
         L"03/07/2026 11:05:09 PM$ -- (Normal)$ two\nlines\n"},
    };
    for (const LineCase& c : cases)
    {
        // 7 March 2026, hh:05:09, process 1234, thread 567, line 192.
        const SYSTEMTIME time{2026, 3, 6, 7, c.hour, 5, 9, 0};
        const FileLogLineFields fields{time, c.level, c.options,  c.imageName, 1234,
                                       567,  c.file,  c.function, 192,         c.message};
        std::wstring line;
        EXPECT_EQ(FormatFileLogLine(fields, line), 0u) << c.label;
        EXPECT_EQ(line, c.expected) << c.label;
    }
}

} // namespace
} // namespace ETWLogging
