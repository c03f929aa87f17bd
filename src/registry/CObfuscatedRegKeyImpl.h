#pragma once

#include "registry/CRegKeyImpl.h"

namespace Basekit
{

// A key implementation that keeps string values (REG_SZ, REG_EXPAND_SZ,
// REG_MULTI_SZ) scrambled in the registry, under their own types; values of
// every other type are stored unchanged. Value names are converted to the
// thread's ANSI code page and used with the ANSI registry functions. A string
// value that is not in the scrambled form, or was altered, reads as 13
// (ERROR_INVALID_DATA).
class CObfuscatedRegKeyImpl : public internal::CRegKeyImpl
{
public:
    // Returns the plain bytes and their size.
    LONG QueryValue(const wchar_t* name, DWORD* type, void* data, ULONG* bytes) override;
    LONG SetValue(const wchar_t* name, DWORD type, const void* data, ULONG bytes) override;
};

} // namespace Basekit
