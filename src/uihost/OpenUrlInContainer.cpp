#include "uihost/OpenUrlInContainer.h"

#include "logging/Log.h"
#include "uihost/VrtHelperCall.h"

LOG_SOURCE_FILE(L"OpenUrlInContainer.cpp");

namespace Ostrel
{

namespace
{

constexpr wchar_t kOpenInternal[] = L"OpenInternal";
constexpr wchar_t kOpenUrl[] = L"OpenUrl";
constexpr wchar_t kOpenUrlInContainer[] = L"OpenUrlInContainer";

const wchar_t* TextOrNull(const wchar_t* text)
{
    return text != nullptr ? text : L"NULL";
}

// Whether the call reached the method; otherwise logs the failed step in the
// words of the calling function.
bool ReachedMethod(const wchar_t* function, const VrtHelperResult& result)
{
    switch (result.step)
    {
        case VrtHelperStep::Create:
            LOG_ERROR(function, L"%s - QvCreateInstance2 IID_IQvVrtHelper failed: (0x%08lX)", function, result.status);
            return false;
        case VrtHelperStep::QueryDispatch:
            LOG_ERROR(function, L"%s - pQvVrtHelper QueryInterface failed: (0x%08lX)", function, result.status);
            return false;
        case VrtHelperStep::Invoke:
            break;
    }
    return true;
}

} // namespace

HRESULT OpenInternal(const wchar_t* pageId)
{
    if (pageId == nullptr)
    {
        LOG_ERROR(kOpenInternal, L"OpenInternal - Invalid parameter: pwszPageID is NULL");
        return ERROR_INVALID_PARAMETER;
    }
    LOG_NORMAL(kOpenInternal, L"OpenInternal - Enter (%s)", pageId);
    const VrtHelperResult result = CallVrtHelper(kOpenInternal, {pageId});
    if (ReachedMethod(kOpenInternal, result))
    {
        LOG_NORMAL(kOpenInternal, L"OpenInternal - Leave. ReturnCode: 0x%lx", result.status);
    }
    return result.status;
}

HRESULT OpenUrl(const wchar_t* url, DWORD destination, DWORD overlayOption, const wchar_t* parameters)
{
    if (url == nullptr)
    {
        LOG_ERROR(kOpenUrl, L"OpenUrl - Invalid parameter: pwszUrl is NULL");
        return ERROR_INVALID_PARAMETER;
    }
    LOG_NORMAL(kOpenUrl, L"OpenUrl - Enter (%s, %lu, %lu, %s)", url, destination, overlayOption,
               TextOrNull(parameters));
    const VrtHelperResult result = CallVrtHelper(kOpenUrl, {url, destination, overlayOption, parameters});
    if (ReachedMethod(kOpenUrl, result))
    {
        LOG_NORMAL(kOpenUrl, L"OpenUrl - Leave. ReturnCode: 0x%lx", result.status);
    }
    return result.status;
}

HRESULT OpenUrlInContainer(const wchar_t* url, const wchar_t* parameters)
{
    if (url == nullptr)
    {
        LOG_ERROR(kOpenUrlInContainer, L"OpenUrlInContainer - Invalid parameter: pwszUrl is NULL");
        return ERROR_INVALID_PARAMETER;
    }
    LOG_NORMAL(kOpenUrlInContainer, L"OpenUrlInContainer - Enter (%s, %s)", url, TextOrNull(parameters));
    const VrtHelperResult result = CallVrtHelper(kOpenUrlInContainer, {url, parameters});
    if (ReachedMethod(kOpenUrlInContainer, result))
    {
        LOG_NORMAL(kOpenUrlInContainer, L"OpenUrlInContainer - Leave. ReturnCode: 0x%lx", result.status);
    }
    return result.status;
}

} // namespace Ostrel
