#include "uihost/LinkExpansion.h"

#include "MachineRegistry.h"
#include "platform/UniqueHandles.h"
#include "support/RegistryIsolation.h"

#include <gtest/gtest.h>

#include <string>

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

// The expansion of the text with the suite's substitute key, or the status.
struct Expansion
{
    DWORD status;
    std::wstring text;
};

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
    struct Case
    {
        const wchar_t* text;
        bool queryParams;
        const wchar_t* expected;
    };
    const Case cases[] = {
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
        {L"%domain%/%lang%", true, L"example.test/en?affid=7&lang=en"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.text);
        const Expansion expansion = Expand(kSubstitute, c.text, c.queryParams);
        EXPECT_EQ(expansion.status, 0u);
        EXPECT_EQ(expansion.text, c.expected);
    }
}

TEST_F(LinkExpansionTest, TheSizeNeededIsAlwaysReportedAndASmallBufferIsLeftAlone)
{
    const std::wstring expected = L"en?affid=7&lang=en";
    const DWORD needed = static_cast<DWORD>(expected.size() + 1);
    struct Case
    {
        const char* label;
        bool buffer;
        DWORD size;
        DWORD status;
        std::wstring written;
    };
    const Case cases[] = {
        {"size only", false, 0, ERROR_SUCCESS, L""},
        {"size only, any size given", false, 1000, ERROR_SUCCESS, L""},
        {"one character short", true, needed - 1, ERROR_MORE_DATA, L"untouched"},
        {"empty buffer", true, 0, ERROR_MORE_DATA, L"untouched"},
        {"exact", true, needed, ERROR_SUCCESS, expected},
        {"larger", true, needed + 10, ERROR_SUCCESS, expected},
    };
    using Function = DWORD (*)(const wchar_t*, const wchar_t*, wchar_t*, DWORD*);
    const Function withQueryParams = [](const wchar_t* key, const wchar_t* text, wchar_t* out, DWORD* size)
    {
        return ExpandWithSubstituteKey(key, text, true, out, size);
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.label);
        wchar_t buffer[64] = L"untouched";
        DWORD size = c.size;
        EXPECT_EQ(withQueryParams(kSubstitute, L"%lang%", c.buffer ? buffer : nullptr, &size), c.status);
        EXPECT_EQ(size, needed);
        EXPECT_EQ(std::wstring(buffer), c.buffer ? c.written : L"untouched");
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
    struct Case
    {
        const wchar_t* keyPath;
        DWORD status;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"SOFTWARE\\Missing", ERROR_SUCCESS, L"%lang%"},
        {L"SOFTWARE\\NoValues", ERROR_SUCCESS, L"%lang%"},
        {L"hkcu\\Software\\Sub", ERROR_SUCCESS, L"user"},
        {L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Norvane\\VRT\\AppInfo\\Substitute", ERROR_SUCCESS, L"en"},
        {L"NoBackslash", ERROR_INVALID_PARAMETER, L""},
        {L"HKLM\\", ERROR_INVALID_PARAMETER, L""},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.keyPath);
        const Expansion expansion = Expand(c.keyPath, L"%lang%", false);
        EXPECT_EQ(expansion.status, c.status);
        EXPECT_EQ(expansion.text, c.expected);
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
    const std::wstring many(100, L'%');
    struct Case
    {
        const char* label;
        const wchar_t* keyPath;
        std::wstring text;
        DWORD status;
        std::wstring expected;
    };
    std::wstring hundredBig;
    for (int i = 0; i < 100; ++i)
    {
        hundredBig += L"%big%";
    }
    const Case cases[] = {
        {"text at the limit", L"SOFTWARE\\Missing", std::wstring(kMaxExpandedTextChars, L'a'), ERROR_SUCCESS,
         std::wstring(kMaxExpandedTextChars, L'a')},
        {"text over the limit", L"SOFTWARE\\Missing", std::wstring(kMaxExpandedTextChars + 1, L'a'),
         ERROR_INVALID_PARAMETER, L""},
        {"expansion over the limit", kSubstitute, hundredBig, ERROR_INVALID_PARAMETER, L""},
        {"a variable name too long for its placeholder", kSubstitute, L"%lang%", ERROR_NOT_ENOUGH_MEMORY, L""},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.label);
        const Expansion expansion = Expand(c.keyPath, c.text, false);
        EXPECT_EQ(expansion.status, c.status);
        EXPECT_EQ(expansion.text, c.expected);
    }

    ASSERT_EQ(RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSubstitute, std::wstring(600, L'n').c_str()), ERROR_SUCCESS);
    const Expansion ignored = Expand(kSubstitute, L"%huge%", true);
    EXPECT_EQ(ignored.status, 0u);
    EXPECT_EQ(ignored.text, L"%huge%?affid=7&lang=en") << "values over 1039 characters and parameters too long skipped";
}

TEST_F(LinkExpansionTest, TheVolatileCopyIsMadeOnlyByTheCallThatCreatesIt)
{
    ASSERT_EQ(SetMachineString(kSubstitute, L"affid", L"7"), ERROR_SUCCESS);
    ASSERT_EQ(SetMachineString(kSubstitute, L"lcid", L"1033"), ERROR_SUCCESS);
    ASSERT_EQ(SetMachineString(kQueryParams, L"langid", L"9"), ERROR_SUCCESS);

    EXPECT_EQ(Expand(kSubstitute, L"%lang%", false, false).text, L"en");
    EXPECT_EQ(MachineString(kVolatile, L"lang"), L"<missing>") << "no copy without seeding";

    EXPECT_EQ(Expand(kSubstitute, L"%lang%", false, true).text, L"en");
    const struct
    {
        const wchar_t* key;
        const wchar_t* name;
        const wchar_t* value;
    } copied[] = {
        {kVolatile, L"lang", L"en"},
        {kVolatile, L"domain", L"example.test"},
        {kVolatile, L"affid", L"7"},
        {kVolatile, L"lcid", L"1033"},
        {kVolatile, L"chain", L"<missing>"},
        {kVolatileQueryParams, L"lang", L"en"},
        {kVolatileQueryParams, L"affid", L"7"},
        {kVolatileQueryParams, L"langid", L"9"},
        {kVolatileQueryParams, L"lcid", L"<missing>"},
    };
    for (const auto& c : copied)
    {
        EXPECT_EQ(MachineString(c.key, c.name), c.value) << c.key << " " << c.name;
    }
    UniqueRegKey stable;
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, (std::wstring(kVolatile) + L"\\Stable").c_str(), 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, stable.put(), nullptr),
              ERROR_CHILD_MUST_BE_VOLATILE)
        << "the copy is volatile";

    ASSERT_EQ(SetMachineString(kSubstitute, L"lang", L"de"), ERROR_SUCCESS);
    EXPECT_EQ(Expand(kSubstitute, L"%lang%", false, true).text, L"de") << "the text comes from the given key";
    EXPECT_EQ(MachineString(kVolatile, L"lang"), L"en") << "not copied again";
}

TEST(LinkExpansionSeedingTest, SeedingNeedsTheSuiteKey)
{
    ScreenRelayTest::RegistryIsolation isolation;
    ASSERT_TRUE(isolation.Active());
    EXPECT_EQ(Expand(kSubstitute, L"x", true, true).status, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Expand(kSubstitute, L"x", true, false).text, L"x");
}

} // namespace
} // namespace Ostrel
