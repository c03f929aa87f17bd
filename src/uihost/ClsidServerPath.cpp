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

// The first of the class's server keys that opens, in the default view, which
// is the 64-bit view of this 64-bit library, then in the 32-bit view. The
// 32-bit view is reached by its path under HKEY_CLASSES_ROOT rather than by
// the view flag: Wine keeps a handle open for every HKEY_CLASSES_ROOT open
// with a view flag, a leak a host that serves requests for days cannot afford.
UniqueRegKey OpenServerKey(const std::wstring& classId)
{
    static_assert(sizeof(void*) == 8, "the default view is the 64-bit view only in a 64-bit process");
    const wchar_t* const kinds[] = {L"\\InprocServer32", L"\\LocalServer32"};
    const wchar_t* const views[] = {L"CLSID\\", L"Wow6432Node\\CLSID\\"};
    UniqueRegKey key;
    for (const wchar_t* kind : kinds)
    {
        for (const wchar_t* view : views)
        {
            const std::wstring name = view + classId + kind;
            if (RegOpenKeyExW(HKEY_CLASSES_ROOT, name.c_str(), 0, KEY_QUERY_VALUE, key.put()) == ERROR_SUCCESS)
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
    const UniqueRegKey key = OpenServerKey(BracedClassId(classId));
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
