#include "ShellHandlerRegistration.h"

#include "platform/UniqueHandles.h"

namespace DevHost
{

namespace
{

DWORD SetDefaultValue(HKEY key, const std::wstring& value)
{
    return static_cast<DWORD>(RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))));
}

std::optional<std::wstring> ReadDefaultValue(HKEY key)
{
    DWORD size = 0;
    if (RegGetValueW(key, nullptr, nullptr, RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS)
    {
        return std::nullopt;
    }
    std::wstring value(size / sizeof(wchar_t), L'\0');
    if (RegGetValueW(key, nullptr, nullptr, RRF_RT_REG_SZ, nullptr, value.data(), &size) != ERROR_SUCCESS)
    {
        return std::nullopt;
    }
    value.resize(size / sizeof(wchar_t) > 0 ? size / sizeof(wchar_t) - 1 : 0);
    return value;
}

DWORD Replace(const std::wstring& keyPath, const std::wstring& value, ShellHandlerBackup& backup)
{
    Ostrel::UniqueRegKey key;
    DWORD disposition = 0;
    const LONG created = RegCreateKeyExW(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                         KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, key.put(), &disposition);
    if (created != ERROR_SUCCESS)
    {
        return static_cast<DWORD>(created);
    }
    backup.entries.push_back({keyPath, ReadDefaultValue(key.get()), disposition == REG_CREATED_NEW_KEY});
    return SetDefaultValue(key.get(), value);
}

} // namespace

DWORD RegisterBrowser(const std::wstring& browserPath, ShellHandlerBackup* backup)
{
    ShellHandlerBackup replaced;
    const std::wstring command = L"\"" + browserPath + L"\" \"%1\"";
    DWORD status = ERROR_SUCCESS;
    for (const wchar_t* keyPath :
         {L"http\\shell\\open\\command", L"https\\shell\\open\\command", L"htmlfile\\shell\\open\\command"})
    {
        if (status == ERROR_SUCCESS)
        {
            status = Replace(keyPath, command, replaced);
        }
    }
    if (status == ERROR_SUCCESS)
    {
        status = Replace(L".html", L"htmlfile", replaced);
    }
    if (backup != nullptr)
    {
        *backup = std::move(replaced);
    }
    return status;
}

DWORD RestoreShellHandlers(const ShellHandlerBackup& backup)
{
    DWORD firstFailure = ERROR_SUCCESS;
    for (auto entry = backup.entries.rbegin(); entry != backup.entries.rend(); ++entry)
    {
        LONG status = ERROR_SUCCESS;
        if (entry->keyCreated)
        {
            status = RegDeleteKeyW(HKEY_CLASSES_ROOT, entry->key.c_str());
        }
        else if (entry->previousValue)
        {
            Ostrel::UniqueRegKey key;
            status = RegOpenKeyExW(HKEY_CLASSES_ROOT, entry->key.c_str(), 0, KEY_SET_VALUE, key.put());
            if (status == ERROR_SUCCESS)
            {
                status = static_cast<LONG>(SetDefaultValue(key.get(), *entry->previousValue));
            }
        }
        else
        {
            status = RegDeleteKeyValueW(HKEY_CLASSES_ROOT, entry->key.c_str(), nullptr);
        }
        if (status != ERROR_SUCCESS && firstFailure == ERROR_SUCCESS)
        {
            firstFailure = static_cast<DWORD>(status);
        }
    }
    return firstFailure;
}

} // namespace DevHost
