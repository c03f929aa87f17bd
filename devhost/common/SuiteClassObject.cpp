#include "SuiteClassObject.h"

namespace DevHost
{

SuiteClassObject::SuiteClassObject(CreateFunction create, std::atomic<long>& liveObjects)
    : create_(create)
    , liveObjects_(liveObjects)
{
    ++liveObjects_;
}

SuiteClassObject::~SuiteClassObject()
{
    --liveObjects_;
}

HRESULT STDMETHODCALLTYPE SuiteClassObject::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
    {
        return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, kSuiteClassObjectInterfaces[0]) ||
        IsEqualIID(iid, kSuiteClassObjectInterfaces[1]))
    {
        *object = static_cast<ISuiteClassObject*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE SuiteClassObject::AddRef()
{
    return ++references_;
}

ULONG STDMETHODCALLTYPE SuiteClassObject::Release()
{
    const ULONG remaining = --references_;
    if (remaining == 0)
    {
        delete this;
    }
    return remaining;
}

HRESULT STDMETHODCALLTYPE SuiteClassObject::CreateInstance(REFIID iid, void** object)
{
    if (object == nullptr)
    {
        return E_POINTER;
    }
    *object = nullptr;
    return create_(iid, object);
}

} // namespace DevHost
