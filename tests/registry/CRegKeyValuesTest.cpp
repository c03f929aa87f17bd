#include "registry/CRegKey.h"

#include "support/RegistryIsolation.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <iterator>
#include <functional>
#include <string>

namespace Basekit
{
namespace
{

constexpr wchar_t kKeyPath[] = L"Software\\Norvane\\Values";
constexpr GUID kGuid = {0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}};

class CRegKeyValuesTest : public ScreenRelayTest::RegistryIsolatedTest
{
protected:
    void SetUp() override
    {
        RegistryIsolatedTest::SetUp();
        ASSERT_EQ(key_.Create(HKEY_CURRENT_USER, kKeyPath), 0);
    }

    // Writes a value past the class, as another program could.
    void WriteRaw(const wchar_t* name, DWORD type, const void* data, DWORD bytes)
    {
        ASSERT_EQ(RegSetValueExW(key_.GetHandle(), name, 0, type, static_cast<const BYTE*>(data), bytes), 0);
    }

    CRegKey key_;
};

TEST_F(CRegKeyValuesTest, TypedValuesRoundTrip)
{
    const BYTE binary[] = {0, 1, 0xFE};
    ASSERT_EQ(key_.SetDWORDValue(L"D", 0xDEADBEEF), 0);
    ASSERT_EQ(key_.SetQWORDValue(L"Q", 0x0123456789ABCDEFull), 0);
    ASSERT_EQ(key_.SetBinaryValue(L"B", binary, sizeof(binary)), 0);
    ASSERT_EQ(key_.SetStringValue(L"S", L"text"), 0);
    ASSERT_EQ(key_.SetStringValue(L"E", L"%TEMP%\\x", REG_EXPAND_SZ), 0);
    ASSERT_EQ(key_.SetGUIDValue(L"G", kGuid), 0);
    ASSERT_EQ(key_.SetMultiStringValue(L"M", L"a\0b\0"), 0);

    DWORD dword = 0;
    EXPECT_EQ(key_.QueryDWORDValue(L"D", dword), 0);
    EXPECT_EQ(dword, 0xDEADBEEF);
    ULONGLONG qword = 0;
    EXPECT_EQ(key_.QueryQWORDValue(L"Q", qword), 0);
    EXPECT_EQ(qword, 0x0123456789ABCDEFull);
    BYTE readBinary[8] = {};
    ULONG bytes = sizeof(readBinary);
    EXPECT_EQ(key_.QueryBinaryValue(L"B", readBinary, &bytes), 0);
    EXPECT_EQ(std::string(readBinary, readBinary + bytes), std::string(binary, binary + sizeof(binary)));
    std::wstring text;
    EXPECT_EQ(key_.QueryStringValue(L"S", text), 0);
    EXPECT_EQ(text, L"text");
    EXPECT_EQ(key_.QueryStringValue(L"E", text), 0);
    EXPECT_EQ(text, L"%TEMP%\\x");
    GUID guid{};
    EXPECT_EQ(key_.QueryGUIDValue(L"G", guid), 0);
    EXPECT_TRUE(IsEqualGUID(guid, kGuid));
    wchar_t multi[8] = {};
    ULONG chars = 8;
    EXPECT_EQ(key_.QueryMultiStringValue(L"M", multi, &chars), 0);
    EXPECT_EQ(std::wstring(multi, chars), std::wstring(L"a\0b\0\0", 5));

    // The list "a", "b" is stored as a, zero, b, zero, zero.
    DWORD type = REG_NONE;
    bytes = 0;
    EXPECT_EQ(key_.QueryValue(L"M", &type, nullptr, &bytes), 0);
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(bytes, 10u);
}

TEST_F(CRegKeyValuesTest, MistypedOrMalformedValuesGive13)
{
    const DWORD dword = 5;
    struct Case
    {
        const char* label;
        DWORD type;
        std::wstring data;
        std::function<LONG(CRegKey&)> read;
    };
    const auto readDWORD = [](CRegKey& key)
    {
        DWORD value = 7;
        const LONG result = key.QueryDWORDValue(L"V", value);
        EXPECT_EQ(value, 7u);
        return result;
    };
    const auto readString = [](CRegKey& key)
    {
        wchar_t buffer[16] = L"untouched";
        ULONG chars = 16;
        const LONG result = key.QueryStringValueBuffer(L"V", buffer, &chars);
        EXPECT_STREQ(buffer, L"untouched");
        return result;
    };
    const auto readMulti = [](CRegKey& key)
    {
        wchar_t buffer[16] = {};
        ULONG chars = 16;
        return key.QueryMultiStringValue(L"V", buffer, &chars);
    };
    const auto readGuid = [](CRegKey& key)
    {
        GUID guid = kGuid;
        const LONG result = key.QueryGUIDValue(L"V", guid);
        EXPECT_TRUE(IsEqualGUID(guid, GUID{}));
        return result;
    };
    const std::wstring dwordData(reinterpret_cast<const wchar_t*>(&dword), 2);
    const Case cases[] = {
        {"DWORD read of a string", REG_SZ, std::wstring(L"5", 2), readDWORD},
        {"DWORD read of 2 bytes", REG_DWORD, std::wstring(1, L'\x5'), readDWORD},
        {"binary read of a DWORD", REG_DWORD, dwordData,
         [](CRegKey& key)
         {
             BYTE buffer[8];
             ULONG bytes = sizeof(buffer);
             return key.QueryBinaryValue(L"V", buffer, &bytes);
         }},
        {"string read of a DWORD", REG_DWORD, dwordData, readString},
        {"multi-string read of a string", REG_SZ, std::wstring(L"a\0", 2), readMulti},
        {"multi-string with one final zero", REG_MULTI_SZ, std::wstring(L"a\0", 2), readMulti},
        {"GUID abc", REG_SZ, std::wstring(L"abc", 4), readGuid},
        {"GUID braced garbage", REG_SZ, std::wstring(L"{not-a-guid}", 13), readGuid},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.label);
        WriteRaw(L"V", c.type, c.data.data(), static_cast<DWORD>(c.data.size() * sizeof(wchar_t)));
        EXPECT_EQ(c.read(key_), ERROR_INVALID_DATA);
    }

