#pragma once

// The list of settings locations ("hives") that override one another by
// priority, and the lookup of a value in the highest-priority hive holding it.
// Statuses are HRESULTs: 0 on success, 0x80004005 (E_FAIL) when no hive
// answers, 0x80070006 (E_HANDLE) when a read comes without opened keys.

#include "platform/UniqueHandles.h"
#include "uihost/QvHive.h"

#include <windows.h>

#include <map>
#include <vector>

namespace Ostrel
{

class QvRegistryOverride
{
public:
    QvRegistryOverride() = default;
    virtual ~QvRegistryOverride() = default;
    QvRegistryOverride(const QvRegistryOverride&) = delete;
    QvRegistryOverride& operator=(const QvRegistryOverride&) = delete;

    // Appends a hive; out of memory gives E_FAIL with a record.
    HRESULT AddHive(HKEY root, const wchar_t* path, DWORD priority, DWORD enabled);
    // Forgets every hive (and closes the keys opened in them).
    void ClearHives();

    // Opens hive path + subKey in every hive with the given access (view flags
    // included). 0 when at least one hive has the key.
    HRESULT OpenKey(const wchar_t* subKey, REGSAM access);
    // Reads the value from the highest-priority enabled hive whose key is open
    // and holds it, with the flags of QvRegReadValue. `bytes` is the buffer
    // size for every hive tried and the size read on success.
    HRESULT ReadValue(const wchar_t* valueName, DWORD* type, void* data, DWORD* bytes, DWORD flags);
    // Closes the keys opened by the last OpenKey.
    void CloseKeys();

private:
    std::vector<QvHive> hives_;
    bool needsSort_ = false;
    std::map<QvHive, UniqueRegKey> openKeys_;
};

} // namespace Ostrel
