#pragma once

#include "messagebus/Message.h"
#include "messagebus/Reply.h"

#include <future>
#include <memory>
#include <optional>
#include <string>

namespace ScreenRelayTest
{

// A settings service's answer as the bus client hands it over: a reply
// message with this payload, or a wait that throws as the client's does when
// the bus reported a time-out or a failure.
class SettingsReply : public Ostrel::Reply
{
public:
    static std::shared_ptr<SettingsReply> Answering(const std::wstring& payload)
    {
        return std::make_shared<SettingsReply>(payload);
    }
    static std::shared_ptr<SettingsReply> Failing() { return std::make_shared<SettingsReply>(std::nullopt); }

    explicit SettingsReply(std::optional<std::wstring> payload)
        : payload_(std::move(payload))
    {
    }

    std::uint32_t getStatus() override { return payload_ ? Ostrel::ReplyReceived : Ostrel::ReplyPending; }
    void getMessage(std::shared_ptr<Ostrel::Message>& message) override
    {
        message = payload_ ? Ostrel::createMessage(L"VEZir.PDSettings.Reply", L"Settings", *payload_) : nullptr;
    }
    std::uint32_t wait() override
    {
        if (!payload_)
        {
            throw std::future_error(std::future_errc::broken_promise);
        }
        return Ostrel::ReplyReceived;
    }
    std::uint32_t waitFor(std::uint32_t) override { return wait(); }

private:
    std::optional<std::wstring> payload_;
};

} // namespace ScreenRelayTest
