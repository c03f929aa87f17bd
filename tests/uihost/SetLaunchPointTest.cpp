#include "uihost/strInstru.h"

#include "AdminPrivilegeHelperRegistration.h"
#include "DevelopmentSwitches.h"
#include "JournalFile.h"
#include "LoggedRecord.h"
#include "platform/TrustVerification.h"
#include "platform/UniqueHandles.h"
#include "support/RegistryIsolation.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace
{

using DevHost::JournalArgument;
using ScreenRelayTest::ExpectRecord;

constexpr wchar_t kQueryParamsKey[] = L"SOFTWARE\\Norvane\\VRT\\AppInfo\\Substitute\\QueryParams";

// The stored launch point as the registry holds it: type and raw bytes.
struct StoredValue
{
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
};

std::optional<StoredValue> StoredLaunchPoint()
{
    Ostrel::UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kQueryParamsKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
    {
        return std::nullopt;
    }
    StoredValue value;
    value.bytes.resize(256);
    DWORD size = static_cast<DWORD>(value.bytes.size());
    if (RegQueryValueExW(key.get(), L"LaunchPoint", nullptr, &value.type, value.bytes.data(), &size) != ERROR_SUCCESS)
    {
        return std::nullopt;
    }
    value.bytes.resize(size);
    return value;
}

// The 40 bytes stored for a launch point's text: the text, then zeros.
std::vector<BYTE> LaunchPointBytes(const std::wstring& text)
{
    std::vector<BYTE> bytes(40, 0);
    std::memcpy(bytes.data(), text.c_str(), text.size() * sizeof(wchar_t));
    return bytes;
}

std::vector<std::wstring> JournaledCalls(const DevHostTest::JournalFile& journal)
{
    std::vector<std::wstring> calls;
    for (const auto& entry : journal.Entries())
    {
        calls.push_back(entry.component + L"." + entry.call);
    }
    return calls;
}

// Each case in a registry of its own, with a journal of its own and COM
// entered in the multithreaded apartment.
class SetLaunchPointTest : public ::testing::Test
{
protected:
    struct Setting
    {
        bool qvUtilTrusted = true;
        std::optional<DWORD> isNTAdminAnswer;
        bool helperRegistered = false;
        std::optional<HRESULT> helperFailure;
    };

    static Setting UtilityLibraryUntrusted()
    {
        Setting setting;
        setting.qvUtilTrusted = false;
        return setting;
    }

    // QvIsNTAdmin answers 0; the elevated helper is registered or not, and
    // fails its write with helperFailure when one is given.
    static Setting NotAnAdministrator(bool helperRegistered, std::optional<HRESULT> helperFailure = std::nullopt)
    {
        Setting setting;
        setting.isNTAdminAnswer = 0;
        setting.helperRegistered = helperRegistered;
        setting.helperFailure = helperFailure;
        return setting;
    }

    void SetUp() override { ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK); }
    void TearDown() override { CoUninitialize(); }

    // Sets the registry up for a case; registers the elevated helper when asked.
    static void Arrange(const Setting& setting, DWORD& helperCookie)
    {
        if (setting.qvUtilTrusted)
        {
            ASSERT_EQ(Ostrel::ListTrustedFile(ScreenRelayTest::ProgramFolder() + L"QvUtil.dll"), 0u);
        }
        if (setting.isNTAdminAnswer)
        {
            ASSERT_EQ(DevHost::WriteDevelopmentSwitch(L"QvUtil", L"QvIsNTAdmin", *setting.isNTAdminAnswer), 0u);
        }
        if (setting.helperFailure)
        {
            ASSERT_EQ(DevHost::WriteDevelopmentSwitch(L"AdminPrivilegeHelper", L"SetRegistryValue",
                                                      static_cast<DWORD>(*setting.helperFailure)),
                      0u);
        }
        if (setting.helperRegistered)
        {
            ASSERT_EQ(DevHost::RegisterAdminPrivilegeHelper(&helperCookie), S_OK);
        }
    }

    ScreenRelayTest::RecordCapture log_;
};

