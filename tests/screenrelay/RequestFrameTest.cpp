#include "platform/UniqueHandles.h"
#include "screenrelay/LoggedLines.h"
#include "screenrelay/ModuleUnderTest.h"
#include "support/LogCapture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <objbase.h>
#include <windows.h>

#include <stdexcept>
#include <thread>

// The frame every request runs in: the request lock, the COM apartment, and
// the unload request on every path.

namespace Ostrel
{
namespace
{

using namespace ::testing;
using ScreenRelayTest::LogCapture;
using ScreenRelayTest::LoggedLines;
using ScreenRelayTest::ModuleUnderTest;

constexpr DWORD kGenerousWaitMs = 10000;

// The calling thread's apartment type, or -1 when it is in none.
int Apartment()
{
    APTTYPE type{};
    APTTYPEQUALIFIER qualifier{};
    return CoGetApartmentType(&type, &qualifier) == S_OK ? static_cast<int>(type) : -1;
}

UniqueHandle NewEvent()
{
    return UniqueHandle(CreateEventW(nullptr, TRUE, FALSE, nullptr));
}

TEST(RequestFrameTest, TheHandlerRunsInTheMultithreadedApartmentWhichIsLeftBeforeTheUnloadRequest)
{
    ModuleUnderTest test;
    ASSERT_EQ(test.Module().initialize(), MODULE_STATUS_SUCCESS);
    int apartmentInCall = -2;
    int apartmentInUnload = -2;
    EXPECT_CALL(test.UiHost(), openInternal(_))
        .WillOnce(
            [&](const wchar_t*)
            {
                apartmentInCall = Apartment();
                return S_OK;
            });
    test.Unloads().OnEach([&] { apartmentInUnload = Apartment(); });

    ASSERT_EQ(Apartment(), -1);
    EXPECT_TRUE(test.Module().showScreenMessageHandler(L"{\"name\":\"scan.quick\"}"));
    EXPECT_EQ(apartmentInCall, APTTYPE_MTA);
    EXPECT_EQ(apartmentInUnload, -1);
    EXPECT_EQ(Apartment(), -1);
    EXPECT_EQ(test.Unloads().Names(), std::vector<std::wstring>{L"ScreenRelay"});
}

TEST(RequestFrameTest, EveryHandlerAsksForOneUnloadOnSuccessAndOnFailure)
{
    ModuleUnderTest test;
    ASSERT_EQ(test.Module().initialize(), MODULE_STATUS_SUCCESS);
    ON_CALL(test.UiHost(), openInternal(_)).WillByDefault(Return(S_OK));
    ON_CALL(test.UiHost(), openApp(_)).WillByDefault(Return(E_FAIL));
    ScreenRelayImpl& module = test.Module();
    const std::pair<bool, bool> results[] = {
        {module.showScreenMessageHandler(L"{\"name\":\"scan.quick\"}"), true},
        {module.showScreenMessageHandler(L""), false},
        {module.showWithPageIDMessageHandler(L"{\"page_id\":\"p\"}"), true},
        {module.showWithResourceMessageHandler(L"{\"resource_name\":\"Scan\"}"), false},
        {module.openAppMessageHandler(L"{\"app_info\":\"a\"}"), false},
        {module.showInBrowserMessageHandler(L"{\"url\":\"u\"}"), false},
        {module.showInContainerMessageHandler(L"{\"link\":\"l\"}"), true},
        {module.showInBrowserSurfmark(L"{}"), false},
        {module.openUrl(L"{}"), false},
        {module.showHelpMessageHandler(L"{}"), false},
        {module.showInAppSupportMessageHandler(L"{}"), true},
    };
    for (std::size_t i = 0; i < std::size(results); ++i)
    {
        EXPECT_EQ(results[i].first, results[i].second) << i;
    }
    // The in-app support handler's delegate asks for its own unload.
    EXPECT_EQ(test.Unloads().Count(), static_cast<int>(std::size(results)) + 1);
}

// A thread already in a single-threaded apartment cannot enter the
// multithreaded one: Windows answers RPC_E_CHANGED_MODE.
TEST(RequestFrameTest, WhenTheApartmentCannotBeEnteredNothingIsReadOrCalledButTheUnloadIsAskedFor)
{
    LogCapture log;
    ModuleUnderTest test;
    ASSERT_EQ(test.Module().initialize(), MODULE_STATUS_SUCCESS);
    EXPECT_CALL(test.UiHost(), openInternal(_)).Times(0);
    EXPECT_CALL(test.UiHost(), openApp(_)).Times(0);

    std::vector<bool> results;
    int apartmentAfter = -2;
    std::thread singleThreaded(
        [&]
        {
            if (CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED) != S_OK)
            {
                return;
            }
            results.push_back(test.Module().showScreenMessageHandler(L"{\"name\":\"scan.quick\"}"));
            results.push_back(test.Module().openAppMessageHandler(L"{\"app_info\":\"a\"}"));
            results.push_back(test.Module().showWithPageIDMessageHandler(L"not even JSON"));
            apartmentAfter = Apartment();
            CoUninitialize();
        });
    singleThreaded.join();

