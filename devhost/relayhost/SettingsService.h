#pragma once

#include "HostBus.h"

#include <cstdint>
#include <memory>

namespace RelayHost
{

// Whether the settings service answers the requests it receives.
enum class SettingsAnswers
{
    Answered,
    // Received and journaled, never answered: the requester's time-out runs out.
    LeftUnanswered,
};

// The suite's settings service, as far as the module asks it: it answers
// "VEZir.PDSettings.Request" on the host's bus. The request's payload names a
// setting; the answer's payload is {"name":"<setting>","value":"<text>"}, or
// {"name":"<setting>","error":"unknown setting"} for a setting it does not
// keep. The one setting kept is "renew_button_show": "0" in a partner
// installation, whose partner sells the renewal, "1" otherwise. The partner
// choice is the development switch "PartnerInstallation" of the component
// "SettingsService" (DevelopmentSwitches.h), read at every request. Each
// request is journaled by that component with the setting and the answer
// (null when left unanswered) before the answer is sent.
class SettingsService
{
public:
    static constexpr wchar_t kRequestName[] = L"VEZir.PDSettings.Request";
    static constexpr wchar_t kReplyName[] = L"VEZir.PDSettings.Reply";
    // The sender of the answers, the journal component and the switches' key.
    static constexpr wchar_t kComponent[] = L"SettingsService";
    // REG_DWORD: non-zero for a partner installation.
    static constexpr wchar_t kPartnerSwitch[] = L"PartnerInstallation";

    // Subscribes on the bus; null when the bus refuses.
    static std::unique_ptr<SettingsService> Start(HostBus& bus, SettingsAnswers answers);
    // Returns once no request is being handled.
    ~SettingsService();
    SettingsService(const SettingsService&) = delete;
    SettingsService& operator=(const SettingsService&) = delete;

private:
    SettingsService(HostBus& bus, SettingsAnswers answers);
    Ostrel::ModuleStatus onRequest(const MessageProperties* properties, const wchar_t* setting);

    HostBus& bus_;
    const SettingsAnswers answers_;
    std::uint32_t subscription_ = 0;
};

} // namespace RelayHost
