#include "uihost/vrtcmn.h"

#include "LoggedRecord.h"
#include "MachineRegistry.h"
#include "support/RegistryIsolation.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <string>

namespace Ostrel
{
namespace
{

using ScreenRelayTest::ExpectRecord;
using ScreenRelayTest::SetMachineString;

constexpr wchar_t kSourceFile[] = L"vrtcmn.cpp";
constexpr wchar_t kFunction[] = L"QvExpandKespUrl";
constexpr wchar_t kSubstitute[] = L"SOFTWARE\\Norvane\\VRT\\AppInfo\\Substitute";
constexpr wchar_t kQueryParams[] = L"SOFTWARE\\Norvane\\VRT\\AppInfo\\Substitute\\QueryParams";
constexpr wchar_t kLinks[] = L"SOFTWARE\\Norvane\\VRT\\Settings\\Links";
constexpr wchar_t kOverrideLinks[] = L"Software\\Norvane\\VRT\\overrides\\Partner\\Settings\\Links";

struct Result
{
    DWORD status;
    bool allocated;
    std::wstring text;
};

Result ExpandLink(const std::wstring& link)
{
    wchar_t* expanded = reinterpret_cast<wchar_t*>(1);
    const DWORD status = QvExpandKespUrl(link.c_str(), &expanded);
    Result result{status, expanded != nullptr, expanded != nullptr ? expanded : L""};
    CoTaskMemFree(expanded);
    return result;
}

class QvExpandKespUrlTest : public ScreenRelayTest::RegistryIsolatedTest
{
protected:
    void SetUp() override
    {
        RegistryIsolatedTest::SetUp();
        ASSERT_EQ(SetMachineString(kSubstitute, L"lang", L"en"), ERROR_SUCCESS);
        ASSERT_EQ(SetMachineString(kQueryParams, L"affid", L"7"), ERROR_SUCCESS);
        ASSERT_EQ(SetMachineString(kLinks, L"help", L"https://help.test/%lang%"), ERROR_SUCCESS);
        ASSERT_EQ(SetMachineString(kLinks, L"", L"https://default.test/"), ERROR_SUCCESS);
        ASSERT_EQ(SetMachineString(kLinks, L"partner", L"https://main.test/"), ERROR_SUCCESS);
        ASSERT_EQ(SetMachineString(kOverrideLinks, L"partner", L"https://partner.test/?lang=%lang%"), ERROR_SUCCESS);
        ASSERT_EQ(ScreenRelayTest::SetMachineDword(L"Software\\Norvane\\VRT\\overrides\\Partner", L"priority", 4),
                  ERROR_SUCCESS);
    }

    ScreenRelayTest::RecordCapture log_;
};

TEST_F(QvExpandKespUrlTest, LinksAreLookedUpThroughTheOverrideAndExpanded)
{
    struct Case
    {
        const wchar_t* link;
        DWORD status;
        const wchar_t* expected; // null: nothing allocated
    };
    const Case cases[] = {
        {L"substlink:help", ERROR_SUCCESS, L"https://help.test/en?affid=7"},
        {L"SubstLink:help", ERROR_SUCCESS, L"https://help.test/en?affid=7"},
        {L"substlink:", ERROR_SUCCESS, L"https://default.test/?affid=7"},
        {L"substlink:partner", ERROR_SUCCESS, L"https://partner.test/?lang=en&affid=7"},
        {L"https://plain.test/%lang%?x=1", ERROR_SUCCESS, L"https://plain.test/en?x=1&affid=7"},
        {L"substlink:extURL::open", ERROR_INVALID_PARAMETER, nullptr},
        {L"substlink:EXTURL::", ERROR_INVALID_PARAMETER, nullptr},
        {L"substlink:unknown", static_cast<DWORD>(E_FAIL), nullptr},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.link);
        const Result result = ExpandLink(c.link);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.allocated, c.expected != nullptr);
        EXPECT_EQ(result.text, c.expected != nullptr ? c.expected : L"");
    }
}

TEST_F(QvExpandKespUrlTest, RecordsNameTheFunctionAndItsSourceFile)
{
    EXPECT_EQ(ExpandLink(L"substlink:extURL::open").status, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(ExpandLink(L"page").status, 0u);
    ExpectRecord(log_, {L"Normal", kSourceFile, kFunction, L"CQvUtil::QvExpandKespUrl APP_EXTERNAL_URL detected."});
    ExpectRecord(log_, {L"Warning", kSourceFile, kFunction,
                        L"CQvUtil::QvExpandKespUrl APP_EXTERNAL_URL detected, but uknown verb passed."});
    ExpectRecord(log_, {L"Warning", kSourceFile, kFunction, L"url page has been expanded to page?affid=7"});
}

TEST_F(QvExpandKespUrlTest, ArgumentsAndOversizedLinksAreRefused)
{
    wchar_t* expanded = nullptr;
    EXPECT_EQ(QvExpandKespUrl(nullptr, &expanded), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(QvExpandKespUrl(L"x", nullptr), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    const Result oversized = ExpandLink(L"substlink:" + std::wstring(40000, L'n'));
    EXPECT_EQ(oversized.status, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(oversized.allocated);
    const Result longName = ExpandLink(L"substlink:" + std::wstring(20000, L'n'));
    EXPECT_NE(longName.status, 0u);
    EXPECT_FALSE(longName.allocated);
}

TEST(QvExpandKespUrlWithoutSuiteKeyTest, TheExpansionFailureIsReturnedAndLogged)
{
    ScreenRelayTest::RegistryIsolation isolation;
    ASSERT_TRUE(isolation.Active());
    ScreenRelayTest::RecordCapture log;
    const Result result = ExpandLink(L"https://x.test/");
    EXPECT_EQ(result.status, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(result.allocated);
    ExpectRecord(log, {L"Warning", kSourceFile, kFunction, L"CQvUtil::QvExpandEnvironmentStringEx failed - error 2"});
}

} // namespace
} // namespace Ostrel
