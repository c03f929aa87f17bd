#include "messagebus/MessageBusClient.h"
#include "messagebus/MockMessageBusShim.h"
#include "messagebus/message/ReplyImpl.h"
#include "module/BaseModule.h"
#include "support/LogCapture.h"
#include "support/LoggedRecord.h"
#include "support/TestFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

namespace Ostrel
{
namespace
{

using ScreenRelayTest::LogCapture;
using ScreenRelayTest::MockMessageBusShim;
using namespace ::testing;

class MockMessageBus : public MessageBus
{
public:
    using Msg = const std::shared_ptr<Message>&;
    using Out = std::shared_ptr<Reply>&;
    using Name = const std::wstring&;
    using Timeout = const std::uint64_t&;
    MOCK_METHOD(ModuleStatus, publish, (Msg), (override));
    MOCK_METHOD(ModuleStatus, publishFlagged, (Msg), (override));
    MOCK_METHOD(ModuleStatus, request, (Msg, ReplyCallback, Timeout), (override));
    MOCK_METHOD(ModuleStatus, request, (Msg, Out, Timeout), (override));
    MOCK_METHOD(ModuleStatus, requestFlagged, (Msg, ReplyCallback, Timeout), (override));
    MOCK_METHOD(ModuleStatus, requestFlagged, (Msg, Out, Timeout), (override));
    MOCK_METHOD(ModuleStatus, subscribe, (Name, Name, MessageHandler), (override));
    MOCK_METHOD(ModuleStatus, subscribe, (Name, MessageHandler), (override));
    MOCK_METHOD(ModuleStatus, subscribeInSession, (Name, Name, MessageHandler), (override));
    MOCK_METHOD(ModuleStatus, subscribeInSession, (Name, MessageHandler), (override));
    MOCK_METHOD(ModuleStatus, subscribeFilter, (Name, Name, MessageHandler), (override));
    MOCK_METHOD(ModuleStatus, subscribeFilter, (Name, MessageHandler), (override));
    MOCK_METHOD(ModuleStatus, subscribeFilterInSession, (Name, Name, MessageHandler), (override));
    MOCK_METHOD(ModuleStatus, subscribeFilterInSession, (Name, MessageHandler), (override));
    MOCK_METHOD(ModuleStatus, unsubscribe, (Name), (override));
};

// What the host's unload callback was asked, and what it answers.
struct UnloadRequests
{
    ModuleStatus answer = MODULE_STATUS_SUCCESS;
    std::vector<std::wstring> names;
    bool reservedAlwaysNull = true;
};

ModuleStatus RecordUnload(void* context, const wchar_t* moduleName, void* reserved)
{
    auto* requests = static_cast<UnloadRequests*>(context);
    requests->names.emplace_back(moduleName);
    requests->reservedAlwaysNull = requests->reservedAlwaysNull && reserved == nullptr;
    return requests->answer;
}

// A module class: it reaches the bus through the base's protected interface.
class TestModule : public BaseModule
{
public:
    explicit TestModule(std::shared_ptr<Basekit::IOCContainer> container = nullptr)
        : BaseModule(std::move(container))
    {
    }
    using BaseModule::publishFlagged;
    using BaseModule::requestFlagged;
    using BaseModule::subscribe;
    using BaseModule::subscribeInSession;

