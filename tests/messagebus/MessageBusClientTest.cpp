#include "messagebus/MessageBusClient.h"
#include "messagebus/MockMessageBusShim.h"
#include "support/LogCapture.h"
#include "support/LoggedRecord.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <stdexcept>

namespace Ostrel
{
namespace
{

using testing::_;
using testing::DoAll;
using testing::Mock;
using testing::Return;
using testing::SaveArg;

class MockProcessAPI : public ProcessAPI
{
public:
    MOCK_METHOD(DWORD, GetCurrentProcessId, (), (override));
    MOCK_METHOD(BOOL, ProcessIdToSessionId, (DWORD processId, DWORD* sessionId), (override));
};

std::shared_ptr<Message> MessageInSession(std::uint32_t sessionId, std::uint16_t version = kMessagePropertiesVersion2)
{
    auto message = createMessage(L"ZTS.UI.ShowScreen", L"S", L"{}");
    message->getProperties()->extension.sessionId = sessionId;
    message->getProperties()->version = version;
    return message;
}

// A handler that records its label and answers MODULE_STATUS_UNSUCCESSFUL.
MessageHandler Recording(std::vector<std::wstring>& reached, const wchar_t* label)
{
    return [&reached, label](const std::shared_ptr<Message>&)
    {
        reached.push_back(label);
        return MODULE_STATUS_UNSUCCESSFUL;
    };
}

int FutureErrorCode(Reply& reply)
{
    try
    {
        reply.wait();
    }
    catch (const std::future_error& error)
    {
        return error.code().value();
    }
    return 0;
}

class MessageBusClientTest : public testing::Test
{
protected:
    MessageBusClientTest()
    {
        ON_CALL(*process_, GetCurrentProcessId()).WillByDefault(Return(1234));
        SetProcessSession(TRUE);
        // The bus accepts subscriptions with ids from 1 and keeps the handler addresses.
        const auto accept = [this](const std::wstring&, SubscribedHandler* handler)
        {
            busHandlers_.push_back(handler);
            return static_cast<std::uint32_t>(busHandlers_.size());
        };
        ON_CALL(*shim_, subscribe(_, _)).WillByDefault(accept);
        ON_CALL(*shim_, subscribeFilter(_, _)).WillByDefault(accept);
        ON_CALL(*shim_, request(_, _, _, _, _))
            .WillByDefault(DoAll(SaveArg<1>(&replyIndex_), SaveArg<2>(&replyFunction_), Return(MODULE_STATUS_SUCCESS)));
    }

    // The process runs in session 7 when found.
    void SetProcessSession(BOOL found)
    {
        ON_CALL(*process_, ProcessIdToSessionId(1234, _))
            .WillByDefault(DoAll(testing::SetArgPointee<1>(7), Return(found)));
    }
    std::unique_ptr<MessageBusClient> MakeClient() { return std::make_unique<MessageBusClient>(shim_, process_); }
    ModuleStatus Answer(std::shared_ptr<Message> reply, ModuleStatus busStatus)
    {
        return (*replyFunction_)(replyIndex_, reply, busStatus);
    }

