#include "uihost/QvPartnerCustomizationBase.h"

#include "LoggedRecord.h"
#include "MachineRegistry.h"
#include "support/RegistryIsolation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace Ostrel
{
namespace
{

using ScreenRelayTest::ExpectRecord;
using ScreenRelayTest::SetMachineDword;
using ScreenRelayTest::SetMachineString;

constexpr wchar_t kSourceFile[] = L"QvPartnerCustomizationCommon.cpp";
constexpr wchar_t kFunction[] = L"QvPartnerCustomizationBase::Initialize";
constexpr wchar_t kPackagesKey[] = L"SOFTWARE\\Norvane\\VRT\\Packages";

// A value of a "Links" key under the hive.
struct LinkValue
{
    std::wstring hive;
    std::wstring text;
};

// A plug-in or override entry: its key, its priority (0: none written) and
// the "Links" value its hive holds.
struct Entry
{
    std::wstring key;
    DWORD priority;
    std::wstring text;
};

void Write(const std::vector<LinkValue>& links, const std::vector<Entry>& entries)
{
    for (const LinkValue& link : links)
    {
        ASSERT_EQ(SetMachineString(link.hive + L"\\Links", L"name", link.text), ERROR_SUCCESS);
    }
    for (const Entry& entry : entries)
    {
        ASSERT_EQ(SetMachineString(entry.key + L"\\Settings\\Links", L"name", entry.text), ERROR_SUCCESS);
        if (entry.priority != 0)
        {
            ASSERT_EQ(SetMachineDword(entry.key, L"priority", entry.priority), ERROR_SUCCESS);
        }
    }
}

// "name" of the "Links" key as the initialised override answers it.
std::wstring LinkAnswer(QvPartnerCustomizationBase& customization)
{
    QvRegistryOverride& hives = customization.Override();
    if (hives.OpenKey(L"Links", KEY_READ | KEY_WOW64_64KEY) != S_OK)
    {
        return L"<no key>";
    }
    wchar_t text[64] = {};
    DWORD bytes = sizeof(text);
    const HRESULT status = hives.ReadValue(L"name", nullptr, text, &bytes, 0);
    hives.CloseKeys();
    return status == S_OK ? text : L"<no value>";
}

class QvPartnerCustomizationTest : public ScreenRelayTest::RegistryIsolatedTest
{
protected:
    ScreenRelayTest::RecordCapture log_;
};

// Each case has a registry of its own.
TEST(QvPartnerCustomizationCasesTest, HivesComeFromTheBasePathItsPackageItsPluginsAndItsOverrides)
{
    struct Case
    {
        const char* label;
        const wchar_t* basePath;
        const wchar_t* activeUiPackages; // null: no package value
        std::vector<LinkValue> links;
        std::vector<Entry> entries;
        std::wstring expected;
    };
    const Case cases[] = {
        {"default keys: the override wins over the plug-in",
         nullptr,
         nullptr,
         {{L"SOFTWARE\\Norvane\\VRT\\Settings", L"main"}},
         {{L"Software\\Norvane\\VRT\\plugins\\P", 3, L"plugin"},
          {L"Software\\Norvane\\VRT\\overrides\\O", 7, L"override"}},
         L"override"},
        {"a base path ending in Settings\\ is the main hive, plug-ins beside it",
         L"SOFTWARE\\Partner\\Settings\\",
         nullptr,
         {{L"SOFTWARE\\Partner\\Settings", L"main"}},
         {{L"SOFTWARE\\Partner\\plugins\\P", 2, L"plugin"}},
         L"plugin"},
        {"a base path without Settings gets it",
         L"SOFTWARE\\Other",
         nullptr,
         {{L"SOFTWARE\\Other\\Settings", L"main"}, {L"SOFTWARE\\Other", L"base itself"}},
         {},
         L"main"},
        {"the active package's hive has priority 1",
         nullptr,
         L"5",
         {{L"SOFTWARE\\Norvane\\VRT\\Settings", L"main"}, {L"SOFTWARE\\Norvane\\VRT\\Settings5", L"package"}},
         {},
         L"package"},
        {"a list of packages counts as none",
         nullptr,
         L"5;6",
         {{L"SOFTWARE\\Norvane\\VRT\\Settings", L"main"}, {L"SOFTWARE\\Norvane\\VRT\\Settings5", L"package"}},
         {},
         L"main"},
        {"a plug-in above the package, an override without priority skipped",
         nullptr,
         L"5",
         {{L"SOFTWARE\\Norvane\\VRT\\Settings5", L"package"}},
         {{L"Software\\Norvane\\VRT\\plugins\\P", 2, L"plugin"},
          {L"Software\\Norvane\\VRT\\overrides\\O", 0, L"override"}},
         L"plugin"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.label);
        ScreenRelayTest::RegistryIsolation isolation;
        ASSERT_TRUE(isolation.Active());
        if (c.activeUiPackages != nullptr)
        {
            ASSERT_EQ(SetMachineString(kPackagesKey, L"activeuipackages", c.activeUiPackages), ERROR_SUCCESS);
        }
        Write(c.links, c.entries);
        QvPartnerCustomizationBase customization;
        ASSERT_EQ(customization.Initialize(c.basePath), S_OK);
        EXPECT_EQ(LinkAnswer(customization), c.expected);
    }
}

TEST_F(QvPartnerCustomizationTest, EntriesThatCannotBeUsedAreSkippedWithARecord)
{
    Write({{L"SOFTWARE\\Norvane\\VRT\\Settings", L"main"}},
          {{L"Software\\Norvane\\VRT\\plugins\\NoPriority", 0, L"plugin"},
           {L"Software\\Norvane\\VRT\\overrides\\NoPriority", 0, L"override"}});
    QvPartnerCustomizationBase customization;
    ASSERT_EQ(customization.Initialize(nullptr), S_OK);
    EXPECT_EQ(LinkAnswer(customization), L"main");

    ExpectRecord(log_, {L"Error", kSourceFile, kFunction, L"Couldn't get value 'priority' (2) - skipping"});
    ExpectRecord(log_, {L"Normal", kSourceFile, kFunction, L"Couldn't query value 'priority' (2)"});
    ExpectRecord(log_, {L"Error", kSourceFile, kFunction,
                        L"Couldn't open key 'Software\\Norvane\\VRT\\Settings\\generalSettings\\' (2) - continuing"});
}

TEST_F(QvPartnerCustomizationTest, ResourceLibrariesAreRecordedAndOverridesFallBackToTheMainOne)
{
    const std::wstring plugin = L"Software\\Norvane\\VRT\\plugins\\P\\";
    const std::wstring overrideKey = L"Software\\Norvane\\VRT\\overrides\\O\\";
    ASSERT_EQ(SetMachineString(L"SOFTWARE\\Norvane\\VRT\\Settings\\generalSettings", L"ResDll", L"main.dll"),
              ERROR_SUCCESS);
    ASSERT_EQ(SetMachineString(plugin + L"Settings\\generalSettings", L"ResDll", L"plugin.dll"), ERROR_SUCCESS);
    ASSERT_EQ(SetMachineDword(plugin, L"priority", 2), ERROR_SUCCESS);
    ASSERT_EQ(SetMachineDword(overrideKey, L"priority", 3), ERROR_SUCCESS);

    QvPartnerCustomizationBase customization;
    ASSERT_EQ(customization.Initialize(nullptr), S_OK);

    const struct
    {
        std::wstring hive;
        const wchar_t* dll;
    } expected[] = {
        {L"SOFTWARE\\Norvane\\VRT\\Settings", L"main.dll"},
        {plugin + L"Settings\\", L"plugin.dll"},
        {overrideKey + L"Settings\\", L"main.dll"},
    };
    for (const auto& e : expected)
    {
        SCOPED_TRACE(testing::Message() << e.hive);
        const std::wstring* dll = customization.ResDlls().Find(QvRegistryPath(e.hive));
        ASSERT_NE(dll, nullptr);
        EXPECT_EQ(*dll, e.dll);
    }
    ExpectRecord(log_, {L"Warning", kSourceFile, kFunction,
                        L"Couldn't get DLL for hive '" + overrideKey + L"Settings\\' using default 'main.dll'"});
}

} // namespace
} // namespace Ostrel
