#include "uihost/QvPartnerCustomizationBase.h"

#include "logging/Log.h"
#include "platform/UniqueHandles.h"

#include <cwchar>
#include <cwctype>
#include <iterator>
#include <string>

LOG_SOURCE_FILE(L"QvPartnerCustomizationCommon.cpp");

namespace Ostrel
{

namespace
{

constexpr wchar_t kFunction[] = L"QvPartnerCustomizationBase::Initialize";

constexpr wchar_t kDefaultSettingsKey[] = L"SOFTWARE\\Norvane\\VRT\\Settings";
constexpr wchar_t kDefaultPluginsKey[] = L"Software\\Norvane\\VRT\\plugins\\";
constexpr wchar_t kDefaultOverridesKey[] = L"Software\\Norvane\\VRT\\overrides\\";
constexpr wchar_t kPackagesKey[] = L"SOFTWARE\\Norvane\\VRT\\Packages";
constexpr const wchar_t* kPackageValues[] = {L"activeuipackages", L"activepackages"};
constexpr wchar_t kGeneralSettings[] = L"generalSettings";
constexpr wchar_t kGeneralSettingsRecordText[] = L"Software\\Norvane\\VRT\\Settings\\generalSettings\\";
constexpr wchar_t kResDllValue[] = L"ResDll";
constexpr wchar_t kPriorityValue[] = L"priority";
constexpr wchar_t kSettingsWord[] = L"Settings";
constexpr std::size_t kSettingsWordChars = std::size(kSettingsWord) - 1;
constexpr DWORD kPackageValueBytes = 520;
constexpr DWORD kResDllBytes = 260;

std::wstring WithoutTrailingBackslashes(std::wstring text)
{
    while (!text.empty() && text.back() == L'\\')
    {
        text.pop_back();
    }
    return text;
}

bool EndsWithSettingsWord(const std::wstring& text)
{
    return text.size() >= kSettingsWordChars &&
           _wcsicmp(text.c_str() + text.size() - kSettingsWordChars, kSettingsWord) == 0;
}

// The main settings key of a base path: the path plus "\Settings" unless it
// already ends with that word.
std::wstring MainSettingsKey(const std::wstring& base)
{
    std::wstring key = WithoutTrailingBackslashes(base);
    if (!EndsWithSettingsWord(key))
    {
        key += L"\\Settings";
    }
    return key;
}

// A key beside the main settings key ("plugins\", "overrides\"): the base
// path without a closing "Settings", with a closing backslash.
std::wstring SiblingKey(const std::wstring& base, const wchar_t* name)
{
    std::wstring key = WithoutTrailingBackslashes(base);
    if (EndsWithSettingsWord(key))
    {
        key.resize(key.size() - kSettingsWordChars);
    }
    if (!key.empty() && key.back() != L'\\')
    {
        key.push_back(L'\\');
    }
    return key + name + L"\\";
}

LONG OpenMachineKey(const std::wstring& path, REGSAM access, UniqueRegKey& key)
{
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, WithoutTrailingBackslashes(path).c_str(), 0, access | KEY_WOW64_64KEY,
                         key.put());
}

bool IsStringType(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ;
}

// The active package id, 0 for none. The first of the package values present
// decides; a text that is not one properly terminated decimal id (a list
// separated by ";" included) means no package.
DWORD ReadPackageId()
{
    UniqueRegKey packages;
    if (OpenMachineKey(kPackagesKey, KEY_READ, packages) != ERROR_SUCCESS)
    {
        return 0;
    }
    for (const wchar_t* name : kPackageValues)
    {
        wchar_t text[kPackageValueBytes / sizeof(wchar_t)] = {};
        DWORD type = REG_NONE;
        DWORD bytes = sizeof(text);
        const LONG result =
            RegQueryValueExW(packages.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(text), &bytes);
        if (result == ERROR_FILE_NOT_FOUND)
        {
            continue;
        }
        const DWORD chars = bytes / sizeof(wchar_t);
        if (result != ERROR_SUCCESS || !IsStringType(type) || bytes % sizeof(wchar_t) != 0 || chars == 0 ||
            text[chars - 1] != L'\0' || std::wcschr(text, L';') != nullptr)
        {
            return 0;
        }
        return std::wcstoul(text, nullptr, 10);
    }
    return 0;
}

LONG ReadResDll(HKEY generalSettings, std::wstring& dll)
{
    wchar_t text[kResDllBytes / sizeof(wchar_t)] = {};
    DWORD type = REG_NONE;
    DWORD bytes = sizeof(text);
    const LONG result =
        RegQueryValueExW(generalSettings, kResDllValue, nullptr, &type, reinterpret_cast<BYTE*>(text), &bytes);
    if (result != ERROR_SUCCESS)
    {
        return result;
    }
    if (!IsStringType(type))
    {
        return ERROR_INVALID_DATA;
    }
    dll.assign(text, wcsnlen(text, bytes / sizeof(wchar_t)));
    return ERROR_SUCCESS;
}

LONG ReadPriority(HKEY key, DWORD& priority)
{
    DWORD type = REG_NONE;
    DWORD value = 0;
    DWORD bytes = sizeof(value);
    const LONG result = RegQueryValueExW(key, kPriorityValue, nullptr, &type, reinterpret_cast<BYTE*>(&value), &bytes);
    if (result != ERROR_SUCCESS)
    {
        return result;
    }
    if (type != REG_DWORD || bytes != sizeof(value))
    {
        return ERROR_INVALID_DATA;
    }
    priority = value;
    return ERROR_SUCCESS;
}

// How a walk over plug-ins or over overrides reports what it skips.
struct HiveListKind
{
    const wchar_t* openFailure;
    ETWLogging::LogLevel priorityFailureLevel;
    const wchar_t* priorityFailure;
    // Overrides without a resource library of their own get the main hive's.
    bool defaultResDllWhenMissing;
    const wchar_t* recordFailure;
};

constexpr HiveListKind kPlugins{L"Couldn't open key '%s' (%ld) - skipping", ETWLogging::LOG_LEVEL_ERROR,
                                L"Couldn't get value '%s' (%ld) - skipping", false,
                                L"Couldn't set dll for hive '%s' (%ld)"};
constexpr HiveListKind kOverrides{L"Couldn't open key '%s' (%ld)", ETWLogging::LOG_LEVEL_NORMAL,
                                  L"Couldn't query value '%s' (%ld)", true, L"Couldn't set DLL for hive '%s' (%ld)"};

// The resource library of a hive: the "ResDll" value of its "generalSettings"
// subkey. Plug-ins log what is missing; overrides fall back to the default.
bool HiveResDll(const std::wstring& hive, const HiveListKind& kind, const std::wstring& defaultDll, std::wstring& dll)
{
    UniqueRegKey general;
    LONG result = OpenMachineKey(hive + kGeneralSettings, KEY_QUERY_VALUE, general);
    if (result == ERROR_SUCCESS)
    {
        result = ReadResDll(general.get(), dll);
    }
    if (result == ERROR_SUCCESS)
    {
        return true;
    }
    if (kind.defaultResDllWhenMissing)
    {
        LOG_WARNING(kFunction, L"Couldn't get DLL for hive '%s' using default '%s'", hive.c_str(), defaultDll.c_str());
        dll = defaultDll;
        return true;
    }
    if (!general)
    {
        LOG_ERROR(kFunction, L"Couldn't open key '%s' (%ld)", (hive + kGeneralSettings + L"\\").c_str(), result);
    }
    else
    {
        LOG_ERROR(kFunction, L"Couldn't query value '%s' (%ld)", kResDllValue, result);
    }
    return false;
}

// Adds the hive of every subkey of the list key that names its priority.
HRESULT AddHivesUnder(const std::wstring& listKey, const HiveListKind& kind, QvRegistryOverride& hives,
                      QvResDllCache& dlls, const std::wstring& defaultDll)
{
    UniqueRegKey list;
    if (OpenMachineKey(listKey, KEY_ENUMERATE_SUB_KEYS, list) != ERROR_SUCCESS)
    {
        return S_OK;
    }
    for (DWORD index = 0;; ++index)
    {
        wchar_t name[256];
        DWORD nameChars = static_cast<DWORD>(std::size(name));
        LONG result = RegEnumKeyExW(list.get(), index, name, &nameChars, nullptr, nullptr, nullptr, nullptr);
        if (result != ERROR_SUCCESS)
        {
            // The end of the list, or a list that went away meanwhile.
            return S_OK;
        }
        const std::wstring subKey = listKey + name + L"\\";
        UniqueRegKey entry;
        result = OpenMachineKey(subKey, KEY_QUERY_VALUE, entry);
        if (result != ERROR_SUCCESS)
        {
            LOG_ERROR(kFunction, kind.openFailure, subKey.c_str(), result);
            continue;
        }
        DWORD priority = 0;
        result = ReadPriority(entry.get(), priority);
        if (result != ERROR_SUCCESS)
        {
            LOG_AT(kind.priorityFailureLevel, kFunction, kind.priorityFailure, kPriorityValue, result);
            continue;
        }
        const std::wstring hive = subKey + L"Settings\\";
        const HRESULT added = hives.AddHive(HKEY_LOCAL_MACHINE, hive.c_str(), priority, 1);
        if (FAILED(added))
        {
            LOG_ERROR(kFunction, L"Couldn't add hive '%s' (%ld)", hive.c_str(), added);
            return added;
        }
        std::wstring dll;
        if (!HiveResDll(hive, kind, defaultDll, dll))
        {
            continue;
        }
        const HRESULT recorded = dlls.Set(QvRegistryPath(hive), dll);
        if (FAILED(recorded))
        {
            LOG_ERROR(kFunction, kind.recordFailure, hive.c_str(), recorded);
        }
    }
}

} // namespace

