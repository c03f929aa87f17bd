#include "uihost/QvRegAPI.h"

#include "uihost/QvRegValue.h"

namespace Ostrel
{

LONG QvRegAPI::readValue(HKEY root, const wchar_t* subKey, const wchar_t* valueName, DWORD* type, void* data,
                         DWORD* bytes, DWORD flags)
{
    return QvRegReadValue(root, subKey, valueName, type, data, bytes, flags);
}

} // namespace Ostrel
