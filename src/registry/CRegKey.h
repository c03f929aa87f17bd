#pragma once

// An owned registry key with typed value access.
//
// Failure contract: every operation returns a Windows error code, 0 on
// success, and throws nothing.
// - No key held: 87 (ERROR_INVALID_PARAMETER).
// - A value of the wrong type, or string data that is not properly terminated
//   (or, for the scrambling variant, not in its scrambled form): 13
//   (ERROR_INVALID_DATA).
// - Out of memory: 14 (ERROR_OUTOFMEMORY).
// - Other failures are the registry's own codes, passed through.
// Out-parameters are written only on success, with three exceptions: an
// in/out size reports the size needed when the answer is 234
// (ERROR_MORE_DATA) or, for GetKeySecurity, 122 (ERROR_INSUFFICIENT_BUFFER);
// QueryGUIDValue clears the GUID before it reads; Create always returns the
// disposition (0 when the call failed). A failed Open or Create keeps the key
// held before.
//
// A key object is used by one thread at a time. Several CRegKey objects may
// share one implementation (and so one handle); each one's destructor closes
// the shared handle.

#include "registry/CRegKeyImpl.h"

#include <windows.h>

#include <memory>
#include <string>

namespace Basekit
{

class CRegKey
{
public:
    CRegKey();
    // Shares an existing implementation; a null one is replaced by a fresh one.
    explicit CRegKey(std::shared_ptr<internal::CRegKeyImpl> impl);
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;

    // Closes the key (honouring delete-on-close) and releases the share.
    virtual ~CRegKey();

    // Raw value read. With no data buffer only the type and size are returned;
    // with one too small for the value, 234 and the size needed.
    virtual LONG QueryValue(const wchar_t* name, DWORD* type, void* data, ULONG* bytes);
    // Raw value write; no data or a size of 0 gives 87.
    virtual LONG SetValue(const wchar_t* name, DWORD type, const void* data, ULONG bytes);
    // Writes the braced string form of the GUID as REG_SZ.
    virtual LONG SetGUIDValue(const wchar_t* name, REFGUID guid);
    virtual LONG SetBinaryValue(const wchar_t* name, const void* data, ULONG bytes);
    virtual LONG SetDWORDValue(const wchar_t* name, DWORD value);
    virtual LONG SetQWORDValue(const wchar_t* name, ULONGLONG value);
    // Writes the text with its terminating zero. A null text gives 13; a type
    // other than REG_SZ or REG_EXPAND_SZ gives 87.
    virtual LONG SetStringValue(const wchar_t* name, const wchar_t* text, DWORD type = REG_SZ);
    // Writes a list of zero-terminated strings that ends with an empty string
    // ("a\0b\0\0") as REG_MULTI_SZ; a null list gives 13.
    virtual LONG SetMultiStringValue(const wchar_t* name, const wchar_t* texts);
    // Reads a braced GUID string of at most 63 characters; anything else
    // gives 13 and leaves the GUID zero.
    virtual LONG QueryGUIDValue(const wchar_t* name, GUID& guid);
    // The value must be REG_BINARY. Sizes as for QueryValue.
    virtual LONG QueryBinaryValue(const wchar_t* name, void* data, ULONG* bytes);
    // The value must be REG_DWORD of 4 bytes.
    virtual LONG QueryDWORDValue(const wchar_t* name, DWORD& value);
    // The value must be REG_QWORD of 8 bytes.
    virtual LONG QueryQWORDValue(const wchar_t* name, ULONGLONG& value);
    // Reads a REG_SZ or REG_EXPAND_SZ value; the text ends at its first zero.
    virtual LONG QueryStringValue(const wchar_t* name, std::wstring& text);
    // Reads a REG_SZ or REG_EXPAND_SZ value that is a whole number of
    // characters ending in a zero (an empty value reads as an empty string).
    // The count, in characters, includes the terminating zero; with no buffer
    // only the count is returned, with one too small 234 and the count needed.
    virtual LONG QueryStringValueBuffer(const wchar_t* name, wchar_t* buffer, ULONG* chars);
    // Reads a REG_MULTI_SZ value that ends in two zero characters (or is the
    // empty list, one zero character). A buffer of fewer than 2 characters
    // gives 122; counts as for QueryStringValueBuffer.
    virtual LONG QueryMultiStringValue(const wchar_t* name, wchar_t* buffer, ULONG* chars);
    // No size gives 87.
    virtual LONG GetKeySecurity(SECURITY_INFORMATION information, PSECURITY_DESCRIPTOR descriptor, DWORD* bytes);
    // No descriptor gives 87.
    virtual LONG SetKeySecurity(SECURITY_INFORMATION information, PSECURITY_DESCRIPTOR descriptor);
    // Creates or opens the subkey; on success the key held before is closed
    // and the new one taken, with the registry view of the access mask kept
    // for later deletions.
    virtual LONG Create(HKEY parent, const wchar_t* subKey, const wchar_t* keyClass = nullptr,
                        DWORD options = REG_OPTION_NON_VOLATILE, REGSAM access = KEY_READ | KEY_WRITE,
                        SECURITY_ATTRIBUTES* security = nullptr, DWORD* disposition = nullptr);
    // Opens the subkey; on success as for Create.
    virtual LONG Open(HKEY parent, const wchar_t* subKey, REGSAM access = KEY_READ | KEY_WRITE);
    virtual LONG Flush();
    // The name count is in characters, without the terminating zero on return.
    virtual LONG EnumKey(DWORD index, wchar_t* name, DWORD* nameChars, FILETIME* lastWriteTime = nullptr);
    virtual LONG NotifyChangeKeyValue(BOOL watchSubtree, DWORD filter, HANDLE event, BOOL asynchronous = TRUE);
    // Deletes one subkey (which must have none of its own) in the key's view.
    // A null or empty name gives 87.
    virtual LONG DeleteSubKey(const wchar_t* name);
    // Deletes a subkey with everything under it. A null or empty name gives 87.
    virtual LONG RecurseDeleteKey(const wchar_t* name);
    // A null name gives 87; an empty one names the default value.
    virtual LONG DeleteValue(const wchar_t* name);
    // Adds full access for Everyone, inherited by subkeys and values, to the
    // key's access list; when recursive, also to every key below it.
    virtual LONG GrantEveryoneFullAccess(bool recursive);

    // Closes the handle; with delete-on-close, first deletes everything under the key.
    LONG Close();
    // Takes a handle without closing one held before: Detach that one first.
    void Attach(HKEY key);
    // Gives up the handle without closing it.
    HKEY Detach();
    HKEY GetHandle() const;

private:
    std::shared_ptr<internal::CRegKeyImpl> impl_;
};

} // namespace Basekit
