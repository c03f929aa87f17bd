#pragma once

#include "messagebus/MessageProperties.h"

#include <memory>
#include <string>

namespace Ostrel
{

// A named UTF-16 bus message with a sender, a payload and its property
// record. Always held through a shared pointer; not modified after it was
// handed to the bus, except for the flags and replyToken the client sets while
// publishing.
class Message
{
public:
    // Copies the strings and starts the record from the template, with
    // totalSize counting the three strings.
    Message(std::wstring name, std::wstring sender, std::wstring payload);
    virtual ~Message();
    Message(const Message&) = delete;
    Message& operator=(const Message&) = delete;

    const std::wstring& getName() const { return name_; }
    const std::wstring& getSender() const { return sender_; }
    const std::wstring& getPayload() const { return payload_; }
    // Mutable: the client sets and clears flag bits in place.
    MessageProperties* getProperties() const { return properties_.get(); }

private:
    std::wstring name_;
    std::wstring sender_;
    std::wstring payload_;
    std::unique_ptr<MessageProperties> properties_;
};

// A new message; an empty sender becomes the default sender (the file name of
// this library). Empty when memory runs out.
std::shared_ptr<Message> createMessage(const std::wstring& name, const std::wstring& sender,
                                       const std::wstring& payload);

// The file name of this library, computed once per process; empty when the
// system could not tell it.
const std::wstring& defaultMessageSender();

} // namespace Ostrel