    ScreenRelayTest::LogCapture log_{ETWLogging::LOG_LEVEL_NORMAL};
    std::shared_ptr<testing::NiceMock<ScreenRelayTest::MockMessageBusShim>> shim_ =
        std::make_shared<testing::NiceMock<ScreenRelayTest::MockMessageBusShim>>();
    std::shared_ptr<testing::NiceMock<MockProcessAPI>> process_ = std::make_shared<testing::NiceMock<MockProcessAPI>>();
    std::vector<SubscribedHandler*> busHandlers_;
    std::uint64_t replyIndex_ = ~0ull;
    ReplyFunction* replyFunction_ = nullptr;
    std::vector<std::wstring> reached_;
    const std::shared_ptr<Message> question_ = createMessage(L"VEZir.PDSettings.Request", L"S", L"{}");
    const std::shared_ptr<Message> answer_ = createMessage(L"VEZir.PDSettings.Reply", L"S", L"{}");
};

TEST_F(MessageBusClientTest, SubscriptionRefusedByTheBusLeavesAnEmptyAlias)
{
    ON_CALL(*shim_, subscribe(_, _)).WillByDefault(Return(0));
    ON_CALL(*shim_, subscribeFilter(_, _)).WillByDefault(Return(0));
    auto client = MakeClient();
    EXPECT_EQ(client->subscribe(L"ZTS.UI.ShowScreen", L"ui", Recording(reached_, L"name")), MODULE_STATUS_UNSUCCESSFUL);
    EXPECT_EQ(client->subscribeFilter(L"ZTS.UI.ShowScreen", L"ui", Recording(reached_, L"pattern")),
              MODULE_STATUS_UNSUCCESSFUL);
    client->deliverDirect(MessageInSession(0));
    EXPECT_TRUE(reached_.empty());
    EXPECT_CALL(*shim_, unsubscribe(_)).Times(0);
    EXPECT_EQ(client->unsubscribe(L"ui"), MODULE_STATUS_SUCCESS);
    EXPECT_TRUE(log_.Contains(L"(Error)$ Failed to subscribe. Alias: ui Message name: ZTS.UI.ShowScreen"));
    EXPECT_TRUE(log_.Contains(L"(Error)$ Failed to subscribeFilter. Alias: ui Message nameRegex: ZTS.UI.ShowScreen"));
    EXPECT_FALSE(log_.Contains(L"Subscription not found.")) << log_.Text();
}

TEST_F(MessageBusClientTest, UnsubscribeEndsEverySubscriptionOfTheAlias)
{
    ScreenRelayTest::LogSourceAndFunction(log_);
    auto client = MakeClient();
    client->subscribe(L"ZTS.UI.ShowScreen", L"ui", Recording(reached_, L"1"));
    client->subscribeFilter(L"ZTS\\.UI\\..*", L"ui", Recording(reached_, L"2"));
    client->subscribe(L"ZTS.UI.OpenUrl", L"ui", Recording(reached_, L"3"));
    client->subscribe(L"Other", Recording(reached_, L"4"));
    {
        testing::InSequence order;
        for (const std::uint32_t id : {1u, 3u, 2u})
        {
            EXPECT_CALL(*shim_, unsubscribe(id));
        }
    }
    EXPECT_EQ(client->unsubscribe(L"ui"), MODULE_STATUS_SUCCESS);
    Mock::VerifyAndClearExpectations(shim_.get());
    EXPECT_EQ(client->unsubscribe(L"ui"), MODULE_STATUS_SUCCESS);
    EXPECT_EQ(
        ScreenRelayTest::FindLoggedRecord(log_.Text(), L"Subscription not found. Alias: ui."),
        (ScreenRelayTest::LoggedRecord{L"Warning", L"MessageBusClient.cpp", L"Ostrel::MessageBusClient::unsubscribe"}));

    EXPECT_CALL(*shim_, unsubscribe(4));
    EXPECT_EQ(client->unsubscribe(L"Other"), MODULE_STATUS_SUCCESS) << "the message name is the alias";
}

TEST_F(MessageBusClientTest, PatternThatDoesNotCompileSubscribesNothing)
{
    std::string reason;
    try
    {
        std::wregex compiled(L"ZTS.UI.[Show");
    }
    catch (const std::regex_error& error)
    {
        reason = error.what();
    }
    auto client = MakeClient();
    EXPECT_CALL(*shim_, subscribeFilter(_, _)).Times(0);
    EXPECT_EQ(client->subscribeFilter(L"ZTS.UI.[Show", L"ui", Recording(reached_, L"")),
              MODULE_STATUS_INVALID_PARAMETER);
    EXPECT_TRUE(log_.Contains(L"(Error)$ subscribeFilter failed. Regex error with regex \"ZTS.UI.[Show\" [caught: " +
                              std::wstring(reason.begin(), reason.end()) + L"]"))
        << log_.Text();
    client->unsubscribe(L"ui");
    EXPECT_TRUE(log_.Contains(L"Subscription not found. Alias: ui.")) << "no alias entry was made";
}

TEST_F(MessageBusClientTest, ReplyIsPublishedWithAPlainCopy)
{
    using Published = std::vector<std::pair<std::uint32_t, std::uint64_t>>; // flags, replyToken
    constexpr std::uint32_t kReply = MESSAGE_FLAG_REPLY;
    constexpr std::uint32_t kCopy = MESSAGE_FLAG_COPY_FOLLOWS;
    constexpr std::uint32_t kBusBit = 0x100;
    const struct
    {
        std::uint32_t flags;
        Published expected;
    } cases[] = {
        {kReply | kBusBit, {{kReply | kCopy | kBusBit, 77}, {kCopy | kBusBit, 0}}},
        {kReply | kCopy, {{kReply | kCopy, 77}}},
        {kReply | MESSAGE_FLAG_NO_COPY, {{kReply | MESSAGE_FLAG_NO_COPY, 77}}},
        {kBusBit, {{kBusBit, 77}}},
    };
    auto client = MakeClient();
    for (const auto& c : cases)
    {
        for (const bool flagged : {false, true})
        {
            const auto message = createMessage(L"Settings.Reply", L"S", L"{}");
            message->getProperties()->flags = c.flags;
            message->getProperties()->replyToken = 77;
            Published published;
            EXPECT_CALL(*shim_, publish(message, flagged))
                .WillRepeatedly(
                    [&published](const std::shared_ptr<Message>& sent, bool)
                    {
                        published.emplace_back(sent->getProperties()->flags, sent->getProperties()->replyToken);
                        return MODULE_STATUS_SUCCESS;
                    });
            EXPECT_EQ(flagged ? client->publishFlagged(message) : client->publish(message), MODULE_STATUS_SUCCESS);
            EXPECT_EQ(published, c.expected) << c.flags << " flagged " << flagged;
        }
    }
}

TEST_F(MessageBusClientTest, PublishFailures)
{
    auto client = MakeClient();
    EXPECT_EQ(client->publish(nullptr), MODULE_STATUS_INVALID_PARAMETER);

    const auto reply = createMessage(L"Settings.Reply", L"S", L"{}");
    reply->getProperties()->flags = MESSAGE_FLAG_REPLY;
    EXPECT_CALL(*shim_, publish(reply, false))
        .WillOnce(Return(MODULE_STATUS_NO_SUBSCRIBERS))
        .WillOnce(Return(MODULE_STATUS_SUCCESS))
        .WillOnce(Return(MODULE_STATUS_UNSUCCESSFUL));
    EXPECT_EQ(client->publish(reply), MODULE_STATUS_NO_SUBSCRIBERS) << "no copy after a failed reply";
    EXPECT_TRUE(log_.Contains(L"(Error)$ Failed to publish message. Error code 2147483662.")) << log_.Text();

    reply->getProperties()->flags = MESSAGE_FLAG_REPLY;
    EXPECT_EQ(client->publish(reply), MODULE_STATUS_SUCCESS);
    EXPECT_TRUE(log_.Contains(L"(Warning)$ Failed to publish non-reply copy of the message. Error code 2147483650."));
}

TEST_F(MessageBusClientTest, ReplyIndexesCountEveryRequest)
{
    auto client = MakeClient();
    std::vector<std::uint64_t> indexes;
    EXPECT_CALL(*shim_, request(question_, _, _, 5000, false))
        .Times(3)
        .WillRepeatedly(
            [&](const std::shared_ptr<Message>&, std::uint64_t index, ReplyFunction* replyFunction, std::uint64_t, bool)
            {
                indexes.push_back(index);
                replyFunction_ = replyFunction;
                return index == 1 ? MODULE_STATUS_NO_SUBSCRIBERS : MODULE_STATUS_SUCCESS;
            });
    std::shared_ptr<Reply> first;
    std::shared_ptr<Reply> refused;
    EXPECT_EQ(client->request(question_, first, 5000), MODULE_STATUS_SUCCESS);
    EXPECT_EQ(client->request(question_, refused, 5000), MODULE_STATUS_NO_SUBSCRIBERS);
    EXPECT_EQ(client->request(
                  question_, [](std::shared_ptr<Reply>) {}, 5000),
              MODULE_STATUS_SUCCESS);
    EXPECT_EQ(indexes, (std::vector<std::uint64_t>{0, 1, 2}));
    EXPECT_EQ(refused, nullptr);
    EXPECT_TRUE(log_.Contains(L"(Error)$ Failed to make request. Error code 2147483662.")) << log_.Text();

    // Answered, refused and never issued indexes are all unknown.
    EXPECT_EQ((*replyFunction_)(0, answer_, MODULE_STATUS_SUCCESS), MODULE_STATUS_SUCCESS);
    for (const std::uint64_t index : {0, 1, 99})
    {
        EXPECT_EQ((*replyFunction_)(index, answer_, MODULE_STATUS_SUCCESS), MODULE_STATUS_NOT_FOUND) << index;
    }
    EXPECT_TRUE(log_.Contains(L"(Warning)$ Reply index not found. Returning")) << log_.Text();
}

TEST_F(MessageBusClientTest, WaitingRequestIsSettledByTheBusStatus)
{
    const struct
    {
        ModuleStatus busStatus;
        bool flagged;
        int futureError; // 0: the reply arrives
    } cases[] = {{MODULE_STATUS_SUCCESS, false, 0},
                 {MODULE_STATUS_TIMEOUT, true, 105},
                 {MODULE_STATUS_NO_SUBSCRIBERS, false, 120}};
    auto client = MakeClient();
    for (const auto& c : cases)
    {
        EXPECT_CALL(*shim_, request(question_, _, _, 5000, c.flagged));
        std::shared_ptr<Reply> reply;
        ASSERT_EQ(c.flagged ? client->requestFlagged(question_, reply, 5000) : client->request(question_, reply, 5000),
                  MODULE_STATUS_SUCCESS);
        EXPECT_EQ(reply->waitFor(0), ReplyPending);
        EXPECT_EQ(Answer(c.busStatus ? nullptr : answer_, c.busStatus), MODULE_STATUS_SUCCESS);
        EXPECT_EQ(FutureErrorCode(*reply), c.futureError) << c.busStatus;
        std::shared_ptr<Message> received;
        reply->getMessage(received);
        EXPECT_EQ(received, c.busStatus ? nullptr : answer_);
    }
}

TEST_F(MessageBusClientTest, CallbackRequestHearsOnlyOfAnswers)
{
    auto client = MakeClient();
    std::vector<std::shared_ptr<Message>> received;
    const ReplyCallback callback = [&received](std::shared_ptr<Reply> reply)
    {
        received.emplace_back();
        reply->getMessage(received.back());
    };
    ASSERT_EQ(client->request(question_, callback, 5000), MODULE_STATUS_SUCCESS);
    EXPECT_TRUE(received.empty());
    EXPECT_EQ(Answer(answer_, MODULE_STATUS_SUCCESS), MODULE_STATUS_SUCCESS);
    EXPECT_EQ(received, (std::vector<std::shared_ptr<Message>>{answer_}));

    ASSERT_EQ(client->requestFlagged(question_, callback, 5000), MODULE_STATUS_SUCCESS);
    EXPECT_EQ(Answer(nullptr, MODULE_STATUS_TIMEOUT), MODULE_STATUS_SUCCESS);
    EXPECT_EQ(received.size(), 1u);

    ASSERT_EQ(client->request(
                  question_, [](std::shared_ptr<Reply>) { throw std::runtime_error("callback"); }, 5000),
              MODULE_STATUS_SUCCESS);
    EXPECT_EQ(Answer(answer_, MODULE_STATUS_SUCCESS), MODULE_STATUS_SUCCESS);
}

TEST_F(MessageBusClientTest, InSessionSubscriptionsDropOtherSessions)
{
    const struct
    {
        BOOL sessionFound;
        bool inSession;
        std::uint32_t messageSession;
        std::uint16_t version;
        bool delivered;
    } cases[] = {
        {TRUE, true, 3, 2, false}, {TRUE, true, 7, 2, true},  {TRUE, true, 0, 2, true},
        {TRUE, true, 3, 1, true},  {TRUE, false, 3, 2, true}, {FALSE, true, 3, 2, true},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.sessionFound << c.inSession << c.messageSession << c.version);
        SetProcessSession(c.sessionFound);
        busHandlers_.clear();
        reached_.clear();
        auto client = MakeClient();
        const MessageHandler handler = Recording(reached_, L"handler");
        c.inSession ? client->subscribeInSession(L"ZTS.UI.ShowScreen", handler)
                    : client->subscribe(L"ZTS.UI.ShowScreen", handler);
        c.inSession ? client->subscribeFilterInSession(L"ZTS\\.UI\\..*", handler)
                    : client->subscribeFilter(L"ZTS\\.UI\\..*", handler);
        ASSERT_EQ(busHandlers_.size(), 2u);
        for (SubscribedHandler* busHandler : busHandlers_)
        {
            EXPECT_EQ((*busHandler)(MessageInSession(c.messageSession, c.version)),
                      c.delivered ? MODULE_STATUS_UNSUCCESSFUL : MODULE_STATUS_SUCCESS);
        }
        EXPECT_EQ(reached_.size(), c.delivered ? 2u : 0u);
    }
    EXPECT_TRUE(log_.Contains(L"(Normal)$ Found session id 7 for process 1234")) << log_.Text();
    EXPECT_TRUE(log_.Contains(L"(Error)$ Failed to get the session id for process 1234 - defaulting to 0"));
}

TEST_F(MessageBusClientTest, DirectDeliveryMatchesWholeNames)
{
    auto client = MakeClient();
    client->subscribe(L"ZTS.UI.ShowScreen", L"a", Recording(reached_, L"exact"));
    client->subscribe(L"zts.ui.showscreen", L"b", Recording(reached_, L"lower case"));
    client->subscribe(L"ZTS.UI.ShowScreenNow", L"c", Recording(reached_, L"longer"));
    client->subscribeFilter(L"ZTS\\.UI\\.Show.*", L"d", Recording(reached_, L"full match"));
    client->subscribeFilter(L"ZTS\\.UI", L"e", Recording(reached_, L"prefix match"));
    client->subscribeInSession(L"ZTS.UI.ShowScreen", L"f", Recording(reached_, L"in session"));
    for (const std::uint32_t session : {7u, 3u})
    {
        reached_.clear();
        EXPECT_EQ(client->deliverDirect(MessageInSession(session)), MODULE_STATUS_SUCCESS);
        std::sort(reached_.begin(), reached_.end());
        const std::vector<std::wstring> expected =
            session == 7 ? std::vector<std::wstring>{L"exact", L"full match", L"in session"}
                         : std::vector<std::wstring>{L"exact", L"full match"};
        EXPECT_EQ(reached_, expected);
    }
    EXPECT_EQ(client->deliverDirect(nullptr), MODULE_STATUS_INVALID_PARAMETER);
}

TEST_F(MessageBusClientTest, DestructionEndsSubscriptionsThenReleasesTheReplyCallback)
{
    auto client = MakeClient();
    client->subscribe(L"A", L"first", Recording(reached_, L""));
    client->subscribeFilter(L"B.*", L"first", Recording(reached_, L""));
    client->subscribeInSession(L"C", Recording(reached_, L""));
    std::shared_ptr<Reply> reply;
    ASSERT_EQ(client->request(question_, reply, 5000), MODULE_STATUS_SUCCESS);

    testing::ExpectationSet unsubscribed;
    for (const std::uint32_t id : {1u, 2u, 3u})
    {
        unsubscribed += EXPECT_CALL(*shim_, unsubscribe(id));
    }
    EXPECT_CALL(*shim_, releaseReplyCallback()).After(unsubscribed);
    client.reset();
    EXPECT_EQ(FutureErrorCode(*reply), static_cast<int>(std::future_errc::broken_promise));
}

} // namespace
} // namespace Ostrel
