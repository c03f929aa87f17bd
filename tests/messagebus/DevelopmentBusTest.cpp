#include "messagebus/MessageBusClient.h"
#include "platform/TrustVerification.h"
#include "support/LogCapture.h"
#include "support/RegistryIsolation.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <vector>

// The bus client over the development bus library, loaded the way a module
// initialized without a host bus loads it: found in the program's folder,
// checked against the trust list and bound through its function table.

namespace Ostrel
{
namespace
{

using namespace std::chrono_literals;

// What a handler received, with a bounded wait for it.
class Deliveries
{
public:
    ModuleStatus Record(const std::shared_ptr<Message>& message)
    {
        std::lock_guard guard(lock_);
        payloads_.push_back(message->getPayload());
        threads_.push_back(GetCurrentThreadId());
        arrived_.notify_all();
        return MODULE_STATUS_SUCCESS;
    }

    bool WaitFor(std::size_t count)
    {
        std::unique_lock guard(lock_);
        return arrived_.wait_for(guard, 5s, [&] { return payloads_.size() >= count; });
    }

    std::vector<std::wstring> Payloads()
    {
        std::lock_guard guard(lock_);
        return payloads_;
    }

    std::vector<DWORD> Threads()
    {
        std::lock_guard guard(lock_);
        return threads_;
    }

private:
    std::mutex lock_;
    std::condition_variable arrived_;
    std::vector<std::wstring> payloads_;
    std::vector<DWORD> threads_;
};

class DevelopmentBusTest : public ScreenRelayTest::RegistryIsolatedTest
{
protected:
    void SetUp() override
    {
        RegistryIsolatedTest::SetUp();
        ASSERT_EQ(ListTrustedFile(ScreenRelayTest::ProgramFolder() + L"MessageBus.dll"), 0u);
        ASSERT_NO_THROW(subscriber_ = std::make_unique<MessageBusClient>());
        ASSERT_NO_THROW(publisher_ = std::make_unique<MessageBusClient>());
    }

    void TearDown() override
    {
        publisher_.reset();
        subscriber_.reset();
    }

    ScreenRelayTest::LogCapture log_{ETWLogging::LOG_LEVEL_WARNING};
    std::unique_ptr<MessageBusClient> subscriber_;
    std::unique_ptr<MessageBusClient> publisher_;
};

TEST_F(DevelopmentBusTest, PublishedMessagesReachSubscribersOnTheBusThreads)
{
    Deliveries deliveries;
    ASSERT_EQ(subscriber_->subscribe(L"Dev.Test.Ping", [&](const auto& m) { return deliveries.Record(m); }), 0u);
    ASSERT_EQ(subscriber_->subscribeFilter(L"Dev\\.Test\\..*", L"pattern",
                                           [&](const auto& m) { return deliveries.Record(m); }),
              0u);

    EXPECT_EQ(publisher_->publish(createMessage(L"Dev.Test.Ping", L"Publisher", L"{\"n\":1}")), 0u);
    ASSERT_TRUE(deliveries.WaitFor(2));
    EXPECT_EQ(deliveries.Payloads(), (std::vector<std::wstring>{L"{\"n\":1}", L"{\"n\":1}"}));
    for (const DWORD thread : deliveries.Threads())
    {
        EXPECT_NE(thread, GetCurrentThreadId());
    }
}

TEST_F(DevelopmentBusTest, RequestIsAnsweredByASubscriber)
{
    ASSERT_EQ(subscriber_->subscribe(L"Dev.Test.Question",
                                     [&](const std::shared_ptr<Message>& request)
                                     {
                                         auto answer = createMessage(L"Dev.Test.Answer", L"Answerer", L"42");
                                         CopyMessageProperties(*answer->getProperties(), request->getProperties());
                                         answer->getProperties()->flags |= MESSAGE_FLAG_REPLY;
                                         return subscriber_->publish(answer);
                                     }),
              0u);

    std::shared_ptr<Reply> reply;
    ASSERT_EQ(publisher_->request(createMessage(L"Dev.Test.Question", L"Asker", L"?"), reply, 5000), 0u);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->wait(), ReplyReceived);
    std::shared_ptr<Message> answer;
    reply->getMessage(answer);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->getPayload(), L"42");
    EXPECT_EQ(answer->getSender(), L"Answerer");
}

TEST_F(DevelopmentBusTest, RequestNobodyAnswersEndsInOperationCanceledAfterTheBusTimeOut)
{
    ASSERT_EQ(subscriber_->subscribe(L"Dev.Test.Silent", [](const auto&) { return MODULE_STATUS_SUCCESS; }), 0u);

    std::shared_ptr<Reply> reply;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(publisher_->request(createMessage(L"Dev.Test.Silent", L"Asker", L"?"), reply, 300), 0u);
    try
    {
        reply->wait();
        FAIL() << "wait returned instead of throwing";
    }
    catch (const std::future_error& error)
    {
        EXPECT_EQ(error.code().value(), 105);
    }
    // Had the reply's own deadline (a second later) ended the wait, wait
    // would have returned ReplyTimedOut instead of throwing.
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, 300ms);
    EXPECT_LT(elapsed, 30s);
}

TEST_F(DevelopmentBusTest, AThrowingHandlerDoesNotStopLaterDeliveries)
{
    Deliveries deliveries;
    std::promise<void> thrown;
    ASSERT_EQ(subscriber_->subscribe(L"Dev.Test.Throw",
                                     [&](const std::shared_ptr<Message>& message) -> ModuleStatus
                                     {
                                         if (message->getPayload() == L"first")
                                         {
                                             thrown.set_value();
                                             throw std::runtime_error("handler failure");
                                         }
                                         return deliveries.Record(message);
                                     }),
              0u);

    EXPECT_EQ(publisher_->publish(createMessage(L"Dev.Test.Throw", L"P", L"first")), 0u);
    ASSERT_EQ(thrown.get_future().wait_for(5s), std::future_status::ready);
    EXPECT_EQ(publisher_->publish(createMessage(L"Dev.Test.Throw", L"P", L"second")), 0u);
    ASSERT_TRUE(deliveries.WaitFor(1));
    EXPECT_EQ(deliveries.Payloads(), std::vector<std::wstring>{L"second"});
}

TEST_F(DevelopmentBusTest, UnsubscribeStopsDelivery)
{
    Deliveries deliveries;
    ASSERT_EQ(subscriber_->subscribe(L"Dev.Test.Stop", L"stop", [&](const auto& m) { return deliveries.Record(m); }),
              0u);
    EXPECT_EQ(publisher_->publish(createMessage(L"Dev.Test.Stop", L"P", L"before")), 0u);
    ASSERT_TRUE(deliveries.WaitFor(1));

    EXPECT_EQ(subscriber_->unsubscribe(L"stop"), 0u);
    EXPECT_EQ(publisher_->publish(createMessage(L"Dev.Test.Stop", L"P", L"after")), MODULE_STATUS_NO_SUBSCRIBERS);
    EXPECT_EQ(deliveries.Payloads(), std::vector<std::wstring>{L"before"});
    EXPECT_TRUE(log_.Contains(L"Failed to publish message. Error code 2147483662.")) << log_.Text();
}

} // namespace
} // namespace Ostrel
