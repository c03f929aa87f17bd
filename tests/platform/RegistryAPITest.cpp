#include "platform/RegistryAPI.h"
#include "platform/UniqueHandles.h"
#include "support/RegistryIsolation.h"

#include <gtest/gtest.h>

namespace Ostrel
{
namespace
{

using RegistryAPITest = ScreenRelayTest::RegistryIsolatedTest;

TEST_F(RegistryAPITest, ReadsStringsThatFitTheBufferAndDwordsOfTheRightType)
{
    UniqueRegKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Test", 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                              nullptr),
              ERROR_SUCCESS);
    const std::wstring longest(259, L'x');
    const std::wstring tooLong(260, L'x');
    const DWORD number = 0x12345678;
    RegSetValueExW(key.get(), L"Longest", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(longest.c_str()), 260 * 2);
    RegSetValueExW(key.get(), L"TooLong", 0, REG_SZ, reinterpret_cast<const BYTE*>(tooLong.c_str()), 261 * 2);
    RegSetValueExW(key.get(), L"Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));

    RegistryAPI registry;
    std::wstring text = L"unchanged";
    EXPECT_EQ(registry.readString(L"SOFTWARE\\Test", L"TooLong", text), MODULE_STATUS_UNSUCCESSFUL);
    EXPECT_EQ(registry.readString(L"SOFTWARE\\Test", L"Number", text), MODULE_STATUS_UNSUCCESSFUL);
    EXPECT_EQ(registry.readString(L"SOFTWARE\\Missing", L"Longest", text), MODULE_STATUS_UNSUCCESSFUL);
    EXPECT_EQ(text, L"unchanged");
    EXPECT_EQ(registry.readString(L"SOFTWARE\\Test", L"Longest", text), MODULE_STATUS_SUCCESS);
    EXPECT_EQ(text, longest);

    DWORD value = 99;
    EXPECT_EQ(registry.readDword(L"SOFTWARE\\Test", L"Longest", value), MODULE_STATUS_UNSUCCESSFUL);
    EXPECT_EQ(registry.readDword(L"SOFTWARE\\Missing", L"Number", value), MODULE_STATUS_UNSUCCESSFUL);
    EXPECT_EQ(value, 99u);
    EXPECT_EQ(registry.readDword(L"SOFTWARE\\Test", L"Number", value), MODULE_STATUS_SUCCESS);
    EXPECT_EQ(value, number);
}

} // namespace
} // namespace Ostrel
