#include "messagebus/FailingAllocation.h"
#include "messagebus/MessageBusShimImpl.h"
#include "platform/ModuleException.h"
#include "support/LogCapture.h"
#include "support/LoggedRecord.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <functional>
#include <initializer_list>
#include <stdexcept>
#include <vector>

namespace Ostrel
{
namespace
{

int handleObject = 0;
void* const kHandle = &handleObject;

// What the fake bus library was asked, one line per call: the entry number and
// the arguments, pointers named by what they should be.
struct FakeBus
{
    std::wstring journal;
    const void* context = nullptr;
    const void* properties = nullptr;
    void* lastContext = nullptr;
    BusDeliveryEntryPoint lastDelivery = nullptr;
    BusReplyEntryPoint lastReply = nullptr;
} bus;

std::wstring Name(const void* pointer)
{
    return pointer == kHandle                                                                  ? L"handle"
           : pointer == bus.context                                                            ? L"context"
           : pointer == bus.properties                                                         ? L"properties"
           : pointer == reinterpret_cast<const void*>(&MessageBusShimImpl::replyEntryPoint)    ? L"replyEntry"
           : pointer == reinterpret_cast<const void*>(&MessageBusShimImpl::deliveryEntryPoint) ? L"deliveryEntry"
                                                                                               : L"unexpected";
}

void Record(int entry, std::initializer_list<std::wstring> arguments)
{
    bus.journal += std::to_wstring(entry);
    for (const std::wstring& argument : arguments)
    {
        bus.journal += L" " + argument;
    }
    bus.journal += L"\n";
}

template <int Entry>
ModuleStatus FakePublish(void* handle, MessageProperties* properties, const wchar_t* name, const wchar_t* sender,
                         const wchar_t* payload)
{
    Record(Entry, {Name(handle), Name(properties), name, sender, payload});
    return 0x100 + Entry;
}

template <int Entry>
ModuleStatus FakeRequest(void* handle, std::uint64_t replyIndex, void* context, BusReplyEntryPoint reply,
                         MessageProperties* properties, const wchar_t* name, const wchar_t* sender,
                         const wchar_t* payload, std::uint64_t timeout)
{
    Record(Entry, {Name(handle), std::to_wstring(replyIndex), Name(context), Name(reinterpret_cast<void*>(reply)),
                   Name(properties), name, sender, payload, std::to_wstring(timeout)});
    bus.lastContext = context;
    bus.lastReply = reply;
    return 0x100 + Entry;
}

template <int Entry>
std::uint32_t FakeSubscribe(void* handle, void* context, BusDeliveryEntryPoint delivery, const wchar_t* name)
{
    Record(Entry, {Name(handle), Name(context), Name(reinterpret_cast<void*>(delivery)), name});
    bus.lastContext = context;
    bus.lastDelivery = delivery;
    return 0x200 + Entry;
}

void FakeUnsubscribe(void* handle, std::uint32_t id)
{
    Record(6, {Name(handle), std::to_wstring(id)});
}

void FakeReleaseReplyCallback(void* handle, BusReplyEntryPoint reply)
{
    Record(7, {Name(handle), Name(reinterpret_cast<void*>(reply))});
}

// Handle creation and release are not the shim's: calling them would crash.
const MessageBusFunctions kFakeFunctions = {
    nullptr,          nullptr,         FakePublish<2>,           FakeRequest<3>, FakeSubscribe<4>,
    FakeSubscribe<5>, FakeUnsubscribe, FakeReleaseReplyCallback, FakePublish<8>, FakeRequest<9>,
};

TEST(MessageBusShimImplTest, NullHandleOrTableThrowsAndLogs)
{
    ScreenRelayTest::LogCapture log;
    ScreenRelayTest::LogSourceAndFunction(log);
    const struct
    {
        void* handle;
        const MessageBusFunctions* functions;
        const char* exception;
    } cases[] = {
        {nullptr, &kFakeFunctions, "Invalid message bus handle"},
        {nullptr, nullptr, "Invalid message bus handle"},
        {kHandle, nullptr, "Invalid message bus functions object"},
    };
    for (const auto& c : cases)
    {
        EXPECT_THAT([&] { MessageBusShimImpl shim(c.handle, c.functions); },
                    testing::ThrowsMessage<ModuleException>(testing::StrEq(c.exception)));
    }
    for (const wchar_t* record : {L"Invalid message bus handle. Throwing ModuleException.",
                                  L"Invalid message bus functions object. Throwing ModuleException."})
    {
        // The source and function as their columns hold them, cut to 20 and 40.
        EXPECT_EQ(ScreenRelayTest::FindLoggedRecord(log.Text(), record),
                  (ScreenRelayTest::LoggedRecord{L"Error", L"MessageBusShimImpl.c",
                                                 L"Ostrel::MessageBusShimImpl::MessageBusSh"}));
    }
    EXPECT_EQ(bus.journal, L"") << "a shim that was never built releases nothing";
}

// Each operation reaches its own entry; destruction releases the reply
// callback (entry 7) once more.
TEST(MessageBusShimImplTest, EveryOperationReachesItsEntry)
{
    const auto message = createMessage(L"Name", L"Sender", L"{}");
    SubscribedHandler handler{MessageHandler()};
    ReplyFunction replyFunction;
    bus.properties = message->getProperties();
    const struct
    {
        std::function<std::uint64_t(MessageBusShim&)> operation;
        std::uint64_t result;
        const void* context;
        std::wstring journal;
    } cases[] = {
        {[&](MessageBusShim& s) { return s.publish(message, false); }, 0x102, nullptr,
         L"2 handle properties Name Sender {}\n"},
        {[&](MessageBusShim& s) { return s.publish(message, true); }, 0x108, nullptr,
         L"8 handle properties Name Sender {}\n"},
        {[&](MessageBusShim& s) { return s.request(message, 42, &replyFunction, 5000, false); }, 0x103, &replyFunction,
         L"3 handle 42 context replyEntry properties Name Sender {} 5000\n"},
        {[&](MessageBusShim& s) { return s.request(message, 42, &replyFunction, 5000, true); }, 0x109, &replyFunction,
         L"9 handle 42 context replyEntry properties Name Sender {} 5000\n"},
        {[&](MessageBusShim& s) { return s.subscribe(L"ZTS.UI.ShowHelp", &handler); }, 0x204, &handler,
         L"4 handle context deliveryEntry ZTS.UI.ShowHelp\n"},
        {[&](MessageBusShim& s) { return s.subscribeFilter(L"ZTS\\..*", &handler); }, 0x205, &handler,
         L"5 handle context deliveryEntry ZTS\\..*\n"},
        {[&](MessageBusShim& s) { return (s.unsubscribe(17), 0); }, 0, nullptr, L"6 handle 17\n"},
        {[&](MessageBusShim& s) { return (s.releaseReplyCallback(), 0); }, 0, nullptr, L"7 handle replyEntry\n"},
        {[&](MessageBusShim& s) { return s.publish(nullptr, true); }, MODULE_STATUS_INVALID_PARAMETER, nullptr, L""},
        {[&](MessageBusShim& s) { return s.request(nullptr, 1, &replyFunction, 5, false); },
         MODULE_STATUS_INVALID_PARAMETER, nullptr, L""},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.journal);
        bus.journal.clear();
        bus.context = c.context;
        {
            MessageBusShimImpl shim(kHandle, &kFakeFunctions);
            EXPECT_EQ(c.operation(shim), c.result);
        }
        EXPECT_EQ(bus.journal, c.journal + L"7 handle replyEntry\n");
    }
}

TEST(MessageBusShimImplTest, DeliveryBuildsTheMessageAndCallsTheSubscribedHandler)
{
    std::vector<std::shared_ptr<Message>> received;
    const auto handler = std::make_shared<SubscribedHandler>(
        [&](const std::shared_ptr<Message>& message)
        {
            received.push_back(message);
            return MODULE_STATUS_NOT_FOUND;
        });
    MessageBusShimImpl shim(kHandle, &kFakeFunctions);
    shim.subscribe(L"ZTS.UI.ShowScreen", handler.get());
    // A version-1 record as the bus delivers it: recognisable bytes, 100 of them.
    MessageProperties source{};
    std::memset(&source, 0x5A, sizeof(source));
    source.version = 1;
    source.totalSize = 300;
    std::vector<std::uint8_t> record(reinterpret_cast<std::uint8_t*>(&source),
                                     reinterpret_cast<std::uint8_t*>(&source) + 100);
    const auto* delivered = reinterpret_cast<const MessageProperties*>(record.data());

    EXPECT_EQ(bus.lastDelivery(bus.lastContext, delivered, L"ZTS.UI.ShowScreen", L"Other.dll", L"{}"),
              MODULE_STATUS_NOT_FOUND);
    EXPECT_EQ(bus.lastDelivery(bus.lastContext, delivered, L"ZTS.UI.ShowHelp", L"", nullptr), MODULE_STATUS_NOT_FOUND);

    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0]->getName(), L"ZTS.UI.ShowScreen");
    EXPECT_EQ(received[0]->getSender(), L"Other.dll");
    EXPECT_EQ(received[0]->getPayload(), L"{}");
    MessageProperties expected = source;
    expected.totalSize = 308;
    expected.version = 2;
    expected.extension = MessagePropertiesTemplate().extension;
    EXPECT_EQ(std::memcmp(received[0]->getProperties(), &expected, sizeof(expected)), 0);
    EXPECT_EQ(received[1]->getSender(), defaultMessageSender()) << "an empty sender is the module's own";
    EXPECT_EQ(received[1]->getPayload(), L"") << "a null text counts as empty";
}

