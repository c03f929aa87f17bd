#include "DevelopmentSwitches.h"

#include "platform/UniqueHandles.h"

#include <string>

namespace DevHost
{

namespace
{

std::wstring ComponentKey(const wchar_t* component)
{
    return std::wstring(kSwitchesKey) + L"\\" + component;
}

} // namespace

std::optional<DWORD> ReadDevelopmentSwitch(const wchar_t* component, const wchar_t* call)
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, ComponentKey(component).c_str(), call, RRF_RT_REG_DWORD, nullptr, &value,
                     &size) != ERROR_SUCCESS)
    {
        return std::nullopt;
    }
    return value;
}

DWORD WriteDevelopmentSwitch(const wchar_t* component, const wchar_t* call, DWORD value)
{
    Ostrel::UniqueRegKey key;
    const LONG created = RegCreateKeyExW(HKEY_LOCAL_MACHINE, ComponentKey(component).c_str(), 0, nullptr,
                                         REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, key.put(), nullptr);
    if (created != ERROR_SUCCESS)
    {
        return static_cast<DWORD>(created);
    }
    return static_cast<DWORD>(
        RegSetValueExW(key.get(), call, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value)));
}

} // namespace DevHost
