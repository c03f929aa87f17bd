// Typed value reads and writes of CRegKeyImpl, all built on QueryValue and SetValue.

#include "registry/CRegKeyImpl.h"

#include "registry/RegKeyValueBuffer.h"

#include <objbase.h>

#include <cstring>
#include <cwchar>
#include <new>

namespace Basekit::internal
{

namespace
{

// Room for a braced GUID string and its terminating zero.
constexpr ULONG kGuidChars = 64;

bool IsStringType(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ;
}

// Byte count of `chars` characters, or false when it does not fit a registry size.
bool CharsToBytes(std::size_t chars, ULONG& bytes)
{
    if (chars > MAXDWORD / sizeof(wchar_t))
    {
        return false;
    }
    bytes = static_cast<ULONG>(chars * sizeof(wchar_t));
    return true;
}

// Copies text of `count` characters into a caller's buffer of `*chars`
// characters, or only reports the count when there is no buffer.
LONG DeliverText(const wchar_t* text, ULONG count, wchar_t* buffer, ULONG* chars)
{
    if (buffer != nullptr)
    {
        if (count > *chars)
        {
            *chars = count;
            return ERROR_MORE_DATA;
        }
        std::wmemcpy(buffer, text, count);
    }
    *chars = count;
    return ERROR_SUCCESS;
}

} // namespace

LONG CRegKeyImpl::ReadValue(const wchar_t* name, DWORD& type, std::vector<BYTE>& value)
{
    return ReadWholeValue([this, name](DWORD* readType, BYTE* readData, DWORD* readBytes)
                          { return QueryValue(name, readType, readData, readBytes); },
                          type, value);
}

template <typename T>
LONG CRegKeyImpl::QueryFixedValue(const wchar_t* name, DWORD expectedType, T& value)
{
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    const LONG result = ReadValue(name, type, data);
    if (result != ERROR_SUCCESS)
    {
        return result;
    }
    if (type != expectedType || data.size() != sizeof(T))
    {
        return ERROR_INVALID_DATA;
    }
    std::memcpy(&value, data.data(), sizeof(T));
    return ERROR_SUCCESS;
}

LONG CRegKeyImpl::SetGUIDValue(const wchar_t* name, REFGUID guid)
{
    wchar_t text[kGuidChars];
    if (StringFromGUID2(guid, text, kGuidChars) == 0)
    {
        return ERROR_INVALID_PARAMETER;
    }
    return SetStringValue(name, text, REG_SZ);
}

LONG CRegKeyImpl::SetBinaryValue(const wchar_t* name, const void* data, ULONG bytes)
{
    return SetValue(name, REG_BINARY, data, bytes);
}

LONG CRegKeyImpl::SetDWORDValue(const wchar_t* name, DWORD value)
{
    return SetValue(name, REG_DWORD, &value, sizeof(value));
}

LONG CRegKeyImpl::SetQWORDValue(const wchar_t* name, ULONGLONG value)
{
    return SetValue(name, REG_QWORD, &value, sizeof(value));
}

LONG CRegKeyImpl::SetStringValue(const wchar_t* name, const wchar_t* text, DWORD type)
{
    if (text == nullptr)
    {
        return ERROR_INVALID_DATA;
    }
    ULONG bytes = 0;
    if (!IsStringType(type) || !CharsToBytes(std::wcslen(text) + 1, bytes))
    {
        return ERROR_INVALID_PARAMETER;
    }
    return SetValue(name, type, text, bytes);
}

LONG CRegKeyImpl::SetMultiStringValue(const wchar_t* name, const wchar_t* texts)
{
    if (texts == nullptr)
    {
        return ERROR_INVALID_DATA;
    }
    const wchar_t* end = texts;
    while (*end != L'\0')
    {
        end += std::wcslen(end) + 1;
    }
    ULONG bytes = 0;
    if (!CharsToBytes(static_cast<std::size_t>(end - texts) + 1, bytes))
    {
        return ERROR_INVALID_PARAMETER;
    }
    return SetValue(name, REG_MULTI_SZ, texts, bytes);
}

LONG CRegKeyImpl::QueryGUIDValue(const wchar_t* name, GUID& guid)
{
    guid = GUID{};
    wchar_t text[kGuidChars];
    ULONG chars = kGuidChars;
    const LONG result = QueryStringValueBuffer(name, text, &chars);
    if (result != ERROR_SUCCESS)
    {
        return result;
    }
    GUID parsed{};
    if (text[0] != L'{' || FAILED(IIDFromString(text, &parsed)))
    {
        return ERROR_INVALID_DATA;
    }
    guid = parsed;
    return ERROR_SUCCESS;
}

LONG CRegKeyImpl::QueryBinaryValue(const wchar_t* name, void* data, ULONG* bytes)
{
    if (bytes == nullptr)
    {
        return ERROR_INVALID_PARAMETER;
    }
    DWORD type = REG_NONE;
    std::vector<BYTE> value;
    const LONG result = ReadValue(name, type, value);
    if (result != ERROR_SUCCESS)
    {
        return result;
    }
    if (type != REG_BINARY)
    {
        return ERROR_INVALID_DATA;
    }
    return DeliverValue(type, value, nullptr, data, bytes);
}

LONG CRegKeyImpl::QueryDWORDValue(const wchar_t* name, DWORD& value)
{
    return QueryFixedValue(name, REG_DWORD, value);
}

LONG CRegKeyImpl::QueryQWORDValue(const wchar_t* name, ULONGLONG& value)
{
    return QueryFixedValue(name, REG_QWORD, value);
}

LONG CRegKeyImpl::QueryStringValue(const wchar_t* name, std::wstring& text)
{
    ULONG chars = 0;
    LONG result = QueryStringValueBuffer(name, nullptr, &chars);
    if (result != ERROR_SUCCESS)
    {
        return result;
    }
    try
    {
        std::wstring buffer(chars, L'\0');
        result = QueryStringValueBuffer(name, buffer.data(), &chars);
        if (result == ERROR_SUCCESS)
        {
            text.assign(buffer.c_str());
        }
        return result;
    }
    catch (const std::bad_alloc&)
    {
        return ERROR_OUTOFMEMORY;
    }
}

LONG CRegKeyImpl::QueryStringValueBuffer(const wchar_t* name, wchar_t* buffer, ULONG* chars)
{
    if (chars == nullptr)
    {
        return ERROR_INVALID_PARAMETER;
    }
    DWORD type = REG_NONE;
    std::vector<BYTE> value;
    const LONG result = ReadValue(name, type, value);
    if (result != ERROR_SUCCESS)
    {
        return result;
    }
    if (!IsStringType(type) || value.size() % sizeof(wchar_t) != 0)
    {
        return ERROR_INVALID_DATA;
    }
    if (value.empty())
    {
        return DeliverText(L"", 1, buffer, chars);
    }
    const ULONG count = static_cast<ULONG>(value.size() / sizeof(wchar_t));
    const auto* text = reinterpret_cast<const wchar_t*>(value.data());
    if (text[count - 1] != L'\0')
    {
        return ERROR_INVALID_DATA;
    }
    return DeliverText(text, count, buffer, chars);
}

LONG CRegKeyImpl::QueryMultiStringValue(const wchar_t* name, wchar_t* buffer, ULONG* chars)
{
    if (chars == nullptr)
    {
        return ERROR_INVALID_PARAMETER;
    }
    if (buffer != nullptr && *chars < 2)
    {
        return ERROR_INSUFFICIENT_BUFFER;
    }
    DWORD type = REG_NONE;
    std::vector<BYTE> value;
    const LONG result = ReadValue(name, type, value);
    if (result != ERROR_SUCCESS)
    {
        return result;
    }
    if (type != REG_MULTI_SZ || value.size() < sizeof(wchar_t) || value.size() % sizeof(wchar_t) != 0)
    {
        return ERROR_INVALID_DATA;
    }
    const ULONG count = static_cast<ULONG>(value.size() / sizeof(wchar_t));
    const auto* text = reinterpret_cast<const wchar_t*>(value.data());
    // One zero character is the empty list; anything longer ends its last
    // string and then the list.
    if (text[count - 1] != L'\0' || (count > 1 && text[count - 2] != L'\0'))
    {
        return ERROR_INVALID_DATA;
    }
    return DeliverText(text, count, buffer, chars);
}

} // namespace Basekit::internal