TEST(MessageBusShimImplTest, DeliveryFailuresBecomeUnknownExceptionAndLaterDeliveriesWork)
{
    int calls = 0;
    const auto throwsOnce = std::make_shared<SubscribedHandler>(
        [&](const std::shared_ptr<Message>&)
        { return ++calls == 1 ? throw std::runtime_error("handler failed") : MODULE_STATUS_SUCCESS; });
    const auto empty = std::make_shared<SubscribedHandler>(MessageHandler());
    const auto deliver = [](SubscribedHandler* handler)
    {
        return MessageBusShimImpl::deliveryEntryPoint(handler, nullptr, L"ZTS.UI.OpenUrl", L"S", L"{}");
    };

    EXPECT_EQ(deliver(throwsOnce.get()), MODULE_STATUS_UNKNOWN_EXCEPTION);
    EXPECT_EQ(deliver(throwsOnce.get()), MODULE_STATUS_SUCCESS);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(deliver(empty.get()), MODULE_STATUS_UNKNOWN_EXCEPTION);
    EXPECT_EQ(deliver(nullptr), MODULE_STATUS_UNKNOWN_EXCEPTION);
}

// Every allocation that building the delivered message makes fails in turn,
// for texts that fit in a string's own storage and for longer ones: the
// library hears MODULE_STATUS_NO_MEMORY and the handler is not called.
TEST(MessageBusShimImplTest, DeliveryThatCannotBuildItsMessageAnswersNoMemory)
{
    int calls = 0;
    const auto handler = std::make_shared<SubscribedHandler>(
        [&](const std::shared_ptr<Message>&)
        {
            ++calls;
            return MODULE_STATUS_NOT_FOUND;
        });
    const std::wstring longText(300, L'x');
    for (const wchar_t* text : {L"S", longText.c_str()})
    {
        calls = 0;
        for (std::size_t index = 0;; ++index)
        {
            SCOPED_TRACE(testing::Message() << "text length " << std::wcslen(text) << ", allocation " << index);
            ModuleStatus status = MODULE_STATUS_SUCCESS;
            bool failed = false;
            {
                ScreenRelayTest::FailingAllocation failing(index);
                status = MessageBusShimImpl::deliveryEntryPoint(handler.get(), nullptr, text, text, text);
                failed = failing.Happened();
            }
            if (!failed)
            {
                EXPECT_EQ(status, MODULE_STATUS_NOT_FOUND);
                EXPECT_EQ(calls, 1);
                break;
            }
            EXPECT_EQ(status, MODULE_STATUS_NO_MEMORY);
            EXPECT_EQ(calls, 0);
        }
    }
}

