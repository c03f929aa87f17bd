#include "uihost/vrtcmn.h"

#include "ComServerRegistration.h"
#include "JournalFile.h"
#include "LoggedRecord.h"
#include "RegistrationLock.h"
#include "ShellHandlerRegistration.h"
#include "platform/TrustVerification.h"
#include "platform/UniqueHandles.h"
#include "support/RegistryIsolation.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace Ostrel
{
namespace
{

using ScreenRelayTest::ProgramFolder;

std::vector<std::wstring> JournaledTexts(const std::vector<DevHost::JournalEntry>& entries)
{
    std::vector<std::wstring> texts;
    for (const auto& entry : entries)
    {
        if (!entry.arguments.empty())
        {
            if (const auto* text = std::get_if<std::wstring>(&entry.arguments[0].value))
            {
                texts.push_back(*text);
            }
        }
    }
    std::sort(texts.begin(), texts.end());
    return texts;
}

// Registrations are machine-wide: held under the registration lock.
class QvShellExecuteRoutingTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(lock_.Held()); }

    ScreenRelayTest::RecordCapture log_;
    DevHostTest::JournalFile journal_;

private:
    DevHost::RegistrationLock lock_;
};

// The updater beside its registered class server, with the utility library
// beside the test program, in the test's registry isolation.
class WebLinkToUpdaterTest : public QvShellExecuteRoutingTest
{
protected:
    void SetUp() override
    {
        QvShellExecuteRoutingTest::SetUp();
        ASSERT_TRUE(registry_.Active());
        ASSERT_EQ(DevHost::RegisterUpdater(updater_), 0u);
        ASSERT_EQ(ListTrustedFile(ProgramFolder() + L"QvUtil.dll"), 0u);
    }
    void TearDown() override { EXPECT_EQ(DevHost::UnregisterUpdater(), 0u); }

    const std::wstring updater_ = ProgramFolder() + L"QvUpdate.exe";

private:
    ScreenRelayTest::RegistryIsolation registry_;
};

TEST_F(WebLinkToUpdaterTest, LinkFromAnotherProcessReachesTheUpdaterWhole)
{
    ASSERT_EQ(ListTrustedFile(updater_), 0u);
    const std::vector<std::wstring> links = {
        L"http://127.0.0.1/offer?a=1&b=2",
        L"HTTPS://127.0.0.1/two words \"quoted\" /install",
    };
    for (const auto& link : links)
    {
        EXPECT_EQ(QvShellExecute(link.c_str()), 0u);
    }
    auto expected = links;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(JournaledTexts(journal_.WaitFor(L"QvUpdate", L"Run", links.size())), expected);
    ScreenRelayTest::ExpectRecord(log_,
                                  {L"Normal", L"vrtcmn.cpp", L"QvShellExecute",
                                   L"the calling process is not qvupdate.exe, launch qvupdate.exe to open the link"});
}

TEST_F(WebLinkToUpdaterTest, UnlistedUpdaterIsNotStarted)
{
    // The trust verification's own status (without the machine's signature
    // providers in the isolated registry, not TRUST_E_NOSIGNATURE).
    EXPECT_NE(QvShellExecute(L"http://127.0.0.1/refused"), 0u);

    // Had the refused one been started, it would have been started before this.
    ASSERT_EQ(ListTrustedFile(updater_), 0u);
    ASSERT_EQ(QvShellExecute(L"http://127.0.0.1/control"), 0u);
    journal_.WaitFor(L"QvUpdate", L"Run");
    EXPECT_EQ(JournaledTexts(journal_.Entries()), std::vector<std::wstring>{L"http://127.0.0.1/control"});
}

// Runs the launcher in a process of its own whose command line names the
// updater; its exit code is the launcher's status.
DWORD ShellExecuteAsUpdater(const std::wstring& target)
{
    std::wstring commandLine =
        L"\"" + ProgramFolder() + L"ShellExecuteCaller.exe\" /caller:C:\\Suite\\QVUPDATE.EXE \"" + target + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
    {
        return GetLastError();
    }
    const UniqueHandle process(started.hProcess);
    const UniqueHandle thread(started.hThread);
    if (WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0)
    {
        return WAIT_TIMEOUT;
    }
    DWORD exitCode = 0;
    GetExitCodeProcess(process.get(), &exitCode);
    return exitCode;
}

TEST_F(QvShellExecuteRoutingTest, UpperCaseHttpsInTheUpdaterProcessOpensDirectly)
{
    DevHost::ShellHandlerBackup backup;
    ASSERT_EQ(DevHost::RegisterBrowser(ProgramFolder() + L"RelayBrowser.exe", &backup), 0u);
    const std::wstring link = L"HTTPS://127.0.0.1/page?q=1";
    EXPECT_EQ(ShellExecuteAsUpdater(link), 0u);
    EXPECT_EQ(JournaledTexts(journal_.WaitFor(L"Browser", L"Open")), std::vector<std::wstring>{link});
    EXPECT_EQ(DevHost::RestoreShellHandlers(backup), 0u);
    EXPECT_TRUE(journal_.WaitFor(L"QvUpdate", L"Run", 1, std::chrono::milliseconds(0)).empty());
}

} // namespace
} // namespace Ostrel
