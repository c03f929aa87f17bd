#pragma once

#include "messagebus/MessageProperties.h"

#include <optional>
#include <string>

namespace DevBus
{

// A message as the bus keeps it between the publisher's call and the calls
// into subscribers: copies of the record (none when the publisher gave none)
// and of the three strings (a null string becomes empty).
struct BusMessage
{
    BusMessage(const MessageProperties* properties, const wchar_t* name, const wchar_t* sender, const wchar_t* payload)
        : name(Text(name))
        , sender(Text(sender))
        , payload(Text(payload))
    {
        if (properties != nullptr)
        {
            record = *properties;
        }
    }

    std::optional<MessageProperties> record;
    std::wstring name;
    std::wstring sender;
    std::wstring payload;

private:
    static const wchar_t* Text(const wchar_t* text) { return text != nullptr ? text : L""; }
};

} // namespace DevBus
