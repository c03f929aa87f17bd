#include "uihost/SubstituteKeyPath.h"

#include <new>

namespace Ostrel
{

namespace
{

struct RootName
{
    std::wstring_view name;
    HKEY root;
};

const RootName kRootNames[] = {
    {L"HKCR", HKEY_CLASSES_ROOT},   {L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {L"HKCU", HKEY_CURRENT_USER},   {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {L"HKCC", HKEY_CURRENT_CONFIG}, {L"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
    {L"HKLM", HKEY_LOCAL_MACHINE},  {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {L"HKU", HKEY_USERS},           {L"HKEY_USERS", HKEY_USERS},
};

HKEY RootNamed(std::wstring_view name)
{
    for (const RootName& candidate : kRootNames)
    {
        if (candidate.name.size() == name.size() &&
            CompareStringOrdinal(candidate.name.data(), static_cast<int>(candidate.name.size()), name.data(),
                                 static_cast<int>(name.size()), TRUE) == CSTR_EQUAL)
        {
            return candidate.root;
        }
    }
    return nullptr;
}

} // namespace

DWORD ParseSubstituteKeyPath(std::wstring_view text, SubstituteKeyPath& path)
{
    const std::size_t slash = text.find(L'\\');
    if (slash == std::wstring_view::npos || slash + 1 == text.size())
    {
        return ERROR_INVALID_PARAMETER;
    }
    try
    {
        const HKEY root = RootNamed(text.substr(0, slash));
        path.root = root != nullptr ? root : HKEY_LOCAL_MACHINE;
        path.subKey.assign(root != nullptr ? text.substr(slash + 1) : text);
        return ERROR_SUCCESS;
    }
    catch (const std::bad_alloc&)
    {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

} // namespace Ostrel
