#pragma once

// Where the module's file log lives: <program data>\Norvane\QVLOGS, and in
// it <group>\ScreenRelay\ScreenRelayNNN.log with the module's "log.ini"; the
// group is the module name the host gives. Functions return 0 or the Win32
// error.

#include <windows.h>

#include <string>

namespace RelayHost
{

// The root log folder, with a trailing backslash.
DWORD LogRootFolder(std::wstring& folder);

// The module's log folder for a group, without a trailing backslash.
DWORD ModuleLogFolder(const std::wstring& group, std::wstring& folder);

// The most recently written ScreenRelay*.log in the folder.
DWORD NewestLogFile(const std::wstring& folder, std::wstring& path);

// The text of a log file (UTF-16LE, the byte-order mark dropped).
DWORD ReadLogText(const std::wstring& path, std::wstring& text);

} // namespace RelayHost