    // Windows adds a forgotten terminator when one follows the data in memory:
    // a non-zero character there keeps the value unterminated.
    const wchar_t unterminated[] = L"abc";
    WriteRaw(L"V", REG_SZ, unterminated, 2 * sizeof(wchar_t));
    EXPECT_EQ(readString(key_), ERROR_INVALID_DATA);
    const BYTE oddBytes[] = {'a', 0, 0};
    WriteRaw(L"V", REG_SZ, oddBytes, sizeof(oddBytes));
    EXPECT_EQ(readString(key_), ERROR_INVALID_DATA);
    WriteRaw(L"V", REG_MULTI_SZ, oddBytes, 1);
    EXPECT_EQ(readMulti(key_), ERROR_INVALID_DATA);
}

TEST_F(CRegKeyValuesTest, RefusesBadArgumentsAndWritesNothing)
{
    const DWORD value = 1;
    EXPECT_EQ(key_.SetValue(L"V", REG_DWORD, &value, 0), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(key_.SetValue(L"V", REG_DWORD, nullptr, 4), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(key_.SetBinaryValue(L"V", &value, 0), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(key_.SetStringValue(L"V", nullptr), ERROR_INVALID_DATA);
    EXPECT_EQ(key_.SetStringValue(L"V", L"x", REG_DWORD), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(key_.SetMultiStringValue(L"V", nullptr), ERROR_INVALID_DATA);
    EXPECT_EQ(key_.QueryValue(L"V", nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);

    ASSERT_EQ(key_.SetMultiStringValue(L"M", L"a\0"), 0);
    wchar_t one[1];
    ULONG chars = 1;
    EXPECT_EQ(key_.QueryMultiStringValue(L"M", one, &chars), ERROR_INSUFFICIENT_BUFFER);
}

TEST_F(CRegKeyValuesTest, SmallBuffersGet234AndTheSizeNeeded)
{
    ASSERT_EQ(key_.SetStringValue(L"S", L"text"), 0);
    ASSERT_EQ(key_.SetMultiStringValue(L"M", L"a\0b\0"), 0);
    const BYTE binary[] = {1, 2, 3};
    ASSERT_EQ(key_.SetBinaryValue(L"B", binary, sizeof(binary)), 0);

    wchar_t text[3] = {L'x', L'x', L'x'};
    ULONG chars = 3;
    EXPECT_EQ(key_.QueryStringValueBuffer(L"S", text, &chars), ERROR_MORE_DATA);
    EXPECT_EQ(chars, 5u);
    EXPECT_EQ(std::wstring(text, 3), L"xxx");
    chars = 0;
    EXPECT_EQ(key_.QueryStringValueBuffer(L"S", nullptr, &chars), 0);
    EXPECT_EQ(chars, 5u);
    chars = 3;
    EXPECT_EQ(key_.QueryMultiStringValue(L"M", text, &chars), ERROR_MORE_DATA);
    EXPECT_EQ(chars, 5u);

    BYTE data[2] = {0xAA, 0xAA};
    ULONG bytes = sizeof(data);
    DWORD type = REG_NONE;
    EXPECT_EQ(key_.QueryValue(L"S", &type, data, &bytes), ERROR_MORE_DATA);
    EXPECT_EQ(bytes, 10u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_NONE));
    bytes = sizeof(data);
    EXPECT_EQ(key_.QueryBinaryValue(L"B", data, &bytes), ERROR_MORE_DATA);
    EXPECT_EQ(bytes, 3u);
    EXPECT_EQ(data[0], 0xAA);
}

TEST_F(CRegKeyValuesTest, EmptyStringsAndTheEmptyListReadBack)
{
    WriteRaw(L"Empty", REG_SZ, L"", 0);
    ASSERT_EQ(key_.SetMultiStringValue(L"NoItems", L""), 0);

    std::wstring text = L"stale";
    EXPECT_EQ(key_.QueryStringValue(L"Empty", text), 0);
    EXPECT_EQ(text, L"");
    wchar_t list[4] = {L'x', L'x', L'x', L'x'};
    ULONG chars = 4;
    EXPECT_EQ(key_.QueryMultiStringValue(L"NoItems", list, &chars), 0);
    EXPECT_EQ(chars, 1u);
    EXPECT_EQ(list[0], L'\0');
}

TEST(CRegKeyWithoutKeyTest, EveryOperationGives87)
{
    CRegKey key;
    DWORD dwordSize = 4;
    wchar_t buffer[4];
    SECURITY_DESCRIPTOR descriptor{};
    const std::function<LONG()> operations[] = {
        [&] { return key.QueryValue(L"V", nullptr, nullptr, nullptr); },
        [&] { return key.SetDWORDValue(L"V", 1); },
        [&] { return key.GetKeySecurity(DACL_SECURITY_INFORMATION, &descriptor, &dwordSize); },
        [&] { return key.SetKeySecurity(DACL_SECURITY_INFORMATION, &descriptor); },
        [&] { return key.Flush(); },
        [&] { return key.EnumKey(0, buffer, &dwordSize); },
        [&] { return key.NotifyChangeKeyValue(FALSE, REG_NOTIFY_CHANGE_LAST_SET, nullptr, FALSE); },
        [&] { return key.DeleteSubKey(L"K"); },
        [&] { return key.RecurseDeleteKey(L"K"); },
        [&] { return key.DeleteValue(L"V"); },
        [&] { return key.GrantEveryoneFullAccess(false); },
    };
    for (std::size_t i = 0; i < std::size(operations); ++i)
    {
        EXPECT_EQ(operations[i](), ERROR_INVALID_PARAMETER) << "operation " << i;
    }
}

} // namespace
} // namespace Basekit
