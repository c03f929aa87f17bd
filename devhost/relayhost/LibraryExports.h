#pragma once

// Loading a library the way the framework's host does, and binding its exports.

#include "platform/UniqueHandles.h"

#include <windows.h>

#include <string>

namespace RelayHost
{

// Loads the library at a full path; its own imports come only from its
// folder and the system folder. Empty on failure (GetLastError tells why).
inline Ostrel::UniqueLibrary LoadLibraryByFullPath(const std::wstring& path)
{
    return Ostrel::UniqueLibrary(
        LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32));
}

// The export as a function pointer of the given type; null when missing.
template <typename Function>
Function Export(HMODULE library, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

} // namespace RelayHost
