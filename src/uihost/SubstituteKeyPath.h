#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace Ostrel
{

// A registry key named by text: an optional root name ("HKLM",
// "HKEY_CURRENT_USER", ... compared case-insensitively), a backslash and the
// subkey. Text whose first part is no root name is a subkey of
// HKEY_LOCAL_MACHINE.
struct SubstituteKeyPath
{
    HKEY root = nullptr;
    std::wstring subKey;
};

// 0, or 87 for text without a backslash or with nothing after its first one.
DWORD ParseSubstituteKeyPath(std::wstring_view text, SubstituteKeyPath& path);

} // namespace Ostrel
