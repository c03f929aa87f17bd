#include "ComServerRegistration.h"
#include "JournalFile.h"
#include "RegistrationLock.h"
#include "ShellHandlerRegistration.h"
#include "SuiteComInterfaces.h"
#include "platform/UniqueHandles.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <optional>
#include <string>

namespace
{

using DevHost::JournalValue;

std::optional<std::wstring> ReadClassesDefault(const std::wstring& key)
{
    wchar_t value[MAX_PATH * 2] = {};
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
    {
        return std::nullopt;
    }
    return std::wstring(value);
}

bool Started(HINSTANCE shellResult)
{
    return reinterpret_cast<INT_PTR>(shellResult) > 32;
}

class ShellLaunchedComponentsTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(lock_.Held()); }

    DevHostTest::JournalFile journal_;

private:
    DevHost::RegistrationLock lock_;
};

// The module finds the updater beside the registered server of the updater's
// class and starts it with "/link:<target>".
TEST_F(ShellLaunchedComponentsTest, UpdaterBesideItsClassServerJournalsItsLink)
{
    const std::wstring updater = ScreenRelayTest::ProgramFolder() + L"QvUpdate.exe";
    ASSERT_EQ(DevHost::RegisterUpdater(updater), 0u);
    wchar_t classId[40];
    StringFromGUID2(DevHost::kUpdaterClass, classId, 40);
    const auto server = ReadClassesDefault(std::wstring(L"CLSID\\") + classId + L"\\LocalServer32");
    EXPECT_EQ(DevHost::UnregisterUpdater(), 0u);
    ASSERT_TRUE(server.has_value());
    std::wstring serverPath = *server;
    if (serverPath.size() > 2 && serverPath.front() == L'"' && serverPath.back() == L'"')
    {
        serverPath = serverPath.substr(1, serverPath.size() - 2);
    }
    const std::wstring besideServer = serverPath.substr(0, serverPath.find_last_of(L'\\') + 1) + L"QvUpdate.exe";
    ASSERT_EQ(GetFileAttributesW(besideServer.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u)
        << "no updater beside the server";

    const std::wstring link = L"/link:https://127.0.0.1/offer?a=1&b=2";
    ASSERT_TRUE(Started(ShellExecuteW(nullptr, L"open", besideServer.c_str(), link.c_str(), nullptr, SW_SHOWNORMAL)));

    const auto entries = journal_.WaitFor(L"QvUpdate", L"Run");
    ASSERT_EQ(entries.size(), 1u) << "the updater did not journal its start";
    const auto& entry = entries[0];
    ASSERT_EQ(entry.arguments.size(), 2u);
    EXPECT_EQ(entry.arguments[0].name, L"link");
    EXPECT_EQ(entry.arguments[0].value, JournalValue(std::wstring(L"https://127.0.0.1/offer?a=1&b=2")));
    const auto* commandLine = std::get_if<std::wstring>(&entry.arguments[1].value);
    ASSERT_NE(commandLine, nullptr);
    EXPECT_NE(commandLine->find(link), std::wstring::npos) << *commandLine;
}

// ShellExecuteW hands links and .html files to the registered stand-in
// browser, and the registration is undone afterwards.
TEST_F(ShellLaunchedComponentsTest, ShellOpensLinksAndPagesInTheStandInBrowser)
{
    const std::wstring page = journal_.Folder().File(L"page.html");
    ASSERT_TRUE(ScreenRelayTest::WriteFileBytes(page, "<html></html>"));
    const auto httpBefore = ReadClassesDefault(L"http\\shell\\open\\command");

    DevHost::ShellHandlerBackup backup;
    ASSERT_EQ(DevHost::RegisterBrowser(ScreenRelayTest::ProgramFolder() + L"RelayBrowser.exe", &backup), 0u);
    const wchar_t* targets[] = {L"http://127.0.0.1/x", L"https://127.0.0.1/y?q=1", page.c_str()};
    for (const wchar_t* target : targets)
    {
        EXPECT_TRUE(Started(ShellExecuteW(nullptr, L"open", target, nullptr, nullptr, SW_SHOWNORMAL))) << target;
    }
    std::vector<std::wstring> opened;
    for (const auto& entry : journal_.WaitFor(L"Browser", L"Open", std::size(targets)))
    {
        ASSERT_FALSE(entry.arguments.empty());
        if (const auto* target = std::get_if<std::wstring>(&entry.arguments[0].value))
        {
            opened.push_back(*target);
        }
    }
    EXPECT_EQ(DevHost::RestoreShellHandlers(backup), 0u);
    EXPECT_EQ(ReadClassesDefault(L"http\\shell\\open\\command"), httpBefore);

    std::sort(opened.begin(), opened.end());
    std::vector<std::wstring> expected(std::begin(targets), std::end(targets));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(opened, expected);
}

} // namespace
