#include "platform/TrustKeySecurity.h"

#include <vector>

namespace Ostrel
{

namespace
{

constexpr ACCESS_MASK kChangeRights =
    KEY_SET_VALUE | KEY_CREATE_SUB_KEY | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

bool IsBroadGroup(PSID sid)
{
    for (const WELL_KNOWN_SID_TYPE type : {WinWorldSid, WinBuiltinUsersSid, WinAuthenticatedUserSid, WinInteractiveSid,
                                           WinBuiltinGuestsSid, WinAnonymousSid})
    {
        if (IsWellKnownSid(sid, type))
        {
            return true;
        }
    }
    return false;
}

bool GrantsChangeToBroadGroup(PACL dacl)
{
    for (DWORD i = 0; i < dacl->AceCount; ++i)
    {
        void* entry = nullptr;
        if (!GetAce(dacl, i, &entry))
        {
            // An entry that cannot be read cannot be shown harmless.
            return true;
        }
        const auto* header = static_cast<const ACE_HEADER*>(entry);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE) != 0)
        {
            continue;
        }
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        if ((allowed->Mask & kChangeRights) != 0 && IsBroadGroup(&allowed->SidStart))
        {
            return true;
        }
    }
    return false;
}

} // namespace

DWORD CheckAdministratorsOnlyDescriptor(PSECURITY_DESCRIPTOR descriptor)
{
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    BOOL present = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) ||
        !GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted))
    {
        return GetLastError();
    }
    // No access list at all grants everything to everyone.
    if (!present || dacl == nullptr)
    {
        return ERROR_ACCESS_DENIED;
    }
    // An owner may always change the access list.
    if ((owner != nullptr && IsBroadGroup(owner)) || GrantsChangeToBroadGroup(dacl))
    {
        return ERROR_ACCESS_DENIED;
    }
    return ERROR_SUCCESS;
}

DWORD CheckAdministratorsOnlyWrite(HKEY key)
{
    constexpr SECURITY_INFORMATION kParts = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    DWORD size = 0;
    LSTATUS status = RegGetKeySecurity(key, kParts, nullptr, &size);
    if (status != ERROR_INSUFFICIENT_BUFFER)
    {
        return status == ERROR_SUCCESS ? ERROR_INVALID_SECURITY_DESCR : static_cast<DWORD>(status);
    }
    std::vector<BYTE> descriptor(size);
    status = RegGetKeySecurity(key, kParts, descriptor.data(), &size);
    if (status != ERROR_SUCCESS)
    {
        return static_cast<DWORD>(status);
    }
    return CheckAdministratorsOnlyDescriptor(descriptor.data());
}

} // namespace Ostrel
