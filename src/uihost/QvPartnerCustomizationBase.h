#pragma once

// Builds the settings override of the suite from the registry (all under
// HKEY_LOCAL_MACHINE, 64-bit view): the main settings hive (priority 0), the
// active package's hive (priority 1), and one hive per plug-in and per partner
// override with the priority each one names. Built for one lookup and dropped.

#include "uihost/QvRegistryOverride.h"
#include "uihost/QvResDllCache.h"

#include <windows.h>

#include <mutex>
#include <string>

namespace Ostrel
{

class QvPartnerCustomizationBase
{
public:
    QvPartnerCustomizationBase() = default;
    virtual ~QvPartnerCustomizationBase() = default;
    QvPartnerCustomizationBase(const QvPartnerCustomizationBase&) = delete;
    QvPartnerCustomizationBase& operator=(const QvPartnerCustomizationBase&) = delete;

    // Rebuilds the hive list from the base path (null: the suite's default
    // settings key). 0, or the status of a hive that could not be added;
    // plug-ins and overrides that cannot be used are skipped with a record.
    HRESULT Initialize(const wchar_t* basePath);

    QvRegistryOverride& Override() { return override_; }
    const QvResDllCache& ResDlls() const { return resDlls_; }

private:
    std::mutex lock_;
    QvRegistryOverride override_;
    QvResDllCache resDlls_;
    std::wstring defaultResDll_;
};

} // namespace Ostrel
