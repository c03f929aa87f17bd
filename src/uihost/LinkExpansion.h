#pragma once

// Expansion of the suite's link text: "%name%" placeholders are replaced by
// the string values of a substitute key, and the string values of its
// "QueryParams" subkey are appended as query parameters.
//
// Key paths are text as SubstituteKeyPath.h reads it; keys are read in the
// 64-bit view. Statuses are Win32 codes: 87 for a missing argument, a bad key
// path or a text or result longer than kMaxExpandedTextChars; 8 when memory
// runs out or a variable name is too long to form its placeholder.
//
// Size convention of every function here: *size is in characters. The size
// needed (length + 1) is always stored in *size. A null out buffer asks for
// that size only (0). An out buffer of fewer characters gives 234 and nothing
// is written to it.

#include <windows.h>

#include <cstddef>

namespace Ostrel
{

// Link text arrives in bus messages: longer texts, and expansions that would
// grow beyond this, are refused.
inline constexpr std::size_t kMaxExpandedTextChars = 32767;

// The suite's own substitute key.
inline constexpr wchar_t kSubstituteKeyPath[] = L"SOFTWARE\\Norvane\\VRT\\AppInfo\\Substitute";

// Expands the text with the key; with `seedVolatileCopy`, first makes sure the
// boot-time volatile copy of the suite's substitute values exists (a missing
// "SOFTWARE\Norvane" key is returned as its open status).
DWORD QvExpandEnvironmentStringEx(const wchar_t* keyPath, const wchar_t* text, bool appendQueryParams, wchar_t* out,
                                  DWORD* size, bool seedVolatileCopy);

// Substitutes the variables, then, when asked, appends the query parameters.
DWORD ExpandWithSubstituteKey(const wchar_t* keyPath, const wchar_t* text, bool appendQueryParams, wchar_t* out,
                              DWORD* size);

// Replaces "%name%" by the value, for each REG_SZ value of the key in index
// order (case-sensitive; a later value may fill a placeholder an earlier one
// brought in). A key that cannot be opened or holds no values leaves the text.
DWORD ExpandSubstituteVariables(const wchar_t* keyPath, const wchar_t* text, wchar_t* out, DWORD* size);

// Appends "name=value" for each REG_SZ value of the key's "QueryParams"
// subkey that the text does not already carry ("?name=" or "&name="); the
// first added starts with "?" unless the text holds one. Names and values go
// in unescaped.
DWORD AppendQueryParams(const wchar_t* keyPath, const wchar_t* text, wchar_t* out, DWORD* size);

} // namespace Ostrel
