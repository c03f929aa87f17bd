#include "uihost/LinkExpansion.h"

#include "MachineRegistry.h"
#include "platform/UniqueHandles.h"
#include "support/RegistryIsolation.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>

namespace Ostrel
{
namespace
{

using ScreenRelayTest::MachineString;
using ScreenRelayTest::SetMachineDword;
using ScreenRelayTest::SetMachineString;

constexpr wchar_t kSubstitute[] = L"SOFTWARE\\Norvane\\VRT\\AppInfo\\Substitute";
constexpr wchar_t kQueryParams[] = L"SOFTWARE\\Norvane\\VRT\\AppInfo\\Substitute\\QueryParams";
constexpr wchar_t kVolatile[] = L"SOFTWARE\\Norvane\\Volatile\\VRT\\Substitute";
constexpr wchar_t kVolatileQueryParams[] = L"SOFTWARE\\Norvane\\Volatile\\VRT\\Substitute\\QueryParams";

// The status of the expansion of the text with the suite's substitute key, and the expanded text.
using Expansion = std::pair<DWORD, std::wstring>;

Expansion Expand(const wchar_t* keyPath, const std::wstring& text, bool queryParams, bool seed = false)
{
    DWORD size = 0;
    DWORD status = QvExpandEnvironmentStringEx(keyPath, text.c_str(), queryParams, nullptr, &size, seed);
    if (status != ERROR_SUCCESS)
    {
        return {status, L""};
    }
    std::wstring result(size, L'#');
    status = QvExpandEnvironmentStringEx(keyPath, text.c_str(), queryParams, result.data(), &size, seed);
    EXPECT_EQ(result.size(), size);
    result.resize(wcsnlen(result.c_str(), result.size()));
    return {status, result};
}

class LinkExpansionTest : public ScreenRelayTest::RegistryIsolatedTest
{
protected:
    void SetUp() override
    {
        RegistryIsolatedTest::SetUp();
        // Wine enumerates values by name: chain, domain, lang, num, self, zref.
        ASSERT_EQ(SetMachineString(kSubstitute, L"lang", L"en"), ERROR_SUCCESS);
        ASSERT_EQ(SetMachineString(kSubstitute, L"domain", L"example.test"), ERROR_SUCCESS);
        ASSERT_EQ(SetMachineString(kSubstitute, L"chain", L"%domain%/x"), ERROR_SUCCESS);
        ASSERT_EQ(SetMachineString(kSubstitute, L"zref", L"%lang%"), ERROR_SUCCESS);
        ASSERT_EQ(SetMachineString(kSubstitute, L"self", L"<%self%>"), ERROR_SUCCESS);
        ASSERT_EQ(SetMachineDword(kSubstitute, L"num", 5), ERROR_SUCCESS);
        ASSERT_EQ(SetMachineString(kQueryParams, L"lang", L"en"), ERROR_SUCCESS);
        ASSERT_EQ(SetMachineString(kQueryParams, L"affid", L"7"), ERROR_SUCCESS);
    }
};

TEST_F(LinkExpansionTest, VariablesAreSubstitutedAndMissingQueryParametersAppended)
{
    const std::tuple<const wchar_t*, bool, const wchar_t*> cases[] = {
        {L"page?lang=fr", true, L"page?lang=fr&affid=7"},
        {L"page/%lang%/x", false, L"page/en/x"},
        {L"page/%LANG%/x", false, L"page/%LANG%/x"},
        {L"page", true, L"page?affid=7&lang=en"},
        {L"page?affid=1&lang=fr", true, L"page?affid=1&lang=fr"},
        {L"page&lang=fr", true, L"page&lang=fr?affid=7"},
        {L"page?xlang=fr", true, L"page?xlang=fr&affid=7&lang=en"},
        {L"%lang%%lang%-%lang", false, L"enen-%lang"},
        {L"%chain%", false, L"example.test/x"},
        {L"%zref%|%self%|%num%", false, L"%lang%|<%self%>|%num%"},
        {L"%domain%/%lang%", true, L"example.test/en?affid=7&lang=en"}};
    for (const auto& [text, queryParams, expected] : cases)
    {
        EXPECT_EQ(Expand(kSubstitute, text, queryParams), Expansion(0, expected));
    }
}

TEST_F(LinkExpansionTest, TheSizeNeededIsAlwaysReportedAndASmallBufferIsLeftAlone)
{
    const std::wstring expected = L"en?affid=7&lang=en";
    const DWORD needed = static_cast<DWORD>(expected.size() + 1);
    // Label, whether a buffer is given, the size given, the status, the text written.
    const std::tuple<const char*, bool, DWORD, DWORD, std::wstring> cases[] = {
        {"size only", false, 0, ERROR_SUCCESS, L""},
        {"size only, any size given", false, 1000, ERROR_SUCCESS, L""},
        {"one character short", true, needed - 1, ERROR_MORE_DATA, L"untouched"},
        {"empty buffer", true, 0, ERROR_MORE_DATA, L"untouched"},
        {"exact", true, needed, ERROR_SUCCESS, expected},
        {"larger", true, needed + 10, ERROR_SUCCESS, expected}};
    for (const auto& [label, hasBuffer, givenSize, status, written] : cases)
    {
        SCOPED_TRACE(label);
        wchar_t buffer[64] = L"untouched";
        DWORD size = givenSize;
        EXPECT_EQ(ExpandWithSubstituteKey(kSubstitute, L"%lang%", true, hasBuffer ? buffer : nullptr, &size), status);
        EXPECT_EQ(size, needed);
        EXPECT_EQ(std::wstring(buffer), hasBuffer ? written : L"untouched");
    }

    DWORD size = 0;
    EXPECT_EQ(ExpandSubstituteVariables(kSubstitute, L"%lang%", nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 3u);
    wchar_t small[2] = {L'u', L'\0'};
    EXPECT_EQ(AppendQueryParams(kSubstitute, L"x", small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 18u) << "x?affid=7&lang=en";
    EXPECT_EQ(small[0], L'u');
}

TEST_F(LinkExpansionTest, KeyPathsAndArgumentsAreChecked)
{
    ASSERT_EQ(SetMachineString(L"SOFTWARE\\Empty", L"", L"only the default value"), ERROR_SUCCESS);
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Sub", L"lang", REG_SZ, L"user", 10), ERROR_SUCCESS);
    ASSERT_EQ(ScreenRelayTest::CreateMachineKey(L"SOFTWARE\\NoValues"), ERROR_SUCCESS);
    const std::tuple<const wchar_t*, DWORD, const wchar_t*> cases[] = {
        {L"SOFTWARE\\Missing", ERROR_SUCCESS, L"%lang%"},
        {L"SOFTWARE\\NoValues", ERROR_SUCCESS, L"%lang%"},
        {L"hkcu\\Software\\Sub", ERROR_SUCCESS, L"user"},
        {L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Norvane\\VRT\\AppInfo\\Substitute", ERROR_SUCCESS, L"en"},
        {L"NoBackslash", ERROR_INVALID_PARAMETER, L""},
        {L"HKLM\\", ERROR_INVALID_PARAMETER, L""}};
    for (const auto& [keyPath, status, expected] : cases)
    {
        EXPECT_EQ(Expand(keyPath, L"%lang%", false), Expansion(status, expected)) << keyPath;
    }

    DWORD size = 0;
    EXPECT_EQ(QvExpandEnvironmentStringEx(nullptr, L"x", true, nullptr, &size, false), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(QvExpandEnvironmentStringEx(kSubstitute, nullptr, true, nullptr, &size, false), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(QvExpandEnvironmentStringEx(kSubstitute, L"x", true, nullptr, nullptr, false), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(AppendQueryParams((L"SOFTWARE\\" + std::wstring(250, L'k')).c_str(), L"x", nullptr, &size),
              ERROR_INSUFFICIENT_BUFFER)
        << "the QueryParams key name has at most 260 characters";
}

// Link text comes from other processes: sizes are bounded before anything is
// copied or grown.
TEST_F(LinkExpansionTest, OversizedTextsAndValuesAreRefusedOrIgnored)
{
    ASSERT_EQ(SetMachineString(kSubstitute, L"big", std::wstring(1000, L'b')), ERROR_SUCCESS);
    ASSERT_EQ(SetMachineString(kSubstitute, L"huge", std::wstring(1500, L'h')), ERROR_SUCCESS);
    ASSERT_EQ(SetMachineString(kQueryParams, L"long", std::wstring(600, L'l')), ERROR_SUCCESS);
    ASSERT_EQ(SetMachineString(kSubstitute, std::wstring(600, L'n').c_str(), L"x"), ERROR_SUCCESS);
    std::wstring hundredBig;
    for (int i = 0; i < 100; ++i)
    {
        hundredBig += L"%big%";
    }
    const std::tuple<const char*, const wchar_t*, std::wstring, DWORD, std::wstring> cases[] = {
        {"text at the limit", L"SOFTWARE\\Missing", std::wstring(kMaxExpandedTextChars, L'a'), ERROR_SUCCESS,
         std::wstring(kMaxExpandedTextChars, L'a')},
        {"text over the limit", L"SOFTWARE\\Missing", std::wstring(kMaxExpandedTextChars + 1, L'a'),
         ERROR_INVALID_PARAMETER, L""},
        {"expansion over the limit", kSubstitute, hundredBig, ERROR_INVALID_PARAMETER, L""},
        {"a variable name too long for its placeholder", kSubstitute, L"%lang%", ERROR_NOT_ENOUGH_MEMORY, L""}};
    for (const auto& [label, keyPath, text, status, expected] : cases)
    {
        EXPECT_EQ(Expand(keyPath, text, false), Expansion(status, expected)) << label;
    }

    ASSERT_EQ(RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSubstitute, std::wstring(600, L'n').c_str()), ERROR_SUCCESS);
    EXPECT_EQ(Expand(kSubstitute, L"%huge%", true), Expansion(0, L"%huge%?affid=7&lang=en"))
        << "values over 1039 characters and parameters too long skipped";
}

TEST_F(LinkExpansionTest, TheVolatileCopyIsMadeOnlyByTheCallThatCreatesIt)
{
    ASSERT_EQ(SetMachineString(kSubstitute, L"affid", L"7"), ERROR_SUCCESS);
    ASSERT_EQ(SetMachineString(kSubstitute, L"lcid", L"1033"), ERROR_SUCCESS);
    ASSERT_EQ(SetMachineString(kQueryParams, L"langid", L"9"), ERROR_SUCCESS);

    EXPECT_EQ(Expand(kSubstitute, L"%lang%", false, false).second, L"en");
    EXPECT_EQ(MachineString(kVolatile, L"lang"), L"<missing>") << "no copy without seeding";

    EXPECT_EQ(Expand(kSubstitute, L"%lang%", false, true).second, L"en");
    const std::tuple<const wchar_t*, const wchar_t*, const wchar_t*> copied[] = {
        {kVolatile, L"lang", L"en"},
        {kVolatile, L"domain", L"example.test"},
        {kVolatile, L"affid", L"7"},
        {kVolatile, L"lcid", L"1033"},
        {kVolatile, L"chain", L"<missing>"},
        {kVolatileQueryParams, L"lang", L"en"},
        {kVolatileQueryParams, L"affid", L"7"},
        {kVolatileQueryParams, L"langid", L"9"},
        {kVolatileQueryParams, L"lcid", L"<missing>"}};
    for (const auto& [key, name, value] : copied)
    {
        EXPECT_EQ(MachineString(key, name), value) << key << " " << name;
    }
    UniqueRegKey stable;
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, (std::wstring(kVolatile) + L"\\Stable").c_str(), 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, stable.put(), nullptr),
              ERROR_CHILD_MUST_BE_VOLATILE)
        << "the copy is volatile";

    ASSERT_EQ(SetMachineString(kSubstitute, L"lang", L"de"), ERROR_SUCCESS);
    EXPECT_EQ(Expand(kSubstitute, L"%lang%", false, true).second, L"de") << "the text comes from the given key";
    EXPECT_EQ(MachineString(kVolatile, L"lang"), L"en") << "not copied again";
}

TEST(LinkExpansionSeedingTest, SeedingNeedsTheSuiteKey)
{
    ScreenRelayTest::RegistryIsolation isolation;
    ASSERT_TRUE(isolation.Active());
    EXPECT_EQ(Expand(kSubstitute, L"x", true, true).first, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Expand(kSubstitute, L"x", true, false).second, L"x");
}

} // namespace
} // namespace Ostrel
