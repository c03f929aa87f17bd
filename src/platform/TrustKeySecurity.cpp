#include "platform/TrustKeySecurity.h"

#include <cstddef>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Ostrel
{

namespace
{

// The rights that change a key, once generic rights are mapped as the registry
// maps them.
constexpr ACCESS_MASK kChangeRights =
    KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE | WRITE_DAC | WRITE_OWNER;

ACCESS_MASK SpecificKeyRights(ACCESS_MASK rights)
{
    GENERIC_MAPPING keyMapping = {KEY_READ, KEY_WRITE, KEY_EXECUTE, KEY_ALL_ACCESS};
    MapGenericMask(&rights, &keyMapping);
    return rights;
}

// NT SERVICE\TrustedInstaller: S-1-5-80 followed by the hash of the service name.
bool IsTrustedInstaller(PSID sid)
{
    constexpr DWORD kSubAuthorities[] = {
        SECURITY_SERVICE_ID_BASE_RID, 956008885u, 3425901437u, 3438041584u, 2722324779u, 3328054209u};
    constexpr BYTE kCount = static_cast<BYTE>(std::size(kSubAuthorities));
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    BYTE trustedInstaller[SECURITY_MAX_SID_SIZE];
    if (!InitializeSid(trustedInstaller, &ntAuthority, kCount))
    {
        return false;
    }
    for (BYTE i = 0; i < kCount; ++i)
    {
        *GetSidSubAuthority(trustedInstaller, i) = kSubAuthorities[i];
    }
    return EqualSid(sid, trustedInstaller) != FALSE;
}

bool IsAllowedAccount(PSID sid)
{
    return IsValidSid(sid) && (IsWellKnownSid(sid, WinLocalSystemSid) ||
                               IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || IsTrustedInstaller(sid));
}

// Whether an access list entry leaves changes to the key, and to the subkeys
// it passes on to, with the allowed accounts.
bool IsAcceptableEntry(const ACE_HEADER* header)
{
    switch (header->AceType)
    {
        case ACCESS_DENIED_ACE_TYPE:
            return true;
        case ACCESS_ALLOWED_ACE_TYPE:
            break;
        default:
            return false;
    }
    const auto* allowed = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header);
    if ((SpecificKeyRights(allowed->Mask) & kChangeRights) == 0)
    {
        return true;
    }
    PSID sid = const_cast<DWORD*>(&allowed->SidStart);
    if ((header->AceFlags & INHERIT_ONLY_ACE) != 0 && IsValidSid(sid) && IsWellKnownSid(sid, WinCreatorOwnerSid))
    {
        return true;
    }
    return IsAllowedAccount(sid);
}

bool HasOnlyAcceptableEntries(PACL dacl)
{
    for (DWORD i = 0; i < dacl->AceCount; ++i)
    {
        void* entry = nullptr;
        if (!GetAce(dacl, i, &entry) || !IsAcceptableEntry(static_cast<const ACE_HEADER*>(entry)))
        {
            return false;
        }
    }
    return true;
}

// The names to open one beneath the other: the anchor itself (beneath the
// root), then each further part of the path.
bool SplitBelowAnchor(std::wstring_view anchor, std::wstring_view path, std::vector<std::wstring>& names)
{
    if (!path.starts_with(anchor))
    {
        return false;
    }
    std::wstring_view rest = path.substr(anchor.size());
    names.emplace_back(anchor);
    while (!rest.empty())
    {
        if (rest.front() != L'\\')
        {
            return false;
        }
        rest.remove_prefix(1);
        const std::wstring_view name = rest.substr(0, rest.find(L'\\'));
        names.emplace_back(name);
        rest.remove_prefix(name.size());
    }
    return true;
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
    // The owner may always change the access list.
    if (owner == nullptr || !IsAllowedAccount(owner))
    {
        return ERROR_ACCESS_DENIED;
    }
    if (!present || dacl == nullptr || !HasOnlyAcceptableEntries(dacl))
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

DWORD OpenAdministratorsOnlyKey(HKEY root, const wchar_t* anchor, const wchar_t* path, UniqueRegKey& key)
{
    std::vector<std::wstring> names;
    if (!SplitBelowAnchor(anchor, path, names))
    {
        return ERROR_INVALID_PARAMETER;
    }
    // Every key is opened before any is judged, so that a missing list reads
    // as missing.
    std::vector<UniqueRegKey> chain(names.size());
    HKEY parent = root;
    for (std::size_t i = 0; i < names.size(); ++i)
    {
        const REGSAM access = i + 1 == names.size() ? KEY_READ : READ_CONTROL;
        const LSTATUS status = RegOpenKeyExW(parent, names[i].c_str(), 0, access | KEY_WOW64_64KEY, chain[i].put());
        if (status != ERROR_SUCCESS)
        {
            return static_cast<DWORD>(status);
        }
        parent = chain[i].get();
    }
    for (const UniqueRegKey& link : chain)
    {
        const DWORD error = CheckAdministratorsOnlyWrite(link.get());
        if (error != ERROR_SUCCESS)
        {
            return error;
        }
    }
    key = std::move(chain.back());
    return ERROR_SUCCESS;
}

} // namespace Ostrel
