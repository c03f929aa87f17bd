#pragma once

#include <windows.h>

#include <vector>

namespace Basekit::internal
{

// Whether values of this registry type are stored scrambled: the string types,
// whose data the ANSI registry functions convert.
bool IsScrambledType(DWORD type);

// Builds the data to store with the ANSI registry functions for a string value
// of the given type: the scrambled text of the plain bytes, terminated as the
// type requires. Out of memory gives 14.
LONG ScrambleValue(DWORD type, const BYTE* plain, ULONG bytes, std::vector<BYTE>& stored);

// Recovers the plain bytes from stored data read with the ANSI registry
// functions. Data that is not in the scrambled form, of an unknown version, or
// altered gives 13 and leaves `plain` untouched; out of memory gives 14.
LONG UnscrambleValue(DWORD type, const std::vector<BYTE>& stored, std::vector<BYTE>& plain);

} // namespace Basekit::internal
