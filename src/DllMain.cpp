#include "logging/LogFrontEnd.h"
#include "module/ModuleInterface.h"
#include "platform/RuntimeReserveRelease.h"
#include "screenrelay/ScreenRelay.h"

#include <windows.h>

// Attachment only names the log context and keeps the instance for resource
// loading; real work happens in the explicit lifecycle calls. The logger is
// created on the first log call. An unload gives back the C++ runtime's reserve.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH)
    {
        Ostrel::SetLibraryInstance(instance);
        ETWLogging::SetLogContext(nullptr, L"ScreenRelayModule", instance, nullptr, 0);
    }
    Ostrel::ReleaseRuntimeReserveOnUnload(reason, reserved);
    return TRUE;
}

extern "C"
{

    const Ostrel::ModuleFunctionTable* CreateObject(std::uint32_t)
    {
        return Ostrel::GetModuleFunctionTable();
    }

    void ReleaseObject(void*) {}

    std::uint32_t GetVersionNum()
    {
        return Ostrel::kModuleVersionNumber;
    }

    const char* GetVersionStr()
    {
        return Ostrel::kModuleVersionString;
    }
}
