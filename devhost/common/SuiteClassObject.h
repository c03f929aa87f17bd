#pragma once

// A class object of the suite's shape (ISuiteClassObject), answering both
// class-object interface ids. It creates instances through the function it is
// given and lives until its last reference is released.

#include "SuiteComInterfaces.h"

#include <atomic>

namespace DevHost
{

class SuiteClassObject final : public ISuiteClassObject
{
public:
    using CreateFunction = HRESULT (*)(REFIID iid, void** object);

    // liveObjects counts this object while it lives (a server's unload check).
    SuiteClassObject(CreateFunction create, std::atomic<long>& liveObjects);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreateInstance(REFIID iid, void** object) override;

private:
    ~SuiteClassObject();

    CreateFunction create_;
    std::atomic<long>& liveObjects_;
    std::atomic<ULONG> references_{1};
};

} // namespace DevHost
