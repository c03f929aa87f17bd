#include "uihost/IsUserAdmin.h"

#include "platform/UniqueHandles.h"

#include <new>
#include <vector>

namespace Ostrel
{

namespace
{

// The process token's groups, or an empty list when they cannot be read.
std::vector<BYTE> ProcessTokenGroups()
{
    UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()))
    {
        return {};
    }
    DWORD bytes = 0;
    GetTokenInformation(token.get(), TokenGroups, nullptr, 0, &bytes);
    if (bytes == 0)
    {
        return {};
    }
    try
    {
        std::vector<BYTE> groups(bytes);
        if (!GetTokenInformation(token.get(), TokenGroups, groups.data(), bytes, &bytes))
        {
            return {};
        }
        return groups;
    }
    catch (const std::bad_alloc&)
    {
        return {};
    }
}

} // namespace

DWORD IsUserAdmin(BOOL* presentButDisabled)
{
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    BYTE administratorsSid[SECURITY_MAX_SID_SIZE] = {};
    PSID administrators = administratorsSid;
    if (!InitializeSid(administrators, &ntAuthority, 2))
    {
        return 0;
    }
    *GetSidSubAuthority(administrators, 0) = SECURITY_BUILTIN_DOMAIN_RID;
    *GetSidSubAuthority(administrators, 1) = DOMAIN_ALIAS_RID_ADMINS;

    const std::vector<BYTE> groups = ProcessTokenGroups();
    if (groups.empty())
    {
        return 0;
    }
    const auto* list = reinterpret_cast<const TOKEN_GROUPS*>(groups.data());
    for (DWORD i = 0; i < list->GroupCount; ++i)
    {
        if (!EqualSid(list->Groups[i].Sid, administrators))
        {
            continue;
        }
        if ((list->Groups[i].Attributes & SE_GROUP_ENABLED) != 0)
        {
            return 1;
        }
        if (presentButDisabled != nullptr)
        {
            *presentButDisabled = TRUE;
        }
        return 0;
    }
    return 0;
}

} // namespace Ostrel
