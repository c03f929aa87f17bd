#include "AdminPrivilegeHelperRegistration.h"

#include "AdminPrivilegeOperationHelper.h"
#include "SuiteClassObject.h"

#include <atomic>
#include <new>

namespace DevHost
{

namespace
{

std::atomic<long> g_liveClassObjects{0};

} // namespace

HRESULT RegisterAdminPrivilegeHelper(DWORD* cookie)
{
    if (cookie == nullptr)
    {
        return E_POINTER;
    }
    auto* classObject = new (std::nothrow) SuiteClassObject(&AdminPrivilegeOperationHelper::Create, g_liveClassObjects);
    if (classObject == nullptr)
    {
        return E_OUTOFMEMORY;
    }
    const HRESULT result =
        CoRegisterClassObject(kAdminPrivilegeHelperClass, classObject, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, cookie);
    classObject->Release();
    return result;
}

HRESULT RevokeAdminPrivilegeHelper(DWORD cookie)
{
    return CoRevokeClassObject(cookie);
}

} // namespace DevHost
