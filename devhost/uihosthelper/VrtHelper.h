#pragma once

// The UI host helper object (IQvVrtHelper over IDispatch) of the development
// installation. It accepts the five methods the module calls by name, checks
// their arguments as an automation object does, and journals every accepted
// call with its arguments in method order and their VARIANT types:
//
//   OpenApp(BSTR application)
//   OpenInternal(BSTR pageId)
//   OpenUrl(BSTR url, VT_UI4 destination, VT_UI4 overlay, BSTR parameters)
//   OpenUrlInContainer(BSTR url, BSTR parameters)
//   OpenHelp(BSTR applicationId, BSTR topic, VT_BOOL online)
//
// A BSTR argument may be null. A refused call (unknown method, named
// arguments, wrong count or type) is not journaled. The development switch
// named after a method makes it return that HRESULT after journaling.

#include <oaidl.h>

#include <atomic>

namespace DevHost
{

class VrtHelper final : public IDispatch
{
public:
    // Creates an instance and asks it for iid (IUnknown, IDispatch or IQvVrtHelper).
    static HRESULT Create(REFIID iid, void** object);

    // Instances alive in this process.
    static long LiveInstances();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** typeInfo) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

private:
    VrtHelper();
    ~VrtHelper();

    std::atomic<ULONG> references_{1};
};

} // namespace DevHost
