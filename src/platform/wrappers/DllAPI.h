#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace Ostrel
{

// Facade over the Win32 loader: one virtual operation per call, so that tests
// can stand in for failures Windows will not produce on demand.
class DllAPI
{
public:
    DllAPI() = default;
    virtual ~DllAPI() = default;
    DllAPI(const DllAPI&) = delete;
    DllAPI& operator=(const DllAPI&) = delete;

    // Loads the file after it passed the library trust verification. On
    // failure the thread's last error says why (a refused file gives the
    // verification's error), the failure is logged and module is untouched.
    virtual bool loadLibrary(const std::wstring& path, HMODULE& module);
    virtual FARPROC getProcAddress(HMODULE module, const char* name);
    // True when the file passes the library trust verification.
    virtual bool verifyFile(const std::wstring& path);
    virtual bool freeLibrary(HMODULE module);
    virtual bool getModuleHandleEx(DWORD flags, const wchar_t* name, HMODULE* module);
};

} // namespace Ostrel
