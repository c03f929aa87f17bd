#pragma once

#include <windows.h>

namespace Basekit
{

// Facade over the Windows calls that tell which Windows runs the process: one
// virtual operation per call, arguments and result unchanged, so that tests
// can stand in for another system.
class WinOSVersionAPI
{
public:
    WinOSVersionAPI() = default;
    virtual ~WinOSVersionAPI() = default;
    WinOSVersionAPI(const WinOSVersionAPI&) = delete;
    WinOSVersionAPI& operator=(const WinOSVersionAPI&) = delete;

    virtual BOOL VerifyVersionInfoW(LPOSVERSIONINFOEXW versionInfo, DWORD typeMask, DWORDLONG conditionMask);
    virtual HMODULE GetModuleHandleW(LPCWSTR moduleName);
    virtual FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
};

} // namespace Basekit
