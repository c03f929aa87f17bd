#include "ComServerRegistration.h"
#include "JournalFile.h"
#include "RegistrationLock.h"
#include "platform/TrustVerification.h"
#include "screenrelay/LoggedLines.h"
#include "screenrelay/ModuleUnderTest.h"
#include "support/LogCapture.h"
#include "support/RegistryIsolation.h"
#include "support/TestFiles.h"
#include "uihost/VRTCommonAPI.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <objbase.h>

// The browser handler over the real link expansion and shell launcher: a web
// link from this process reaches the development updater, expanded, and the
// expanded text goes back to the COM task allocator.

namespace Ostrel
{
namespace
{

using namespace ::testing;
using ScreenRelayTest::LogCapture;
using ScreenRelayTest::LoggedLines;
using ScreenRelayTest::ModuleUnderTest;
using ScreenRelayTest::ProgramFolder;

class BrowserHandlerWithUpdaterTest : public ScreenRelayTest::RegistryIsolatedTest
{
protected:
    void SetUp() override
    {
        RegistryIsolatedTest::SetUp();
        ASSERT_TRUE(lock_.Held());
        ASSERT_EQ(DevHost::RegisterUpdater(updater_), 0u);
        ASSERT_EQ(ListTrustedFile(ProgramFolder() + L"QvUtil.dll"), 0u);
        ASSERT_EQ(ListTrustedFile(updater_), 0u);
        const std::wstring language = L"en";
        ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Norvane\\VRT\\AppInfo\\Substitute", L"lang", REG_SZ,
                                  language.c_str(), static_cast<DWORD>((language.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }
    void TearDown() override { EXPECT_EQ(DevHost::UnregisterUpdater(), 0u); }

    const std::wstring updater_ = ProgramFolder() + L"QvUpdate.exe";
    DevHostTest::JournalFile journal_;

private:
    DevHost::RegistrationLock lock_;
};

TEST_F(BrowserHandlerWithUpdaterTest, TheExpandedLinkReachesTheUpdater)
{
    ModuleUnderTest test(ScreenRelayTest::kTwoScreens, std::make_shared<VRTCommonAPI>());
    std::vector<void*> returned;
    ON_CALL(test.TaskMemory(), freeTaskMemory(_))
        .WillByDefault(
            [&](void* memory)
            {
                returned.push_back(memory);
                CoTaskMemFree(memory);
            });

    EXPECT_TRUE(test.Module().showInBrowserMessageHandler(LR"({"url":"http://127.0.0.1/%lang%/offer?a=1"})"));

    const std::vector<DevHost::JournalEntry> runs = journal_.WaitFor(L"QvUpdate", L"Run");
    ASSERT_EQ(runs.size(), 1u);
    ASSERT_FALSE(runs[0].arguments.empty());
    EXPECT_EQ(runs[0].arguments[0].value, DevHost::JournalValue(std::wstring(L"http://127.0.0.1/en/offer?a=1")));
    EXPECT_EQ(returned.size(), 1u);
    EXPECT_EQ(test.Unloads().Count(), 1);
}

TEST_F(BrowserHandlerWithUpdaterTest, AnExternalLinkVerbIsNotExpandedAndNothingStarts)
{
    LogCapture log;
    ModuleUnderTest test(ScreenRelayTest::kTwoScreens, std::make_shared<VRTCommonAPI>());

    EXPECT_FALSE(test.Module().showInBrowserMessageHandler(LR"({"url":"substlink:extURL::open"})"));
    EXPECT_THAT(LoggedLines(log.Text()), Contains(L"Error: Failed to expand any kesp arguments in url, error: 87"));
    EXPECT_TRUE(journal_.WaitFor(L"QvUpdate", L"Run", 1, std::chrono::milliseconds(0)).empty());
}

} // namespace
} // namespace Ostrel
