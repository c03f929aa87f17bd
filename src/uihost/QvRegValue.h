#pragma once

// Registry value helpers of the UI host services.
//
// Every function returns a Win32 status, 0 on success. Flags:
// kQvRegScrambled stores and reads string values (REG_SZ, REG_EXPAND_SZ,
// REG_MULTI_SZ) in the registry layer's scrambled form, other types unchanged;
// kQvReg32BitView and kQvReg64BitView select the registry view of the key
// these helpers open (the 32-bit view wins when both are set; neither: the
// default view). A data buffer too small for the value gives 234 with the size
// needed; a null data buffer asks for the type and size only.

#include <windows.h>

namespace Ostrel
{

inline constexpr DWORD kQvRegScrambled = 0x1;
inline constexpr DWORD kQvReg32BitView = 0x8;
inline constexpr DWORD kQvReg64BitView = 0x10;

// Reads a value of an open key. A null or empty name reads the default value.
LONG RegReadValueEx(HKEY key, const wchar_t* valueName, DWORD* type, void* data, DWORD* bytes, DWORD flags);

// Writes a value of an open key.
LONG RegWriteValueEx(HKEY key, const wchar_t* valueName, DWORD type, const void* data, DWORD bytes, DWORD flags);

// Opens root\subKey for reading (ANSI registry functions, names in the thread's
// ANSI code page) and reads the value. A null or empty subkey reads from the
// root key itself.
LONG QvRegReadValue(HKEY root, const wchar_t* subKey, const wchar_t* valueName, DWORD* type, void* data, DWORD* bytes,
                    DWORD flags);

// Creates or opens root\subKey with full access and writes the value. A null
// or empty subkey writes to the root key itself.
LONG QvRegWriteValue(HKEY root, const wchar_t* subKey, const wchar_t* valueName, DWORD type, const void* data,
                     DWORD bytes, DWORD flags);

} // namespace Ostrel
