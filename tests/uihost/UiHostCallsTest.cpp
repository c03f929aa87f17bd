#include "uihost/OpenUrlInContainer.h"
#include "uihost/VRTCommonAPI.h"
#include "uihost/VrtHelperCall.h"
#include "uihost/vrtcmn.h"

#include "ComServerRegistration.h"
#include "DevelopmentSwitches.h"
#include "JournalFile.h"
#include "LoggedRecord.h"
#include "RegistrationLock.h"
#include "platform/TrustVerification.h"
#include "support/RegistryIsolation.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <functional>
#include <string>
#include <vector>

namespace Ostrel
{
namespace
{

using DevHost::JournalArgument;
using DevHost::JournalValue;
using ScreenRelayTest::ExpectRecord;

JournalArgument Bstr(const wchar_t* text)
{
    return {{}, L"VT_BSTR", text != nullptr ? JournalValue(std::wstring(text)) : JournalValue()};
}

JournalArgument Ui4(std::uint32_t number)
{
    return {{}, L"VT_UI4", number};
}

JournalArgument Bool(std::uint32_t raw)
{
    return {{}, L"VT_BOOL", raw};
}

struct UiHostCall
{
    const char* label;
    const wchar_t* method;
    std::function<HRESULT()> call;
    std::vector<JournalArgument> journaled;
};

HRESULT Help(const wchar_t* applicationId, const wchar_t* topic, bool online)
{
    return OpenHelp(applicationId, topic, online).status;
}

// The development UI host helper, registered for real and listed as trusted
// (in the test's registry isolation), called from the multithreaded
// apartment as the module's requests call it.
class UiHostCallsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(lock_.Held());
        ASSERT_TRUE(registry_.Active());
        ASSERT_EQ(DevHost::RegisterUiHostHelper(ServerPath()), 0u);
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    }

    void TearDown() override
    {
        CoUninitialize();
        EXPECT_EQ(DevHost::UnregisterUiHostHelper(), 0u);
    }

    static std::wstring ServerPath() { return ScreenRelayTest::ProgramFolder() + L"UiHostHelper.dll"; }

    ScreenRelayTest::RecordCapture log_;
    DevHostTest::JournalFile journal_;

private:
    DevHost::RegistrationLock lock_;
    ScreenRelayTest::RegistryIsolation registry_;
};

// The handlers' calls go through the facade.
TEST_F(UiHostCallsTest, EachCallReachesTheHelperWithItsArgumentsInOrder)
{
    ASSERT_EQ(ListTrustedFile(ServerPath()), 0u);
    VRTCommonAPI api;
    const UiHostCall calls[] = {
        {"OpenApp", L"OpenApp", [&] { return api.openApp(L"app:scan"); }, {Bstr(L"app:scan")}},
        {"OpenInternal", L"OpenInternal", [&] { return api.openInternal(L"P-17"); }, {Bstr(L"P-17")}},
        {"OpenUrl",
         L"OpenUrl",
         [&] { return api.openUrl(L"https://127.0.0.1/x", 2, 1, L"a=1"); },
         {Bstr(L"https://127.0.0.1/x"), Ui4(2), Ui4(1), Bstr(L"a=1")}},
        {"OpenUrl without parameters",
         L"OpenUrl",
         [&] { return api.openUrl(L"https://127.0.0.1/y", 0, 7, nullptr); },
         {Bstr(L"https://127.0.0.1/y"), Ui4(0), Ui4(7), Bstr(nullptr)}},
        {"OpenUrlInContainer",
         L"OpenUrlInContainer",
         [&] { return api.openUrlInContainer(L"substlink:inappsupport", L"faultid=42"); },
         {Bstr(L"substlink:inappsupport"), Bstr(L"faultid=42")}},
        {"OpenUrlInContainer without parameters",
         L"OpenUrlInContainer",
         [&] { return api.openUrlInContainer(L"https://127.0.0.1/c", nullptr); },
         {Bstr(L"https://127.0.0.1/c"), Bstr(nullptr)}},
        {"OpenHelp online",
         L"OpenHelp",
         [] { return Help(L"suite", L"topic-1", true); },
         {Bstr(L"suite"), Bstr(L"topic-1"), Bool(0xFFFF)}},
        {"OpenHelp offline",
         L"OpenHelp",
         [] { return Help(L"suite", nullptr, false); },
         {Bstr(L"suite"), Bstr(nullptr), Bool(0)}},
    };
    for (const auto& test : calls)
    {
        EXPECT_EQ(test.call(), S_OK) << test.label;
    }

    const auto entries = journal_.Entries();
    ASSERT_EQ(entries.size(), std::size(calls));
    for (std::size_t i = 0; i < entries.size(); ++i)
    {
        SCOPED_TRACE(calls[i].label);
        EXPECT_EQ(entries[i].component, L"UiHostHelper");
        EXPECT_EQ(entries[i].call, calls[i].method);
        EXPECT_EQ(entries[i].arguments, calls[i].journaled);
    }
    ExpectRecord(
        log_, {L"Normal", L"OpenUrlInContainer.cpp", L"OpenUrl", L"OpenUrl - Enter (https://127.0.0.1/y, 0, 7, NULL)"});
}

