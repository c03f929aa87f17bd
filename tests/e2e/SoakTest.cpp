#include "JournalFile.h"
#include "RegistrationLock.h"
#include "RelayHostProcess.h"
#include "SettingsService.h"
#include "support/KeepAliveListener.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>
#include <string>

#include <windows.h>

namespace
{

constexpr unsigned kPoolThreadsHandles = 6;
constexpr wchar_t kConnectivityKey[] = L"SOFTWARE\\Norvane\\VRT\\Connectivity";

// Points the connectivity check of every process of the prefix at the
// listener while the object lives, so that the in-app support request asks
// the settings service over the bus, as it does online.
class OnlineInstallation
{
public:
    explicit OnlineInstallation(unsigned short port)
    {
        const DWORD number = port;
        ready_ = port != 0 &&
                 RegSetKeyValueW(HKEY_LOCAL_MACHINE, kConnectivityKey, L"KeepAliveServer", REG_SZ,
                                 ScreenRelayTest::KeepAliveListener::kWideAddress,
                                 sizeof(ScreenRelayTest::KeepAliveListener::kWideAddress)) == ERROR_SUCCESS &&
                 RegSetKeyValueW(HKEY_LOCAL_MACHINE, kConnectivityKey, L"KeepAlivePort", REG_DWORD, &number,
                                 sizeof(number)) == ERROR_SUCCESS;
    }
    ~OnlineInstallation()
    {
        RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kConnectivityKey, L"KeepAliveServer");
        RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kConnectivityKey, L"KeepAlivePort");
    }
    OnlineInstallation(const OnlineInstallation&) = delete;
    OnlineInstallation& operator=(const OnlineInstallation&) = delete;

    bool Ready() const { return ready_; }

private:
    bool ready_ = false;
};

// The handle count of each progress line ("<requests>: handles <n>, ...").
std::map<unsigned, unsigned> HandlesByRequests(const std::string& output)
{
    std::map<unsigned, unsigned> handles;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);)
    {
        unsigned requests = 0;
        unsigned count = 0;
        if (std::sscanf(line.c_str(), "%u: handles %u,", &requests, &count) == 2)
        {
            handles[requests] = count;
        }
    }
    return handles;
}

// Every message, with the module loaded and unloaded for each request, over
// a few hundred requests, online so that the in-app support request waits for
// the settings service's reply: the host holds no more handles at the end than
// after the first hundred, but for up to two pool threads that start on the
// way (about three handles each). Over those 200 requests the leaks this
// caught brought 40 or more: two per updater start, two per request that made
// the module use a guarded static for the first time, two per request that
// set up the standard library's locale, four per reply waited for through the
// standard library's promise.
TEST(SoakTest, ThreeHundredRequestsOverEveryMessageKeepTheHandleCountFlatEitherWayTheBusIsPassed)
{
    DevHost::RegistrationLock registrations;
    ASSERT_TRUE(registrations.Held());
    const E2ETest::RelayHostRun setUp = E2ETest::RunRelayHost({L"setup"});
    ASSERT_EQ(setUp.exitCode, 0u) << setUp.output;
    const ScreenRelayTest::KeepAliveListener keepAlive;
    const OnlineInstallation online(keepAlive.Port());
    ASSERT_TRUE(online.Ready());

    // The host passing its bus, and the module loading the bus library itself.
    for (const wchar_t* busPassing : {L"--v2", L"--v1"})
    {
        SCOPED_TRACE(testing::PrintToString(std::wstring(busPassing)));
        const DevHostTest::JournalFile journal;
        const E2ETest::RelayHostRun soak = E2ETest::RunRelayHost({busPassing, L"soak", L"300", L"100"});
        ASSERT_NE(soak.exitCode, 0xFFFFFFFFu) << soak.output;
        EXPECT_NE(soak.output.find("undelivered: 0,"), std::string::npos) << soak.output;
        const std::map<unsigned, unsigned> handles = HandlesByRequests(soak.output);
        ASSERT_EQ(handles.size(), 3u) << soak.output;
        EXPECT_LE(handles.at(300), handles.at(100) + kPoolThreadsHandles) << soak.output;
        EXPECT_EQ(journal
                      .WaitFor(RelayHost::SettingsService::kComponent, RelayHost::SettingsService::kRequestName, 30,
                               std::chrono::seconds(0))
                      .size(),
                  30u)
            << "each in-app support request asks the settings service";
    }
}

} // namespace
