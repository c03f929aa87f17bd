#include "registry/CRegKey.h"

#include "support/RegistryIsolation.h"

#include <gtest/gtest.h>

#include <sddl.h>

#include <string>
#include <vector>

namespace Basekit
{
namespace
{

constexpr wchar_t kKeyPath[] = L"Software\\Norvane\\Secured";

// The key's access list in security descriptor string form.
std::wstring DaclText(HKEY key)
{
    DWORD size = 0;
    EXPECT_EQ(RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size), ERROR_INSUFFICIENT_BUFFER);
    std::vector<BYTE> descriptor(size);
    EXPECT_EQ(RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor.data(), &size), 0);
    wchar_t* text = nullptr;
    EXPECT_TRUE(ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor.data(), SDDL_REVISION_1,
                                                                     DACL_SECURITY_INFORMATION, &text, nullptr));
    std::wstring result = text != nullptr ? text : L"";
    LocalFree(text);
    return result;
}

// Whether the access list holds an entry giving Everyone full access,
// inherited by subkeys and values.
bool EveryoneHasFullAccess(HKEY key)
{
    const std::wstring dacl = DaclText(key);
    return dacl.find(L"(A;OICI;KA;;;WD)") != std::wstring::npos || dacl.find(L"(A;OICI;GA;;;WD)") != std::wstring::npos;
}

class CRegKeySecurityTest : public ScreenRelayTest::RegistryIsolatedTest
{
};

TEST_F(CRegKeySecurityTest, GrantsEveryoneFullAccessToTheKeyOrTheWholeTree)
{
    for (const bool recursive : {false, true})
    {
        SCOPED_TRACE(recursive ? "recursive" : "key only");
        CRegKey key;
        ASSERT_EQ(key.Create(HKEY_CURRENT_USER, kKeyPath, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS), 0);
        CRegKey child;
        ASSERT_EQ(child.Create(key.GetHandle(), L"Child\\Grandchild", nullptr, REG_OPTION_NON_VOLATILE, KEY_READ), 0);
        ASSERT_FALSE(EveryoneHasFullAccess(child.GetHandle())) << testing::PrintToString(DaclText(child.GetHandle()));
        const std::wstring before = DaclText(key.GetHandle());

        ASSERT_EQ(key.GrantEveryoneFullAccess(recursive), 0);

        const std::wstring after = DaclText(key.GetHandle());
        EXPECT_TRUE(EveryoneHasFullAccess(key.GetHandle())) << testing::PrintToString(after);
        EXPECT_EQ(EveryoneHasFullAccess(child.GetHandle()), recursive);
        // The entries that were there are kept ("D:" starts the list).
        EXPECT_NE(after.find(before.substr(2)), std::wstring::npos) << testing::PrintToString(after);
        ASSERT_EQ(key.Close(), 0);
        ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, kKeyPath), 0);
    }
}

} // namespace
} // namespace Basekit
