#include "uihost/QvCreateInstance.h"

#include "platform/UniqueHandles.h"
#include "platform/VerifiedFile.h"
#include "registry/ModuleFilePath.h"

#include <wrl/client.h>

#include <string>

namespace Ostrel
{

// The suite's class object: IUnknown, then the creation of an instance. Its
// implementations live in other modules, so it must not sit in an unnamed
// namespace, where the compiler may assume that no implementation exists.
struct ISuiteClassObject : IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE CreateInstance(REFIID iid, void** object) = 0;
};

namespace
{

using Microsoft::WRL::ComPtr;

constexpr IID kClassObjectInterfaces[] = {
    {0xFD542581, 0x722E, 0x45BE, {0xBE, 0xD4, 0x62, 0xA1, 0xBE, 0x46, 0xAF, 0x03}},
    {0x6058502E, 0x6069, 0x43F4, {0xB7, 0x33, 0x12, 0x86, 0x49, 0xA2, 0x0B, 0xD5}}};

// The class object under the first interface id it answers; when neither
// answers, the failure of the last attempt.
HRESULT GetSuiteClassObject(REFCLSID classId, DWORD classContext, ComPtr<ISuiteClassObject>& classObject)
{
    HRESULT result = E_NOINTERFACE;
    for (const IID& iid : kClassObjectInterfaces)
    {
        result = CoGetClassObject(classId, classContext, nullptr, iid,
                                  reinterpret_cast<void**>(classObject.ReleaseAndGetAddressOf()));
        if (SUCCEEDED(result))
        {
            return result;
        }
    }
    return result;
}

// The loaded module whose image holds address, its reference count raised
// while the owner holds it; empty when no module holds it. The loader looks
// the address up in the process's list of modules.
UniqueLibrary ModuleHolding(const void* address)
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, static_cast<const wchar_t*>(address), &module);
    return UniqueLibrary(module);
}

// The first entry of the object's table of virtual functions.
const void* FirstVirtualFunction(IUnknown* object)
{
    const void* const* table = *reinterpret_cast<const void* const* const*>(object);
    return table[0];
}

// Holds the module that serves the object and its file, when that file is
// trusted and is the very file the module was mapped from.
HRESULT HoldTrustedServer(IUnknown* classObject, UniqueLibrary& module, VerifiedFile& file)
{
    module = ModuleHolding(FirstVirtualFunction(classObject));
    std::wstring path;
    if (!module || Basekit::GetModuleFilePath(module.get(), path) != ERROR_SUCCESS)
    {
        return E_ACCESSDENIED;
    }
    if (file.Open(path) != ERROR_SUCCESS || file.ConfirmModule(module.get()) != ERROR_SUCCESS)
    {
        return E_ACCESSDENIED;
    }
    return S_OK;
}

HRESULT CreateThroughClassObject(REFCLSID classId, DWORD classContext, REFIID iid, void** object, bool verify)
{
    ComPtr<ISuiteClassObject> classObject;
    HRESULT result = GetSuiteClassObject(classId, classContext, classObject);
    if (FAILED(result))
    {
        return result;
    }
    // The verdict stays true only while the server's file is held.
    UniqueLibrary serverModule;
    VerifiedFile serverFile;
    if (verify)
    {
        result = HoldTrustedServer(classObject.Get(), serverModule, serverFile);
        if (FAILED(result))
        {
            return result;
        }
    }
    return classObject->CreateInstance(iid, object);
}

} // namespace

HRESULT QvCreateInstance2(REFCLSID classId, IUnknown* outer, DWORD classContext, REFIID iid, void** object, bool verify)
{
    if (object == nullptr)
    {
        return E_POINTER;
    }
    *object = nullptr;
    if (!verify)
    {
        return CoCreateInstance(classId, outer, classContext, iid, object);
    }
    return CreateThroughClassObject(classId, classContext, iid, object, true);
}

HRESULT QvCreateInstanceNoAuth(REFCLSID classId, IUnknown*, DWORD classContext, REFIID iid, void** object)
{
    if (object == nullptr)
    {
        return E_POINTER;
    }
    *object = nullptr;
    return CreateThroughClassObject(classId, classContext, iid, object, false);
}

} // namespace Ostrel
