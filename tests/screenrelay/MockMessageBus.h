#pragma once

#include "messagebus/MessageBus.h"

#include <gmock/gmock.h>

namespace ScreenRelayTest
{

// Stands in for the bus client below a module.
class MockMessageBus : public Ostrel::MessageBus
{
public:
    using Msg = const std::shared_ptr<Ostrel::Message>&;
    using Out = std::shared_ptr<Ostrel::Reply>&;
    using Name = const std::wstring&;
    using Timeout = const std::uint64_t&;
    using Handler = Ostrel::MessageHandler;
    using Callback = Ostrel::ReplyCallback;
    using Status = Ostrel::ModuleStatus;
    MOCK_METHOD(Status, publish, (Msg), (override));
    MOCK_METHOD(Status, publishFlagged, (Msg), (override));
    MOCK_METHOD(Status, request, (Msg, Callback, Timeout), (override));
    MOCK_METHOD(Status, request, (Msg, Out, Timeout), (override));
    MOCK_METHOD(Status, requestFlagged, (Msg, Callback, Timeout), (override));
    MOCK_METHOD(Status, requestFlagged, (Msg, Out, Timeout), (override));
    MOCK_METHOD(Status, subscribe, (Name, Name, Handler), (override));
    MOCK_METHOD(Status, subscribe, (Name, Handler), (override));
    MOCK_METHOD(Status, subscribeInSession, (Name, Name, Handler), (override));
    MOCK_METHOD(Status, subscribeInSession, (Name, Handler), (override));
    MOCK_METHOD(Status, subscribeFilter, (Name, Name, Handler), (override));
    MOCK_METHOD(Status, subscribeFilter, (Name, Handler), (override));
    MOCK_METHOD(Status, subscribeFilterInSession, (Name, Name, Handler), (override));
    MOCK_METHOD(Status, subscribeFilterInSession, (Name, Handler), (override));
    MOCK_METHOD(Status, unsubscribe, (Name), (override));
};

} // namespace ScreenRelayTest
