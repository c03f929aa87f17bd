#include "logging/LogFrontEnd.h"
#include "module/ModuleInterface.h"
#include "screenrelay/ScreenRelay.h"

#include <windows.h>

// Attachment only names the log context and keeps the instance for resource
// loading; real work happens in the explicit lifecycle calls. The logger is
// created on the first log call.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
    {
        Ostrel::SetLibraryInstance(instance);
        ETWLogging::SetLogContext(nullptr, L"ScreenRelayModule", instance, nullptr, 0);
    }
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
