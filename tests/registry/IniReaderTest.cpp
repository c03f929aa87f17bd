#include "platform/UniqueHandles.h"
#include "registry/CObfuscatedIniReader.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <climits>
#include <cstdio>
#include <string>

namespace Basekit
{
namespace
{

using ScreenRelayTest::ReadFileBytes;
using ScreenRelayTest::TempFolder;
using ScreenRelayTest::WriteFileBytes;

// The value of a key as the file holds it; empty when absent.
std::string StoredValue(const std::wstring& path, const std::string& key)
{
    const std::string bytes = ReadFileBytes(path);
    const auto start = bytes.find("\n" + key + "=");
    if (start == std::string::npos)
    {
        return {};
    }
    const auto value = start + key.size() + 2;
    return bytes.substr(value, bytes.find_first_of("\r\n", value) - value);
}

// Makes the profile struct checksum (the last two digits) match the bytes.
std::string WithFixedChecksum(std::string value)
{
    unsigned sum = 0;
    for (std::size_t i = 0; i + 2 < value.size(); i += 2)
    {
        sum += std::stoul(value.substr(i, 2), nullptr, 16);
    }
    char checksum[3];
    std::snprintf(checksum, sizeof(checksum), "%02X", sum & 0xFFu);
    return value.replace(value.size() - 2, 2, checksum);
}

TEST(IniReaderTest, ParsesSectionsAndCommentsAndKeepsTheFirstOfRepeatedKeys)
{
    TempFolder folder;
    const std::wstring path = folder.File(L"parse.ini");
    // The tail of the over-long line would read as "Injected=1" if it were
    // taken for a line of its own. \xE9 and \xE8 are code page 1252.
    ASSERT_TRUE(
        WriteFileBytes(path, "; Comment=1\r\nLoose=no section\r\n[ Config ]\r\n  Name = first  \r\nNoEquals\r\n"
                             "Name=second\r\nSpaced Key = a=b\r\n;Hidden=1\r\n[  ]\r\nCaf\xE9=Cr\xE8me\r\nLong=" +
                                 std::string(1018, 'a') + "Injected=1\n[Other]\r\nName=other"));
    CObfuscatedIniReader reader;
    reader.SetStrictMode(false);
    ASSERT_TRUE(reader.Load(path));
    EXPECT_EQ(reader.GetSectionCount(), 2u);

    const std::pair<const wchar_t*, const wchar_t*> found[] = {{L".Loose", L"no section"},
                                                               {L"Config.Name", L"first"},
                                                               {L"Config.Spaced Key", L"a=b"},
                                                               {L"Other.Name", L"other"},
                                                               {L"Config.Caf\u00E9", L"Cr\u00E8me"}};
    for (const auto& [fullKey, expected] : found)
    {
        std::wstring value;
        EXPECT_TRUE(reader.GetStringByFullKey(fullKey, value)) << fullKey;
        EXPECT_EQ(value, expected) << fullKey;
    }
    for (const wchar_t* fullKey : {L".Comment", L"Config.Hidden", L"Config.NoEquals", L"Config.Injected",
                                   L" Config .Name", L"config.Name", L"Config.name"})
    {
        std::wstring value = L"untouched";
        EXPECT_FALSE(reader.GetStringByFullKey(fullKey, value)) << fullKey;
        EXPECT_EQ(value, L"untouched");
    }
    std::wstring longValue;
    EXPECT_TRUE(reader.GetString(L"Config", L"Long", longValue));
    EXPECT_EQ(longValue, std::wstring(1018, L'a'));

    IniSectionValues other{{L"Kept", L"1"}};
    ASSERT_TRUE(reader.GetSection(L"Other", other));
    EXPECT_EQ(other, (IniSectionValues{{L"Kept", L"1"}, {L"Name", L"other"}}));
    EXPECT_FALSE(reader.GetSection(L"Missing", other));

    // Strict mode answers single lookups of plain lines as if they were
    // missing; a whole section still comes with every entry.
    reader.SetStrictMode(true);
    std::wstring value;
    EXPECT_FALSE(reader.GetString(L"Config", L"Name", value));
    IniSectionValues config;
    EXPECT_TRUE(reader.GetSection(L"Config", config));
    EXPECT_EQ(config, (IniSectionValues{{L"Name", L"first"},
                                        {L"Spaced Key", L"a=b"},
                                        {L"Caf\u00E9", L"Cr\u00E8me"},
                                        {L"Long", std::wstring(1018, L'a')}}));
}

TEST(IniReaderTest, AScrambledValueReplacesAPlainOneThatStrictModeIgnores)
{
    TempFolder folder;
    const std::wstring path = folder.File(L"log.ini");
    ASSERT_TRUE(WriteFileBytes(path, "[Config]\r\nEnable=0\r\n"));
    CObfuscatedIniReader reader;
    ASSERT_TRUE(reader.Load(path));
    int enable = 7;
    EXPECT_FALSE(reader.GetInt(L"Config", L"Enable", enable));
    ASSERT_TRUE(reader.SetInt(L"Config", L"Enable", 1));
    EXPECT_NE(ReadFileBytes(path).find("Enable=0"), std::string::npos);

    CObfuscatedIniReader fresh;
    fresh.SetStrictMode(false);
    ASSERT_TRUE(fresh.Load(path));
    EXPECT_TRUE(fresh.GetInt(L"Config", L"Enable", enable));
    EXPECT_EQ(enable, 1);
}

TEST(IniReaderTest, ScrambledTextsAndNumbersRoundTripAndLongTextsAreRefused)
{
    TempFolder folder;
    const std::wstring path = folder.File(L"roundtrip.ini");
    const std::wstring texts[] = {L"",
                                  L"  spaces kept  ",
                                  L"Gr\u00F6\u00DFe \u2713 \U0001F600",
                                  std::wstring(25, L'x'),
                                  std::wstring(12, L'\u00E9') + L"a",
                                  L"12abc"};
    const int numbers[] = {0, -1, 262144, INT_MAX, INT_MIN};
    {
        CObfuscatedIniReader writer;
        EXPECT_FALSE(writer.Load(path));
        for (std::size_t i = 0; i < std::size(texts); ++i)
        {
            ASSERT_TRUE(writer.SetString(L"Texts", L"T" + std::to_wstring(i), texts[i])) << i;
        }
        for (std::size_t i = 0; i < std::size(numbers); ++i)
        {
            ASSERT_TRUE(writer.SetInt(L"Numbers", L"N" + std::to_wstring(i), numbers[i])) << i;
        }
        // More than 25 bytes in UTF-8, or not valid UTF-16: nothing is written.
        const wchar_t loneSurrogate[] = {L'a', 0xD800, 0};
        for (const std::wstring& text :
             {std::wstring(26, L'x'), std::wstring(13, L'\u00E9'), std::wstring(loneSurrogate)})
        {
            EXPECT_FALSE(writer.SetString(L"Texts", L"Refused", text)) << text.size();
        }
    }

    CObfuscatedIniReader reader;
    ASSERT_TRUE(reader.Load(path));
    for (std::size_t i = 0; i < std::size(texts); ++i)
    {
        std::wstring text;
        EXPECT_TRUE(reader.GetString(L"Texts", L"T" + std::to_wstring(i), text)) << i;
        EXPECT_EQ(text, texts[i]) << i;
    }
    for (std::size_t i = 0; i < std::size(numbers); ++i)
    {
        int number = 42;
        EXPECT_TRUE(reader.GetInt(L"Numbers", L"N" + std::to_wstring(i), number)) << i;
        EXPECT_EQ(number, numbers[i]) << i;
    }
    int leadingDigits = 0;
    EXPECT_TRUE(reader.GetInt(L"Texts", L"T5", leadingDigits));
    EXPECT_EQ(leadingDigits, 12);
    std::wstring refused;
    EXPECT_FALSE(reader.GetString(L"Texts", L"Refused", refused));
    EXPECT_EQ(StoredValue(path, "_Refused"), "");
}

TEST(IniReaderTest, AlteredScrambledValuesAreDropped)
{
    TempFolder folder;
    const std::wstring path = folder.File(L"altered.ini");
    {
        CObfuscatedIniReader writer;
        writer.Load(path);
        ASSERT_TRUE(writer.SetInt(L"Config", L"Value", 42));
    }
    const std::string original = StoredValue(path, "_Value");
    ASSERT_EQ(original.size(), 74u);
    const auto flip = [&](std::size_t digit)
    {
        std::string altered = original;
        altered[digit] = altered[digit] == '0' ? '1' : '0';
        return altered;
    };
    // Digits 0-7 are the tag, 8-15 the CRC, 16-17 the format version, 22-71
    // the content and its padding, 72-73 the profile struct checksum.
    const std::pair<std::string, bool> cases[] = {
        {original, true},
        {flip(73), false},
        {flip(9), false},
        {WithFixedChecksum(flip(9)), false},
        {WithFixedChecksum(flip(17)), false},
        {WithFixedChecksum(flip(24)), false},
        {WithFixedChecksum(flip(50)), false},
        {WithFixedChecksum(flip(1)), false},
        {original.substr(0, 30) + "G" + original.substr(31), false},
    };
    for (const auto& [stored, accepted] : cases)
    {
        ASSERT_TRUE(WriteFileBytes(path, "[Config]\r\n_Value=" + stored + "\r\n"));
        CObfuscatedIniReader reader;
        ASSERT_TRUE(reader.Load(path));
        int value = -1;
        EXPECT_EQ(reader.GetInt(L"Config", L"Value", value), accepted) << stored;
        EXPECT_EQ(value, accepted ? 42 : -1) << stored;
    }
}

TEST(IniReaderTest, AFailedWriteLeavesMemoryUnchanged)
{
    TempFolder folder;
    const std::wstring path = folder.File(L"locked.ini");
    CObfuscatedIniReader reader;
    reader.Load(path);
    ASSERT_TRUE(reader.SetInt(L"Config", L"Value", 5));
    const std::string before = ReadFileBytes(path);

    // A handle that shares nothing makes every write fail.
    Ostrel::UniqueFileHandle lock(
        CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(lock);
    EXPECT_FALSE(reader.SetInt(L"Config", L"Value", 6));
    EXPECT_FALSE(reader.SetString(L"Config", L"Added", L"new"));
    lock.reset();

    EXPECT_EQ(ReadFileBytes(path), before);
    int value = 0;
    std::wstring added;
    EXPECT_TRUE(reader.GetInt(L"Config", L"Value", value));
    EXPECT_EQ(value, 5);
    EXPECT_FALSE(reader.GetString(L"Config", L"Added", added));
}

TEST(IniReaderTest, WritesGoToTheFileLoadNamedAndNeedOne)
{
    TempFolder folder;
    CObfuscatedIniReader neverLoaded;
    EXPECT_FALSE(neverLoaded.SetInt(L"Config", L"Value", 1));
    // A folder cannot be read as a file, so its path is not kept for writing.
    CObfuscatedIniReader directory;
    EXPECT_FALSE(directory.Load(folder.Path()));
    EXPECT_FALSE(directory.SetInt(L"Config", L"Value", 1));

    // A missing file, named relative to the current folder, is created there.
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(folder.Path().c_str()));
    CObfuscatedIniReader relative;
    EXPECT_FALSE(relative.Load(L"relative.ini"));
    EXPECT_TRUE(relative.SetInt(L"Config", L"LastLogIdx", 3));
    SetCurrentDirectoryW(previous);
    const std::string stored = StoredValue(folder.File(L"relative.ini"), "_LastLogIdx");
    EXPECT_EQ(stored.size(), 74u);
    EXPECT_EQ(stored.substr(0, 8), "51565247");
    int index = 0;
    EXPECT_TRUE(relative.GetInt(L"Config", L"LastLogIdx", index));
    EXPECT_EQ(index, 3);
}

} // namespace
} // namespace Basekit
