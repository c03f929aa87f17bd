#pragma once

// Where the suite's utility library, QvUtil.dll, is installed: a version
// folder ("<a>,<b>,<c>,<d>") under "<common files>\qvutil", remembered under
// HKEY_LOCAL_MACHINE "SOFTWARE\Norvane\Platform" as "qvutil64_install_dir".
// The registry is read and written in the 64-bit view.

#include <windows.h>

#include <string>

namespace Ostrel
{

// The suite's common-files folder: HKEY_LOCAL_MACHINE "SOFTWARE\Norvane\VRT"
// "CommonFiles Dir" when that is a non-empty REG_SZ (a leading double quote
// dropped), otherwise the system's common program files folder followed by
// "\Norvane\Platform". The result ends in one backslash exactly when
// trailingBackslash is set. Returns 0; 87 for a null out or a zero size
// (characters); 232 with an empty result when the system folder is unknown;
// 122 when the result does not fit.
DWORD GetCommonFilesFolder(wchar_t* out, DWORD size, bool trailingBackslash);

// The version folder inside folder with the highest version: of the
// subfolders whose name reads as four numbers separated by commas, the one
// whose numbers compare greatest, number by number (of equal versions the
// first found). versionFolder receives folder + "\" + its name.
bool FindVersionFolder(const std::wstring& folder, std::wstring& versionFolder);

// The remembered folder of the library, when it is a non-empty REG_SZ.
bool ReadQvUtilInstallFolder(std::wstring& folder);

// Remembers the folder of the library. 0 or the Win32 error.
DWORD StoreQvUtilInstallFolder(const std::wstring& folder);

} // namespace Ostrel
