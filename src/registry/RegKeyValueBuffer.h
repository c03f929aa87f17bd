#pragma once

#include <windows.h>

#include <new>
#include <vector>

namespace Basekit::internal
{

// Reads a whole registry value into `value`. `query(type, data, bytes)` is one
// call of a RegQueryValueEx-like function; a null data pointer asks for the
// size only. A value that grows between the size query and the read is asked
// for again a few times. Out of memory gives 14.
template <typename Query>
LONG ReadWholeValue(Query query, DWORD& type, std::vector<BYTE>& value)
{
    constexpr int kAttempts = 4;
    for (int attempt = 0; attempt < kAttempts; ++attempt)
    {
        DWORD readType = REG_NONE;
        DWORD size = 0;
        LONG result = query(&readType, nullptr, &size);
        if (result != ERROR_SUCCESS)
        {
            return result;
        }
        try
        {
            value.resize(size);
        }
        catch (const std::bad_alloc&)
        {
            return ERROR_OUTOFMEMORY;
        }
        result = query(&readType, value.data(), &size);
        if (result == ERROR_MORE_DATA)
        {
            continue;
        }
        if (result != ERROR_SUCCESS)
        {
            return result;
        }
        value.resize(size);
        type = readType;
        return ERROR_SUCCESS;
    }
    return ERROR_MORE_DATA;
}

// Hands a value read in full to a caller with RegQueryValueEx semantics: no
// data buffer asks for the type and size only; a buffer smaller than the value
// gives 234 with the size needed and nothing else written.
LONG DeliverValue(DWORD type, const std::vector<BYTE>& value, DWORD* outType, void* data, ULONG* bytes);

} // namespace Basekit::internal
