#include "uihost/ClsidServerPath.h"

#include "platform/UniqueHandles.h"

#include <algorithm>
#include <cwchar>
#include <string>

namespace Ostrel
{

namespace
{

constexpr std::size_t kBracedClassIdChars = 38;

std::wstring BracedClassId(const wchar_t* classId)
{
    std::wstring braced = classId[0] == L'{' ? L"" : L"{";
    braced.append(classId, wcsnlen(classId, kBracedClassIdChars));
    braced.resize(std::min(braced.size(), kBracedClassIdChars));
    if (braced.back() != L'}')
    {
        braced += L'}';
    }
    return braced;
}

// The first of the class's server keys that opens, in any view.
UniqueRegKey OpenServerKey(const std::wstring& classKey)
{
    const wchar_t* const kinds[] = {L"\\InprocServer32", L"\\LocalServer32"};
    const REGSAM views[] = {0, KEY_WOW64_32KEY, KEY_WOW64_64KEY};
    UniqueRegKey key;
    for (const wchar_t* kind : kinds)
    {
        const std::wstring name = classKey + kind;
        for (const REGSAM view : views)
        {
            if (RegOpenKeyExW(HKEY_CLASSES_ROOT, name.c_str(), 0, KEY_QUERY_VALUE | view, key.put()) == ERROR_SUCCESS)
            {
                return key;
            }
        }
    }
    return key;
}

} // namespace

bool GetClsidServerPath(const wchar_t* classId, wchar_t* out, DWORD outChars)
{
    if (out == nullptr || outChars == 0 || classId == nullptr || classId[0] == L'\0')
    {
        return false;
    }
    out[0] = L'\0';
    const UniqueRegKey key = OpenServerKey(L"CLSID\\" + BracedClassId(classId));
    if (!key)
    {
        return false;
    }
    DWORD bytes = outChars * sizeof(wchar_t);
    if (RegGetValueW(key.get(), nullptr, nullptr, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, out,
                     &bytes) != ERROR_SUCCESS)
    {
        out[0] = L'\0';
        return false;
    }
    const std::size_t length = wcslen(out);
    if (length > 2 && out[0] == L'"' && out[length - 1] == L'"')
    {
        wmemmove(out, out + 1, length - 2);
        out[length - 2] = L'\0';
    }
    return out[0] != L'\0';
}

} // namespace Ostrel
