#include "SettingsService.h"

#include "DevelopmentSwitches.h"
#include "Journal.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <string>

namespace RelayHost
{

namespace
{

using WideWriter = rapidjson::Writer<rapidjson::GenericStringBuffer<rapidjson::UTF16<wchar_t>>,
                                     rapidjson::UTF16<wchar_t>, rapidjson::UTF16<wchar_t>>;

constexpr wchar_t kRenewButtonSetting[] = L"renew_button_show";

// The answer for a setting; the setting's name comes from another process and
// is written as JSON text.
std::wstring AnswerPayload(const std::wstring& setting)
{
    rapidjson::GenericStringBuffer<rapidjson::UTF16<wchar_t>> buffer;
    WideWriter writer(buffer);
    writer.StartObject();
    writer.Key(L"name");
    writer.String(setting.c_str(), static_cast<rapidjson::SizeType>(setting.size()));
    if (setting == kRenewButtonSetting)
    {
        const bool partner =
            DevHost::ReadDevelopmentSwitch(SettingsService::kComponent, SettingsService::kPartnerSwitch).value_or(0) !=
            0;
        writer.Key(L"value");
        writer.String(partner ? L"0" : L"1");
    }
    else
    {
        writer.Key(L"error");
        writer.String(L"unknown setting");
    }
    writer.EndObject();
    return buffer.GetString();
}

} // namespace

std::unique_ptr<SettingsService> SettingsService::Start(HostBus& bus, SettingsAnswers answers)
{
    std::unique_ptr<SettingsService> service(new SettingsService(bus, answers));
    service->subscription_ =
        bus.subscribe(kRequestName, [service = service.get()](const MessageProperties* properties, const wchar_t*,
                                                              const wchar_t*, const wchar_t* payload)
                      { return service->onRequest(properties, payload); });
    if (service->subscription_ == 0)
    {
        return nullptr;
    }
    return service;
}

SettingsService::SettingsService(HostBus& bus, SettingsAnswers answers)
    : bus_(bus)
    , answers_(answers)
{
}

SettingsService::~SettingsService()
{
    if (subscription_ != 0)
    {
        bus_.unsubscribe(subscription_);
    }
}

Ostrel::ModuleStatus SettingsService::onRequest(const MessageProperties* properties, const wchar_t* setting)
{
    if (properties == nullptr || answers_ == SettingsAnswers::LeftUnanswered)
    {
        DevHost::JournalCall(kComponent, kRequestName, {{L"setting", L"", setting}, {L"answer", L"", {}}});
        return Ostrel::MODULE_STATUS_SUCCESS;
    }
    const std::wstring answer = AnswerPayload(setting);
    DevHost::JournalCall(kComponent, kRequestName, {{L"setting", L"", setting}, {L"answer", L"", answer}});
    return bus_.answer(*properties, kReplyName, kComponent, answer.c_str());
}

} // namespace RelayHost
