#include "registry/CRegKey.h"

#include <utility>

namespace Basekit
{

CRegKey::CRegKey()
    : impl_(std::make_shared<internal::CRegKeyImpl>())
{
}

CRegKey::CRegKey(std::shared_ptr<internal::CRegKeyImpl> impl)
    : impl_(impl != nullptr ? std::move(impl) : std::make_shared<internal::CRegKeyImpl>())
{
}

CRegKey::~CRegKey()
{
    impl_->Close();
}

LONG CRegKey::QueryValue(const wchar_t* name, DWORD* type, void* data, ULONG* bytes)
{
    return impl_->QueryValue(name, type, data, bytes);
}

LONG CRegKey::SetValue(const wchar_t* name, DWORD type, const void* data, ULONG bytes)
{
    return impl_->SetValue(name, type, data, bytes);
}

LONG CRegKey::SetGUIDValue(const wchar_t* name, REFGUID guid)
{
    return impl_->SetGUIDValue(name, guid);
}

LONG CRegKey::SetBinaryValue(const wchar_t* name, const void* data, ULONG bytes)
{
    return impl_->SetBinaryValue(name, data, bytes);
}

LONG CRegKey::SetDWORDValue(const wchar_t* name, DWORD value)
{
    return impl_->SetDWORDValue(name, value);
}

LONG CRegKey::SetQWORDValue(const wchar_t* name, ULONGLONG value)
{
    return impl_->SetQWORDValue(name, value);
}

LONG CRegKey::SetStringValue(const wchar_t* name, const wchar_t* text, DWORD type)
{
    return impl_->SetStringValue(name, text, type);
}

LONG CRegKey::SetMultiStringValue(const wchar_t* name, const wchar_t* texts)
{
    return impl_->SetMultiStringValue(name, texts);
}

LONG CRegKey::QueryGUIDValue(const wchar_t* name, GUID& guid)
{
    return impl_->QueryGUIDValue(name, guid);
}

LONG CRegKey::QueryBinaryValue(const wchar_t* name, void* data, ULONG* bytes)
{
    return impl_->QueryBinaryValue(name, data, bytes);
}

LONG CRegKey::QueryDWORDValue(const wchar_t* name, DWORD& value)
{
    return impl_->QueryDWORDValue(name, value);
}

LONG CRegKey::QueryQWORDValue(const wchar_t* name, ULONGLONG& value)
{
    return impl_->QueryQWORDValue(name, value);
}

LONG CRegKey::QueryStringValue(const wchar_t* name, std::wstring& text)
{
    return impl_->QueryStringValue(name, text);
}

LONG CRegKey::QueryStringValueBuffer(const wchar_t* name, wchar_t* buffer, ULONG* chars)
{
    return impl_->QueryStringValueBuffer(name, buffer, chars);
}

LONG CRegKey::QueryMultiStringValue(const wchar_t* name, wchar_t* buffer, ULONG* chars)
{
    return impl_->QueryMultiStringValue(name, buffer, chars);
}

LONG CRegKey::GetKeySecurity(SECURITY_INFORMATION information, PSECURITY_DESCRIPTOR descriptor, DWORD* bytes)
{
    return impl_->GetKeySecurity(information, descriptor, bytes);
}

LONG CRegKey::SetKeySecurity(SECURITY_INFORMATION information, PSECURITY_DESCRIPTOR descriptor)
{
    return impl_->SetKeySecurity(information, descriptor);
}

LONG CRegKey::Create(HKEY parent, const wchar_t* subKey, const wchar_t* keyClass, DWORD options, REGSAM access,
                     SECURITY_ATTRIBUTES* security, DWORD* disposition)
{
    return impl_->Create(parent, subKey, keyClass, options, access, security, disposition);
}

LONG CRegKey::Open(HKEY parent, const wchar_t* subKey, REGSAM access)
{
    return impl_->Open(parent, subKey, access);
}

LONG CRegKey::Flush()
{
    return impl_->Flush();
}

LONG CRegKey::EnumKey(DWORD index, wchar_t* name, DWORD* nameChars, FILETIME* lastWriteTime)
{
    return impl_->EnumKey(index, name, nameChars, lastWriteTime);
}

LONG CRegKey::NotifyChangeKeyValue(BOOL watchSubtree, DWORD filter, HANDLE event, BOOL asynchronous)
{
    return impl_->NotifyChangeKeyValue(watchSubtree, filter, event, asynchronous);
}

LONG CRegKey::DeleteSubKey(const wchar_t* name)
{
    return impl_->DeleteSubKey(name);
}

LONG CRegKey::RecurseDeleteKey(const wchar_t* name)
{
    return impl_->RecurseDeleteKey(name);
}

LONG CRegKey::DeleteValue(const wchar_t* name)
{
    return impl_->DeleteValue(name);
}

LONG CRegKey::GrantEveryoneFullAccess(bool recursive)
{
    return impl_->GrantEveryoneFullAccess(recursive);
}

LONG CRegKey::Close()
{
    return impl_->Close();
}

void CRegKey::Attach(HKEY key)
{
    impl_->Attach(key);
}

HKEY CRegKey::Detach()
{
    return impl_->Detach();
}

HKEY CRegKey::GetHandle() const
{
    return impl_->Handle();
}

} // namespace Basekit
