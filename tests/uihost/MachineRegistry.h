#pragma once

// Writing and reading test data under HKEY_LOCAL_MACHINE (redirected by the
// test's registry isolation), in the 64-bit view.

#include "platform/UniqueHandles.h"
#include <windows.h>

#include <string>

namespace ScreenRelayTest
{

inline LONG SetMachineString(const std::wstring& key, const wchar_t* name, const std::wstring& value)
{
    return RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), name, REG_SZ, value.c_str(),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

inline LONG SetMachineDword(const std::wstring& key, const wchar_t* name, DWORD value)
{
    return RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), name, REG_DWORD, &value, sizeof(value));
}

inline LONG CreateMachineKey(const std::wstring& key)
{
    Ostrel::UniqueRegKey created;
    return RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, created.put(), nullptr);
}

// The REG_SZ value, or "<missing>".
inline std::wstring MachineString(const std::wstring& key, const wchar_t* name)
{
    wchar_t text[2048];
    DWORD bytes = sizeof(text);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), name, RRF_RT_REG_SZ | RRF_SUBKEY_WOW6464KEY, nullptr, text,
                     &bytes) != ERROR_SUCCESS)
    {
        return L"<missing>";
    }
    return text;
}

} // namespace ScreenRelayTest
