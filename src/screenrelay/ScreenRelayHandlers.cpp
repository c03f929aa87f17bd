#include "logging/Log.h"
#include "screenrelay/ScreenRelayImpl.h"
#include "uihost/ComInitScope.h"
#include "uihost/VRTCommonAPI.h"

#include <objbase.h>

#include <mutex>

// The handlers are members of the module object; their records name its
// source file.
LOG_SOURCE_FILE(L"ScreenRelayImpl.cpp")

namespace Ostrel
{

namespace
{

constexpr wchar_t kComInitFailure[] = L"Error initializing CoInitializeEx";

// The application string that opens a page of the UI host's script resources.
std::wstring resourceApplication(const std::wstring& resourceName, const std::wstring& parameters)
{
    std::wstring application = L"qvknownapp:uihost::kesp://vrtjsres.dll::" + resourceName;
    if (!parameters.empty())
    {
        application += L"?" + parameters;
    }
    return application;
}

} // namespace

bool ScreenRelayImpl::runRequest(const wchar_t* function, const wchar_t* comInitFailure,
                                 const std::function<bool()>& body)
{
    std::lock_guard requestGuard(requestLock_);
    // Declared after the guard: the apartment is left and the unload asked
    // for while the request lock is still held.
    ComInitScope com;
    com.setOnExit([this] { unload(); });
    if (FAILED(com.enter(COINIT_MULTITHREADED)))
    {
        LOG_ERROR(function, comInitFailure);
        return false;
    }
    return body();
}

bool ScreenRelayImpl::showScreenMessageHandler(const std::wstring& payload)
{
    constexpr const wchar_t* kFunction = L"Ostrel::ScreenRelayImpl::showScreenMessageHandler";
    return runRequest(kFunction, kComInitFailure,
                      [&]
                      {
                          std::wstring screenName;
                          std::wstring parameters;
                          if (!processShowScreenMessagePayload(payload, screenName, parameters))
                          {
                              LOG_ERROR(kFunction, L"Failed to process show screen message");
                              return false;
                          }
                          const std::optional<std::wstring> pageId = pageIdForScreen(screenName);
                          if (!pageId)
                          {
                              LOG_ERROR(kFunction, L"No command for '%s' found", screenName.c_str());
                              return false;
                          }
                          const auto status = uiHostApi_->openInternal(pageId->c_str());
                          if (status != 0)
                          {
                              LOG_ERROR(kFunction, L"Failed to call OpenInternal with error: %d",
                                        static_cast<int>(status));
                              return false;
                          }
                          return true;
                      });
}

bool ScreenRelayImpl::showWithPageIDMessageHandler(const std::wstring& payload)
{
    constexpr const wchar_t* kFunction = L"Ostrel::ScreenRelayImpl::showWithPageIDMessageHandler";
    return runRequest(kFunction, kComInitFailure,
                      [&]
                      {
                          std::wstring pageId;
                          if (!processShowWithPageIDMessagePayload(payload, pageId))
                          {
                              LOG_ERROR(kFunction, L"Message payload invalid");
                              return false;
                          }
                          const auto status = uiHostApi_->openInternal(pageId.c_str());
                          if (status != 0)
                          {
                              LOG_ERROR(kFunction, L"Failed to call OpenInternal with %s, error: %d", pageId.c_str(),
                                        static_cast<int>(status));
                              return false;
                          }
                          return true;
                      });
}

bool ScreenRelayImpl::showWithResourceMessageHandler(const std::wstring& payload)
{
    constexpr const wchar_t* kFunction = L"Ostrel::ScreenRelayImpl::showWithResourceMessageHandler";
    return runRequest(kFunction, kComInitFailure,
                      [&]
                      {
                          std::wstring resourceName;
                          std::wstring parameters;
                          if (!processShowWithResourceMessagePayload(payload, resourceName, parameters))
                          {
                              LOG_ERROR(kFunction, L"Failed to process show with resource message");
                              return false;
                          }
                          const auto status =
                              uiHostApi_->openApp(resourceApplication(resourceName, parameters).c_str());
                          if (status != 0)
                          {
                              LOG_ERROR(kFunction, L"Failed to call OpenApp with error: %d", static_cast<int>(status));
                              return false;
                          }
                          return true;
                      });
}

bool ScreenRelayImpl::openAppMessageHandler(const std::wstring& payload)
{
    constexpr const wchar_t* kFunction = L"Ostrel::ScreenRelayImpl::openAppMessageHandler";
    return runRequest(kFunction, L"Failed to initialize COM interface",
                      [&]
                      {
                          std::wstring application;
                          if (!processOpenAppMessagePayload(payload, application))
                          {
                              LOG_ERROR(kFunction, L"Failed to process open app message");
                              return false;
                          }
                          setTaskbarWindowToForeGround();
                          const auto status = uiHostApi_->openApp(application.c_str());
                          if (status != 0)
                          {
                              LOG_ERROR(kFunction, L"Failed to call OpenApp with error: %d", static_cast<int>(status));
                              return false;
                          }
                          return true;
                      });
}

} // namespace Ostrel
