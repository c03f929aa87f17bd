#pragma once

#include <windows.h>

#include <string>

namespace Basekit
{

// The full path of a module's file (null: the process's executable), read
// with a buffer that grows by 255 characters until the path fits. Returns 0,
// or the system's error with the path left empty.
DWORD GetModuleFilePath(HMODULE module, std::wstring& path);

} // namespace Basekit
