#include "platform/TrustKeySecurity.h"
#include "platform/TrustList.h"
#include "platform/UniqueHandles.h"

#include "support/RegistryIsolation.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <cstring>
#include <memory>
#include <vector>

namespace
{

using Ostrel::CheckAdministratorsOnlyDescriptor;

constexpr DWORD kIgnored = ERROR_ACCESS_DENIED;

// A self-relative security descriptor written in the security descriptor
// definition language.
std::vector<BYTE> DescriptorFromText(const wchar_t* text)
{
    PSECURITY_DESCRIPTOR converted = nullptr;
    ULONG size = 0;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(text, SDDL_REVISION_1, &converted, &size))
    {
        ADD_FAILURE() << "cannot convert " << testing::PrintToString(text) << ", error " << GetLastError();
        return {};
    }
    const std::unique_ptr<void, decltype(&LocalFree)> owned(converted, &LocalFree);
    const auto* bytes = static_cast<const BYTE*>(converted);
    return std::vector<BYTE>(bytes, bytes + size);
}

TEST(TrustKeySecurityTest, OnlySystemAdministratorsAndTrustedInstallerMayOwnOrChange)
{
    const struct
    {
        const char* label;
        const wchar_t* descriptor;
        DWORD expected;
    } cases[] = {
        {"administrators only, ordinary accounts read", L"O:BAD:(A;;KA;;;BA)(A;;KR;;;BU)", 0},
        {"system, administrators and trusted installer",
         L"O:S-1-5-80-956008885-3425901437-3438041584-2722324779-3328054209"
         L"D:(A;;KA;;;SY)(A;;KA;;;BA)(A;;GA;;;S-1-5-80-956008885-3425901437-3438041584-2722324779-3328054209)",
         0},
        {"owned by the system", L"O:SYD:(A;;KA;;;SY)", 0},
        {"empty access list: only the owner may change it", L"O:BAD:", 0},
        {"everyone denied everything", L"O:BAD:(D;;KA;;;WD)(A;;KA;;;BA)", 0},
        {"creator owner, passed only to subkeys", L"O:BAD:(A;CIIO;GA;;;CO)(A;;KA;;;BA)", 0},
        {"owned by a standard account", L"O:S-1-5-21-1000-2000-3000-1001D:(A;;KA;;;BA)", kIgnored},
        {"no owner", L"D:(A;;KA;;;BA)", kIgnored},
        {"a standard account may set values", L"O:BAD:(A;;KA;;;BA)(A;;0x2;;;S-1-5-21-1000-2000-3000-1001)", kIgnored},
        {"Local account may set values", L"O:BAD:(A;;KA;;;BA)(A;;0x2;;;S-1-5-113)", kIgnored},
        {"LOCAL may create subkeys", L"O:BAD:(A;;KA;;;BA)(A;;0x4;;;S-1-2-0)", kIgnored},
        {"ALL APPLICATION PACKAGES have generic write", L"O:BAD:(A;;KA;;;BA)(A;;GW;;;S-1-15-2-1)", kIgnored},
        {"Power Users may change the owner", L"O:BAD:(A;;KA;;;BA)(A;;WO;;;PU)", kIgnored},
        {"Remote Desktop Users have generic all", L"O:BAD:(A;;KA;;;BA)(A;;GA;;;RD)", kIgnored},
        {"Users may delete the key", L"O:BAD:(A;;KA;;;BA)(A;;SD;;;BU)", kIgnored},
        {"Users may create links", L"O:BAD:(A;;KA;;;BA)(A;;0x20;;;BU)", kIgnored},
        {"Everyone's write passed only to subkeys", L"O:BAD:(A;;KA;;;BA)(A;CIIO;KA;;;WD)", kIgnored},
        {"creator owner on the key itself", L"O:BAD:(A;;KA;;;BA)(A;;GA;;;CO)", kIgnored},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.label);
        std::vector<BYTE> descriptor = DescriptorFromText(c.descriptor);
        ASSERT_FALSE(descriptor.empty());
        EXPECT_EQ(c.expected, CheckAdministratorsOnlyDescriptor(descriptor.data()));
    }
}

// An access list that gives administrators full access and then holds one
// more entry of the given type (for administrators, read only), laid out as
// a plain allowing entry followed by four bytes of type-specific data.
std::vector<BYTE> AccessListWithEntryOfType(BYTE type)
{
    BYTE admins[SECURITY_MAX_SID_SIZE];
    DWORD adminsSize = sizeof(admins);
    EXPECT_TRUE(CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &adminsSize));
    std::vector<BYTE> entry(sizeof(ACE_HEADER) + sizeof(ACCESS_MASK) + adminsSize + sizeof(DWORD));
    auto* header = reinterpret_cast<ACE_HEADER*>(entry.data());
    header->AceType = type;
    header->AceSize = static_cast<WORD>(entry.size());
    const ACCESS_MASK rights = KEY_READ;
    std::memcpy(entry.data() + sizeof(ACE_HEADER), &rights, sizeof(rights));
    std::memcpy(entry.data() + sizeof(ACE_HEADER) + sizeof(rights), admins, adminsSize);

    std::vector<BYTE> list(512);
    auto* acl = reinterpret_cast<PACL>(list.data());
    EXPECT_TRUE(InitializeAcl(acl, static_cast<DWORD>(list.size()), ACL_REVISION_DS));
    EXPECT_TRUE(AddAccessAllowedAce(acl, ACL_REVISION_DS, KEY_ALL_ACCESS, admins));
    EXPECT_TRUE(AddAce(acl, ACL_REVISION_DS, MAXDWORD, entry.data(), static_cast<DWORD>(entry.size())));
    return list;
}

