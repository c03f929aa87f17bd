#include "uihost/strInstru.h"

#include "logging/Log.h"
#include "platform/UniqueHandles.h"
#include "uihost/QvAdminPrivilegeOperationHelper.h"
#include "uihost/QvCreateInstance.h"
#include "uihost/QvRegValue.h"
#include "uihost/QvUtilBinding.h"

#include <wrl/client.h>

#include <array>
#include <cwchar>
#include <new>

LOG_SOURCE_FILE(L"strInstru.cpp");

namespace Ostrel
{

namespace
{

constexpr wchar_t kFunction[] = L"SetLaunchPoint";
constexpr wchar_t kQueryParamsKey[] = L"SOFTWARE\\Norvane\\VRT\\AppInfo\\Substitute\\QueryParams";
constexpr wchar_t kLaunchPointValue[] = L"LaunchPoint";

// The stored data: always the whole buffer, the text followed by zeros.
using LaunchPointText = std::array<wchar_t, 20>;

UniqueBstr AllocateBstr(const wchar_t* text)
{
    UniqueBstr allocated(SysAllocString(text));
    if (!allocated)
    {
        throw std::bad_alloc();
    }
    return allocated;
}

int WriteThroughElevatedHelper(LaunchPointText& text)
{
    Microsoft::WRL::ComPtr<IQvAdminPrivilegeOperationHelper> helper;
    const HRESULT created = QvCreateInstanceNoAuth(kAdminPrivilegeHelperClass, nullptr, CLSCTX_LOCAL_SERVER,
                                                   kAdminPrivilegeOperationHelperInterface,
                                                   reinterpret_cast<void**>(helper.GetAddressOf()));
    if (FAILED(created))
    {
        LOG_ERROR(kFunction,
                  L"We failed in pAdminPrivilegeHelper for IQvAdminPrivilegeOperationHelper helper with Error %x",
                  static_cast<unsigned int>(created));
        return 0;
    }
    const UniqueBstr subkey = AllocateBstr(kQueryParamsKey);
    const UniqueBstr valueName = AllocateBstr(kLaunchPointValue);
    const HRESULT written = helper->SetRegistryValue(HKEY_LOCAL_MACHINE, subkey.get(), valueName.get(), REG_SZ,
                                                     sizeof(text), reinterpret_cast<BYTE*>(text.data()), 0);
    if (FAILED(written))
    {
        LOG_ERROR(kFunction, L"SetRegistryValue failed.");
        return 0;
    }
    return 1;
}

int WriteDirectly(const LaunchPointText& text)
{
    const LONG status =
        QvRegWriteValue(HKEY_LOCAL_MACHINE, kQueryParamsKey, kLaunchPointValue, REG_SZ, text.data(), sizeof(text), 0);
    LOG_INFORMATION(kFunction, L"QvRegWriteValue returned %ld", status);
    return status == ERROR_SUCCESS ? 1 : 0;
}

int StoreLaunchPoint(LONG launchPoint)
{
    LaunchPointText text{};
    std::swprintf(text.data(), text.size(), L"%ld", launchPoint);
    QvUtilBinding binding;
    binding.Bind();
    const QvUtilBinding::QvIsNTAdminFunction isNTAdmin = binding.IsNTAdmin();
    if (isNTAdmin != nullptr && isNTAdmin(nullptr) == FALSE)
    {
        return WriteThroughElevatedHelper(text);
    }
    return WriteDirectly(text);
}

} // namespace

int SetLaunchPoint(LONG launchPoint)
{
    LOG_INFORMATION(kFunction, L"LaunchPoint=%ld", launchPoint);
    const int result = launchPoint != 0 ? StoreLaunchPoint(launchPoint) : 0;
    if (result == 1)
    {
        LOG_INFORMATION(kFunction, L"Registry writing was successful.");
    }
    return result;
}

} // namespace Ostrel
