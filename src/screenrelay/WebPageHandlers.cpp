#include "logging/Log.h"
#include "screenrelay/ScreenRelayImpl.h"
#include "uihost/QvRegAPI.h"
#include "uihost/VRTCommonAPI.h"
#include "uihost/WinCOMFundamentalsAPI.h"

#include <algorithm>
#include <cwchar>
#include <memory>

// The handlers are members of the module object; their records name its
// source file.
LOG_SOURCE_FILE(L"ScreenRelayImpl.cpp")

// The handlers that open a web link: in the browser, in the UI host, in the
// UI host's container, and the web-safety feature's page.

namespace Ostrel
{

namespace
{

constexpr wchar_t kComInitFailure[] = L"Error initializing CoInitializeEx";

// Where the installation keeps the link of the web-safety feature's page.
constexpr wchar_t kWebSafetyKey[] = L"SOFTWARE\\Norvane\\VRT\\Settings\\toc\\A12341F7-A130-4447-97AD-2675F46516FB";
constexpr wchar_t kWebSafetyValue[] = L"LinkContext";
constexpr DWORD kWebSafetyLinkChars = 2084;

} // namespace

bool ScreenRelayImpl::showInBrowserMessageHandler(const std::wstring& payload)
{
    constexpr const wchar_t* kFunction = L"Ostrel::ScreenRelayImpl::showInBrowserMessageHandler";
    return runRequest(kFunction, kComInitFailure,
                      [&]
                      {
                          std::wstring url;
                          if (!processShowInBrowserMessagePayload(payload, url))
                          {
                              LOG_ERROR(kFunction, L"Failed to process show in browser message");
                              return false;
                          }
                          wchar_t* expandedText = nullptr;
                          const DWORD expandStatus = uiHostApi_->expandUrl(url.c_str(), &expandedText);
                          const auto release = [this](wchar_t* text)
                          {
                              comApi_->freeTaskMemory(text);
                          };
                          const std::unique_ptr<wchar_t, decltype(release)> expanded(expandedText, release);
                          if (expandStatus != 0 || !expanded || *expanded == L'\0')
                          {
                              LOG_ERROR(kFunction, L"Failed to expand any kesp arguments in url, error: %d",
                                        static_cast<int>(expandStatus));
                              return false;
                          }
                          const DWORD status = uiHostApi_->shellExecute(expanded.get());
                          if (status != 0)
                          {
                              LOG_ERROR(kFunction, L"Failed to execute url, error: %d", static_cast<int>(status));
                              return false;
                          }
                          return true;
                      });
}

bool ScreenRelayImpl::openUrl(const std::wstring& payload)
{
    constexpr const wchar_t* kFunction = L"Ostrel::ScreenRelayImpl::openUrl";
    return runRequest(kFunction, kComInitFailure,
                      [&]
                      {
                          std::wstring url;
                          std::uint32_t destination = 0;
                          std::uint32_t webOverlayOption = 0;
                          std::wstring parameters;
                          if (!processOpenUrlMessagePayload(payload, url, destination, webOverlayOption, parameters))
                          {
                              LOG_ERROR(kFunction, L"Failed to process openUrl message");
                              return false;
                          }
                          const HRESULT status =
                              uiHostApi_->openUrl(url.c_str(), destination, webOverlayOption, parameters.c_str());
                          if (status != 0)
                          {
                              LOG_ERROR(kFunction, L"Failed to call OpenUrl with error: %d", static_cast<int>(status));
                              return false;
                          }
                          return true;
                      });
}

bool ScreenRelayImpl::showInContainerMessageHandler(const std::wstring& payload)
{
    constexpr const wchar_t* kFunction = L"Ostrel::ScreenRelayImpl::showInContainerMessageHandler";
    return runRequest(kFunction, kComInitFailure,
                      [&]
                      {
                          std::wstring link;
                          std::wstring parameters;
                          std::optional<std::int32_t> launchPoint;
                          if (!processShowInContainerMessagePayload(payload, link, parameters, launchPoint))
                          {
                              LOG_ERROR(kFunction, L"Failed to process show in container message");
                              return false;
                          }
                          if (launchPoint && !uiHostApi_->setLaunchPoint(*launchPoint))
                          {
                              LOG_ERROR(kFunction, L"Failed to set launch point value: %d", *launchPoint);
                          }
                          const HRESULT status = uiHostApi_->openUrlInContainer(link.c_str(), parameters.c_str());
                          if (status != 0)
                          {
                              LOG_ERROR(kFunction, L"Failed to call OpenUrlInContainer with error: %d",
                                        static_cast<int>(status));
                              return false;
                          }
                          return true;
                      });
}

bool ScreenRelayImpl::showInBrowserSurfmark(const std::wstring&)
{
    constexpr const wchar_t* kFunction = L"Ostrel::ScreenRelayImpl::showInBrowserSurfmark";
    return runRequest(
        kFunction, kComInitFailure,
        [&]
        {
            wchar_t link[kWebSafetyLinkChars] = {};
            DWORD type = REG_NONE;
            DWORD bytes = sizeof(link);
            const LONG readStatus =
                registryApi_->readValue(HKEY_LOCAL_MACHINE, kWebSafetyKey, kWebSafetyValue, &type, link, &bytes, 0);
            if (readStatus != ERROR_SUCCESS)
            {
                LOG_ERROR(kFunction, L"Failed to read registry key %ls value %ls with error: %d", kWebSafetyKey,
                          kWebSafetyValue, static_cast<int>(readStatus));
                return false;
            }
            if (type != REG_SZ)
            {
                LOG_ERROR(kFunction, L"Failed to read registry key %ls key %ls of type %ld", kWebSafetyKey,
                          kWebSafetyValue, static_cast<long>(type));
                return false;
            }
            const std::wstring text(link, wcsnlen(link, std::min<DWORD>(bytes / sizeof(wchar_t), kWebSafetyLinkChars)));
            if (text.empty())
            {
                LOG_ERROR(kFunction, L"Failed to read registry path %ls key(empty) %ls", kWebSafetyKey,
                          kWebSafetyValue);
                return false;
            }
            const HRESULT status = uiHostApi_->openUrlInContainer(text.c_str(), L"");
            if (status != 0)
            {
                LOG_ERROR(kFunction, L"Failed to call OpenUrlInContainer with error: %d", static_cast<int>(status));
                return false;
            }
            return true;
        });
}

} // namespace Ostrel
