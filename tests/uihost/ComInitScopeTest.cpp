#include "uihost/ComInitScope.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <functional>
#include <stdexcept>
#include <thread>

namespace Ostrel
{
namespace
{

// Runs body on a thread of its own, which starts outside any apartment.
void OnFreshThread(const std::function<void()>& body)
{
    std::thread(body).join();
}

// Whether the calling thread is outside any apartment: only then can it enter
// the single-threaded one (it leaves it again at once).
bool OutsideApartment()
{
    const HRESULT entered = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (SUCCEEDED(entered))
    {
        CoUninitialize();
    }
    return entered == S_OK;
}

TEST(ComInitScopeTest, EntersOnceAndLeavesWhatItEntered)
{
    OnFreshThread(
        []
        {
            ComInitScope scope;
            EXPECT_EQ(scope.result(), E_UNEXPECTED);
            EXPECT_EQ(scope.enter(COINIT_MULTITHREADED), S_OK);
            EXPECT_EQ(scope.enter(COINIT_MULTITHREADED), S_OK);
            EXPECT_TRUE(scope.initialized());
            {
                ComInitScope nested;
                EXPECT_EQ(nested.enter(COINIT_MULTITHREADED), S_FALSE);
                EXPECT_TRUE(nested.initialized());
            }
            EXPECT_FALSE(OutsideApartment());
            scope.leave();
            EXPECT_FALSE(scope.initialized());
            EXPECT_EQ(scope.result(), S_OK);
            EXPECT_TRUE(OutsideApartment());
        });
}

TEST(ComInitScopeTest, RefusedEntryLeavesNothing)
{
    OnFreshThread(
        []
        {
            ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
            {
                ComInitScope scope;
                EXPECT_EQ(scope.enter(COINIT_APARTMENTTHREADED), RPC_E_CHANGED_MODE);
                EXPECT_FALSE(scope.initialized());
            }
            EXPECT_FALSE(OutsideApartment());
            CoUninitialize();
        });
}

TEST(ComInitScopeTest, EndOfScopeLeavesThenRunsTheExitActionAlsoWhenUnwinding)
{
    for (const bool throws : {false, true})
    {
        SCOPED_TRACE(throws ? "exception" : "normal end");
        OnFreshThread(
            [throws]
            {
                int exitActions = 0;
                bool leftBeforeExitAction = false;
                try
                {
                    ComInitScope scope;
                    ASSERT_EQ(scope.enter(COINIT_MULTITHREADED), S_OK);
                    scope.setOnExit(
                        [&]
                        {
                            ++exitActions;
                            leftBeforeExitAction = OutsideApartment();
                        });
                    if (throws)
                    {
                        throw std::runtime_error("handler failed");
                    }
                }
                catch (const std::runtime_error&)
                {
                }
                EXPECT_EQ(exitActions, 1);
                EXPECT_TRUE(leftBeforeExitAction);
                EXPECT_TRUE(OutsideApartment());
            });
    }
}

} // namespace
} // namespace Ostrel
