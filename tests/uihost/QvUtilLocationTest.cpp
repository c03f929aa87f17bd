#include "uihost/QvUtilLocation.h"

#include "MachineRegistry.h"
#include "support/RegistryIsolation.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>
#include <vector>

namespace
{

using ScreenRelayTest::RegistryIsolatedTest;
using ScreenRelayTest::TempFolder;

constexpr wchar_t kSuiteKey[] = L"SOFTWARE\\Norvane\\VRT";

TEST(FindVersionFolderTest, HighestVersionWinsByNumberNotByText)
{
    struct Case
    {
        const char* label;
        std::vector<std::wstring> folders;
        std::vector<std::wstring> files;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {"1,10,0,0 over 1,2,3,4", {L"1,2,3,4", L"1,10,0,0", L"1,9,9,9"}, {}, L"1,10,0,0"},
        {"first number decides", {L"2,0,0,0", L"10,0,0,0", L"9,99,99,99"}, {}, L"10,0,0,0"},
        {"last number decides", {L"1,2,3,4", L"1,2,3,40", L"1,2,3,5"}, {}, L"1,2,3,40"},
        {"three numbers ignored", {L"1,2,3", L"0,0,0,1"}, {}, L"0,0,0,1"},
        {"only three numbers", {L"1,2,3"}, {}, nullptr},
        {"names that are not numbers ignored", {L"9,9,9,x", L"a,b,c,d", L"1,0,0,0"}, {}, L"1,0,0,0"},
        {"files ignored", {L"1,0,0,0"}, {L"5,0,0,0"}, L"1,0,0,0"},
        {"nothing there", {}, {}, nullptr},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.label);
        TempFolder temp;
        for (const std::wstring& folder : test.folders)
        {
            ASSERT_TRUE(CreateDirectoryW(temp.File(folder).c_str(), nullptr));
        }
        for (const std::wstring& file : test.files)
        {
            ASSERT_TRUE(ScreenRelayTest::WriteFileBytes(temp.File(file), "MZ"));
        }
        std::wstring found = L"<untouched>";
        EXPECT_EQ(Ostrel::FindVersionFolder(temp.Path(), found), test.expected != nullptr);
        EXPECT_EQ(found, test.expected != nullptr ? temp.File(test.expected) : L"<untouched>");
    }
}

using GetCommonFilesFolderTest = RegistryIsolatedTest;

TEST_F(GetCommonFilesFolderTest, RegisteredFolderLosesALeadingQuoteAndGetsTheAskedTrailingBackslash)
{
    struct Case
    {
        const wchar_t* registered;
        bool trailingBackslash;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"C:\\Common", true, L"C:\\Common\\"},    {L"C:\\Common\\", true, L"C:\\Common\\"},
        {L"C:\\Common\\", false, L"C:\\Common"},   {L"C:\\Common", false, L"C:\\Common"},
        {L"\"C:\\Quoted\\", false, L"C:\\Quoted"},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(testing::Message() << test.registered << " trailing " << test.trailingBackslash);
        ASSERT_EQ(ScreenRelayTest::SetMachineString(kSuiteKey, L"CommonFiles Dir", test.registered), ERROR_SUCCESS);
        wchar_t folder[MAX_PATH] = {};
        EXPECT_EQ(Ostrel::GetCommonFilesFolder(folder, MAX_PATH, test.trailingBackslash), 0u);
        EXPECT_STREQ(folder, test.expected);
    }
}

TEST_F(GetCommonFilesFolderTest, MissingEmptyOrNonTextValueFallsBackToTheSystemCommonFiles)
{
    wchar_t system[MAX_PATH] = {};
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES_COMMON, nullptr, SHGFP_TYPE_CURRENT, system), S_OK);
    const std::wstring expected = std::wstring(system) + L"\\Norvane\\Platform\\";

    wchar_t folder[MAX_PATH] = {};
    EXPECT_EQ(Ostrel::GetCommonFilesFolder(folder, MAX_PATH, true), 0u);
    EXPECT_EQ(std::wstring(folder), expected) << "value missing";

    ASSERT_EQ(ScreenRelayTest::SetMachineString(kSuiteKey, L"CommonFiles Dir", L""), ERROR_SUCCESS);
    EXPECT_EQ(Ostrel::GetCommonFilesFolder(folder, MAX_PATH, true), 0u);
    EXPECT_EQ(std::wstring(folder), expected) << "value empty";

    ASSERT_EQ(ScreenRelayTest::SetMachineDword(kSuiteKey, L"CommonFiles Dir", 1), ERROR_SUCCESS);
    EXPECT_EQ(Ostrel::GetCommonFilesFolder(folder, MAX_PATH, true), 0u);
    EXPECT_EQ(std::wstring(folder), expected) << "value not text";
}

TEST_F(GetCommonFilesFolderTest, BadOrSmallOutputIsRefused)
{
    ASSERT_EQ(ScreenRelayTest::SetMachineString(kSuiteKey, L"CommonFiles Dir", L"C:\\Common"), ERROR_SUCCESS);
    // "C:\Common" and its terminator fill 10 characters; the backslash would be the 11th.
    wchar_t folder[10] = {};
    EXPECT_EQ(Ostrel::GetCommonFilesFolder(nullptr, 10, true), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(Ostrel::GetCommonFilesFolder(folder, 0, true), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(Ostrel::GetCommonFilesFolder(folder, 10, true), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(Ostrel::GetCommonFilesFolder(folder, 10, false), 0u);
    EXPECT_STREQ(folder, L"C:\\Common");
}

} // namespace
