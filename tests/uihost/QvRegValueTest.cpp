#include "uihost/IsUserAdmin.h"
#include "uihost/QvRegValue.h"

#include "MachineRegistry.h"
#include "platform/UniqueHandles.h"
#include "registry/CObfuscatedRegKey.h"
#include "support/RegistryIsolation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace Ostrel
{
namespace
{

constexpr wchar_t kKey[] = L"SOFTWARE\\Norvane\\ValueTest";

std::vector<BYTE> Bytes(const void* data, std::size_t size)
{
    const auto* begin = static_cast<const BYTE*>(data);
    return std::vector<BYTE>(begin, begin + size);
}

class QvRegValueTest : public ScreenRelayTest::RegistryIsolatedTest
{
protected:
    void SetUp() override
    {
        RegistryIsolatedTest::SetUp();
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                  nullptr, key_.put(), nullptr),
                  ERROR_SUCCESS);
    }

    // The value as the registry holds it, read with the plain wide function.
    std::vector<BYTE> Stored(const wchar_t* name, DWORD& type)
    {
        std::vector<BYTE> data(4096);
        DWORD bytes = static_cast<DWORD>(data.size());
        EXPECT_EQ(RegQueryValueExW(key_.get(), name, nullptr, &type, data.data(), &bytes), ERROR_SUCCESS);
        data.resize(bytes);
        return data;
    }

    UniqueRegKey key_;
};

TEST_F(QvRegValueTest, ScrambledStringsReadBackUnchangedAndOtherTypesAreStoredAsGiven)
{
    const std::wstring link = L"https://example.test/p?lang=fr";
    const wchar_t list[] = L"a\0bc\0";
    const DWORD number = 0x12345678;
    struct Case
    {
        const wchar_t* name;
        DWORD type;
        std::vector<BYTE> plain;
        bool storedAsGiven;
    };
    const Case cases[] = {
        {L"Link", REG_SZ, Bytes(link.c_str(), (link.size() + 1) * sizeof(wchar_t)), false},
        {L"List", REG_MULTI_SZ, Bytes(list, sizeof(list)), false},
        {L"Number", REG_DWORD, Bytes(&number, sizeof(number)), true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.name);
        ASSERT_EQ(RegWriteValueEx(key_.get(), c.name, c.type, c.plain.data(), static_cast<DWORD>(c.plain.size()),
                                  kQvRegScrambled),
                  ERROR_SUCCESS);

        DWORD storedType = REG_NONE;
        const std::vector<BYTE> stored = Stored(c.name, storedType);
        EXPECT_EQ(storedType, c.type);
        EXPECT_EQ(stored == c.plain, c.storedAsGiven);

        std::vector<BYTE> read(4096);
        DWORD type = REG_NONE;
        DWORD bytes = static_cast<DWORD>(read.size());
        ASSERT_EQ(RegReadValueEx(key_.get(), c.name, &type, read.data(), &bytes, kQvRegScrambled), ERROR_SUCCESS);
        read.resize(bytes);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(read, c.plain);
    }
}

// The scrambled form is the registry layer's: a value written here reads back
// through its scrambling key, and the other way round.
TEST_F(QvRegValueTest, TheScrambledFormIsTheRegistryLayers)
{
    const std::wstring text = L"affid=7";
    ASSERT_EQ(QvRegWriteValue(HKEY_LOCAL_MACHINE, kKey, L"Written", REG_SZ, text.c_str(),
                              static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)),
                              kQvRegScrambled | kQvReg64BitView),
              ERROR_SUCCESS);
    Basekit::CObfuscatedRegKey layer;
    ASSERT_EQ(layer.Open(HKEY_LOCAL_MACHINE, kKey, KEY_ALL_ACCESS), ERROR_SUCCESS);
    std::wstring read;
    EXPECT_EQ(layer.QueryStringValue(L"Written", read), ERROR_SUCCESS);
    EXPECT_EQ(read, text);

    ASSERT_EQ(layer.SetStringValue(L"FromLayer", L"lang=en"), ERROR_SUCCESS);
    wchar_t buffer[32] = {};
    DWORD bytes = sizeof(buffer);
    EXPECT_EQ(QvRegReadValue(HKEY_LOCAL_MACHINE, kKey, L"FromLayer", nullptr, buffer, &bytes, kQvRegScrambled),
              ERROR_SUCCESS);
    EXPECT_STREQ(buffer, L"lang=en");
}

