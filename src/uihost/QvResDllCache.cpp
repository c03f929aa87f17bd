#include "uihost/QvResDllCache.h"

#include <new>

namespace Ostrel
{

HRESULT QvResDllCache::Set(const QvRegistryPath& hive, const std::wstring& dll)
{
    try
    {
        dlls_.insert_or_assign(hive, dll);
        return S_OK;
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
}

const std::wstring* QvResDllCache::Find(const QvRegistryPath& hive) const
{
    const auto found = dlls_.find(hive);
    return found != dlls_.end() ? &found->second : nullptr;
}

} // namespace Ostrel
