#pragma once

#include "messagebus/MessageBusShim.h"

#include <gmock/gmock.h>

#include <cstdint>
#include <memory>
#include <string>

namespace ScreenRelayTest
{

// Stands in for the bus library binding below a bus client.
class MockMessageBusShim : public Ostrel::MessageBusShim
{
public:
    MOCK_METHOD(Ostrel::ModuleStatus, publish, (const std::shared_ptr<Ostrel::Message>& message, bool flagged),
                (override));
    MOCK_METHOD(Ostrel::ModuleStatus, request,
                (const std::shared_ptr<Ostrel::Message>& message, std::uint64_t replyIndex,
                 Ostrel::ReplyFunction* replyFunction, std::uint64_t timeoutMilliseconds, bool flagged),
                (override));
    MOCK_METHOD(void, releaseReplyCallback, (), (override));
    MOCK_METHOD(std::uint32_t, subscribe, (const std::wstring& messageName, Ostrel::SubscribedHandler* handler),
                (override));
    MOCK_METHOD(std::uint32_t, subscribeFilter, (const std::wstring& namePattern, Ostrel::SubscribedHandler* handler),
                (override));
    MOCK_METHOD(void, unsubscribe, (std::uint32_t subscriptionId), (override));
};

} // namespace ScreenRelayTest
