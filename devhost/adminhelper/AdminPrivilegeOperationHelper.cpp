#include "AdminPrivilegeOperationHelper.h"

#include "DevelopmentSwitches.h"
#include "Journal.h"
#include "platform/UniqueHandles.h"

#include <cwchar>
#include <new>
#include <string>
#include <vector>

namespace DevHost
{

namespace
{

constexpr wchar_t kComponent[] = L"AdminPrivilegeHelper";
constexpr wchar_t kCall[] = L"SetRegistryValue";

// Registry view flags of the suite's registry helpers.
constexpr DWORD kView32Flag = 8;
constexpr DWORD kView64Flag = 16;

std::wstring RootName(HKEY root)
{
    if (root == HKEY_LOCAL_MACHINE)
    {
        return L"HKEY_LOCAL_MACHINE";
    }
    if (root == HKEY_CURRENT_USER)
    {
        return L"HKEY_CURRENT_USER";
    }
    if (root == HKEY_CLASSES_ROOT)
    {
        return L"HKEY_CLASSES_ROOT";
    }
    wchar_t text[24];
    std::swprintf(text, 24, L"0x%llx", static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(root)));
    return text;
}

JournalValue Text(BSTR text)
{
    if (text == nullptr)
    {
        return {};
    }
    return std::wstring(text, SysStringLen(text));
}

// String data as its text up to the first terminator, anything else as hexadecimal bytes.
JournalValue DataValue(DWORD type, DWORD size, const BYTE* data)
{
    if (data == nullptr)
    {
        return {};
    }
    if (type == REG_SZ || type == REG_EXPAND_SZ)
    {
        const auto* text = reinterpret_cast<const wchar_t*>(data);
        return std::wstring(text, wcsnlen(text, size / sizeof(wchar_t)));
    }
    std::wstring hex;
    for (DWORD i = 0; i < size; ++i)
    {
        wchar_t digits[3];
        std::swprintf(digits, 3, L"%02x", data[i]);
        hex += digits;
    }
    return hex;
}

REGSAM ViewAccess(DWORD flags)
{
    if (flags & kView32Flag)
    {
        return KEY_WOW64_32KEY;
    }
    return (flags & kView64Flag) ? KEY_WOW64_64KEY : 0;
}

} // namespace

HRESULT AdminPrivilegeOperationHelper::Create(REFIID iid, void** object)
{
    auto* helper = new (std::nothrow) AdminPrivilegeOperationHelper();
    if (helper == nullptr)
    {
        return E_OUTOFMEMORY;
    }
    const HRESULT result = helper->QueryInterface(iid, object);
    helper->Release();
    return result;
}

HRESULT STDMETHODCALLTYPE AdminPrivilegeOperationHelper::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
    {
        return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, kAdminPrivilegeOperationHelperInterface))
    {
        *object = static_cast<IQvAdminPrivilegeOperationHelper*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE AdminPrivilegeOperationHelper::AddRef()
{
    return ++references_;
}

ULONG STDMETHODCALLTYPE AdminPrivilegeOperationHelper::Release()
{
    const ULONG remaining = --references_;
    if (remaining == 0)
    {
        delete this;
    }
    return remaining;
}

HRESULT STDMETHODCALLTYPE AdminPrivilegeOperationHelper::SetRegistryValue(HKEY root, BSTR subkey, BSTR valueName,
                                                                          DWORD type, DWORD size, BYTE* data,
                                                                          DWORD flags)
{
    JournalCall(kComponent, kCall,
                {{L"root", {}, RootName(root)},
                 {L"subkey", {}, Text(subkey)},
                 {L"valueName", {}, Text(valueName)},
                 {L"type", {}, static_cast<std::uint32_t>(type)},
                 {L"size", {}, static_cast<std::uint32_t>(size)},
                 {L"data", {}, DataValue(type, size, data)},
                 {L"flags", {}, static_cast<std::uint32_t>(flags)}});
    if (const auto failure = ReadDevelopmentSwitch(kComponent, kCall))
    {
        return static_cast<HRESULT>(*failure);
    }
    if (data == nullptr && size != 0)
    {
        return E_POINTER;
    }

    Ostrel::UniqueRegKey key;
    LONG status = RegCreateKeyExW(root, subkey != nullptr ? subkey : L"", 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_SET_VALUE | ViewAccess(flags), nullptr, key.put(), nullptr);
    if (status == ERROR_SUCCESS)
    {
        status = RegSetValueExW(key.get(), valueName, 0, type, data, size);
    }
    return HRESULT_FROM_WIN32(status);
}

} // namespace DevHost
