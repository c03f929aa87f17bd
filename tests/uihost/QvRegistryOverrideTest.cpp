#include "uihost/QvRegistryOverride.h"

#include "LoggedRecord.h"
#include "MachineRegistry.h"
#include "support/RegistryIsolation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <string>

namespace Ostrel
{
namespace
{

using ScreenRelayTest::ExpectRecord;

constexpr wchar_t kSourceFile[] = L"QvRegistryOverride.cpp";

// The hive of that priority; each set of hives has its own parent key.
std::wstring HivePath(DWORD priority, const std::wstring& set = L"Hives")
{
    return L"SOFTWARE\\Norvane\\" + set + L"\\H" + std::to_wstring(priority) + L"\\";
}

class QvRegistryOverrideTest : public ScreenRelayTest::RegistryIsolatedTest
{
protected:
    // Hives 5, 0 and 1, added out of order; each has a "Links" key, and the
    // listed ones hold "name" = "value of <priority>".
    void AddHivesHolding(std::initializer_list<DWORD> holders, const std::wstring& set = L"Hives")
    {
        for (DWORD priority : {5u, 0u, 1u})
        {
            ASSERT_EQ(ScreenRelayTest::CreateMachineKey(HivePath(priority, set) + L"Links"), ERROR_SUCCESS);
            ASSERT_EQ(hives_.AddHive(HKEY_LOCAL_MACHINE, HivePath(priority, set).c_str(), priority, 1), S_OK);
        }
        for (DWORD priority : holders)
        {
            ASSERT_EQ(ScreenRelayTest::SetMachineString(HivePath(priority, set) + L"Links", L"name",
                                                        L"value of " + std::to_wstring(priority)),
                      ERROR_SUCCESS);
        }
    }

    // Reads "name" from "Links"; the text read, or empty.
    HRESULT ReadName(std::wstring& text)
    {
        wchar_t buffer[64] = {};
        DWORD bytes = sizeof(buffer);
        DWORD type = REG_NONE;
        const HRESULT status = hives_.ReadValue(L"name", &type, buffer, &bytes, 0);
        text = buffer;
        return status;
    }

    ScreenRelayTest::RecordCapture log_;
    QvRegistryOverride hives_;
};

TEST_F(QvRegistryOverrideTest, TheHighestPriorityHiveHoldingTheValueAnswers)
{
    struct Case
    {
        const wchar_t* set;
        std::initializer_list<DWORD> holders;
        std::wstring expected;
    };
    const Case cases[] = {
        {L"All", {0, 1, 5}, L"value of 5"},
        {L"LowestOnly", {0}, L"value of 0"},
        {L"TwoLowest", {1, 0}, L"value of 1"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.set);
        hives_.ClearHives();
        AddHivesHolding(c.holders, c.set);
        ASSERT_EQ(hives_.OpenKey(L"Links", KEY_READ | KEY_WOW64_64KEY), S_OK);
        std::wstring text;
        EXPECT_EQ(ReadName(text), S_OK);
        EXPECT_EQ(text, c.expected);
        hives_.CloseKeys();
    }
}

TEST_F(QvRegistryOverrideTest, AValueNoHiveHoldsFailsWithTheLastStatus)
{
    AddHivesHolding({});
    ASSERT_EQ(hives_.OpenKey(L"Links", KEY_READ), S_OK);
    std::wstring text;
    EXPECT_EQ(ReadName(text), E_FAIL);
    ExpectRecord(
        log_, {L"Normal", kSourceFile, L"QvRegistryOverride::ReadValue", L"Failed to read value 'name' from hive (2)"});
}

TEST_F(QvRegistryOverrideTest, ReadingNeedsAnOpenedKeyInAnEnabledHive)
{
    std::wstring text;
    EXPECT_EQ(ReadName(text), E_HANDLE) << "no OpenKey yet";

    AddHivesHolding({0, 1, 5});
    EXPECT_EQ(hives_.OpenKey(L"Missing", KEY_READ), E_FAIL);
    ExpectRecord(log_,
                 {L"Normal", kSourceFile, L"QvRegistryOverride::OpenKey", L"Couldn't open key 'Missing' in any hives"});
    EXPECT_EQ(ReadName(text), E_HANDLE) << "the failed OpenKey left no keys";

    ASSERT_EQ(hives_.OpenKey(L"Links", KEY_READ), S_OK);
    hives_.CloseKeys();
    EXPECT_EQ(ReadName(text), E_HANDLE) << "after CloseKeys";

    QvRegistryOverride disabled;
    ASSERT_EQ(disabled.AddHive(HKEY_LOCAL_MACHINE, HivePath(5).c_str(), 5, 0), S_OK);
    ASSERT_EQ(disabled.OpenKey(L"Links", KEY_READ), S_OK);
    wchar_t buffer[64] = {};
    DWORD bytes = sizeof(buffer);
    EXPECT_EQ(disabled.ReadValue(L"name", nullptr, buffer, &bytes, 0), E_FAIL);
    ExpectRecord(log_, {L"Error", kSourceFile, L"QvRegistryOverride::ReadValue", L"Couldn't find an active hive"});
}

// A higher hive whose value does not fit reports the size it needs; the lower
// hives must still be read with the caller's size, or they would write past
// the caller's buffer.
TEST_F(QvRegistryOverrideTest, EveryHiveIsReadWithTheCallersBufferSize)
{
    AddHivesHolding({0});
    ASSERT_EQ(ScreenRelayTest::SetMachineString(HivePath(5) + L"Links", L"name", std::wstring(100, L'x')),
              ERROR_SUCCESS);
    ASSERT_EQ(hives_.OpenKey(L"Links", KEY_READ), S_OK);
    wchar_t buffer[64];
    std::fill(std::begin(buffer), std::end(buffer), L'#');
    DWORD bytes = 8 * sizeof(wchar_t);
    EXPECT_EQ(hives_.ReadValue(L"name", nullptr, buffer, &bytes, 0), E_FAIL) << "\"value of 0\" does not fit either";
    EXPECT_EQ(bytes, 8 * sizeof(wchar_t));
    EXPECT_EQ(std::wstring(buffer + 8, 56), std::wstring(56, L'#'));
    ExpectRecord(log_, {L"Normal", kSourceFile, L"QvRegistryOverride::ReadValue",
                        L"Failed to read value 'name' from hive (234)"});
}

} // namespace
} // namespace Ostrel
