#include "registry/RegKeySecurity.h"

#include "platform/UniqueHandles.h"

#include <aclapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <memory>
#include <mutex>
#include <new>

namespace Basekit::internal
{

namespace
{

// Registry key names are at most 255 characters.
constexpr DWORD kKeyNameChars = 256;

// The security functions, taken from the system folder's advapi32.dll so that
// no other copy of the library can stand in for it.
struct SecurityFunctions
{
    decltype(&SetEntriesInAclW) setEntriesInAcl = nullptr;
    decltype(&RegGetKeySecurity) getKeySecurity = nullptr;
    decltype(&RegSetKeySecurity) setKeySecurity = nullptr;
    decltype(&InitializeSecurityDescriptor) initializeSecurityDescriptor = nullptr;
    decltype(&SetSecurityDescriptorDacl) setSecurityDescriptorDacl = nullptr;
    decltype(&GetSecurityDescriptorDacl) getSecurityDescriptorDacl = nullptr;
    decltype(&AllocateAndInitializeSid) allocateAndInitializeSid = nullptr;
    decltype(&FreeSid) freeSid = nullptr;
};

template <typename Function>
bool Bind(HMODULE library, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    return function != nullptr;
}

bool LoadSecurityFunctions(SecurityFunctions& table)
{
    Ostrel::UniqueTaskString systemFolder;
    wchar_t path[MAX_PATH];
    const bool havePath = SUCCEEDED(SHGetKnownFolderPath(FOLDERID_System, 0, nullptr, systemFolder.put())) &&
                          PathCombineW(path, systemFolder.get(), L"advapi32.dll") != nullptr;
    if (!havePath)
    {
        return false;
    }
    Ostrel::UniqueLibrary library(LoadLibraryExW(path, nullptr, 0));
    if (!library)
    {
        return false;
    }
    SecurityFunctions loaded;
    if (!Bind(library.get(), "SetEntriesInAclW", loaded.setEntriesInAcl) ||
        !Bind(library.get(), "RegGetKeySecurity", loaded.getKeySecurity) ||
        !Bind(library.get(), "RegSetKeySecurity", loaded.setKeySecurity) ||
        !Bind(library.get(), "InitializeSecurityDescriptor", loaded.initializeSecurityDescriptor) ||
        !Bind(library.get(), "SetSecurityDescriptorDacl", loaded.setSecurityDescriptorDacl) ||
        !Bind(library.get(), "GetSecurityDescriptorDacl", loaded.getSecurityDescriptorDacl) ||
        !Bind(library.get(), "AllocateAndInitializeSid", loaded.allocateAndInitializeSid) ||
        !Bind(library.get(), "FreeSid", loaded.freeSid))
    {
        return false;
    }
    // The library stays loaded for the life of the process, with the table.
    static_cast<void>(library.release());
    table = loaded;
    return true;
}

// At namespace scope rather than function-local: a guarded local static
// leaves thread state behind in a DLL that is unloaded after each request.
std::mutex g_securityFunctionsLock;
SecurityFunctions g_securityFunctions;
bool g_securityFunctionsLoaded = false;

// The table, filled once under its lock; null while it cannot be filled.
const SecurityFunctions* SecurityFunctionTable()
{
    std::lock_guard<std::mutex> guard(g_securityFunctionsLock);
    if (!g_securityFunctionsLoaded)
    {
        g_securityFunctionsLoaded = LoadSecurityFunctions(g_securityFunctions);
    }
    return g_securityFunctionsLoaded ? &g_securityFunctions : nullptr;
}

bool IsNtPlatform()
{
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    version.dwPlatformId = VER_PLATFORM_WIN32_NT;
    const DWORDLONG condition = VerSetConditionMask(0, VER_PLATFORMID, VER_EQUAL);
    return VerifyVersionInfoW(&version, VER_PLATFORMID, condition) != FALSE;
}

LONG LastError()
{
    return static_cast<LONG>(GetLastError());
}

// Sets the descriptor's access list on the key and, when recursive, on every
// key below it. No more subkeys (259) ends the walk as success.
LONG ApplyDescriptor(const SecurityFunctions& functions, HKEY key, PSECURITY_DESCRIPTOR descriptor, bool recursive)
{
    LONG result = functions.setKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
    if (result != ERROR_SUCCESS || !recursive)
    {
        return result;
    }
    wchar_t name[kKeyNameChars];
    for (DWORD index = 0;; ++index)
    {
        DWORD nameChars = kKeyNameChars;
        result = RegEnumKeyExW(key, index, name, &nameChars, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS)
        {
            return ERROR_SUCCESS;
        }
        Ostrel::UniqueRegKey subKey;
        if (result == ERROR_SUCCESS)
        {
            result = RegOpenKeyExW(key, name, 0, KEY_ALL_ACCESS, subKey.put());
        }
        if (result == ERROR_SUCCESS)
        {
            result = ApplyDescriptor(functions, subKey.get(), descriptor, true);
        }
        if (result != ERROR_SUCCESS)
        {
            return result;
        }
    }
}

// Builds a descriptor whose access list is `current` plus full access for
// Everyone, and applies it.
LONG MergeAndApply(const SecurityFunctions& functions, HKEY key, PACL current, bool recursive)
{
    SID_IDENTIFIER_AUTHORITY worldAuthority = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    if (!functions.allocateAndInitializeSid(&worldAuthority, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone))
    {
        return LastError();
    }
    EXPLICIT_ACCESS_W entry{};
    entry.grfAccessPermissions = GENERIC_ALL;
    entry.grfAccessMode = SET_ACCESS;
    entry.grfInheritance = CONTAINER_INHERIT_ACE | OBJECT_INHERIT_ACE;
    entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    entry.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    entry.Trustee.ptstrName = static_cast<wchar_t*>(everyone);

    PACL merged = nullptr;
    LONG result = static_cast<LONG>(functions.setEntriesInAcl(1, &entry, current, &merged));
    if (result == ERROR_SUCCESS)
    {
        SECURITY_DESCRIPTOR descriptor{};
        if (!functions.initializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
            !functions.setSecurityDescriptorDacl(&descriptor, TRUE, merged, FALSE))
        {
            result = LastError();
        }
        else
        {
            result = ApplyDescriptor(functions, key, &descriptor, recursive);
        }
    }
    LocalFree(merged);
    functions.freeSid(everyone);
    return result;
}

} // namespace

LONG GrantEveryoneFullAccessTo(HKEY key, bool recursive)
{
    if (!IsNtPlatform())
    {
        return ERROR_SUCCESS;
    }
    const SecurityFunctions* functions = SecurityFunctionTable();
    if (functions == nullptr)
    {
        return ERROR_FILE_NOT_FOUND;
    }
    DWORD size = 0;
    LONG result = functions->getKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
    if (result != ERROR_INSUFFICIENT_BUFFER)
    {
        return result;
    }
    if (size == 0)
    {
        return ERROR_BAD_LENGTH;
    }
    std::unique_ptr<BYTE[]> currentDescriptor(new (std::nothrow) BYTE[size]);
    if (currentDescriptor == nullptr)
    {
        return ERROR_OUTOFMEMORY;
    }
    result = functions->getKeySecurity(key, DACL_SECURITY_INFORMATION, currentDescriptor.get(), &size);
    if (result != ERROR_SUCCESS)
    {
        return result;
    }
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL current = nullptr;
    if (!functions->getSecurityDescriptorDacl(currentDescriptor.get(), &present, &current, &defaulted))
    {
        return LastError();
    }
    return MergeAndApply(*functions, key, present ? current : nullptr, recursive);
}

} // namespace Basekit::internal
