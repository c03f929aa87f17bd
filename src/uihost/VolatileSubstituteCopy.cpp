#include "uihost/VolatileSubstituteCopy.h"

#include "platform/UniqueHandles.h"

namespace Ostrel
{

namespace
{

constexpr wchar_t kSuiteKey[] = L"SOFTWARE\\Norvane";
constexpr wchar_t kPersistentKey[] = L"SOFTWARE\\Norvane\\VRT\\AppInfo\\Substitute";
constexpr wchar_t kVolatileKey[] = L"SOFTWARE\\Norvane\\Volatile\\VRT\\Substitute";
constexpr wchar_t kQueryParamsKey[] = L"QueryParams";
constexpr const wchar_t* kVariables[] = {L"domain", L"lcid", L"lang", L"affid"};
constexpr const wchar_t* kQueryParams[] = {L"affid", L"lang", L"langid", L"lcid"};
constexpr DWORD kValueBytes = 2080;

// Copies each named value, with its own type and data; missing ones are skipped.
template <std::size_t Count>
void CopyValues(HKEY from, HKEY to, const wchar_t* const (&names)[Count])
{
    for (const wchar_t* name : names)
    {
        BYTE data[kValueBytes];
        DWORD type = REG_NONE;
        DWORD bytes = sizeof(data);
        if (RegQueryValueExW(from, name, nullptr, &type, data, &bytes) == ERROR_SUCCESS)
        {
            RegSetValueExW(to, name, 0, type, data, bytes);
        }
    }
}

void CopySubstituteValues(HKEY volatileKey)
{
    UniqueRegKey persistent;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPersistentKey, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, persistent.put()) !=
        ERROR_SUCCESS)
    {
        return;
    }
    CopyValues(persistent.get(), volatileKey, kVariables);

    UniqueRegKey volatileParams;
    if (RegCreateKeyExW(volatileKey, kQueryParamsKey, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                        nullptr, volatileParams.put(), nullptr) != ERROR_SUCCESS)
    {
        return;
    }
    UniqueRegKey persistentParams;
    if (RegOpenKeyExW(persistent.get(), kQueryParamsKey, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY,
                      persistentParams.put()) == ERROR_SUCCESS)
    {
        CopyValues(persistentParams.get(), volatileParams.get(), kQueryParams);
    }
}

} // namespace

DWORD SeedVolatileSubstituteCopy()
{
    {
        UniqueRegKey suite;
        const LONG result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSuiteKey, 0, KEY_READ | KEY_WOW64_64KEY, suite.put());
        if (result != ERROR_SUCCESS)
        {
            return static_cast<DWORD>(result);
        }
    }
    UniqueRegKey volatileKey;
    DWORD disposition = 0;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kVolatileKey, 0, nullptr, REG_OPTION_VOLATILE,
                        KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, volatileKey.put(), &disposition) == ERROR_SUCCESS &&
        disposition == REG_CREATED_NEW_KEY)
    {
        CopySubstituteValues(volatileKey.get());
    }
    return ERROR_SUCCESS;
}

} // namespace Ostrel
