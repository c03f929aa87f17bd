#include "logging/Log.h"
#include "messagebus/Message.h"
#include "messagebus/Reply.h"
#include "screenrelay/ConnectivityCheck.h"
#include "screenrelay/InAppSupportPayload.h"
#include "screenrelay/PayloadReading.h"
#include "screenrelay/ScreenRelayImpl.h"
#include "uihost/VrtHelperCall.h"

#include <future>

// The handlers are members of the module object; their records name its
// source file.
LOG_SOURCE_FILE(L"ScreenRelayImpl.cpp")

// The help and support handlers: a help topic, and the in-app support page,
// online in the container or the offline support screen.

namespace Ostrel
{

namespace
{

constexpr wchar_t kComInitFailure[] = L"Error initializing CoInitializeEx";
// The status of a help call whose arguments could not be built.
constexpr HRESULT kHelpArgumentsFailed = 574;

constexpr wchar_t kSettingsRequest[] = L"VEZir.PDSettings.Request";
constexpr wchar_t kSettingsQuestion[] = L"renew_button_show";
// The settings service's answer for a partner installation.
constexpr wchar_t kPartnerAnswer[] = L"\"value\":\"0\"";

constexpr wchar_t kOfflineSupportPayload[] = L"{\"page_id\":\"help_support\"}";

} // namespace

bool ScreenRelayImpl::showHelpMessageHandler(const std::wstring& payload)
{
    constexpr const wchar_t* kFunction = L"Ostrel::ScreenRelayImpl::showHelpMessageHandler";
    return runRequest(kFunction, kComInitFailure,
                      [&]
                      {
                          std::wstring appId;
                          std::wstring topic;
                          bool online = false;
                          if (!processShowHelpMessagePayload(payload, appId, topic, online))
                          {
                              LOG_ERROR(kFunction, L"Failed to process show help message");
                              return false;
                          }
                          const VrtHelperResult result = OpenHelp(appId.c_str(), topic.c_str(), online);
                          switch (result.step)
                          {
                              case VrtHelperStep::Create:
                                  LOG_ERROR(kFunction, L"Failed to create the UI host helper, error: 0x%08lX",
                                            result.status);
                                  return false;
                              case VrtHelperStep::QueryDispatch:
                                  LOG_ERROR(kFunction, L"Failed to get IDispatch of the UI host helper, error: 0x%08lX",
                                            result.status);
                                  return false;
                              case VrtHelperStep::Invoke:
                                  break;
                          }
                          if (result.status == kHelpArgumentsFailed)
                          {
                              LOG_ERROR(kFunction, L"Excepte caought.");
                          }
                          // The help call's own status does not change the answer.
                          LOG_NORMAL(kFunction, L"OpenHelp(%s, %s, NULL) returned (0x%08lX)", appId.c_str(),
                                     topic.c_str(), result.status);
                          return true;
                      });
}

bool ScreenRelayImpl::showInAppSupportMessageHandler(const std::wstring& payload)
{
    constexpr const wchar_t* kFunction = L"Ostrel::ScreenRelayImpl::showInAppSupportMessageHandler";
    return runRequest(kFunction, kComInitFailure,
                      [&]
                      {
                          std::wstring faultId;
                          std::wstring parameters;
                          PayloadDocument document(nullptr, kPayloadStackCapacity);
                          if (parseJSON(payload, document))
                          {
                              getStringMember(document, L"fault_id", faultId, false);
                              getStringMember(document, L"parameters", parameters, false);
                          }
                          else
                          {
                              LOG_WARNING(kFunction, L"Message payload invalid.");
                          }
                          LOG_NORMAL(kFunction, L"passed in fault_id:%s,parameters:%s", faultId.c_str(),
                                     parameters.c_str());
                          if (connectivity_->isConnected() == 1 && !isISP())
                          {
                              const std::wstring supportPayload = InAppSupportPayload(faultId, parameters);
                              LOG_NORMAL(kFunction, L"message payload is:%s", supportPayload.c_str());
                              return showInContainerMessageHandler(supportPayload);
                          }
                          LOG_NORMAL(kFunction, L"It is offline, open second lever screen: support page.");
                          return showWithPageIDMessageHandler(kOfflineSupportPayload);
                      });
}

bool ScreenRelayImpl::isISP()
{
    constexpr const wchar_t* kFunction = L"Ostrel::ScreenRelayImpl::isISP";
    bool partner = false;
    const std::shared_ptr<Message> question = createMessage(kSettingsRequest, getModuleName(), kSettingsQuestion);
    std::shared_ptr<Reply> reply;
    const auto timeout = static_cast<std::uint64_t>(settingsRequestTimeout_.count());
    if (question && request(question, reply, timeout) == MODULE_STATUS_SUCCESS && reply)
    {
        try
        {
            std::shared_ptr<Message> answer;
            if (reply->wait() == ReplyReceived)
            {
                reply->getMessage(answer);
            }
            if (answer)
            {
                LOG_NORMAL(kFunction, L"VEZir.PDSettings.Request renew_button_show return %s",
                           answer->getPayload().c_str());
                partner = answer->getPayload().find(kPartnerAnswer) != std::wstring::npos;
            }
        }
        catch (const std::future_error& error)
        {
            // The bus reported a time-out or a failure of the request.
            LOG_WARNING(kFunction, L"VEZir.PDSettings.Request renew_button_show failed: %d", error.code().value());
        }
    }
    LOG_NORMAL(kFunction, L"Is Isp return %d", partner ? 1 : 0);
    return partner;
}

} // namespace Ostrel
