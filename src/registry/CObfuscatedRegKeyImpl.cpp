#include "registry/CObfuscatedRegKeyImpl.h"

#include "registry/ObfuscatedValueCodec.h"
#include "registry/RegKeyValueBuffer.h"

#include <new>
#include <string>

namespace Basekit
{

namespace
{

// Converts a value name to the thread's ANSI code page. A null name (the
// default value) stays null: `ansiName` then points nowhere.
LONG ToAnsiName(const wchar_t* name, std::string& converted, const char*& ansiName)
{
    ansiName = nullptr;
    if (name == nullptr)
    {
        return ERROR_SUCCESS;
    }
    const int chars = WideCharToMultiByte(CP_THREAD_ACP, 0, name, -1, nullptr, 0, nullptr, nullptr);
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
    if (WideCharToMultiByte(CP_THREAD_ACP, 0, name, -1, converted.data(), chars, nullptr, nullptr) == 0)
    {
        return static_cast<LONG>(GetLastError());
    }
    ansiName = converted.c_str();
    return ERROR_SUCCESS;
}

} // namespace

LONG CObfuscatedRegKeyImpl::QueryValue(const wchar_t* name, DWORD* type, void* data, ULONG* bytes)
{
    if (Handle() == nullptr || (data != nullptr && bytes == nullptr))
    {
        return ERROR_INVALID_PARAMETER;
    }
    std::string converted;
    const char* ansiName = nullptr;
    LONG result = ToAnsiName(name, converted, ansiName);
    if (result != ERROR_SUCCESS)
    {
        return result;
    }
    DWORD storedType = REG_NONE;
    std::vector<BYTE> stored;
    result = internal::ReadWholeValue(
        [this, ansiName](DWORD* readType, BYTE* readData, DWORD* readBytes)
        { return RegQueryValueExA(Handle(), ansiName, nullptr, readType, readData, readBytes); },
        storedType, stored);
    if (result != ERROR_SUCCESS)
    {
        return result;
    }
    if (!internal::IsScrambledType(storedType))
    {
        return internal::DeliverValue(storedType, stored, type, data, bytes);
    }
    std::vector<BYTE> plain;
    result = internal::UnscrambleValue(storedType, stored, plain);
    if (result != ERROR_SUCCESS)
    {
        return result;
    }
    return internal::DeliverValue(storedType, plain, type, data, bytes);
}

LONG CObfuscatedRegKeyImpl::SetValue(const wchar_t* name, DWORD type, const void* data, ULONG bytes)
{
    if (Handle() == nullptr || data == nullptr || bytes == 0)
    {
        return ERROR_INVALID_PARAMETER;
    }
    std::string converted;
    const char* ansiName = nullptr;
    LONG result = ToAnsiName(name, converted, ansiName);
    if (result != ERROR_SUCCESS)
    {
        return result;
    }
    if (!internal::IsScrambledType(type))
    {
        return RegSetValueExA(Handle(), ansiName, 0, type, static_cast<const BYTE*>(data), bytes);
    }
    std::vector<BYTE> stored;
    result = internal::ScrambleValue(type, static_cast<const BYTE*>(data), bytes, stored);
    if (result != ERROR_SUCCESS)
    {
        return result;
    }
    return RegSetValueExA(Handle(), ansiName, 0, type, stored.data(), static_cast<DWORD>(stored.size()));
}

} // namespace Basekit
