#include "uihost/QvRegValue.h"

#include "platform/UniqueHandles.h"
#include "registry/CObfuscatedRegKeyImpl.h"
#include "registry/ObfuscatedValueCodec.h"

#include <new>
#include <string>

namespace Ostrel
{

namespace
{

REGSAM ViewAccess(DWORD flags)
{
    if ((flags & kQvReg32BitView) != 0)
    {
        return KEY_WOW64_32KEY;
    }
    if ((flags & kQvReg64BitView) != 0)
    {
        return KEY_WOW64_64KEY;
    }
    return 0;
}

bool IsEmpty(const wchar_t* text)
{
    return text == nullptr || *text == L'\0';
}

// Lends a key the caller owns to the registry layer's scrambling key, which
// holds the scrambled form of string values, and takes it back afterwards.
class BorrowedScrambledKey
{
public:
    explicit BorrowedScrambledKey(HKEY key) { impl_.Attach(key); }
    ~BorrowedScrambledKey() { static_cast<void>(impl_.Detach()); }
    BorrowedScrambledKey(const BorrowedScrambledKey&) = delete;
    BorrowedScrambledKey& operator=(const BorrowedScrambledKey&) = delete;

    Basekit::CObfuscatedRegKeyImpl& Key() { return impl_; }

private:
    Basekit::CObfuscatedRegKeyImpl impl_;
};

LONG ToAnsi(const wchar_t* text, std::string& converted)
{
    const int chars = WideCharToMultiByte(CP_THREAD_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (chars == 0)
    {
        return static_cast<LONG>(GetLastError());
    }
    try
    {
        converted.assign(static_cast<std::size_t>(chars), '\0');
    }
    catch (const std::bad_alloc&)
    {
        return ERROR_OUTOFMEMORY;
    }
    if (WideCharToMultiByte(CP_THREAD_ACP, 0, text, -1, converted.data(), chars, nullptr, nullptr) == 0)
    {
        return static_cast<LONG>(GetLastError());
    }
    converted.resize(static_cast<std::size_t>(chars - 1));
    return ERROR_SUCCESS;
}

} // namespace

LONG RegReadValueEx(HKEY key, const wchar_t* valueName, DWORD* type, void* data, DWORD* bytes, DWORD flags)
{
    if (key == nullptr || (data != nullptr && bytes == nullptr))
    {
        return ERROR_INVALID_PARAMETER;
    }
    if ((flags & kQvRegScrambled) != 0)
    {
        BorrowedScrambledKey scrambled(key);
        return scrambled.Key().QueryValue(IsEmpty(valueName) ? nullptr : valueName, type, data, bytes);
    }
    return RegQueryValueExW(key, valueName, nullptr, type, static_cast<BYTE*>(data), bytes);
}

LONG RegWriteValueEx(HKEY key, const wchar_t* valueName, DWORD type, const void* data, DWORD bytes, DWORD flags)
{
    if (key == nullptr)
    {
        return ERROR_INVALID_PARAMETER;
    }
    if ((flags & kQvRegScrambled) != 0 && Basekit::internal::IsScrambledType(type))
    {
        BorrowedScrambledKey scrambled(key);
        return scrambled.Key().SetValue(IsEmpty(valueName) ? nullptr : valueName, type, data, bytes);
    }
    return RegSetValueExW(key, valueName, 0, type, static_cast<const BYTE*>(data), bytes);
}

LONG QvRegReadValue(HKEY root, const wchar_t* subKey, const wchar_t* valueName, DWORD* type, void* data, DWORD* bytes,
                    DWORD flags)
{
    if (root == nullptr)
    {
        return ERROR_INVALID_PARAMETER;
    }
    if (IsEmpty(subKey))
    {
        return RegReadValueEx(root, valueName, type, data, bytes, flags);
    }
    std::string ansiSubKey;
    LONG result = ToAnsi(subKey, ansiSubKey);
    if (result != ERROR_SUCCESS)
    {
        return result;
    }
    UniqueRegKey key;
    result = RegOpenKeyExA(root, ansiSubKey.c_str(), 0, KEY_READ | ViewAccess(flags), key.put());
    if (result != ERROR_SUCCESS)
    {
        return result;
    }
    return RegReadValueEx(key.get(), valueName, type, data, bytes, flags);
}

LONG QvRegWriteValue(HKEY root, const wchar_t* subKey, const wchar_t* valueName, DWORD type, const void* data,
                     DWORD bytes, DWORD flags)
{
    if (root == nullptr)
    {
        return ERROR_INVALID_PARAMETER;
    }
    if (IsEmpty(subKey))
    {
        return RegWriteValueEx(root, valueName, type, data, bytes, flags);
    }
    std::string ansiSubKey;
    LONG result = ToAnsi(subKey, ansiSubKey);
    if (result != ERROR_SUCCESS)
    {
        return result;
    }
    UniqueRegKey key;
    result = RegCreateKeyExA(root, ansiSubKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                             KEY_ALL_ACCESS | ViewAccess(flags), nullptr, key.put(), nullptr);
    if (result != ERROR_SUCCESS)
    {
        return result;
    }
    return RegWriteValueEx(key.get(), valueName, type, data, bytes, flags);
}

} // namespace Ostrel
