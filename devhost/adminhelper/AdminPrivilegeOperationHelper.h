#pragma once

// The elevated registry helper object of the development installation
// (IQvAdminPrivilegeOperationHelper). SetRegistryValue creates the key and
// writes the value as asked, in the view the flags select, and journals the
// call; the development switch "SetRegistryValue" makes it return that HRESULT
// without writing.

#include "SuiteComInterfaces.h"

#include <atomic>

namespace DevHost
{

class AdminPrivilegeOperationHelper final : public IQvAdminPrivilegeOperationHelper
{
public:
    // Creates an instance and asks it for iid.
    static HRESULT Create(REFIID iid, void** object);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE SetRegistryValue(HKEY root, BSTR subkey, BSTR valueName, DWORD type, DWORD size,
                                               BYTE* data, DWORD flags) override;

private:
    AdminPrivilegeOperationHelper() = default;
    ~AdminPrivilegeOperationHelper() = default;

    std::atomic<ULONG> references_{1};
};

} // namespace DevHost
