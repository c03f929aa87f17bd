#include "registry/CRegKey.h"

#include "support/RegistryIsolation.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace Basekit
{
namespace
{

constexpr wchar_t kKeyPath[] = L"Software\\Norvane\\Keys";

class CRegKeyKeysTest : public ScreenRelayTest::RegistryIsolatedTest
{
protected:
    void SetUp() override
    {
        RegistryIsolatedTest::SetUp();
        ASSERT_EQ(key_.Create(HKEY_CURRENT_USER, kKeyPath, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS), 0);
    }

    // Creates a subkey path below the test key with one value in it.
    void CreateWithValue(const wchar_t* path)
    {
        CRegKey subKey;
        ASSERT_EQ(subKey.Create(key_.GetHandle(), path), 0);
        ASSERT_EQ(subKey.SetDWORDValue(L"V", 1), 0);
    }

    static bool Exists(HKEY parent, const wchar_t* path)
    {
        CRegKey probe;
        return probe.Open(parent, path, KEY_READ) == ERROR_SUCCESS;
    }

    CRegKey key_;
};

TEST_F(CRegKeyKeysTest, FailedOpenOrCreateKeepsTheKeyHeld)
{
    ASSERT_EQ(key_.SetDWORDValue(L"V", 42), 0);
    HKEY held = key_.GetHandle();

    EXPECT_EQ(key_.Open(HKEY_CURRENT_USER, L"Software\\Missing", KEY_READ), ERROR_FILE_NOT_FOUND);
    DWORD disposition = 99;
    EXPECT_NE(key_.Create(nullptr, L"Sub", nullptr, REG_OPTION_NON_VOLATILE, KEY_READ, nullptr, &disposition), 0);
    EXPECT_EQ(disposition, 0u);

    EXPECT_EQ(key_.GetHandle(), held);
    DWORD value = 0;
    EXPECT_EQ(key_.QueryDWORDValue(L"V", value), 0);
    EXPECT_EQ(value, 42u);
}

TEST_F(CRegKeyKeysTest, DetachedHandleStaysOpenAndCanBeAttached)
{
    ASSERT_EQ(key_.SetDWORDValue(L"V", 7), 0);
    HKEY detached = key_.Detach();
    ASSERT_NE(detached, nullptr);
    EXPECT_EQ(key_.GetHandle(), nullptr);
    EXPECT_EQ(key_.DeleteValue(L"V"), ERROR_INVALID_PARAMETER);

    CRegKey other;
    other.Attach(detached);
    DWORD value = 0;
    EXPECT_EQ(other.QueryDWORDValue(L"V", value), 0);
    EXPECT_EQ(value, 7u);
    EXPECT_EQ(other.Close(), 0);
    EXPECT_EQ(other.GetHandle(), nullptr);
}

TEST_F(CRegKeyKeysTest, RecurseDeleteKeyRemovesAThreeLevelTree)
{
    CreateWithValue(L"A\\B\\C");
    CreateWithValue(L"A\\B2");

    wchar_t name[8];
    DWORD nameChars = 8;
    EXPECT_EQ(key_.EnumKey(0, name, &nameChars), 0);
    EXPECT_EQ(std::wstring(name, nameChars), L"A");

    // Deleting one key that still has subkeys fails with the registry's own error.
    EXPECT_EQ(key_.DeleteSubKey(L"A"), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(Exists(key_.GetHandle(), L"A\\B\\C"));

    EXPECT_EQ(key_.RecurseDeleteKey(nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(key_.RecurseDeleteKey(L""), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(key_.RecurseDeleteKey(L"A"), 0);
    EXPECT_FALSE(Exists(key_.GetHandle(), L"A"));
    EXPECT_TRUE(Exists(HKEY_CURRENT_USER, kKeyPath));
    EXPECT_EQ(key_.RecurseDeleteKey(L"A"), ERROR_FILE_NOT_FOUND);
}

TEST_F(CRegKeyKeysTest, DeleteOnCloseEmptiesTheKey)
{
    auto impl = std::make_shared<internal::CRegKeyImpl>();
    {
        CRegKey scratch(impl);
        ASSERT_EQ(scratch.Create(key_.GetHandle(), L"Scratch", nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS), 0);
        ASSERT_EQ(scratch.SetStringValue(L"S", L"x"), 0);
        CRegKey child;
        ASSERT_EQ(child.Create(scratch.GetHandle(), L"Child\\Grandchild"), 0);
        impl->SetDeleteOnClose(true);
    }
    EXPECT_FALSE(impl->IsDeleteOnClose());

    CRegKey scratch;
    ASSERT_EQ(scratch.Open(key_.GetHandle(), L"Scratch", KEY_READ), 0);
    DWORD subKeys = 1;
    DWORD values = 1;
    ASSERT_EQ(RegQueryInfoKeyW(scratch.GetHandle(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values,
                               nullptr, nullptr, nullptr, nullptr),
              0);
    EXPECT_EQ(subKeys, 0u);
    EXPECT_EQ(values, 0u);
}

} // namespace
} // namespace Basekit