TEST_F(QvRegValueTest, ReadsReportSizesAndReadTheRootKeyAndTheDefaultValue)
{
    ASSERT_EQ(ScreenRelayTest::SetMachineString(kKey, L"Name", L"value"), ERROR_SUCCESS);
    ASSERT_EQ(ScreenRelayTest::SetMachineString(kKey, nullptr, L"default"), ERROR_SUCCESS);
    const DWORD kValueBytes = 6 * sizeof(wchar_t);
    struct Case
    {
        const char* label;
        HKEY root;
        const wchar_t* subKey;
        const wchar_t* name;
        DWORD flags;
        DWORD bufferBytes; // 0: no buffer
        LONG status;
        DWORD bytes;
        const wchar_t* text;
    };
    const Case cases[] = {
        {"plain", HKEY_LOCAL_MACHINE, kKey, L"Name", kQvReg64BitView, 64, ERROR_SUCCESS, kValueBytes, L"value"},
        {"size only", HKEY_LOCAL_MACHINE, kKey, L"Name", 0, 0, ERROR_SUCCESS, kValueBytes, L""},
        {"buffer too small", HKEY_LOCAL_MACHINE, kKey, L"Name", 0, 4, ERROR_MORE_DATA, kValueBytes, L""},
        {"scrambled, too small", HKEY_LOCAL_MACHINE, kKey, L"Scrambled", kQvRegScrambled, 4, ERROR_MORE_DATA,
         kValueBytes, L""},
        {"open key, null subkey", key_.get(), nullptr, L"Name", 0, 64, ERROR_SUCCESS, kValueBytes, L"value"},
        {"open key, empty subkey", key_.get(), L"", L"Name", 0, 64, ERROR_SUCCESS, kValueBytes, L"value"},
        {"empty name", HKEY_LOCAL_MACHINE, kKey, L"", 0, 64, ERROR_SUCCESS, 8 * sizeof(wchar_t), L"default"},
        {"null name", key_.get(), nullptr, nullptr, 0, 64, ERROR_SUCCESS, 8 * sizeof(wchar_t), L"default"},
        {"missing key", HKEY_LOCAL_MACHINE, L"SOFTWARE\\Missing", L"Name", 0, 64, ERROR_FILE_NOT_FOUND, 64, L""},
    };
    ASSERT_EQ(RegWriteValueEx(key_.get(), L"Scrambled", REG_SZ, L"value", kValueBytes, kQvRegScrambled), ERROR_SUCCESS);
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.label);
        wchar_t buffer[32] = {};
        DWORD bytes = c.bufferBytes;
        DWORD type = REG_NONE;
        EXPECT_EQ(
            QvRegReadValue(c.root, c.subKey, c.name, &type, c.bufferBytes != 0 ? buffer : nullptr, &bytes, c.flags),
            c.status);
        EXPECT_EQ(bytes, c.bytes);
        EXPECT_STREQ(buffer, c.text);
    }
}

TEST_F(QvRegValueTest, WritesCreateTheKey)
{
    const DWORD number = 42;
    ASSERT_EQ(QvRegWriteValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Norvane\\New\\Deeper", L"Number", REG_DWORD, &number,
                              sizeof(number), kQvReg32BitView | kQvReg64BitView),
              ERROR_SUCCESS);
    DWORD read = 0;
    DWORD bytes = sizeof(read);
    EXPECT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Norvane\\New\\Deeper", L"Number", RRF_RT_REG_DWORD, nullptr,
                           &read, &bytes),
              ERROR_SUCCESS);
    EXPECT_EQ(read, number);
}

// The test process runs as an elevated administrator under Wine.
TEST(IsUserAdminTest, AnElevatedAdministratorIsOne)
{
    BOOL presentButDisabled = FALSE;
    EXPECT_EQ(IsUserAdmin(&presentButDisabled), 1u);
    EXPECT_FALSE(presentButDisabled);
    EXPECT_EQ(IsUserAdmin(), 1u);
}

} // namespace
} // namespace Ostrel