TEST_F(UiHostCallsTest, FailingMethodGivesItsStatusAndTheLeaveRecords)
{
    ASSERT_EQ(ListTrustedFile(ServerPath()), 0u);
    constexpr HRESULT kFailure = static_cast<HRESULT>(0x80070490);
    for (const wchar_t* method : {L"OpenApp", L"OpenInternal", L"OpenUrl", L"OpenUrlInContainer", L"OpenHelp"})
    {
        ASSERT_EQ(DevHost::WriteDevelopmentSwitch(L"UiHostHelper", method, kFailure), 0u);
    }
    EXPECT_EQ(OpenApp(L"app:scan"), kFailure);
    EXPECT_EQ(OpenInternal(L"P-17"), kFailure);
    EXPECT_EQ(OpenUrl(L"https://127.0.0.1/x", 2, 1, nullptr), kFailure);
    EXPECT_EQ(OpenUrlInContainer(L"https://127.0.0.1/c", L"a=1"), kFailure);
    const VrtHelperResult help = OpenHelp(L"suite", L"topic", true);
    EXPECT_EQ(help.step, VrtHelperStep::Invoke);
    EXPECT_EQ(help.status, kFailure);
    EXPECT_EQ(journal_.Entries().size(), 5u);

    ExpectRecord(log_, {L"Normal", L"vrtcmn.cpp", L"OpenApp", L"OpenApp(app:scan, NULL) returned (0x80070490)"});
    ExpectRecord(log_, {L"Normal", L"vrtcmn.cpp", L"OpenApp", L"OpenApp - Leave function. ReturnCode: 0x80070490"});
    ExpectRecord(
        log_, {L"Normal", L"OpenUrlInContainer.cpp", L"OpenInternal", L"OpenInternal - Leave. ReturnCode: 0x80070490"});
    ExpectRecord(log_, {L"Normal", L"OpenUrlInContainer.cpp", L"OpenUrl", L"OpenUrl - Leave. ReturnCode: 0x80070490"});
    ExpectRecord(log_, {L"Normal", L"OpenUrlInContainer.cpp", L"OpenUrlInContainer",
                        L"OpenUrlInContainer - Leave. ReturnCode: 0x80070490"});
}

TEST_F(UiHostCallsTest, UnlistedHelperIsRefusedBeforeAnyMethodRuns)
{
    const struct
    {
        const wchar_t* function;
        std::function<HRESULT()> call;
        const wchar_t* sourceFile;
    } calls[] = {
        {L"OpenApp", [] { return OpenApp(L"app:scan"); }, L"vrtcmn.cpp"},
        {L"OpenInternal", [] { return OpenInternal(L"P-17"); }, L"OpenUrlInContainer.cpp"},
        {L"OpenUrl", [] { return OpenUrl(L"https://127.0.0.1/x", 2, 1, nullptr); }, L"OpenUrlInContainer.cpp"},
        {L"OpenUrlInContainer", [] { return OpenUrlInContainer(L"https://127.0.0.1/c", nullptr); },
         L"OpenUrlInContainer.cpp"},
    };
    for (const auto& test : calls)
    {
        EXPECT_EQ(test.call(), E_ACCESSDENIED);
        ExpectRecord(log_,
                     {L"Error", test.sourceFile, test.function,
                      std::wstring(test.function) + L" - QvCreateInstance2 IID_IQvVrtHelper failed: (0x80070005)"});
    }
    const VrtHelperResult help = OpenHelp(L"suite", L"topic", true);
    EXPECT_EQ(help.step, VrtHelperStep::Create);
    EXPECT_EQ(help.status, E_ACCESSDENIED);
    EXPECT_TRUE(journal_.Entries().empty());
}

TEST_F(UiHostCallsTest, NullFirstArgumentIsRefusedWithoutCallingTheHelper)
{
    ASSERT_EQ(ListTrustedFile(ServerPath()), 0u);
    const struct
    {
        std::function<HRESULT()> call;
        std::wstring record;
        const wchar_t* function;
    } calls[] = {
        {[] { return OpenApp(nullptr); }, L"OpenApp - Invalid parameter: pwszAppName is NULL", L"OpenApp"},
        {[] { return OpenInternal(nullptr); }, L"OpenInternal - Invalid parameter: pwszPageID is NULL",
         L"OpenInternal"},
        {[] { return OpenUrl(nullptr, 0, 0, L"a"); }, L"OpenUrl - Invalid parameter: pwszUrl is NULL", L"OpenUrl"},
        {[] { return OpenUrlInContainer(nullptr, L"a"); }, L"OpenUrlInContainer - Invalid parameter: pwszUrl is NULL",
         L"OpenUrlInContainer"},
    };
    for (const auto& test : calls)
    {
        EXPECT_EQ(test.call(), ERROR_INVALID_PARAMETER);
        EXPECT_FALSE(ScreenRelayTest::LoggedLine(log_, test.record).empty()) << test.function;
    }
    EXPECT_TRUE(journal_.Entries().empty());
    ExpectRecord(log_, {L"Error", L"vrtcmn.cpp", L"OpenApp", L"OpenApp - Invalid parameter: pwszAppName is NULL"});
}

TEST_F(UiHostCallsTest, FacadeSaysWhetherTheLaunchPointWasStored)
{
    ASSERT_EQ(ListTrustedFile(ScreenRelayTest::ProgramFolder() + L"QvUtil.dll"), 0u);
    VRTCommonAPI api;
    EXPECT_FALSE(api.setLaunchPoint(0));
    EXPECT_TRUE(api.setLaunchPoint(12));
}

} // namespace
} // namespace Ostrel
