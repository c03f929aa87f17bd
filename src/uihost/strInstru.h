#pragma once

#include <windows.h>

namespace Ostrel
{

// Records where a container page was launched from: the launch point, in
// decimal, becomes HKEY_LOCAL_MACHINE
// "SOFTWARE\Norvane\VRT\AppInfo\Substitute\QueryParams" "LaunchPoint"
// (REG_SZ, always 40 bytes: the text followed by zero characters), a query
// parameter of the suite's links. An administrator writes it directly; when
// the utility library says the process is not an administrator, the suite's
// elevated registry helper writes it (COM must be entered by the caller).
// Returns 1 when the value was stored, 0 otherwise; launch point 0 stores
// nothing. Running out of memory while preparing the helper's arguments
// throws std::bad_alloc.
int SetLaunchPoint(LONG launchPoint);

} // namespace Ostrel
