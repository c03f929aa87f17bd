#include "RegistrationLock.h"
#include "RelayHostProcess.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>
#include <string>

namespace
{

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
// a few hundred requests: the host holds no more handles at the end than
// after the first hundred. A pool thread that starts on the way brings about
// three; the leaks this caught brought two per updater start, two per
// request that made the module use a guarded static for the first time and
// two per request that set up the standard library's locale.
TEST(SoakTest, ThreeHundredRequestsOverEveryMessageKeepTheHandleCountFlatEitherWayTheBusIsPassed)
{
    DevHost::RegistrationLock registrations;
    ASSERT_TRUE(registrations.Held());
    const E2ETest::RelayHostRun setUp = E2ETest::RunRelayHost({L"setup"});
    ASSERT_EQ(setUp.exitCode, 0u) << setUp.output;

    // The host passing its bus, and the module loading the bus library itself.
    for (const wchar_t* busPassing : {L"--v2", L"--v1"})
    {
        SCOPED_TRACE(testing::PrintToString(std::wstring(busPassing)));
        const E2ETest::RelayHostRun soak = E2ETest::RunRelayHost({busPassing, L"soak", L"300", L"100"});
        ASSERT_NE(soak.exitCode, 0xFFFFFFFFu) << soak.output;
        EXPECT_NE(soak.output.find("undelivered: 0,"), std::string::npos) << soak.output;
        const std::map<unsigned, unsigned> handles = HandlesByRequests(soak.output);
        ASSERT_EQ(handles.size(), 3u) << soak.output;
        EXPECT_LE(handles.at(300), handles.at(100) + 4) << soak.output;
    }
}

} // namespace
