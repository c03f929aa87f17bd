#pragma once

#include <windows.h>

namespace Ostrel
{

// Copies path into out unchanged when it fits in outChars - 1 characters and
// returns its length; otherwise returns 0 (logged). The path is not shortened:
// callers get the long form, which is what the file system resolves anyway.
DWORD QvGetShortPathName(const wchar_t* path, wchar_t* out, DWORD outChars);

} // namespace Ostrel
