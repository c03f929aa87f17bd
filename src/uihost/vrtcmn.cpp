#include "uihost/vrtcmn.h"

#include "logging/Log.h"
#include "uihost/LinkExpansion.h"
#include "uihost/QvPartnerCustomizationBase.h"
#include "uihost/QvRegValue.h"

#include <objbase.h>

#include <cwchar>
#include <iterator>
#include <new>
#include <string>

LOG_SOURCE_FILE(L"vrtcmn.cpp");

namespace Ostrel
{

namespace
{

constexpr wchar_t kFunction[] = L"QvExpandKespUrl";
constexpr wchar_t kSubstituteLinkPrefix[] = L"substlink:";
constexpr wchar_t kExternalUrlPrefix[] = L"extURL::";
constexpr wchar_t kLinksKey[] = L"Links";
constexpr std::size_t kLinkChars = 260;

bool StartsWithNoCase(const wchar_t* text, const wchar_t* prefix, std::size_t prefixChars)
{
    return _wcsnicmp(text, prefix, prefixChars) == 0;
}

// The text of the override's "Links" entry of that name.
DWORD LookUpSubstituteLink(const wchar_t* name, std::wstring& text)
{
    QvPartnerCustomizationBase customization;
    HRESULT status = customization.Initialize(nullptr);
    if (FAILED(status))
    {
        return static_cast<DWORD>(status);
    }
    QvRegistryOverride& hives = customization.Override();
    status = hives.OpenKey(kLinksKey, KEY_READ | KEY_WOW64_64KEY);
    if (FAILED(status))
    {
        return static_cast<DWORD>(status);
    }
    wchar_t link[kLinkChars] = {};
    DWORD bytes = sizeof(link);
    status = hives.ReadValue(name, nullptr, link, &bytes, kQvReg64BitView);
    hives.CloseKeys();
    if (FAILED(status))
    {
        return static_cast<DWORD>(status);
    }
    text.assign(link, wcsnlen(link, bytes / sizeof(wchar_t)));
    return ERROR_SUCCESS;
}

DWORD ExpandLink(const wchar_t* link, wchar_t** expanded)
{
    std::wstring text;
    if (StartsWithNoCase(link, kSubstituteLinkPrefix, std::size(kSubstituteLinkPrefix) - 1))
    {
        const wchar_t* name = link + std::size(kSubstituteLinkPrefix) - 1;
        if (StartsWithNoCase(name, kExternalUrlPrefix, std::size(kExternalUrlPrefix) - 1))
        {
            LOG_NORMAL(kFunction, L"CQvUtil::QvExpandKespUrl APP_EXTERNAL_URL detected.");
            LOG_WARNING(kFunction, L"CQvUtil::QvExpandKespUrl APP_EXTERNAL_URL detected, but uknown verb passed.");
            return ERROR_INVALID_PARAMETER;
        }
        const DWORD status = LookUpSubstituteLink(name, text);
        if (status != ERROR_SUCCESS)
        {
            return status;
        }
    }
    else
    {
        text = link;
    }

    DWORD chars = 0;
    DWORD status = QvExpandEnvironmentStringEx(kSubstituteKeyPath, text.c_str(), true, nullptr, &chars, true);
    if (status != ERROR_SUCCESS)
    {
        LOG_WARNING(kFunction, L"CQvUtil::QvExpandEnvironmentStringEx failed - error %lu", status);
        return status;
    }
    auto* block = static_cast<wchar_t*>(CoTaskMemAlloc(static_cast<SIZE_T>(chars) * sizeof(wchar_t)));
    if (block == nullptr)
    {
        LOG_WARNING(kFunction, L"Not enough memory");
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    ZeroMemory(block, static_cast<SIZE_T>(chars) * sizeof(wchar_t));
    status = QvExpandEnvironmentStringEx(kSubstituteKeyPath, text.c_str(), true, block, &chars, true);
    if (status != ERROR_SUCCESS)
    {
        LOG_WARNING(kFunction, L"CQvUtil::QvExpandEnvironmentStringEx failed - error %lu", status);
        CoTaskMemFree(block);
        return status;
    }
    LOG_WARNING(kFunction, L"url %s has been expanded to %s", text.c_str(), block);
    *expanded = block;
    return ERROR_SUCCESS;
}

} // namespace

DWORD QvExpandKespUrl(const wchar_t* link, wchar_t** expanded)
{
    if (link == nullptr || expanded == nullptr)
    {
        return ERROR_INVALID_PARAMETER;
    }
    *expanded = nullptr;
    if (wcsnlen(link, kMaxExpandedTextChars + 1) > kMaxExpandedTextChars)
    {
        return ERROR_INVALID_PARAMETER;
    }
    try
    {
        return ExpandLink(link, expanded);
    }
    catch (const std::bad_alloc&)
    {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

} // namespace Ostrel
