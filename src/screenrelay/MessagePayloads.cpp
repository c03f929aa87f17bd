#include "json/JSONParser.h"
#include "logging/Log.h"
#include "screenrelay/PayloadReading.h"
#include "screenrelay/ScreenRelayImpl.h"

// The readers are members of the module object; their records name its
// source file.
LOG_SOURCE_FILE(L"ScreenRelayImpl.cpp")

namespace Ostrel
{

bool ScreenRelayImpl::processShowScreenMessagePayload(const std::wstring& payload, std::wstring& screenName,
                                                      std::wstring& parameters)
{
    constexpr const wchar_t* kFunction = L"Ostrel::ScreenRelayImpl::processShowScreenMessagePayload";
    PayloadDocument document(nullptr, kPayloadStackCapacity);
    if (!parseJSON(payload, document))
    {
        LOG_ERROR(kFunction, L"Message payload invalid, not parsable");
        return false;
    }
    std::wstring name;
    if (!getStringMember(document, L"name", name, true))
    {
        LOG_ERROR(kFunction, L"Message payload invalid, unable to get 'name' member");
        return false;
    }
    std::wstring optionalParameters;
    if (!getStringMember(document, L"parameters", optionalParameters, false))
    {
        LOG_NORMAL(kFunction, L"No parameters found, this may be purposeful");
    }
    screenName = std::move(name);
    parameters = std::move(optionalParameters);
    return true;
}

bool ScreenRelayImpl::processShowInBrowserMessagePayload(const std::wstring& payload, std::wstring& url)
{
    constexpr const wchar_t* kFunction = L"Ostrel::ScreenRelayImpl::processShowInBrowserMessagePayload";
    PayloadDocument document(nullptr, kPayloadStackCapacity);
    if (!parseJSON(payload, document))
    {
        LOG_ERROR(kFunction, L"Message payload for show in browser is invalid, not parsable");
        return false;
    }
    std::wstring text;
    if (!getStringMember(document, L"url", text, true))
    {
        LOG_ERROR(kFunction, L"Mapping definition invalid, unable to get url member");
        return false;
    }
    url = std::move(text);
    return true;
}

bool ScreenRelayImpl::processShowInContainerMessagePayload(const std::wstring& payload, std::wstring& link,
                                                           std::wstring& parameters,
                                                           std::optional<std::int32_t>& launchPoint)
{
    constexpr const wchar_t* kFunction = L"Ostrel::ScreenRelayImpl::processShowInContainerMessagePayload";
    PayloadDocument document(nullptr, kPayloadStackCapacity);
    if (!parseJSON(payload, document))
    {
        LOG_ERROR(kFunction, L"Message payload for show in container is invalid, not parsable");
        return false;
    }
    std::wstring linkText;
    if (!getStringMember(document, L"link", linkText, true))
    {
        LOG_ERROR(kFunction, L"Mapping definition invalid, unable to get link member");
        return false;
    }
    std::wstring optionalParameters;
    if (!getStringMember(document, L"parameters", optionalParameters, false))
    {
        LOG_NORMAL(kFunction, L"Unable to get parameters member, this may be purposeful");
    }
    std::optional<std::int32_t> optionalLaunchPoint;
    if (std::int32_t value = 0; getIntMember(document, L"launch_point", value))
    {
        optionalLaunchPoint = value;
    }
    link = std::move(linkText);
    parameters = std::move(optionalParameters);
    launchPoint = optionalLaunchPoint;
    return true;
}

bool ScreenRelayImpl::processShowWithPageIDMessagePayload(const std::wstring& payload, std::wstring& pageId)
{
    constexpr const wchar_t* kFunction = L"Ostrel::ScreenRelayImpl::processShowWithPageIDMessagePayload";
    PayloadDocument document(nullptr, kPayloadStackCapacity);
    if (!parseJSON(payload, document))
    {
        LOG_ERROR(kFunction, L"Message payload for show with page id is invalid, not parsable");
        return false;
    }
    std::wstring text;
    if (!getStringMember(document, L"page_id", text, true))
    {
        LOG_ERROR(kFunction, L"Message payload for show with page id is invalid, unable to get 'page_id' member");
        return false;
    }
    pageId = std::move(text);
    return true;
}

bool ScreenRelayImpl::processShowWithResourceMessagePayload(const std::wstring& payload, std::wstring& resourceName,
                                                            std::wstring& parameters)
{
    constexpr const wchar_t* kFunction = L"Ostrel::ScreenRelayImpl::processShowWithResourceMessagePayload";
    PayloadDocument document(nullptr, kPayloadStackCapacity);
    if (!parseJSON(payload, document))
    {
        LOG_ERROR(kFunction, L"Message payload for show with resource is invalid, not parsable");
        return false;
    }
    std::wstring name;
    if (!getStringMember(document, L"resource_name", name, true))
    {
        LOG_ERROR(kFunction, L"Invalid payload, unable to get 'resource_name' member");
        return false;
    }
    std::wstring optionalParameters;
    if (!getStringMember(document, L"parameters", optionalParameters, false))
    {
        LOG_NORMAL(kFunction, L"No parameters found, this may be purposeful");
    }
    resourceName = std::move(name);
    parameters = std::move(optionalParameters);
    return true;
}

bool ScreenRelayImpl::processOpenUrlMessagePayload(const std::wstring& payload, std::wstring& url,
                                                   std::uint32_t& destination, std::uint32_t& webOverlayOption,
                                                   std::wstring& parameters)
{
    constexpr const wchar_t* kFunction = L"Ostrel::ScreenRelayImpl::processOpenUrlMessagePayload";
    JSONParser parser;
    if (payload.size() > kMaxPayloadChars || !parser.parse(payload.c_str()))
    {
        LOG_ERROR(kFunction, L"Message payload for OpenUrl is invalid, not parsable");
        return false;
    }
    if (!parser.getString(L"url", url))
    {
        LOG_ERROR(kFunction, L"Invalid payload, unable to get 'url' member");
        return false;
    }
    if (!parser.getUint(L"destination", destination))
    {
        LOG_ERROR(kFunction, L"Invalid payload, unable to get 'destination' member");
        return false;
    }
    if (!parser.getUint(L"web_overlay_option", webOverlayOption))
    {
        LOG_ERROR(kFunction, L"Invalid payload, unable to get 'web_overlay_option' member");
        return false;
    }
    if (!parser.getString(L"parameters", parameters))
    {
        LOG_NORMAL(kFunction, L"Unable to get 'parameters' member, this may be purposeful");
    }
    LOG_NORMAL(kFunction, L"Message payload for OpenUrl was successfully parsabled");
    return true;
}

bool ScreenRelayImpl::processShowHelpMessagePayload(const std::wstring& payload, std::wstring& appId,
                                                    std::wstring& topic, bool& online)
{
    constexpr const wchar_t* kFunction = L"Ostrel::ScreenRelayImpl::processShowHelpMessagePayload";
    PayloadDocument document(nullptr, kPayloadStackCapacity);
    if (!parseJSON(payload, document))
    {
        LOG_ERROR(kFunction, L"Message payload invalid, not parsable");
        return false;
    }
    if (!getStringMember(document, L"appid", appId, true))
    {
        LOG_ERROR(kFunction, L"Message payload invalid, unable to get 'appid' member");
        return false;
    }
    if (!getStringMember(document, L"topic", topic, true))
    {
        LOG_ERROR(kFunction, L"No topic_id found");
        return false;
    }
    if (!getBoolMember(document, L"online", online))
    {
        LOG_NORMAL(kFunction, L"No is_online found, assume it is false");
        online = false;
    }
    return true;
}

bool ScreenRelayImpl::processOpenAppMessagePayload(const std::wstring& payload, std::wstring& application)
{
    constexpr const wchar_t* kFunction = L"Ostrel::ScreenRelayImpl::processOpenAppMessagePayload";
    PayloadDocument document(nullptr, kPayloadStackCapacity);
    if (!parseJSON(payload, document))
    {
        LOG_ERROR(kFunction, L"Message payload invalid, not parsable");
        return false;
    }
    if (!getStringMember(document, L"app_info", application, true))
    {
        LOG_ERROR(kFunction, L"Message payload invalid, unable to get 'app_info' member");
        return false;
    }
    return true;
}

} // namespace Ostrel