    EXPECT_EQ(results, (std::vector<bool>{false, false, false}));
    EXPECT_THAT(apartmentAfter, AnyOf(APTTYPE_STA, APTTYPE_MAINSTA)) << "the apartment the thread was in is kept";
    EXPECT_EQ(test.Unloads().Count(), 3);
    const std::vector<std::wstring> lines = LoggedLines(log.Text());
    EXPECT_EQ(lines, (std::vector<std::wstring>{L"Error: Error initializing CoInitializeEx",
                                                L"Error: Failed to initialize COM interface",
                                                L"Error: Error initializing CoInitializeEx"}))
        << "no payload was read";
}

TEST(RequestFrameTest, AnExceptionLeavesTheApartmentAsksForTheUnloadAndReleasesTheRequestLock)
{
    ModuleUnderTest test;
    ASSERT_EQ(test.Module().initialize(), MODULE_STATUS_SUCCESS);
    EXPECT_CALL(test.UiHost(), openInternal(_))
        .WillOnce([](const wchar_t*) -> HRESULT { throw std::runtime_error("UI host failed"); })
        .WillOnce(Return(S_OK));

    EXPECT_THROW(test.Module().showScreenMessageHandler(L"{\"name\":\"scan.quick\"}"), std::runtime_error);
    EXPECT_EQ(Apartment(), -1);
    EXPECT_EQ(test.Unloads().Count(), 1);

    // Another thread gets the request lock.
    UniqueHandle done = NewEvent();
    bool served = false;
    std::thread other(
        [&]
        {
            served = test.Module().showWithPageIDMessageHandler(L"{\"page_id\":\"p\"}");
            SetEvent(done.get());
        });
    const DWORD waited = WaitForSingleObject(done.get(), kGenerousWaitMs);
    if (waited != WAIT_OBJECT_0)
    {
        other.detach();
        FAIL() << "the request lock stayed taken";
    }
    other.join();
    EXPECT_TRUE(served);
}

TEST(RequestFrameTest, AHandlerCalledFromAHandlerOnTheSameThreadRunsAtOnceWithItsOwnUnload)
{
    ModuleUnderTest test;
    ASSERT_EQ(test.Module().initialize(), MODULE_STATUS_SUCCESS);
    std::vector<std::wstring> pages;
    EXPECT_CALL(test.UiHost(), openInternal(_))
        .Times(2)
        .WillRepeatedly(
            [&](const wchar_t* pageId)
            {
                pages.push_back(pageId);
                if (pages.size() == 1)
                {
                    EXPECT_TRUE(test.Module().showWithPageIDMessageHandler(L"{\"page_id\":\"inner\"}"));
                    EXPECT_EQ(test.Unloads().Count(), 1) << "the inner request's unload";
                    EXPECT_EQ(Apartment(), APTTYPE_MTA) << "the outer request's apartment stays";
                }
                return S_OK;
            });

    UniqueHandle done = NewEvent();
    bool served = false;
    std::thread requester(
        [&]
        {
            served = test.Module().showScreenMessageHandler(L"{\"name\":\"scan.quick\"}");
            SetEvent(done.get());
        });
    if (WaitForSingleObject(done.get(), kGenerousWaitMs) != WAIT_OBJECT_0)
    {
        requester.detach();
        FAIL() << "the nested request blocked on the request lock";
    }
    requester.join();
    EXPECT_TRUE(served);
    EXPECT_EQ(pages, (std::vector<std::wstring>{L"scan_quick_page", L"inner"}));
    EXPECT_EQ(test.Unloads().Count(), 2);
}

// While one request is inside the UI host call, a request on another thread
// waits for the request lock: it does not reach the UI host until the first
// one has returned and asked for its unload.
TEST(RequestFrameTest, RequestsOnTwoThreadsRunOneAtATime)
{
    ModuleUnderTest test;
    ASSERT_EQ(test.Module().initialize(), MODULE_STATUS_SUCCESS);
    UniqueHandle firstInside = NewEvent();
    UniqueHandle secondStarted = NewEvent();
    UniqueHandle secondInside = NewEvent();
    std::vector<std::wstring> events;
    EXPECT_CALL(test.UiHost(), openInternal(_))
        .Times(2)
        .WillRepeatedly(
            [&](const wchar_t* pageId)
            {
                events.push_back(std::wstring(L"enter ") + pageId);
                if (std::wstring(pageId) == L"first")
                {
                    SetEvent(firstInside.get());
                    EXPECT_EQ(WaitForSingleObject(secondStarted.get(), kGenerousWaitMs), WAIT_OBJECT_0);
                    EXPECT_EQ(WaitForSingleObject(secondInside.get(), 500), static_cast<DWORD>(WAIT_TIMEOUT))
                        << "the second request reached the UI host during the first";
                }
                else
                {
                    SetEvent(secondInside.get());
                }
                return S_OK;
            });
    test.Unloads().OnEach([&] { events.push_back(L"unload"); });

    std::thread first([&] { test.Module().showWithPageIDMessageHandler(L"{\"page_id\":\"first\"}"); });
    ASSERT_EQ(WaitForSingleObject(firstInside.get(), kGenerousWaitMs), WAIT_OBJECT_0);
    std::thread second(
        [&]
        {
            SetEvent(secondStarted.get());
            test.Module().showWithPageIDMessageHandler(L"{\"page_id\":\"second\"}");
        });
    first.join();
    second.join();
    EXPECT_EQ(events, (std::vector<std::wstring>{L"enter first", L"unload", L"enter second", L"unload"}));
}

} // namespace
} // namespace Ostrel
