#include "logging/Log.h"
#include "screenrelay/ScreenRelayImpl.h"

#include <windows.h>

// A member of the module object; its records name the object's source file.
LOG_SOURCE_FILE(L"ScreenRelayImpl.cpp")

namespace Ostrel
{

void ScreenRelayImpl::setTaskbarWindowToForeGround()
{
    constexpr const wchar_t* kFunction = L"Ostrel::ScreenRelayImpl::setTaskbarWindowToForeGround";
    HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
    if (taskbar == nullptr)
    {
        LOG_INFORMATION(kFunction, L"Can't find taskbar window");
        return;
    }
    LOG_NORMAL(kFunction, L"Found taskbar window, bringe it to foreground");

    if (HWND foreground = GetForegroundWindow(); foreground == nullptr)
    {
        LOG_INFORMATION(kFunction, L"There is not any foreground window, do nothing");
    }
    else
    {
        DWORD foregroundProcess = 0;
        const DWORD foregroundThread = GetWindowThreadProcessId(foreground, &foregroundProcess);
        LOG_NORMAL(kFunction, L"Foreground window thread is %d, processId is:%d", foregroundThread, foregroundProcess);
        const DWORD currentThread = GetCurrentThreadId();
        LOG_NORMAL(kFunction, L"Current window thread is %d", currentThread);
        if (foregroundThread != currentThread)
        {
            // Sharing the foreground thread's input state lets this thread
            // change the foreground window.
            if (!AttachThreadInput(currentThread, foregroundThread, TRUE))
            {
                LOG_INFORMATION(kFunction, L"AttachThreadInput true failed. Error:%d", GetLastError());
            }
            if (!BringWindowToTop(taskbar))
            {
                LOG_INFORMATION(kFunction, L"BringWindowToTop true failed. Error:%d", GetLastError());
            }
            if (!SetForegroundWindow(taskbar))
            {
                LOG_INFORMATION(kFunction, L"SetForegroundWindow true failed. Error:%d", GetLastError());
            }
            AttachThreadInput(currentThread, foregroundThread, FALSE);
        }
        else
        {
            SetForegroundWindow(taskbar);
        }
    }

    LOG_NORMAL(kFunction, L"Try to find foreground window again.");
    if (HWND foreground = GetForegroundWindow(); foreground != nullptr)
    {
        DWORD foregroundProcess = 0;
        const DWORD foregroundThread = GetWindowThreadProcessId(foreground, &foregroundProcess);
        LOG_NORMAL(kFunction, L"New Foreground window thread is %d, processId is:%d", foregroundThread,
                   foregroundProcess);
    }
}

} // namespace Ostrel
