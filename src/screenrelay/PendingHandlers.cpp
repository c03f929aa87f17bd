#include "logging/Log.h"
#include "screenrelay/ScreenRelayImpl.h"

// The handlers are members of the module object; their records name its
// source file.
LOG_SOURCE_FILE(L"ScreenRelayImpl.cpp")

// The browser, container, help and support requests are not served by this
// version of the module: each is answered "not handled" in the request frame,
// so that the host still unloads the module afterwards.

namespace Ostrel
{

namespace
{

bool notServed(const wchar_t* function)
{
    LOG_ERROR(function, L"Request not served by this module version");
    return false;
}

} // namespace

bool ScreenRelayImpl::showInBrowserMessageHandler(const std::wstring&)
{
    constexpr const wchar_t* kFunction = L"Ostrel::ScreenRelayImpl::showInBrowserMessageHandler";
    return runRequest(kFunction, L"Error initializing CoInitializeEx", [] { return notServed(kFunction); });
}

bool ScreenRelayImpl::showInContainerMessageHandler(const std::wstring&)
{
    constexpr const wchar_t* kFunction = L"Ostrel::ScreenRelayImpl::showInContainerMessageHandler";
    return runRequest(kFunction, L"Error initializing CoInitializeEx", [] { return notServed(kFunction); });
}

bool ScreenRelayImpl::showInBrowserSurfmark(const std::wstring&)
{
    constexpr const wchar_t* kFunction = L"Ostrel::ScreenRelayImpl::showInBrowserSurfmark";
    return runRequest(kFunction, L"Error initializing CoInitializeEx", [] { return notServed(kFunction); });
}

bool ScreenRelayImpl::openUrl(const std::wstring&)
{
    constexpr const wchar_t* kFunction = L"Ostrel::ScreenRelayImpl::openUrl";
    return runRequest(kFunction, L"Error initializing CoInitializeEx", [] { return notServed(kFunction); });
}

bool ScreenRelayImpl::showHelpMessageHandler(const std::wstring&)
{
    constexpr const wchar_t* kFunction = L"Ostrel::ScreenRelayImpl::showHelpMessageHandler";
    return runRequest(kFunction, L"Error initializing CoInitializeEx", [] { return notServed(kFunction); });
}

bool ScreenRelayImpl::showInAppSupportMessageHandler(const std::wstring&)
{
    constexpr const wchar_t* kFunction = L"Ostrel::ScreenRelayImpl::showInAppSupportMessageHandler";
    return runRequest(kFunction, L"Error initializing CoInitializeEx", [] { return notServed(kFunction); });
}

} // namespace Ostrel
