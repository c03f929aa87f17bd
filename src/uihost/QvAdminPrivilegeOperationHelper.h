#pragma once

// The suite's elevated registry helper: a COM object served outside this
// program that writes a registry value with administrator rights on the
// caller's behalf.

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

namespace Ostrel
{

inline constexpr CLSID kAdminPrivilegeHelperClass = {
    0x20966775, 0x18A4, 0x4299, {0xB8, 0xE3, 0x77, 0x2C, 0x33, 0x6B, 0x52, 0xA7}};
inline constexpr IID kAdminPrivilegeOperationHelperInterface = {
    0x5D0B92D9, 0x3A32, 0x4B51, {0xB3, 0xE5, 0x1E, 0x56, 0x92, 0x94, 0xE7, 0x85}};

// Implemented in another module: declared outside an unnamed namespace, so
// that calls through it are never devirtualised.
struct IQvAdminPrivilegeOperationHelper : IUnknown
{
    // Writes size bytes of data as the value valueName of root\subkey, of the
    // given type. Flags: 8 the 32-bit registry view, 16 the 64-bit view.
    virtual HRESULT STDMETHODCALLTYPE SetRegistryValue(HKEY root, BSTR subkey, BSTR valueName, DWORD type, DWORD size,
                                                       BYTE* data, DWORD flags) = 0;
};

} // namespace Ostrel
