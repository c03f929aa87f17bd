#include "module/ModuleInterface.h"

#include <windows.h>

// Attachment keeps nothing yet; real work happens in the explicit lifecycle calls.
BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
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
