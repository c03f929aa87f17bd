#pragma once

// Installing the utility library where the module finds it: in a version
// folder under the suite's common-files folder,
// "<common files>\qvutil\<a>,<b>,<c>,<d>\QvUtil.dll". Functions return 0 or
// the Win32 error.

#include <windows.h>

#include <array>
#include <string>

namespace DevHost
{

using LibraryVersion = std::array<unsigned long, 4>;

// Copies sourceDll into the version folder under commonFilesFolder (a full
// path, created with its parents when missing). installedPath (optional)
// receives the installed file's path.
DWORD InstallQvUtil(const std::wstring& sourceDll, const std::wstring& commonFilesFolder, const LibraryVersion& version,
                    std::wstring* installedPath = nullptr);

// Records folder as the suite's common-files folder: HKEY_LOCAL_MACHINE
// "SOFTWARE\Norvane\VRT", value "CommonFiles Dir".
DWORD SetCommonFilesFolder(const std::wstring& folder);

} // namespace DevHost
