#include "uihost/QvRegistryOverride.h"

#include "logging/Log.h"
#include "uihost/QvRegValue.h"

#include <algorithm>
#include <exception>

LOG_SOURCE_FILE(L"QvRegistryOverride.cpp");

namespace Ostrel
{

HRESULT QvRegistryOverride::AddHive(HKEY root, const wchar_t* path, DWORD priority, DWORD enabled)
{
    try
    {
        hives_.emplace_back(root, QvRegistryPath(path != nullptr ? path : L""), priority, enabled);
        needsSort_ = true;
        return S_OK;
    }
    catch (const std::exception&)
    {
        LOG_ERROR(L"QvRegistryOverride::AddHive", L"Caught exception trying to add hive to hive list");
        return E_FAIL;
    }
}

void QvRegistryOverride::ClearHives()
{
    CloseKeys();
    hives_.clear();
    needsSort_ = false;
}

HRESULT QvRegistryOverride::OpenKey(const wchar_t* subKey, REGSAM access)
{
    CloseKeys();
    if (needsSort_)
    {
        std::stable_sort(hives_.begin(), hives_.end(),
                         [](const QvHive& a, const QvHive& b) { return a.priority < b.priority; });
        needsSort_ = false;
    }
    for (auto hive = hives_.rbegin(); hive != hives_.rend(); ++hive)
    {
        QvRegistryPath path = hive->path;
        path.Append(subKey != nullptr ? subKey : L"");
        UniqueRegKey key;
        if (RegOpenKeyExW(hive->root, path.KeyName().c_str(), 0, access, key.put()) == ERROR_SUCCESS)
        {
            openKeys_.insert_or_assign(*hive, std::move(key));
        }
    }
    if (!openKeys_.empty())
    {
        return S_OK;
    }
    if (subKey != nullptr)
    {
        LOG_NORMAL(L"QvRegistryOverride::OpenKey", L"Couldn't open key '%s' in any hives", subKey);
    }
    return E_FAIL;
}

HRESULT QvRegistryOverride::ReadValue(const wchar_t* valueName, DWORD* type, void* data, DWORD* bytes, DWORD flags)
{
    if (openKeys_.empty())
    {
        return E_HANDLE;
    }
    const DWORD bufferBytes = bytes != nullptr ? *bytes : 0;
    bool tried = false;
    LONG lastStatus = ERROR_SUCCESS;
    for (auto hive = hives_.rbegin(); hive != hives_.rend(); ++hive)
    {
        const auto open = openKeys_.find(*hive);
        if (hive->enabled == 0 || open == openKeys_.end())
        {
            continue;
        }
        tried = true;
        if (bytes != nullptr)
        {
            *bytes = bufferBytes;
        }
        lastStatus = QvRegReadValue(open->second.get(), nullptr, valueName, type, data, bytes, flags);
        if (lastStatus == ERROR_SUCCESS)
        {
            return S_OK;
        }
    }
    if (bytes != nullptr)
    {
        *bytes = bufferBytes;
    }
    if (tried)
    {
        LOG_NORMAL(L"QvRegistryOverride::ReadValue", L"Failed to read value '%s' from hive (%ld)",
                   valueName != nullptr ? valueName : L"", lastStatus);
        return E_FAIL;
    }
    LOG_ERROR(L"QvRegistryOverride::ReadValue", L"Couldn't find an active hive");
    return E_FAIL;
}

void QvRegistryOverride::CloseKeys()
{
    openKeys_.clear();
}

} // namespace Ostrel
