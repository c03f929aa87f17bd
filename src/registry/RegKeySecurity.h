#pragma once

#include <windows.h>

namespace Basekit::internal
{

// Merges an entry giving Everyone full access, inherited by subkeys and
// values, into the key's access list and applies the result to the key and,
// when recursive, to every key below it (each opened with full access, depth
// first). Returns 0 without doing anything outside the Windows NT platform
// family; 2 when the security functions cannot be loaded; otherwise the
// first failure or 0.
LONG GrantEveryoneFullAccessTo(HKEY key, bool recursive);

} // namespace Basekit::internal
