#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace Basekit::internal
{

// The work behind CRegKey; its failure contract is stated in CRegKey.h. The
// order of the virtual operations is part of the interface. Every typed read
// and write goes through QueryValue and SetValue, so a variant that stores
// values differently replaces only those two.
class CRegKeyImpl
{
public:
    CRegKeyImpl() = default;
    CRegKeyImpl(const CRegKeyImpl&) = delete;
    CRegKeyImpl& operator=(const CRegKeyImpl&) = delete;

    virtual ~CRegKeyImpl();

    virtual LONG QueryValue(const wchar_t* name, DWORD* type, void* data, ULONG* bytes);
    virtual LONG SetValue(const wchar_t* name, DWORD type, const void* data, ULONG bytes);
    virtual LONG SetGUIDValue(const wchar_t* name, REFGUID guid);
    virtual LONG SetBinaryValue(const wchar_t* name, const void* data, ULONG bytes);
    virtual LONG SetDWORDValue(const wchar_t* name, DWORD value);
    virtual LONG SetQWORDValue(const wchar_t* name, ULONGLONG value);
    virtual LONG SetStringValue(const wchar_t* name, const wchar_t* text, DWORD type);
    virtual LONG SetMultiStringValue(const wchar_t* name, const wchar_t* texts);
    virtual LONG QueryGUIDValue(const wchar_t* name, GUID& guid);
    virtual LONG QueryBinaryValue(const wchar_t* name, void* data, ULONG* bytes);
    virtual LONG QueryDWORDValue(const wchar_t* name, DWORD& value);
    virtual LONG QueryQWORDValue(const wchar_t* name, ULONGLONG& value);
    virtual LONG QueryStringValue(const wchar_t* name, std::wstring& text);
    virtual LONG QueryStringValueBuffer(const wchar_t* name, wchar_t* buffer, ULONG* chars);
    virtual LONG QueryMultiStringValue(const wchar_t* name, wchar_t* buffer, ULONG* chars);
    virtual LONG GetKeySecurity(SECURITY_INFORMATION information, PSECURITY_DESCRIPTOR descriptor, DWORD* bytes);
    virtual LONG SetKeySecurity(SECURITY_INFORMATION information, PSECURITY_DESCRIPTOR descriptor);
    virtual LONG Create(HKEY parent, const wchar_t* subKey, const wchar_t* keyClass, DWORD options, REGSAM access,
                        SECURITY_ATTRIBUTES* security, DWORD* disposition);
    virtual LONG Open(HKEY parent, const wchar_t* subKey, REGSAM access);
    virtual LONG Close();
    virtual LONG Flush();
    virtual HKEY Detach();
    virtual void Attach(HKEY key);
    virtual LONG EnumKey(DWORD index, wchar_t* name, DWORD* nameChars, FILETIME* lastWriteTime);
    virtual LONG NotifyChangeKeyValue(BOOL watchSubtree, DWORD filter, HANDLE event, BOOL asynchronous);
    virtual LONG DeleteSubKey(const wchar_t* name);
    virtual LONG RecurseDeleteKey(const wchar_t* name);
    virtual LONG DeleteValue(const wchar_t* name);
    virtual LONG GrantEveryoneFullAccess(bool recursive);
    // When set, Close first deletes every subkey and value under the key.
    virtual void SetDeleteOnClose(bool deleteOnClose);
    virtual bool IsDeleteOnClose();

    HKEY Handle() const { return key_; }

private:
    // Reads a whole value through QueryValue.
    LONG ReadValue(const wchar_t* name, DWORD& type, std::vector<BYTE>& value);
    // Reads a fixed-size value of the given type.
    template <typename T>
    LONG QueryFixedValue(const wchar_t* name, DWORD expectedType, T& value);

    HKEY key_ = nullptr;
    // The registry view bits (KEY_WOW64_64KEY, KEY_WOW64_32KEY) of the access
    // mask the key was opened or created with, used again for deletions.
    REGSAM viewFlags_ = 0;
    bool deleteOnClose_ = false;
};

} // namespace Basekit::internal
