#include "uihost/WinCOMFundamentalsAPI.h"

#include <windows.h>
#include <objbase.h>

namespace Ostrel
{

void WinCOMFundamentalsAPI::freeTaskMemory(void* memory)
{
    CoTaskMemFree(memory);
}

} // namespace Ostrel
