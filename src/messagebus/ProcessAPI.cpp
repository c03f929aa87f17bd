#include "messagebus/ProcessAPI.h"

namespace Ostrel
{

DWORD ProcessAPI::GetCurrentProcessId()
{
    return ::GetCurrentProcessId();
}

DWORD ProcessAPI::GetProcessId(HANDLE process)
{
    return ::GetProcessId(process);
}

BOOL ProcessAPI::ProcessIdToSessionId(DWORD processId, DWORD* sessionId)
{
    return ::ProcessIdToSessionId(processId, sessionId);
}

DWORD ProcessAPI::WTSGetActiveConsoleSessionId()
{
    return ::WTSGetActiveConsoleSessionId();
}

HANDLE ProcessAPI::GetCurrentProcess()
{
    return ::GetCurrentProcess();
}

BOOL ProcessAPI::CreateProcessAsUserW(HANDLE token, LPCWSTR applicationName, LPWSTR commandLine,
                                      LPSECURITY_ATTRIBUTES processAttributes, LPSECURITY_ATTRIBUTES threadAttributes,
                                      BOOL inheritHandles, DWORD creationFlags, LPVOID environment,
                                      LPSTARTUPINFOW startupInfo, LPPROCESS_INFORMATION processInformation)
{
    return ::CreateProcessAsUserW(token, applicationName, commandLine, processAttributes, threadAttributes,
                                  inheritHandles, creationFlags, environment, nullptr, startupInfo, processInformation);
}

BOOL ProcessAPI::CreateProcessAsUserW(HANDLE token, LPCWSTR applicationName, LPWSTR commandLine,
                                      LPSECURITY_ATTRIBUTES processAttributes, LPSECURITY_ATTRIBUTES threadAttributes,
                                      BOOL inheritHandles, DWORD creationFlags, LPVOID environment,
                                      LPCWSTR currentDirectory, LPSTARTUPINFOW startupInfo,
                                      LPPROCESS_INFORMATION processInformation)
{
    return ::CreateProcessAsUserW(token, applicationName, commandLine, processAttributes, threadAttributes,
                                  inheritHandles, creationFlags, environment, currentDirectory, startupInfo,
                                  processInformation);
}

BOOL ProcessAPI::OpenProcessToken(HANDLE process, DWORD desiredAccess, PHANDLE token)
{
    return ::OpenProcessToken(process, desiredAccess, token);
}

BOOL ProcessAPI::AdjustTokenPrivileges(HANDLE token, BOOL disableAllPrivileges, PTOKEN_PRIVILEGES newState,
                                       DWORD bufferLength, PTOKEN_PRIVILEGES previousState, PDWORD returnLength)
{
    return ::AdjustTokenPrivileges(token, disableAllPrivileges, newState, bufferLength, previousState, returnLength);
}

BOOL ProcessAPI::LookupPrivilegeValueW(LPCWSTR systemName, LPCWSTR name, PLUID luid)
{
    return ::LookupPrivilegeValueW(systemName, name, luid);
}

BOOL ProcessAPI::GetExitCodeProcess(HANDLE process, LPDWORD exitCode)
{
    return ::GetExitCodeProcess(process, exitCode);
}

BOOL ProcessAPI::TerminateProcess(HANDLE process, UINT exitCode)
{
    return ::TerminateProcess(process, exitCode);
}

BOOL ProcessAPI::CloseHandle(HANDLE object)
{
    return ::CloseHandle(object);
}

DWORD ProcessAPI::GetLastError()
{
    return ::GetLastError();
}

DWORD ProcessAPI::WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
    return ::WaitForSingleObject(handle, milliseconds);
}

HANDLE ProcessAPI::OpenProcess(DWORD desiredAccess, BOOL inheritHandle, DWORD processId)
{
    return ::OpenProcess(desiredAccess, inheritHandle, processId);
}

HANDLE ProcessAPI::CreateToolhelp32Snapshot(DWORD flags, DWORD processId)
{
    return ::CreateToolhelp32Snapshot(flags, processId);
}

BOOL ProcessAPI::Process32FirstW(HANDLE snapshot, LPPROCESSENTRY32W entry)
{
    return ::Process32FirstW(snapshot, entry);
}

BOOL ProcessAPI::Process32NextW(HANDLE snapshot, LPPROCESSENTRY32W entry)
{
    return ::Process32NextW(snapshot, entry);
}

} // namespace Ostrel
