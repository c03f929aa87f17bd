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

    // Loads the file after it passed the library trust verification, holding
    // it unchanged from the decision until the loaded module is confirmed to
    // be that file; the library's imports come from its own folder and the
    // system folder only. On failure the thread's last error says why (a
    // refused file gives the verification's error, a module mapped from
    // another file TRUST_E_NOSIGNATURE), the failure is logged and module is
    // untouched.
    virtual bool loadLibrary(const std::wstring& path, HMODULE& module);
    // LoadLibraryExW without a file handle.
    virtual HMODULE loadLibraryEx(const wchar_t* path, DWORD flags);
    virtual FARPROC getProcAddress(HMODULE module, const char* name);
    // True when the file passes the library trust verification.
    virtual bool verifyFile(const std::wstring& path);
    virtual bool freeLibrary(HMODULE module);
    virtual bool getModuleHandleEx(DWORD flags, const wchar_t* name, HMODULE* module);
};

} // namespace Ostrel
