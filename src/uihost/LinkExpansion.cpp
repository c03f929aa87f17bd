#include "uihost/LinkExpansion.h"

#include "platform/UniqueHandles.h"
#include "uihost/SubstituteKeyPath.h"
#include "uihost/VolatileSubstituteCopy.h"

#include <algorithm>
#include <cwchar>
#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace Ostrel
{

namespace
{

// A value is read into 2080 bytes: at most 1039 characters are used.
constexpr DWORD kValueBytes = 2080;
constexpr std::size_t kValueChars = 1039;
// Room for a placeholder "%name%" and for one query parameter, terminator included.
constexpr std::size_t kPatternChars = 520;
constexpr std::size_t kParameterChars = 520;
constexpr std::size_t kQueryParamsKeyChars = 260;
constexpr wchar_t kQueryParamsSuffix[] = L"\\QueryParams";

// An open key of values, with what RegQueryInfoKeyW says of them.
struct ValueKey
{
    UniqueRegKey key;
    DWORD valueCount = 0;
    DWORD maxNameChars = 0;
};

// Opens the key and counts its values. False when the key cannot be opened;
// `infoStatus` is RegQueryInfoKeyW's status.
bool OpenValueKey(HKEY root, const std::wstring& subKey, ValueKey& values, LONG& infoStatus)
{
    if (RegOpenKeyExW(root, subKey.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, values.key.put()) != ERROR_SUCCESS)
    {
        return false;
    }
    infoStatus = RegQueryInfoKeyW(values.key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                  &values.valueCount, &values.maxNameChars, nullptr, nullptr, nullptr);
    return true;
}

// The REG_SZ value of the name, at most 1039 characters; false for a value
// that cannot be read or has another type.
bool ReadStringValue(HKEY key, const wchar_t* name, std::wstring& value)
{
    wchar_t data[kValueBytes / sizeof(wchar_t)];
    DWORD type = REG_NONE;
    DWORD bytes = kValueBytes;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &bytes) != ERROR_SUCCESS ||
        type != REG_SZ)
    {
        return false;
    }
    value.assign(data, wcsnlen(data, std::min<std::size_t>(bytes / sizeof(wchar_t), kValueChars)));
    return true;
}

