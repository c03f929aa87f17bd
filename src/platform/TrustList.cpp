#include "platform/TrustList.h"

#include "logging/Log.h"
#include "platform/TrustKeySecurity.h"
#include "platform/TrustVerification.h"

LOG_SOURCE_FILE(L"TrustList.cpp");

namespace Ostrel
{

TrustList::TrustList(const wchar_t* subKey)
{
    HKEY key = nullptr;
    status_ = static_cast<DWORD>(RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey, 0, KEY_READ | KEY_WOW64_64KEY, &key));
    if (status_ != ERROR_SUCCESS)
    {
        return;
    }
    key_ = key;
    status_ = CheckAdministratorsOnlyWrite(key_);
}

TrustList::~TrustList()
{
    if (key_ != nullptr)
    {
        RegCloseKey(key_);
    }
}

bool TrustList::Contains(const std::wstring& name) const
{
    return status_ == ERROR_SUCCESS &&
           RegQueryValueExW(key_, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
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
    HKEY key = nullptr;
    error =
        static_cast<DWORD>(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kTrustedFilesKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &key, nullptr));
    if (error != ERROR_SUCCESS)
    {
        return error;
    }
    const std::wstring::size_type slash = path.find_last_of(L"\\/");
    const std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    error =
        static_cast<DWORD>(RegSetValueExW(key, digest.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                                          static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t))));
    RegCloseKey(key);
    return error;
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
