#include "platform/TrustList.h"

#include "logging/Log.h"
#include "platform/TrustKeySecurity.h"
#include "platform/TrustVerification.h"

LOG_SOURCE_FILE(L"TrustList.cpp");

namespace Ostrel
{

TrustList::TrustList(const wchar_t* subKey)
{
    UniqueRegKey key;
    status_ = OpenAdministratorsOnlyKey(HKEY_LOCAL_MACHINE, kSuiteKey, subKey, key);
    if (status_ == ERROR_SUCCESS)
    {
        key_.Attach(key.release());
    }
}

bool TrustList::Contains(const std::wstring& name) const
{
    DWORD type = 0;
    ULONG bytes = 0;
    return status_ == ERROR_SUCCESS && key_.QueryValue(name.c_str(), &type, nullptr, &bytes) == ERROR_SUCCESS;
}

namespace
{

DWORD WriteTrustedFile(const std::wstring& path)
{
    std::wstring digest;
    DWORD error = ComputeFileSha256(path, digest);
    if (error != ERROR_SUCCESS)
    {
        return error;
    }
    Basekit::CRegKey key;
    error = static_cast<DWORD>(key.Create(HKEY_LOCAL_MACHINE, kTrustedFilesKey, nullptr, REG_OPTION_NON_VOLATILE,
                                          KEY_SET_VALUE | KEY_WOW64_64KEY));
    if (error != ERROR_SUCCESS)
    {
        return error;
    }
    const std::wstring::size_type slash = path.find_last_of(L"\\/");
    const std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    return static_cast<DWORD>(key.SetStringValue(digest.c_str(), name.c_str()));
}

} // namespace

DWORD ListTrustedFile(const std::wstring& path)
{
    const DWORD error = WriteTrustedFile(path);
    if (error != ERROR_SUCCESS)
    {
        LOG_ERROR(L"Ostrel::ListTrustedFile", L"Failed to list file %ls as trusted. Error %lu.", path.c_str(), error);
    }
    return error;
}

} // namespace Ostrel