HRESULT QvPartnerCustomizationBase::Initialize(const wchar_t* basePath)
{
    std::lock_guard<std::mutex> guard(lock_);
    override_.ClearHives();
    resDlls_.Clear();
    defaultResDll_.clear();

    const bool hasBase = basePath != nullptr && *basePath != L'\0';
    const std::wstring base = hasBase ? basePath : L"";
    const std::wstring mainKey = hasBase ? MainSettingsKey(base) : kDefaultSettingsKey;

    const DWORD packageId = ReadPackageId();
    HRESULT status = override_.AddHive(HKEY_LOCAL_MACHINE, mainKey.c_str(), 0, 1);
    if (SUCCEEDED(status) && packageId != 0)
    {
        const std::wstring packageKey = mainKey + std::to_wstring(packageId);
        UniqueRegKey package;
        if (OpenMachineKey(packageKey, KEY_READ, package) == ERROR_SUCCESS)
        {
            status = override_.AddHive(HKEY_LOCAL_MACHINE, packageKey.c_str(), 1, 1);
        }
    }
    if (FAILED(status))
    {
        LOG_ERROR(kFunction, L"Couldn't add hive (%ld)", status);
        return status;
    }

    UniqueRegKey general;
    LONG result = OpenMachineKey(mainKey + L"\\" + kGeneralSettings, KEY_QUERY_VALUE, general);
    if (result != ERROR_SUCCESS)
    {
        result = OpenMachineKey(std::wstring(kDefaultSettingsKey) + L"\\" + kGeneralSettings, KEY_QUERY_VALUE, general);
    }
    if (result != ERROR_SUCCESS)
    {
        LOG_ERROR(kFunction, L"Couldn't open key '%s' (%ld) - continuing", kGeneralSettingsRecordText, result);
    }
    else
    {
        result = ReadResDll(general.get(), defaultResDll_);
    }
    if (result == ERROR_SUCCESS)
    {
        const HRESULT recorded = resDlls_.Set(QvRegistryPath(hasBase ? base : kDefaultSettingsKey), defaultResDll_);
        if (FAILED(recorded))
        {
            LOG_ERROR(kFunction, L"Couldn't set dll (%ld)", recorded);
        }
    }
    else
    {
        LOG_ERROR(kFunction, L"Couldn't read value '%s' (%ld) - continuing", kResDllValue, result);
    }

    status = AddHivesUnder(hasBase ? SiblingKey(base, L"plugins") : kDefaultPluginsKey, kPlugins, override_, resDlls_,
                           defaultResDll_);
    if (FAILED(status))
    {
        return status;
    }
    return AddHivesUnder(hasBase ? SiblingKey(base, L"overrides") : kDefaultOverridesKey, kOverrides, override_,
                         resDlls_, defaultResDll_);
}

} // namespace Ostrel
