#include "platform/RegistryAPI.h"

#include "registry/CRegKey.h"

namespace Ostrel
{

ModuleStatus RegistryAPI::readString(const std::wstring& subKey, const std::wstring& valueName, std::wstring& value)
{
    Basekit::CRegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, subKey.c_str(), KEY_READ) != ERROR_SUCCESS)
    {
        return MODULE_STATUS_UNSUCCESSFUL;
    }
    wchar_t buffer[MAX_PATH] = {};
    ULONG chars = MAX_PATH;
    if (key.QueryStringValueBuffer(valueName.c_str(), buffer, &chars) != ERROR_SUCCESS)
    {
        return MODULE_STATUS_UNSUCCESSFUL;
    }
    value = buffer;
    return MODULE_STATUS_SUCCESS;
}

ModuleStatus RegistryAPI::readDword(const std::wstring& subKey, const std::wstring& valueName, DWORD& value)
{
    Basekit::CRegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, subKey.c_str(), KEY_READ) != ERROR_SUCCESS)
    {
        return MODULE_STATUS_UNSUCCESSFUL;
    }
    DWORD read = 0;
    if (key.QueryDWORDValue(valueName.c_str(), read) != ERROR_SUCCESS)
    {
        return MODULE_STATUS_UNSUCCESSFUL;
    }
    value = read;
    return MODULE_STATUS_SUCCESS;
}

} // namespace Ostrel
