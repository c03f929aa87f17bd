#pragma once

#include <windows.h>

namespace Ostrel
{

// Turns a link into its final text: a "substlink:name" link is first replaced
// by the entry "name" of the settings override's "Links" key; then the
// suite's substitute values fill the placeholders and its query parameters are
// appended. On success *expanded holds text from the COM task allocator that
// the caller frees; on failure it is null. Returns a Win32 status: 87 for a
// missing argument or an external-link verb, the override lookup's own status
// when the name is not found, 8 when memory runs out, or the expansion's
// status (see LinkExpansion.h).
DWORD QvExpandKespUrl(const wchar_t* link, wchar_t** expanded);

} // namespace Ostrel
