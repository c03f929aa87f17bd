#include "uihost/vrtcmn.h"

#include "LoggedRecord.h"
#include "platform/TrustVerification.h"
#include "support/RegistryIsolation.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <string>

namespace Ostrel
{
namespace
{

using ScreenRelayTest::ExpectRecord;
using ScreenRelayTest::ReadFileBytes;

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Polls for the file for at most 30 seconds: a started program writes it on
// its own time.
bool WaitForFile(const std::wstring& path)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!Exists(path))
    {
        if (std::chrono::steady_clock::now() >= deadline)
        {
            return false;
        }
        Sleep(20);
    }
    // The writer may still hold it open.
    while (ReadFileBytes(path).empty() && std::chrono::steady_clock::now() < deadline)
    {
        Sleep(20);
    }
    return true;
}

std::wstring FileUrl(std::wstring path)
{
    std::replace(path.begin(), path.end(), L'\\', L'/');
    return L"file:///" + path;
}

// The programs and scripts a link may name: copies of the marker writer, one
// listed as trusted, one whose content differs (so its digest is not listed),
// and a batch file that would write a marker too. Nothing else is trusted:
// the test's registry isolation starts with an empty trust list.
class QvShellExecuteTrustTest : public ScreenRelayTest::RegistryIsolatedTest
{
protected:
    void SetUp() override
    {
        RegistryIsolatedTest::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        const std::string program = ReadFileBytes(ScreenRelayTest::ProgramFolder() + L"MarkerWriter.exe");
        ASSERT_FALSE(program.empty());
        ASSERT_TRUE(CreateDirectoryW(folder_.File(L"Listed").c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW(folder_.File(L"Unlisted").c_str(), nullptr));
        ASSERT_TRUE(ScreenRelayTest::WriteFileBytes(listed_, program));
        ASSERT_EQ(ListTrustedFile(listed_), 0u);
        ASSERT_TRUE(ScreenRelayTest::WriteFileBytes(unlisted_, program + "appended after the listing"));
        const std::wstring scriptMarker = script_ + L".started";
        ASSERT_TRUE(ScreenRelayTest::WriteFileBytes(
            script_, "@echo started > \"" + std::string(scriptMarker.begin(), scriptMarker.end()) + "\"\r\n"));
    }

    ScreenRelayTest::RecordCapture log_;
    ScreenRelayTest::TempFolder folder_;
    const std::wstring listed_ = folder_.File(L"Listed\\MarkerWriter.exe");
    const std::wstring unlisted_ = folder_.File(L"Unlisted\\Tool.exe");
    const std::wstring script_ = folder_.File(L"Unlisted\\Script.bat");
};

TEST_F(QvShellExecuteTrustTest, UnlistedProgramsAndScriptsAreRefusedOnEveryPath)
{
    const std::wstring unlistedMarker = folder_.File(L"unlisted-with-arguments.txt");
    struct Case
    {
        const char* label;
        std::wstring target;
        std::wstring marker;
    };
    const Case cases[] = {
        {"bare path", unlisted_, unlisted_ + L".started"},
        {"with arguments", unlisted_ + L" " + unlistedMarker, unlistedMarker},
        {"file URL", FileUrl(unlisted_), unlisted_ + L".started"},
        {"file URL, upper-case type", FileUrl(folder_.File(L"Unlisted\\TOOL.EXE")), unlisted_ + L".started"},
        {"no extension", unlisted_.substr(0, unlisted_.size() - 4), unlisted_ + L".started"},
        {"batch file", script_, script_ + L".started"},
        {"batch file URL", FileUrl(script_), script_ + L".started"},
        {"batch file named in upper case", folder_.File(L"Unlisted\\SCRIPT.BAT"), script_ + L".started"},
        {"scheme with a program path", L"tool:" + unlisted_ + L" x", unlisted_ + L".started"},
    };
    for (const auto& test : cases)
    {
        SCOPED_TRACE(test.label);
        EXPECT_EQ(QvShellExecute(test.target.c_str()), static_cast<DWORD>(ERROR_ACCESS_DENIED));
        EXPECT_TRUE(ScreenRelayTest::LoggedLine(log_, L"Not opening " + test.target + L":").size() > 0)
            << "no record naming " << std::string(test.target.begin(), test.target.end());
    }

    // Had any of them been started, it would have been started before this.
    const std::wstring control = folder_.File(L"control.txt");
    ASSERT_EQ(QvShellExecute((listed_ + L" " + control).c_str()), 0u);
    ASSERT_TRUE(WaitForFile(control));
    for (const auto& test : cases)
    {
        EXPECT_FALSE(Exists(test.marker)) << test.label;
    }
}

TEST_F(QvShellExecuteTrustTest, ListedProgramStartsWithTheLinkArgumentsAsOneArgument)
{
    const std::wstring spaced = folder_.File(L"marker with spaces.txt");
    struct Case
    {
        const char* label;
        std::wstring target;
        std::wstring marker;
        std::string content;
    };
    const Case cases[] = {
        {"bare path", listed_, listed_ + L".started", "0\r\n"},
        {"file URL", FileUrl(listed_), listed_ + L".started", "0\r\n"},
        {"with arguments", listed_ + L" " + spaced, spaced,
         "1\r\n" + std::string(spaced.begin(), spaced.end()) + "\r\n"},
    };
    for (const auto& test : cases)
    {
        SCOPED_TRACE(test.label);
        DeleteFileW(test.marker.c_str());
        ASSERT_EQ(QvShellExecute(test.target.c_str()), 0u);
        ASSERT_TRUE(WaitForFile(test.marker));
        EXPECT_EQ(ReadFileBytes(test.marker), test.content);
    }
}

TEST_F(QvShellExecuteTrustTest, RefusalIsAnErrorRecordOfTheLauncher)
{
    ASSERT_EQ(QvShellExecute(unlisted_.c_str()), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    ExpectRecord(log_, {L"Error", L"vrtcmn.cpp", L"QvShellExecute", L"Not opening " + unlisted_ + L": it runs"});
}

} // namespace
} // namespace Ostrel