    ModuleStatus init(std::shared_ptr<MessageBus> bus, UnloadRequests* requests = nullptr, bool withManager = true)
    {
        auto manager = withManager ? std::make_shared<internal::ModuleManagerShim>(requests, RecordUnload) : nullptr;
        return baseInitialize(L"Relay", L"info", {{L"k", L"v"}}, std::move(manager), std::move(bus));
    }
};

TEST(BaseModuleTest, BaseInitializeKeepsWhatPrecedesTheMissingObjectAndUnloadAsksTheHost)
{
    LogCapture log;
    ScreenRelayTest::LogSourceAndFunction(log);
    UnloadRequests requests;
    requests.answer = MODULE_STATUS_UNSUCCESSFUL;
    auto container = std::make_shared<Basekit::IOCContainer>();
    TestModule module(container);

    EXPECT_EQ(module.init(std::make_shared<MockMessageBus>(), &requests, false), MODULE_STATUS_INVALID_PARAMETER);
    EXPECT_EQ(module.getModuleName(), L"Relay");
    EXPECT_EQ(module.unload(), MODULE_STATUS_SUCCESS) << "no manager stored";

    EXPECT_EQ(module.init(nullptr, &requests), MODULE_STATUS_INVALID_PARAMETER);
    EXPECT_EQ(container->registrationCount<MessageBus>(), 0u) << "no client stored";
    EXPECT_EQ(module.unload(), MODULE_STATUS_UNSUCCESSFUL) << "the manager was stored";
    EXPECT_EQ(requests.names, std::vector<std::wstring>{L"Relay"});
    EXPECT_TRUE(requests.reservedAlwaysNull);
    const std::pair<const wchar_t*, const wchar_t*> records[] = {
        {L"Invalid module manager object passed to base initialize.", L"Ostrel::BaseModule::baseInitialize"},
        {L"Failed to unload module due to nullptr", L"Ostrel::BaseModule::unload"},
        {L"Invalid message bus object passed to base initialize.", L"Ostrel::BaseModule::baseInitialize"},
        {L"Failed to unload module. Error code: 2147483650.", L"Ostrel::BaseModule::unload"},
    };
    for (const auto& [text, function] : records)
    {
        EXPECT_EQ(ScreenRelayTest::FindLoggedRecord(log.Text(), text),
                  (ScreenRelayTest::LoggedRecord{L"Error", L"BaseModule.cpp", function}))
            << log.Text();
    }
}

TEST(BaseModuleTest, SecondInitializationReplacesTheRegisteredClient)
{
    auto container = std::make_shared<Basekit::IOCContainer>();
    TestModule module(container);
    auto first = std::make_shared<MockMessageBus>();
    const std::weak_ptr<MockMessageBus> firstAlive = first;
    auto second = std::make_shared<MockMessageBus>();

    ASSERT_EQ(module.init(std::move(first)), MODULE_STATUS_SUCCESS);
    ASSERT_EQ(module.init(second), MODULE_STATUS_SUCCESS);
    EXPECT_EQ(container->registrationCount<MessageBus>(), 1u);
    EXPECT_EQ(container->resolve<MessageBus>(L"Unnamed registration"), second);
    EXPECT_TRUE(firstAlive.expired()) << "the first client is released";
}

TEST(BaseModuleTest, DirectMessageReachesOnlyABusClientsOwnSubscriptions)
{
    LogCapture log;
    TestModule uninitialized, otherBus, module;
    ASSERT_EQ(otherBus.init(std::make_shared<MockMessageBus>()), MODULE_STATUS_SUCCESS);
    for (TestModule* refusing : {&uninitialized, &otherBus})
    {
        EXPECT_EQ(refusing->directMessage(createMessage(L"A", L"S", L"")), MODULE_STATUS_INVALID_STATE);
    }
    EXPECT_TRUE(log.Contains(L"Failed to process direct message. Invalid message bus client.")) << log.Text();

    auto shim = std::make_shared<NiceMock<MockMessageBusShim>>();
    ON_CALL(*shim, subscribe(_, _)).WillByDefault(Return(7u));
    ASSERT_EQ(module.init(std::make_shared<MessageBusClient>(shim, nullptr)), MODULE_STATUS_SUCCESS);
    std::vector<std::wstring> delivered;
    const auto record = [&](const std::shared_ptr<Message>& message)
    {
        delivered.push_back(message->getPayload());
        return MODULE_STATUS_SUCCESS;
    };
    ASSERT_EQ(module.subscribe(L"ZTS.UI.ShowScreen", record), MODULE_STATUS_SUCCESS);
    EXPECT_EQ(module.directMessage(createMessage(L"ZTS.UI.ShowScreen", L"S", L"{}")), MODULE_STATUS_SUCCESS);
    EXPECT_EQ(module.directMessage(createMessage(L"ZTS.UI.Other", L"S", L"[]")), MODULE_STATUS_SUCCESS);
    EXPECT_EQ(delivered, std::vector<std::wstring>{L"{}"});

    EXPECT_EQ(module.directMessage(nullptr), MODULE_STATUS_INVALID_PARAMETER) << "the client refuses an empty message";
    EXPECT_TRUE(log.Contains(L"Failed to process direct message. Module: Relay. Module Status: "
                             L"MODULE_STATUS_INVALID_PARAMETER(2147483656)"))
        << log.Text();
}

TEST(BaseModuleTest, BusOperationsReachTheClientUnchanged)
{
    auto bus = std::make_shared<MockMessageBus>();
    TestModule module;
    ASSERT_EQ(module.init(bus), MODULE_STATUS_SUCCESS);
    const auto message = createMessage(L"ZTS.Settings.Get", L"Relay", L"{}");

    EXPECT_CALL(*bus, publishFlagged(Eq(message))).WillOnce(Return(MODULE_STATUS_NO_SUBSCRIBERS));
    EXPECT_EQ(module.publishFlagged(message), MODULE_STATUS_NO_SUBSCRIBERS);

    const std::shared_ptr<Reply> answer = std::make_shared<ReplyImpl>(std::make_shared<ReplySlot>(), 5000);
    EXPECT_CALL(*bus, requestFlagged(Eq(message), An<std::shared_ptr<Reply>&>(), Eq(5000u)))
        .WillOnce(DoAll(SetArgReferee<1>(answer), Return(MODULE_STATUS_TIMEOUT)));
    std::shared_ptr<Reply> reply;
    EXPECT_EQ(module.requestFlagged(message, reply, 5000), MODULE_STATUS_TIMEOUT);
    EXPECT_EQ(reply, answer);

    auto token = std::make_shared<int>(0);
    const std::weak_ptr<int> handlerAlive = token;
    MessageHandler handler = [token = std::move(token)](const std::shared_ptr<Message>&)
    {
        return *token + 1u;
    };
    const auto movedOn = [&](const MessageHandler& forwarded)
    {
        return forwarded && forwarded(message) == 1u && handlerAlive.use_count() == 1;
    };
    EXPECT_CALL(*bus, subscribeInSession(std::wstring(L"ZTS.UI.ShowScreen"), std::wstring(L"screens"), Truly(movedOn)))
        .WillOnce(Return(MODULE_STATUS_SUCCESS));
    EXPECT_EQ(module.subscribeInSession(L"ZTS.UI.ShowScreen", L"screens", std::move(handler)), MODULE_STATUS_SUCCESS);
}

} // namespace
} // namespace Ostrel
