#include "uihost/LaunchTarget.h"

#include "ClassesRootIsolation.h"
#include "uihost/CommandLineArgument.h"
#include "uihost/ExecutableFileTypes.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <wininet.h>

#include <string>

namespace Ostrel
{
namespace
{

using ScreenRelayTest::SetClassesDefault;

// The programs the isolated associations name; they exist in every prefix
// (the look-up finds nothing for a program that does not).
constexpr wchar_t kPagesProgram[] = L"C:\\windows\\system32\\iexplore.exe";
constexpr wchar_t kEditorProgram[] = L"C:\\windows\\system32\\notepad.exe";
constexpr wchar_t kMailProgram[] = L"C:\\windows\\system32\\write.exe";

class ResolveLaunchTargetTest : public ScreenRelayTest::ClassesRootIsolatedTest
{
protected:
    void SetUp() override
    {
        ClassesRootIsolatedTest::SetUp();
        const auto command = [](const wchar_t* program)
        {
            return L"\"" + std::wstring(program) + L"\" \"%1\"";
        };
        for (const auto& [type, file] :
             {std::pair{L".html", L"htmlfile"}, {L".htm", L"htmlfile"}, {L".txt", L"txtfile"}})
        {
            ASSERT_EQ(SetClassesDefault(type, file), ERROR_SUCCESS);
        }
        ASSERT_EQ(SetClassesDefault(L"htmlfile\\shell\\open\\command", command(kPagesProgram)), ERROR_SUCCESS);
        ASSERT_EQ(SetClassesDefault(L"txtfile\\shell\\open\\command", command(kEditorProgram)), ERROR_SUCCESS);
        ASSERT_EQ(SetClassesDefault(L"mailto\\shell\\open\\command", command(kMailProgram)), ERROR_SUCCESS);
    }
};

TEST_F(ResolveLaunchTargetTest, TargetsResolveToTheirProgramAndCommandLine)
{
    const struct
    {
        const char* label;
        std::wstring target;
        DWORD status;
        LaunchCommand expected;
    } cases[] = {
        {"program with arguments",
         L"C:\\Tools\\tool.exe /x",
         0,
         {L"C:\\Tools\\tool.exe", L"/x", L"C:\\Tools\\tool.exe"}},
        {"arguments with a blank go as one",
         L"C:\\Tools\\tool.exe /x /y",
         0,
         {L"C:\\Tools\\tool.exe", L"\"/x /y\"", L"C:\\Tools\\tool.exe"}},
        {"program URL", L"file:///C:/Tools/tool.exe", 0, {L"C:\\Tools\\tool.exe", L"", L"C:\\Tools\\tool.exe"}},
        {"program URL, upper case",
         L"file:///C:/Tools/TOOL.EXE",
         0,
         {L"C:\\Tools\\TOOL.EXE", L"", L"C:\\Tools\\TOOL.EXE"}},
        {"page URL",
         L"file:///C:/My%20Docs/a.htm",
         0,
         {kPagesProgram, L"file:///C:/My%20Docs/a.htm", L"C:\\My Docs\\a.htm"}},
        {"page URL with query",
         L"file:///C:/Docs/a.html?q=1",
         0,
         {kPagesProgram, L"file:///C:/Docs/a.html?q=1", L"C:\\Docs\\a.html"}},
        {"document URL",
         L"file:///C:/My%20Docs/a.txt",
         0,
         {kEditorProgram, L"\"C:\\My Docs\\a.txt\"", L"C:\\My Docs\\a.txt"}},
        {"scheme link", L"mailto:someone@example.test", 0, {kMailProgram, L"mailto:someone@example.test", L""}},
        {"file without extension", L"file:///C:/Tools/tool", ERROR_INVALID_PARAMETER, {L"", L"", L"C:\\Tools\\tool"}},
        {"type without program",
         L"file:///C:/Docs/a.unknown",
         ERROR_INVALID_PARAMETER,
         {L"", L"", L"C:\\Docs\\a.unknown"}},
        {"scheme without program",
         L"C:\\Tools\\script.bat",
         ERROR_INVALID_PARAMETER,
         {L"", L"\"C:\\Tools\\script.bat\"", L""}},
        {"not a URL", L"tool.exe", ERROR_INTERNET_UNRECOGNIZED_SCHEME, {}},
        {"empty", L"", ERROR_INVALID_PARAMETER, {}},
    };
    for (const auto& test : cases)
    {
        SCOPED_TRACE(test.label);
        LaunchCommand command{L"stale", L"stale", L"stale"};
        EXPECT_EQ(ResolveLaunchTarget(test.target.c_str(), command), test.status);
        if (test.status == ERROR_SUCCESS)
        {
            EXPECT_EQ(command.executable, test.expected.executable);
            EXPECT_EQ(command.arguments, test.expected.arguments);
        }
        EXPECT_EQ(command.namedFile, test.expected.namedFile);
    }
}

TEST(BuildFileUrlTest, SpacesAndBackslashesAreWrittenForUrls)
{
    const struct
    {
        const wchar_t* path;
        const wchar_t* extra;
        DWORD chars;
        DWORD status;
        const wchar_t* url;
    } cases[] = {
        {L"C:\\My Docs\\a.htm", L"", 64, 0, L"file:///C:/My%20Docs/a.htm"},
        {L"C:\\My Docs\\a.htm", nullptr, 64, 0, L"file:///C:/My%20Docs/a.htm"},
        {L"C:\\Docs\\a.htm", L"?q=1#top", 64, 0, L"file:///C:/Docs/a.htm?q=1#top"},
        // 8 for the prefix, 7 for the path, 2 more for its space: 17 characters need 18.
        {L"C:\\a b\\", L"", 18, 0, L"file:///C:/a%20b/"},
        {L"C:\\a b\\", L"", 17, ERROR_OUTOFMEMORY, L""},
        {nullptr, L"", 64, ERROR_INVALID_PARAMETER, L""},
    };
    for (const auto& test : cases)
    {
        SCOPED_TRACE(test.path != nullptr ? std::string(test.path, test.path + wcslen(test.path)) : "null");
        wchar_t url[64] = {};
        EXPECT_EQ(BuildFileUrl(test.path, test.extra, url, test.chars), test.status);
        EXPECT_STREQ(url, test.url);
    }
}

TEST(OpensAsProgramTest, ProgramsScriptsAndUnclearTypesCount)
{
    const struct
    {
        const wchar_t* file;
        bool program;
    } cases[] = {
        {L"C:\\Tools\\tool.exe", true},       {L"C:\\Tools\\TOOL.EXE", true},      {L"C:\\Tools\\run.bat", true},
        {L"C:\\Tools\\run.cmd", true},        {L"C:\\Tools\\run.js", true},        {L"C:\\Tools\\run.lnk", true},
        {L"C:\\Tools\\setup.msi", true},      {L"C:\\Tools\\run.VBS", true},       {L"C:\\Tools\\run.bat.", true},
        {L"C:\\Tools\\run.bat ", true},       {L"C:\\Tools\\a.txt:run.bat", true}, {L"C:\\Tools\\tool", true},
        {L"C:\\Tools.exe\\readme.txt", true}, {L"tool:C:\\Tools\\tool.exe", true}, {L"C:\\Docs\\a.txt", false},
        {L"C:\\My Docs\\page.html", false},   {L"C:\\Docs\\report.pdf", false},    {L"C:\\Docs.d\\photo.jpeg", false},
    };
    for (const auto& test : cases)
    {
        EXPECT_EQ(OpensAsProgram(test.file), test.program) << std::string(test.file, test.file + wcslen(test.file));
    }
}

TEST(QuoteCommandLineArgumentTest, ProgramsReadBackExactlyTheOneArgument)
{
    const std::wstring arguments[] = {
        L"plain",
        L"two words",
        L"",
        L"say \"hi\"",
        L"C:\\dir with blank\\",
        L"a\\\\\"b",
        L"tab\there",
        L"C:\\no-blank\\",
        L"https://127.0.0.1/a?x=1&y=2",
    };
    for (const auto& argument : arguments)
    {
        const std::wstring commandLine = L"program.exe " + QuoteCommandLineArgument(argument);
        int count = 0;
        wchar_t** parsed = CommandLineToArgvW(commandLine.c_str(), &count);
        ASSERT_NE(parsed, nullptr);
        ASSERT_EQ(count, 2) << std::string(commandLine.begin(), commandLine.end());
        EXPECT_EQ(std::wstring(parsed[1]), argument) << std::string(commandLine.begin(), commandLine.end());
        LocalFree(parsed);
    }
    EXPECT_EQ(QuoteCommandLineArgument(L"https://127.0.0.1/a?x=1&y=2"), L"https://127.0.0.1/a?x=1&y=2");
}

} // namespace
} // namespace Ostrel
