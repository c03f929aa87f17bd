// Exports of the UI host helper's in-process server: the class object for
// COM, the unload check, and the count of live helper instances (for soak
// tests that look for leaked objects).

#include "SuiteClassObject.h"
#include "VrtHelper.h"
#include "platform/RuntimeReserveRelease.h"

#include <atomic>
#include <new>

namespace
{

// Class objects handed out and not yet released.
std::atomic<long> g_liveClassObjects{0};

} // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    Ostrel::ReleaseRuntimeReserveOnUnload(reason, reserved);
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, LPVOID* object)
{
    if (object == nullptr)
    {
        return E_POINTER;
    }
    *object = nullptr;
    if (!IsEqualCLSID(classId, DevHost::kUiHostHelperClass))
    {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    auto* classObject = new (std::nothrow) DevHost::SuiteClassObject(&DevHost::VrtHelper::Create, g_liveClassObjects);
    if (classObject == nullptr)
    {
        return E_OUTOFMEMORY;
    }
    const HRESULT result = classObject->QueryInterface(iid, object);
    classObject->Release();
    return result;
}

STDAPI DllCanUnloadNow()
{
    return g_liveClassObjects == 0 && DevHost::VrtHelper::LiveInstances() == 0 ? S_OK : S_FALSE;
}

extern "C" LONG WINAPI LiveHelperInstances()
{
    return DevHost::VrtHelper::LiveInstances();
}
