#pragma once

// Class and interface ids of the suite's COM objects that the development
// components serve, and the interfaces that are not in the Windows SDK.

#include <windows.h>
#include <objbase.h>

namespace DevHost
{

// The UI host helper: class, and IQvVrtHelper (an IDispatch).
inline constexpr CLSID kUiHostHelperClass = {
    0xDF659FF1, 0xA244, 0x4D36, {0x9F, 0x84, 0x75, 0xBB, 0x2D, 0x03, 0xEB, 0x2E}};
inline constexpr IID kQvVrtHelperInterface = {
    0x771D0F66, 0xDDC6, 0x4E59, {0x9D, 0x45, 0xDB, 0x8B, 0x03, 0x8F, 0xD7, 0xDB}};

// The elevated registry helper: class, and IQvAdminPrivilegeOperationHelper.
inline constexpr CLSID kAdminPrivilegeHelperClass = {
    0x20966775, 0x18A4, 0x4299, {0xB8, 0xE3, 0x77, 0x2C, 0x33, 0x6B, 0x52, 0xA7}};
inline constexpr IID kAdminPrivilegeOperationHelperInterface = {
    0x5D0B92D9, 0x3A32, 0x4B51, {0xB3, 0xE5, 0x1E, 0x56, 0x92, 0x94, 0xE7, 0x85}};

// The class whose server's folder holds the updater, QvUpdate.exe.
inline constexpr CLSID kUpdaterClass = {0xE0EC0F2B, 0x773D, 0x4dd7, {0xBE, 0x6C, 0x7D, 0x85, 0xD6, 0xAA, 0x62, 0x69}};

// The two interface ids under which the suite's class objects are asked for,
// in the order they are asked.
inline constexpr IID kSuiteClassObjectInterfaces[] = {
    {0xFD542581, 0x722E, 0x45BE, {0xBE, 0xD4, 0x62, 0xA1, 0xBE, 0x46, 0xAF, 0x03}},
    {0x6058502E, 0x6069, 0x43F4, {0xB7, 0x33, 0x12, 0x86, 0x49, 0xA2, 0x0B, 0xD5}}};

// The suite's class object: IUnknown, then the creation of an instance.
struct ISuiteClassObject : IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE CreateInstance(REFIID iid, void** object) = 0;
};

// Writes a registry value with administrator rights on the caller's behalf.
// Flags: 8 selects the 32-bit registry view, 16 the 64-bit view.
struct IQvAdminPrivilegeOperationHelper : IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE SetRegistryValue(HKEY root, BSTR subkey, BSTR valueName, DWORD type, DWORD size,
                                                       BYTE* data, DWORD flags) = 0;
};

} // namespace DevHost
