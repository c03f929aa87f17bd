#pragma once

#include <windows.h>

namespace Ostrel
{

// Makes sure the volatile (this boot's) copy of the suite's substitute values
// exists under "SOFTWARE\Norvane\Volatile\VRT\Substitute". Only the call that
// creates the key copies the values; later calls find it and copy nothing.
// Returns the status of opening "SOFTWARE\Norvane"; a volatile key that
// cannot be created is not an error.
DWORD SeedVolatileSubstituteCopy();

} // namespace Ostrel
