#include "registry/CObfuscatedRegKey.h"

#include "support/RegistryIsolation.h"

#include <gtest/gtest.h>

#include <string>

namespace Basekit
{
namespace
{

constexpr wchar_t kKeyPath[] = L"Software\\Norvane\\Scrambled";

// One key opened twice: through the scrambling class and through the plain one.
class CObfuscatedRegKeyTest : public ScreenRelayTest::RegistryIsolatedTest
{
protected:
    void SetUp() override
    {
        RegistryIsolatedTest::SetUp();
        ASSERT_EQ(scrambled_.Create(HKEY_CURRENT_USER, kKeyPath), 0);
        ASSERT_EQ(plain_.Open(HKEY_CURRENT_USER, kKeyPath), 0);
    }

    // The stored text of a value, read past both classes.
    std::wstring StoredText(const wchar_t* name)
    {
        wchar_t text[256] = {};
        DWORD bytes = sizeof(text) - sizeof(wchar_t);
        EXPECT_EQ(RegQueryValueExW(plain_.GetHandle(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &bytes),
                  0);
        return text;
    }

    void StoreText(const wchar_t* name, const std::wstring& text)
    {
        ASSERT_EQ(plain_.SetStringValue(name, text.c_str()), 0);
    }

    CObfuscatedRegKey scrambled_;
    CRegKey plain_;
};

TEST_F(CObfuscatedRegKeyTest, StringsRoundTripAndAreStoredScrambledUnderTheirType)
{
    struct Case
    {
        const char* label;
        std::wstring text;
        DWORD type;
    };
    const Case cases[] = {
        {"empty", L"", REG_SZ},
        {"short", L"plain text", REG_SZ},
        {"long", std::wstring(10000, L'q') + L"end", REG_SZ},
        {"outside the BMP", L"\U0001F600 \U00010348 \u00E9", REG_SZ},
        {"expandable", L"%TEMP%\\log", REG_EXPAND_SZ},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.label);
        ASSERT_EQ(scrambled_.SetStringValue(L"V", c.text.c_str(), c.type), 0);
        std::wstring read = L"stale";
        EXPECT_EQ(scrambled_.QueryStringValue(L"V", read), 0);
        EXPECT_EQ(read, c.text);

        DWORD type = REG_NONE;
        ULONG bytes = 0;
        EXPECT_EQ(scrambled_.QueryValue(L"V", &type, nullptr, &bytes), 0);
        EXPECT_EQ(bytes, (c.text.size() + 1) * sizeof(wchar_t));
        std::wstring stored;
        EXPECT_EQ(plain_.QueryStringValue(L"V", stored), 0) << "stored as a well-formed string";
        EXPECT_EQ(plain_.QueryValue(L"V", &type, nullptr, nullptr), 0);
        EXPECT_EQ(type, c.type);
        EXPECT_NE(stored, c.text);
        EXPECT_TRUE(c.text.empty() || stored.find(c.text) == std::wstring::npos);
    }
}

TEST_F(CObfuscatedRegKeyTest, MultiStringsRoundTrip)
{
    const std::wstring list(L"one\0\U0001F600\0\0three\0\0", 15);
    ASSERT_EQ(scrambled_.SetMultiStringValue(L"M", list.c_str()), 0);
    wchar_t read[32] = {};
    ULONG chars = 32;
    EXPECT_EQ(scrambled_.QueryMultiStringValue(L"M", read, &chars), 0);
    // The list ends at its first empty string.
    EXPECT_EQ(std::wstring(read, chars), list.substr(0, 8));

    wchar_t stored[512] = {};
    chars = 512;
    EXPECT_EQ(plain_.QueryMultiStringValue(L"M", stored, &chars), 0) << "stored as a well-formed list";
    EXPECT_EQ(std::wstring(stored).find(L"one"), std::wstring::npos);
}

TEST_F(CObfuscatedRegKeyTest, RefusesPlainTextAndAlteredData)
{
    ASSERT_EQ(scrambled_.SetStringValue(L"V", L"secret"), 0);
    const std::wstring original = StoredText(L"V");
    const auto withChange = [&original](std::size_t position, wchar_t replacement)
    {
        std::wstring changed = original;
        changed[position] = replacement;
        return changed;
    };
    const std::size_t last = original.size() - 1;
    struct Case
    {
        const char* label;
        std::wstring stored;
    };
    const Case cases[] = {
        {"plain text", L"secret"},
        {"one digit changed", withChange(10, original[10] == L'0' ? L'1' : L'0')},
        {"last digit changed", withChange(last, original[last] == L'0' ? L'1' : L'0')},
        {"not a hex digit", withChange(10, L'G')},
        {"shortened", original.substr(0, last - 1)},
        {"unknown version", withChange(4, L'2')},
        {"empty", L""},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.label);
        StoreText(L"V", c.stored);
        std::wstring read = L"untouched";
        EXPECT_EQ(scrambled_.QueryStringValue(L"V", read), ERROR_INVALID_DATA);
        EXPECT_EQ(read, L"untouched");
    }
    StoreText(L"V", original);
    std::wstring read;
    EXPECT_EQ(scrambled_.QueryStringValue(L"V", read), 0);
    EXPECT_EQ(read, L"secret");

    ASSERT_EQ(plain_.SetMultiStringValue(L"M", L"a\0b\0"), 0);
    wchar_t list[8];
    ULONG chars = 8;
    EXPECT_EQ(scrambled_.QueryMultiStringValue(L"M", list, &chars), ERROR_INVALID_DATA);
}

TEST_F(CObfuscatedRegKeyTest, OtherTypesPassUnchangedBothWays)
{
    const wchar_t* const name = L"Gr\u00F6\u00DFe";
    ASSERT_EQ(plain_.SetDWORDValue(name, 0x01020304), 0);
    DWORD dword = 0;
    EXPECT_EQ(scrambled_.QueryDWORDValue(name, dword), 0);
    EXPECT_EQ(dword, 0x01020304u);

    ASSERT_EQ(scrambled_.SetQWORDValue(L"Q", 0x1122334455667788ull), 0);
    ULONGLONG qword = 0;
    EXPECT_EQ(plain_.QueryQWORDValue(L"Q", qword), 0);
    EXPECT_EQ(qword, 0x1122334455667788ull);

    const BYTE binary[] = {'s', 0, 'e', 0, 0, 0};
    ASSERT_EQ(scrambled_.SetBinaryValue(L"B", binary, sizeof(binary)), 0);
    BYTE read[8] = {};
    ULONG bytes = sizeof(read);
    EXPECT_EQ(plain_.QueryBinaryValue(L"B", read, &bytes), 0);
    EXPECT_EQ(std::string(read, read + bytes), std::string(binary, binary + sizeof(binary)));
}

} // namespace
} // namespace Basekit
