#include "registry/RegKeyValueBuffer.h"

#include <cstring>

namespace Basekit::internal
{

LONG DeliverValue(DWORD type, const std::vector<BYTE>& value, DWORD* outType, void* data, ULONG* bytes)
{
    const ULONG size = static_cast<ULONG>(value.size());
    if (data != nullptr)
    {
        if (size > *bytes)
        {
            *bytes = size;
            return ERROR_MORE_DATA;
        }
        if (size != 0)
        {
            std::memcpy(data, value.data(), size);
        }
    }
    if (bytes != nullptr)
    {
        *bytes = size;
    }
    if (outType != nullptr)
    {
        *outType = type;
    }
    return ERROR_SUCCESS;
}

} // namespace Basekit::internal