// Calls use(name, value) for each REG_SZ value of the key in index order; a
// name that fails to enumerate is skipped. Stops at the first non-zero status.
template <typename Use>
DWORD ForEachStringValue(const ValueKey& values, Use use)
{
    std::vector<wchar_t> name(static_cast<std::size_t>(values.maxNameChars) + 1);
    std::wstring value;
    for (DWORD index = 0; index < values.valueCount; ++index)
    {
        DWORD nameChars = static_cast<DWORD>(name.size());
        if (RegEnumValueW(values.key.get(), index, name.data(), &nameChars, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS ||
            !ReadStringValue(values.key.get(), name.data(), value))
        {
            continue;
        }
        const DWORD status = use(std::wstring_view(name.data(), nameChars), value);
        if (status != ERROR_SUCCESS)
        {
            return status;
        }
    }
    return ERROR_SUCCESS;
}

// Replaces every occurrence of the pattern, left to right, without scanning
// the replacement again. False when the result would grow beyond the limit.
bool ReplaceAll(std::wstring& text, std::wstring_view pattern, std::wstring_view value)
{
    std::size_t found = text.find(pattern);
    if (found == std::wstring::npos)
    {
        return true;
    }
    std::wstring result;
    std::size_t from = 0;
    for (; found != std::wstring::npos; found = text.find(pattern, from))
    {
        result.append(text, from, found - from).append(value);
        from = found + pattern.size();
        if (result.size() > kMaxExpandedTextChars)
        {
            return false;
        }
    }
    result.append(text, from);
    if (result.size() > kMaxExpandedTextChars)
    {
        return false;
    }
    text.swap(result);
    return true;
}

DWORD SubstituteVariables(const SubstituteKeyPath& path, std::wstring_view text, std::wstring& result)
{
    result.assign(text);
    ValueKey values;
    LONG infoStatus = ERROR_SUCCESS;
    if (!OpenValueKey(path.root, path.subKey, values, infoStatus))
    {
        return ERROR_SUCCESS;
    }
    if (infoStatus != ERROR_SUCCESS)
    {
        return static_cast<DWORD>(infoStatus);
    }
    std::wstring pattern;
    return ForEachStringValue(values,
                              [&](std::wstring_view name, const std::wstring& value) -> DWORD
                              {
                                  if (name.size() + 3 > kPatternChars)
                                  {
                                      return ERROR_NOT_ENOUGH_MEMORY;
                                  }
                                  pattern.assign(L"%").append(name).append(L"%");
                                  return ReplaceAll(result, pattern, value) ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
                              });
}

bool Contains(std::wstring_view text, wchar_t separator, std::wstring_view name)
{
    std::wstring written(1, separator);
    written.append(name).push_back(L'=');
    return text.find(written) != std::wstring_view::npos;
}

DWORD AppendParams(const SubstituteKeyPath& path, std::wstring_view text, std::wstring& result)
{
    const std::wstring subKey = path.subKey + kQueryParamsSuffix;
    if (subKey.size() >= kQueryParamsKeyChars)
    {
        return ERROR_INSUFFICIENT_BUFFER;
    }
    result.assign(text);
    ValueKey values;
    LONG infoStatus = ERROR_SUCCESS;
    if (!OpenValueKey(path.root, subKey, values, infoStatus) || infoStatus != ERROR_SUCCESS)
    {
        return ERROR_SUCCESS;
    }
    bool separatorIsQuestionMark = text.find(L'?') == std::wstring_view::npos;
    return ForEachStringValue(values,
                              [&](std::wstring_view name, const std::wstring& value) -> DWORD
                              {
                                  if (value.size() + name.size() + 2 >= kParameterChars || Contains(text, L'?', name) ||
                                      Contains(text, L'&', name))
                                  {
                                      return ERROR_SUCCESS;
                                  }
                                  result.push_back(separatorIsQuestionMark ? L'?' : L'&');
                                  result.append(name).append(L"=").append(value);
                                  separatorIsQuestionMark = false;
                                  return result.size() > kMaxExpandedTextChars ? ERROR_INVALID_PARAMETER
                                                                               : ERROR_SUCCESS;
                              });
}

// Hands the result over under the size convention.
DWORD Deliver(const std::wstring& result, wchar_t* out, DWORD* size)
{
    const DWORD available = *size;
    const DWORD required = static_cast<DWORD>(result.size() + 1);
    *size = required;
    if (out == nullptr)
    {
        return ERROR_SUCCESS;
    }
    if (available < required)
    {
        return ERROR_MORE_DATA;
    }
    std::copy(result.begin(), result.end(), out);
    out[result.size()] = L'\0';
    return ERROR_SUCCESS;
}

// Checks the arguments shared by every function and reads the key path.
DWORD Prepare(const wchar_t* keyPath, const wchar_t* text, const DWORD* size, SubstituteKeyPath& path)
{
    if (keyPath == nullptr || text == nullptr || size == nullptr ||
        wcsnlen(text, kMaxExpandedTextChars + 1) > kMaxExpandedTextChars)
    {
        return ERROR_INVALID_PARAMETER;
    }
    return ParseSubstituteKeyPath(keyPath, path);
}

// Runs a step on (key path, text) and delivers its result; out of memory gives 8.
template <typename Step>
DWORD Run(const wchar_t* keyPath, const wchar_t* text, wchar_t* out, DWORD* size, Step step)
{
    try
    {
        SubstituteKeyPath path;
        DWORD status = Prepare(keyPath, text, size, path);
        if (status != ERROR_SUCCESS)
        {
            return status;
        }
        std::wstring result;
        status = step(path, std::wstring_view(text), result);
        return status != ERROR_SUCCESS ? status : Deliver(result, out, size);
    }
    catch (const std::bad_alloc&)
    {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

} // namespace

DWORD ExpandSubstituteVariables(const wchar_t* keyPath, const wchar_t* text, wchar_t* out, DWORD* size)
{
    return Run(keyPath, text, out, size, SubstituteVariables);
}

DWORD AppendQueryParams(const wchar_t* keyPath, const wchar_t* text, wchar_t* out, DWORD* size)
{
    return Run(keyPath, text, out, size, AppendParams);
}

DWORD ExpandWithSubstituteKey(const wchar_t* keyPath, const wchar_t* text, bool appendQueryParams, wchar_t* out,
                              DWORD* size)
{
    return Run(keyPath, text, out, size,
               [appendQueryParams](const SubstituteKeyPath& path, std::wstring_view input, std::wstring& result)
               {
                   const DWORD status = SubstituteVariables(path, input, result);
                   if (status != ERROR_SUCCESS || !appendQueryParams)
                   {
                       return status;
                   }
                   const std::wstring substituted = std::move(result);
                   return AppendParams(path, substituted, result);
               });
}

DWORD QvExpandEnvironmentStringEx(const wchar_t* keyPath, const wchar_t* text, bool appendQueryParams, wchar_t* out,
                                  DWORD* size, bool seedVolatileCopy)
{
    if (keyPath == nullptr || text == nullptr || size == nullptr)
    {
        return ERROR_INVALID_PARAMETER;
    }
    if (seedVolatileCopy)
    {
        const DWORD status = SeedVolatileSubstituteCopy();
        if (status != ERROR_SUCCESS)
        {
            return status;
        }
    }
    return ExpandWithSubstituteKey(keyPath, text, appendQueryParams, out, size);
}

} // namespace Ostrel
