#include "platform/WinOSVersionAPI.h"

namespace Basekit
{

BOOL WinOSVersionAPI::VerifyVersionInfoW(LPOSVERSIONINFOEXW versionInfo, DWORD typeMask, DWORDLONG conditionMask)
{
    return ::VerifyVersionInfoW(versionInfo, typeMask, conditionMask);
}

HMODULE WinOSVersionAPI::GetModuleHandleW(LPCWSTR moduleName)
{
    return ::GetModuleHandleW(moduleName);
}

FARPROC WinOSVersionAPI::GetProcAddress(HMODULE module, LPCSTR procName)
{
    return ::GetProcAddress(module, procName);
}

} // namespace Basekit