// The registry refuses to store entries other than allowing and denying ones,
// so these descriptors are checked in memory.
TEST(TrustKeySecurityTest, EntriesOfOtherTypesMakeTheKeyUnusable)
{
    const struct
    {
        const char* label;
        BYTE type;
        DWORD expected;
    } cases[] = {
        {"allowing", ACCESS_ALLOWED_ACE_TYPE, 0},
        {"denying", ACCESS_DENIED_ACE_TYPE, 0},
        {"allowing object", ACCESS_ALLOWED_OBJECT_ACE_TYPE, kIgnored},
        {"allowing callback", ACCESS_ALLOWED_CALLBACK_ACE_TYPE, kIgnored},
        {"denying callback", ACCESS_DENIED_CALLBACK_ACE_TYPE, kIgnored},
        {"compound", ACCESS_ALLOWED_COMPOUND_ACE_TYPE, kIgnored},
        {"unknown", 0x7F, kIgnored},
    };
    BYTE admins[SECURITY_MAX_SID_SIZE];
    DWORD adminsSize = sizeof(admins);
    ASSERT_TRUE(CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &adminsSize));
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.label);
        std::vector<BYTE> list = AccessListWithEntryOfType(c.type);
        SECURITY_DESCRIPTOR descriptor;
        ASSERT_TRUE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
        ASSERT_TRUE(SetSecurityDescriptorOwner(&descriptor, admins, FALSE));
        ASSERT_TRUE(SetSecurityDescriptorDacl(&descriptor, TRUE, reinterpret_cast<PACL>(list.data()), FALSE));
        EXPECT_EQ(c.expected, CheckAdministratorsOnlyDescriptor(&descriptor));
    }
}

constexpr wchar_t kSuiteKey[] = L"SOFTWARE\\Norvane";
constexpr wchar_t kListKey[] = L"SOFTWARE\\Norvane\\TrustedFiles";
constexpr wchar_t kAdministratorsOnly[] = L"O:BAD:(A;;KA;;;SY)(A;;KA;;;BA)(A;;KR;;;BU)";
constexpr wchar_t kListedName[] = L"listed";

void SetKeySecurity(const wchar_t* subKey, const wchar_t* text)
{
    std::vector<BYTE> descriptor = DescriptorFromText(text);
    ASSERT_FALSE(descriptor.empty());
    Ostrel::UniqueRegKey key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey, 0, WRITE_DAC | WRITE_OWNER | KEY_WOW64_64KEY, key.put()));
    EXPECT_EQ(ERROR_SUCCESS,
              RegSetKeySecurity(key.get(), OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, descriptor.data()));
}

using TrustListSecurityTest = ScreenRelayTest::RegistryIsolatedTest;

TEST_F(TrustListSecurityTest, ListIsIgnoredUnlessItAndItsParentsAreAdministratorsOnly)
{
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_LOCAL_MACHINE, kListKey, kListedName, REG_SZ, L"", sizeof(wchar_t)));
    const struct
    {
        const char* label;
        const wchar_t* suiteKey;
        const wchar_t* listKey;
        DWORD expected;
    } cases[] = {
        {"administrators only", kAdministratorsOnly, kAdministratorsOnly, 0},
        {"a standard account may set values in the list", kAdministratorsOnly,
         L"O:BAD:(A;;KA;;;BA)(A;;0x2;;;S-1-5-21-1000-2000-3000-1001)", kIgnored},
        {"Local account may set values in the list", kAdministratorsOnly, L"O:BAD:(A;;KA;;;BA)(A;;0x2;;;S-1-5-113)",
         kIgnored},
        {"the list is owned by a standard account", kAdministratorsOnly,
         L"O:S-1-5-21-1000-2000-3000-1001D:(A;;KA;;;BA)", kIgnored},
        {"Users may create keys beside the list", L"O:BAD:(A;;KA;;;BA)(A;;0x4;;;BU)", kAdministratorsOnly, kIgnored},
        {"the suite's key is owned by a standard account", L"O:S-1-5-21-1000-2000-3000-1001D:(A;;KA;;;BA)",
         kAdministratorsOnly, kIgnored},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.label);
        SetKeySecurity(kSuiteKey, c.suiteKey);
        SetKeySecurity(kListKey, c.listKey);
        const Ostrel::TrustList list(kListKey);
        EXPECT_EQ(c.expected, list.Status());
        EXPECT_EQ(c.expected == 0, list.Contains(kListedName));
    }
}

} // namespace