TEST_F(SetLaunchPointTest, AdministratorWritesDirectlyOtherwiseTheElevatedHelperWrites)
{
    struct Case
    {
        const char* label;
        Setting setting;
        LONG launchPoint;
        int expected;
        std::vector<std::wstring> calls;
        const wchar_t* record;
    };
    const Case cases[] = {
        {"administrator", Setting(), 7, 1, {L"QvUtil.QvIsNTAdmin"}, L"QvRegWriteValue returned 0"},
        {"utility library not trusted", UtilityLibraryUntrusted(), -25, 1, {}, L"QvRegWriteValue returned 0"},
        {"not an administrator",
         NotAnAdministrator(true),
         12,
         1,
         {L"QvUtil.QvIsNTAdmin", L"AdminPrivilegeHelper.SetRegistryValue"},
         L"Registry writing was successful."},
        {"not an administrator, helper refuses",
         NotAnAdministrator(true, E_ACCESSDENIED),
         12,
         0,
         {L"QvUtil.QvIsNTAdmin", L"AdminPrivilegeHelper.SetRegistryValue"},
         L"SetRegistryValue failed."},
        {"not an administrator, no helper",
         NotAnAdministrator(false),
         12,
         0,
         {L"QvUtil.QvIsNTAdmin"},
         L"We failed in pAdminPrivilegeHelper for IQvAdminPrivilegeOperationHelper helper with Error 80040154"},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.label);
        ScreenRelayTest::RegistryIsolation registry;
        ASSERT_TRUE(registry.Active());
        DevHostTest::JournalFile journal;
        DWORD helperCookie = 0;
        Arrange(test.setting, helperCookie);

        EXPECT_EQ(Ostrel::SetLaunchPoint(test.launchPoint), test.expected);

        EXPECT_EQ(JournaledCalls(journal), test.calls);
        const std::optional<StoredValue> stored = StoredLaunchPoint();
        if (test.expected == 1)
        {
            ASSERT_TRUE(stored.has_value());
            EXPECT_EQ(stored->type, static_cast<DWORD>(REG_SZ));
            EXPECT_EQ(stored->bytes, LaunchPointBytes(std::to_wstring(test.launchPoint)));
        }
        else
        {
            EXPECT_FALSE(stored.has_value());
        }
        EXPECT_TRUE(log_.Contains(test.record)) << log_.Text();
        if (helperCookie != 0)
        {
            EXPECT_EQ(DevHost::RevokeAdminPrivilegeHelper(helperCookie), S_OK);
        }
    }
}

TEST_F(SetLaunchPointTest, ElevatedHelperIsAskedForTheWholeBufferUnderTheQueryParametersKey)
{
    ScreenRelayTest::RegistryIsolation registry;
    ASSERT_TRUE(registry.Active());
    DevHostTest::JournalFile journal;
    DWORD helperCookie = 0;
    Arrange(NotAnAdministrator(true), helperCookie);

    EXPECT_EQ(Ostrel::SetLaunchPoint(31), 1);
    EXPECT_EQ(DevHost::RevokeAdminPrivilegeHelper(helperCookie), S_OK);

    const auto written = journal.WaitFor(L"AdminPrivilegeHelper", L"SetRegistryValue");
    ASSERT_EQ(written.size(), 1u);
    const std::vector<JournalArgument> expected = {{L"root", {}, std::wstring(L"HKEY_LOCAL_MACHINE")},
                                                   {L"subkey", {}, std::wstring(kQueryParamsKey)},
                                                   {L"valueName", {}, std::wstring(L"LaunchPoint")},
                                                   {L"type", {}, std::uint32_t{REG_SZ}},
                                                   {L"size", {}, std::uint32_t{40}},
                                                   {L"data", {}, std::wstring(L"31")},
                                                   {L"flags", {}, std::uint32_t{0}}};
    EXPECT_EQ(written[0].arguments, expected);
}

TEST_F(SetLaunchPointTest, LaunchPointZeroWritesNothing)
{
    ScreenRelayTest::RegistryIsolation registry;
    ASSERT_TRUE(registry.Active());
    DevHostTest::JournalFile journal;
    DWORD helperCookie = 0;
    Arrange(Setting(), helperCookie);

    EXPECT_EQ(Ostrel::SetLaunchPoint(0), 0);

    EXPECT_EQ(StoredLaunchPoint().has_value(), false);
    EXPECT_TRUE(journal.Entries().empty()) << "the utility library was used";
    ExpectRecord(log_, {L"Information", L"strInstru.cpp", L"SetLaunchPoint", L"LaunchPoint=0"});
    EXPECT_FALSE(log_.Contains(L"Registry writing was successful."));
}

TEST_F(SetLaunchPointTest, FailureRecordNamesItsLevelSourceAndFunction)
{
    ScreenRelayTest::RegistryIsolation registry;
    ASSERT_TRUE(registry.Active());
    DevHostTest::JournalFile journal;
    DWORD helperCookie = 0;
    Arrange(NotAnAdministrator(true, E_ACCESSDENIED), helperCookie);

    EXPECT_EQ(Ostrel::SetLaunchPoint(5), 0);
    EXPECT_EQ(DevHost::RevokeAdminPrivilegeHelper(helperCookie), S_OK);

    ExpectRecord(log_, {L"Error", L"strInstru.cpp", L"SetLaunchPoint", L"SetRegistryValue failed."});
}

} // namespace
