#include "registry/CRegKeyImpl.h"

#include "platform/UniqueHandles.h"
#include "registry/RegKeySecurity.h"
#include "registry/RegKeyValueBuffer.h"

#include <algorithm>
#include <atomic>
#include <cwchar>

namespace Basekit::internal
{

namespace
{

// The access bits that choose the 64-bit or 32-bit registry view.
constexpr REGSAM kViewMask = KEY_WOW64_64KEY | KEY_WOW64_32KEY;
// Registry key names are at most 255 characters.
constexpr DWORD kKeyNameChars = 256;

using DeleteKeyExFunction = LONG(WINAPI*)(HKEY, const wchar_t*, REGSAM, DWORD);

// RegDeleteKeyExW, looked up once per process in the already loaded
// advapi32. No lock: every thread finds the same answer (also a failure), so
// a look-up repeated by a racing thread does no harm.
std::atomic<bool> deleteKeyExLookedUp{false};
std::atomic<DeleteKeyExFunction> deleteKeyEx{nullptr};

DeleteKeyExFunction DeleteKeyEx()
{
    if (!deleteKeyExLookedUp.load(std::memory_order_acquire))
    {
        DeleteKeyExFunction found = nullptr;
        if (HMODULE advapi = GetModuleHandleW(L"Advapi32.dll"); advapi != nullptr)
        {
            found = reinterpret_cast<DeleteKeyExFunction>(
                reinterpret_cast<void*>(GetProcAddress(advapi, "RegDeleteKeyExW")));
        }
        deleteKeyEx.store(found, std::memory_order_relaxed);
        deleteKeyExLookedUp.store(true, std::memory_order_release);
    }
    return deleteKeyEx.load(std::memory_order_relaxed);
}

// Deletes one subkey in the given view; without RegDeleteKeyExW only the
// default view is reachable.
LONG DeleteOneSubKey(HKEY parent, const wchar_t* name, REGSAM view)
{
    if (DeleteKeyExFunction deleteInView = DeleteKeyEx(); deleteInView != nullptr)
    {
        return deleteInView(parent, name, view, 0);
    }
    return RegDeleteKeyW(parent, name);
}

// Deletes the subkeys of `name` depth first, then `name` itself.
LONG DeleteTree(HKEY parent, const wchar_t* name, REGSAM view)
{
    Ostrel::UniqueRegKey key;
    LONG result = RegOpenKeyExW(parent, name, 0, view | KEY_READ | KEY_WRITE, key.put());
    if (result != ERROR_SUCCESS)
    {
        return result;
    }
    wchar_t child[kKeyNameChars];
    for (;;)
    {
        DWORD childChars = kKeyNameChars;
        result = RegEnumKeyExW(key.get(), 0, child, &childChars, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS)
        {
            break;
        }
        if (result == ERROR_SUCCESS)
        {
            result = DeleteTree(key.get(), child, view);
        }
        if (result != ERROR_SUCCESS)
        {
            return result;
        }
    }
    key.reset();
    return DeleteOneSubKey(parent, name, view);
}

bool IsNoName(const wchar_t* name)
{
    return name == nullptr || *name == L'\0';
}

} // namespace

CRegKeyImpl::~CRegKeyImpl()
{
    Close();
}

LONG CRegKeyImpl::QueryValue(const wchar_t* name, DWORD* type, void* data, ULONG* bytes)
{
    if (key_ == nullptr || (data != nullptr && bytes == nullptr))
    {
        return ERROR_INVALID_PARAMETER;
    }
    DWORD valueType = REG_NONE;
    std::vector<BYTE> value;
    const LONG result = ReadWholeValue([this, name](DWORD* readType, BYTE* readData, DWORD* readBytes)
                                       { return RegQueryValueExW(key_, name, nullptr, readType, readData, readBytes); },
                                       valueType, value);
    if (result != ERROR_SUCCESS)
    {
        return result;
    }
    return DeliverValue(valueType, value, type, data, bytes);
}

LONG CRegKeyImpl::SetValue(const wchar_t* name, DWORD type, const void* data, ULONG bytes)
{
    if (key_ == nullptr || data == nullptr || bytes == 0)
    {
        return ERROR_INVALID_PARAMETER;
    }
    return RegSetValueExW(key_, name, 0, type, static_cast<const BYTE*>(data), bytes);
}

LONG CRegKeyImpl::GetKeySecurity(SECURITY_INFORMATION information, PSECURITY_DESCRIPTOR descriptor, DWORD* bytes)
{
    if (key_ == nullptr || bytes == nullptr)
    {
        return ERROR_INVALID_PARAMETER;
    }
    return RegGetKeySecurity(key_, information, descriptor, bytes);
}

LONG CRegKeyImpl::SetKeySecurity(SECURITY_INFORMATION information, PSECURITY_DESCRIPTOR descriptor)
{
    if (key_ == nullptr || descriptor == nullptr)
    {
        return ERROR_INVALID_PARAMETER;
    }
    return RegSetKeySecurity(key_, information, descriptor);
}

LONG CRegKeyImpl::Create(HKEY parent, const wchar_t* subKey, const wchar_t* keyClass, DWORD options, REGSAM access,
                         SECURITY_ATTRIBUTES* security, DWORD* disposition)
{
    HKEY created = nullptr;
    DWORD createdDisposition = 0;
    // The class is only read; the Windows declaration lacks the const.
    const LONG result = RegCreateKeyExW(parent, subKey, 0, const_cast<wchar_t*>(keyClass), options, access, security,
                                        &created, &createdDisposition);
    if (disposition != nullptr)
    {
        *disposition = createdDisposition;
    }
    if (result != ERROR_SUCCESS)
    {
        return result;
    }
    Close();
    key_ = created;
    viewFlags_ = access & kViewMask;
    return ERROR_SUCCESS;
}

LONG CRegKeyImpl::Open(HKEY parent, const wchar_t* subKey, REGSAM access)
{
    HKEY opened = nullptr;
    const LONG result = RegOpenKeyExW(parent, subKey, 0, access, &opened);
    if (result != ERROR_SUCCESS)
    {
        return result;
    }
    Close();
    key_ = opened;
    viewFlags_ = access & kViewMask;
    return ERROR_SUCCESS;
}

LONG CRegKeyImpl::Close()
{
    viewFlags_ = 0;
    if (key_ == nullptr)
    {
        return ERROR_SUCCESS;
    }
    LONG result = ERROR_SUCCESS;
    if (deleteOnClose_)
    {
        // A null subkey empties the key itself and keeps it.
        result = RegDeleteTreeW(key_, nullptr);
        deleteOnClose_ = false;
    }
    const LONG closed = RegCloseKey(key_);
    key_ = nullptr;
    return result != ERROR_SUCCESS ? result : closed;
}

LONG CRegKeyImpl::Flush()
{
    if (key_ == nullptr)
    {
        return ERROR_INVALID_PARAMETER;
    }
    return RegFlushKey(key_);
}

HKEY CRegKeyImpl::Detach()
{
    HKEY detached = key_;
    key_ = nullptr;
    viewFlags_ = 0;
    deleteOnClose_ = false;
    return detached;
}

void CRegKeyImpl::Attach(HKEY key)
{
    key_ = key;
    viewFlags_ = 0;
    deleteOnClose_ = false;
}

LONG CRegKeyImpl::EnumKey(DWORD index, wchar_t* name, DWORD* nameChars, FILETIME* lastWriteTime)
{
    if (key_ == nullptr || name == nullptr || nameChars == nullptr)
    {
        return ERROR_INVALID_PARAMETER;
    }
    // Read into a buffer of our own so that a failure leaves the caller's untouched.
    wchar_t found[kKeyNameChars];
    DWORD foundChars = std::min(*nameChars, kKeyNameChars);
    FILETIME foundTime{};
    const LONG result = RegEnumKeyExW(key_, index, found, &foundChars, nullptr, nullptr, nullptr, &foundTime);
    if (result != ERROR_SUCCESS)
    {
        return result;
    }
    std::wmemcpy(name, found, foundChars + 1);
    *nameChars = foundChars;
    if (lastWriteTime != nullptr)
    {
        *lastWriteTime = foundTime;
    }
    return ERROR_SUCCESS;
}

LONG CRegKeyImpl::NotifyChangeKeyValue(BOOL watchSubtree, DWORD filter, HANDLE event, BOOL asynchronous)
{
    if (key_ == nullptr)
    {
        return ERROR_INVALID_PARAMETER;
    }
    return RegNotifyChangeKeyValue(key_, watchSubtree, filter, event, asynchronous);
}

LONG CRegKeyImpl::DeleteSubKey(const wchar_t* name)
{
    if (key_ == nullptr || IsNoName(name))
    {
        return ERROR_INVALID_PARAMETER;
    }
    return DeleteOneSubKey(key_, name, viewFlags_);
}

LONG CRegKeyImpl::RecurseDeleteKey(const wchar_t* name)
{
    // An empty name would open the key itself and delete everything in it.
    if (key_ == nullptr || IsNoName(name))
    {
        return ERROR_INVALID_PARAMETER;
    }
    return DeleteTree(key_, name, viewFlags_);
}

LONG CRegKeyImpl::DeleteValue(const wchar_t* name)
{
    if (key_ == nullptr || name == nullptr)
    {
        return ERROR_INVALID_PARAMETER;
    }
    return RegDeleteValueW(key_, name);
}

LONG CRegKeyImpl::GrantEveryoneFullAccess(bool recursive)
{
    if (key_ == nullptr)
    {
        return ERROR_INVALID_PARAMETER;
    }
    return GrantEveryoneFullAccessTo(key_, recursive);
}

void CRegKeyImpl::SetDeleteOnClose(bool deleteOnClose)
{
    deleteOnClose_ = deleteOnClose;
}

bool CRegKeyImpl::IsDeleteOnClose()
{
    return deleteOnClose_;
}

} // namespace Basekit::internal
