#pragma once

#include <windows.h>

namespace Ostrel
{

// The server file registered for a COM class: the default value of
// HKEY_CLASSES_ROOT "CLSID\{class}\InprocServer32", else of
// "...\LocalServer32", each key tried in the default, the 32-bit and the
// 64-bit view; the first key that opens is the one read. The braces are added
// to classId where missing. A value of more than two characters enclosed in
// double quotes loses them. True when a non-empty path was read into out
// (outChars characters with the terminator); false for a missing argument, no
// registration, or a value that does not fit.
bool GetClsidServerPath(const wchar_t* classId, wchar_t* out, DWORD outChars);

} // namespace Ostrel
