#pragma once

#include "module/ModuleStatus.h"

#include <windows.h>

#include <string>

namespace Ostrel
{

// Reads values under HKEY_LOCAL_MACHINE (default registry view, read access).
// Each read returns MODULE_STATUS_SUCCESS with the value, or
// MODULE_STATUS_UNSUCCESSFUL when the key does not open or the value cannot
// be read as the asked type; the output is untouched on failure.
class RegistryAPI
{
public:
    RegistryAPI() = default;
    virtual ~RegistryAPI() = default;
    RegistryAPI(const RegistryAPI&) = delete;
    RegistryAPI& operator=(const RegistryAPI&) = delete;

    // A REG_SZ or REG_EXPAND_SZ value of at most 259 characters.
    virtual ModuleStatus readString(const std::wstring& subKey, const std::wstring& valueName, std::wstring& value);
    // A REG_DWORD value.
    virtual ModuleStatus readDword(const std::wstring& subKey, const std::wstring& valueName, DWORD& value);
};

} // namespace Ostrel