TEST(MessageBusShimImplTest, ReplyReachesTheRequestersReplyFunction)
{
    std::vector<std::shared_ptr<Message>> messages;
    std::vector<std::uint32_t> statuses;
    ReplyFunction replyFunction =
        [&](std::uint64_t index, const std::shared_ptr<Message>& message, std::uint32_t status)
    {
        messages.push_back(message);
        statuses.push_back(status);
        return index == 42 ? MODULE_STATUS_NOT_FOUND : MODULE_STATUS_UNSUCCESSFUL;
    };
    MessageBusShimImpl shim(kHandle, &kFakeFunctions);
    shim.request(createMessage(L"VEZir.PDSettings.Request", L"S", L"{}"), 42, &replyFunction, 5000, false);
    MessageProperties properties = MessagePropertiesTemplate();
    properties.flags = MESSAGE_FLAG_REPLY;
    properties.replyToken = 42;

    for (const std::uint32_t busStatus : {MODULE_STATUS_SUCCESS, MODULE_STATUS_TIMEOUT, MODULE_STATUS_UNSUCCESSFUL})
    {
        EXPECT_EQ(bus.lastReply(bus.lastContext, 42, &properties, L"answer", L"S", L"{\"v\":2}", busStatus),
                  MODULE_STATUS_NOT_FOUND);
    }
    EXPECT_EQ(statuses,
              (std::vector<std::uint32_t>{MODULE_STATUS_SUCCESS, MODULE_STATUS_TIMEOUT, MODULE_STATUS_UNSUCCESSFUL}));
    ASSERT_EQ(messages.size(), 3u);
    ASSERT_NE(messages[0], nullptr);
    EXPECT_EQ(messages[0]->getName(), L"answer");
    EXPECT_EQ(messages[0]->getPayload(), L"{\"v\":2}");
    EXPECT_EQ(std::memcmp(messages[0]->getProperties(), &properties, sizeof(properties)), 0);
    EXPECT_EQ(messages[1], nullptr) << "a failed request has no reply message";
    EXPECT_EQ(messages[2], nullptr);

    ReplyFunction throwing = [](std::uint64_t, const std::shared_ptr<Message>&, std::uint32_t) -> ModuleStatus
    {
        throw std::logic_error("reply failed");
    };
    ReplyFunction empty;
    EXPECT_EQ(MessageBusShimImpl::replyEntryPoint(nullptr, 1, &properties, L"a", L"S", L"{}", 0), MODULE_STATUS_SUCCESS)
        << "nobody to tell";
    EXPECT_EQ(MessageBusShimImpl::replyEntryPoint(&throwing, 1, &properties, L"a", L"S", L"{}", 0),
              MODULE_STATUS_UNKNOWN_EXCEPTION);
    EXPECT_EQ(MessageBusShimImpl::replyEntryPoint(&empty, 1, nullptr, nullptr, nullptr, nullptr, 0x8000000D),
              MODULE_STATUS_UNKNOWN_EXCEPTION);
}

} // namespace
} // namespace Ostrel
