#pragma once

#include "uihost/QvRegistryPath.h"

#include <windows.h>

#include <map>
#include <string>

namespace Ostrel
{

// The resource library file name ("ResDll") of each settings hive, by hive path.
class QvResDllCache
{
public:
    QvResDllCache() = default;
    virtual ~QvResDllCache() = default;
    QvResDllCache(const QvResDllCache&) = delete;
    QvResDllCache& operator=(const QvResDllCache&) = delete;

    // Records (or replaces) the library of a hive; out of memory gives E_OUTOFMEMORY.
    HRESULT Set(const QvRegistryPath& hive, const std::wstring& dll);
    // The library recorded for the hive, or null.
    const std::wstring* Find(const QvRegistryPath& hive) const;
    void Clear() { dlls_.clear(); }

private:
    std::map<QvRegistryPath, std::wstring> dlls_;
};

} // namespace Ostrel
