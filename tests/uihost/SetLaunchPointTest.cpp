#include "uihost/strInstru.h"

#include "AdminPrivilegeHelperRegistration.h"
#include "DevelopmentSwitches.h"
#include "JournalFile.h"
#include "LoggedRecord.h"
#include "RegistrationLock.h"
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

// What the elevated helper must be asked to write: the whole buffer under the
// query parameters key.
std::vector<JournalArgument> HelperWrite(LONG launchPoint)
{
    return {{L"root", {}, std::wstring(L"HKEY_LOCAL_MACHINE")},
            {L"subkey", {}, std::wstring(kQueryParamsKey)},
            {L"valueName", {}, std::wstring(L"LaunchPoint")},
            {L"type", {}, std::uint32_t{REG_SZ}},
            {L"size", {}, std::uint32_t{40}},
            {L"data", {}, std::to_wstring(launchPoint)},
            {L"flags", {}, std::uint32_t{0}}};
}

// Each case in a registry of its own, with a journal of its own and COM
// entered in the multithreaded apartment.
class SetLaunchPointTest : public ::testing::Test
{
protected:
    struct Setting
    {
        bool qvUtilTrusted = true;
        // What QvIsNTAdmin answers, when switched.
        std::optional<DWORD> isNTAdminAnswer = std::nullopt;
        bool helperRegistered = false;
        // The status the elevated helper fails its write with, when given.
        std::optional<HRESULT> helperFailure = std::nullopt;
    };

    void SetUp() override
    {
        ASSERT_TRUE(registrations_.Held());
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    }
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

    // The helper's class object is registered for every process of the
    // prefix: no other test may register it while a case expects none.
    DevHost::RegistrationLock registrations_;
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
        // The record of SetLaunchPoint in strInstru.cpp: level and text.
        const wchar_t* level;
        const wchar_t* record;
    };
    const std::wstring helperCalls[] = {L"QvUtil.QvIsNTAdmin", L"AdminPrivilegeHelper.SetRegistryValue"};
    const Case cases[] = {
        {"administrator", {}, 7, 1, {L"QvUtil.QvIsNTAdmin"}, L"Information", L"QvRegWriteValue returned 0"},
        {"utility library not trusted",
         {.qvUtilTrusted = false},
         -25,
         1,
         {},
         L"Information",
         L"QvRegWriteValue returned 0"},
        {"launch point zero writes nothing", {}, 0, 0, {}, L"Information", L"LaunchPoint=0"},
        {"not an administrator",
         {.isNTAdminAnswer = 0, .helperRegistered = true},
         12,
         1,
         {std::begin(helperCalls), std::end(helperCalls)},
         L"Information",
         L"Registry writing was successful."},
        {"not an administrator, helper refuses",
         {.isNTAdminAnswer = 0, .helperRegistered = true, .helperFailure = E_ACCESSDENIED},
         5,
         0,
         {std::begin(helperCalls), std::end(helperCalls)},
         L"Error",
         L"SetRegistryValue failed."},
        {"not an administrator, no helper",
         {.isNTAdminAnswer = 0},
         12,
         0,
         {L"QvUtil.QvIsNTAdmin"},
         L"Error",
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
        const std::size_t loggedBefore = log_.Text().size();

        EXPECT_EQ(Ostrel::SetLaunchPoint(test.launchPoint), test.expected);

        EXPECT_EQ(JournaledCalls(journal), test.calls);
        for (const auto& entry : journal.Entries())
        {
            if (entry.call == L"SetRegistryValue")
            {
                EXPECT_EQ(entry.arguments, HelperWrite(test.launchPoint));
            }
        }
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
        ExpectRecord(log_, {test.level, L"strInstru.cpp", L"SetLaunchPoint", test.record});
        EXPECT_EQ(log_.Text().find(L"Registry writing was successful.", loggedBefore) != std::wstring::npos,
                  test.expected == 1);
        if (helperCookie != 0)
        {
            EXPECT_EQ(DevHost::RevokeAdminPrivilegeHelper(helperCookie), S_OK);
        }
    }
}

} // namespace
