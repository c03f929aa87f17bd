#pragma once

#include <windows.h>

namespace Ostrel
{

// 1 when the process token holds the Administrators group (S-1-5-32-544)
// enabled, otherwise 0. When the group is present but not enabled (a filtered
// token), `presentButDisabled` is set to TRUE; it is left alone otherwise.
DWORD IsUserAdmin(BOOL* presentButDisabled = nullptr);

} // namespace Ostrel
