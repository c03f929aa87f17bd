#include "messagebus/PendingReply.h"
#include "messagebus/message/ReplyImpl.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace Ostrel
{
namespace
{

using ScreenRelayTest::LogCapture;

struct PendingRequest
{
    PendingReply pending;
    std::unique_ptr<ReplyImpl> reply;

    explicit PendingRequest(std::uint32_t timeoutMilliseconds)
        : reply(std::make_unique<ReplyImpl>(pending.promise.get_future(), timeoutMilliseconds))
    {
    }
};

int FutureErrorCode(Reply& reply, bool useWaitFor)
{
    try
    {
        useWaitFor ? reply.waitFor(1000) : reply.wait();
    }
    catch (const std::future_error& error)
    {
        return error.code().value();
    }
    return -1;
}

TEST(ReplyTest, SettledByTheBusStatus)
{
    LogCapture log;
    {
        PendingRequest request(5000);
        const auto answer = createMessage(L"answer", L"S", L"{}");
        request.pending.settle(MODULE_STATUS_SUCCESS, answer);
        EXPECT_EQ(request.reply->wait(), ReplyReceived);
        std::shared_ptr<Message> message;
        request.reply->getMessage(message);
        EXPECT_EQ(message, answer);
        EXPECT_EQ(request.reply->wait(), ReplyReceived) << "a settled reply keeps its state";
    }
    {
        PendingRequest request(5000);
        request.pending.settle(MODULE_STATUS_SUCCESS, nullptr);
        EXPECT_EQ(request.reply->waitFor(1000), ReplyInvalid) << "an empty reply is not a reply";
        std::shared_ptr<Message> message = createMessage(L"stale", L"S", L"");
        request.reply->getMessage(message);
        EXPECT_EQ(message, nullptr);
    }
    for (const bool useWaitFor : {false, true})
    {
        PendingRequest timedOut(5000);
        timedOut.pending.settle(MODULE_STATUS_TIMEOUT, nullptr);
        EXPECT_EQ(FutureErrorCode(*timedOut.reply, useWaitFor), 105);

        PendingRequest failed(5000);
        failed.pending.settle(MODULE_STATUS_NO_SUBSCRIBERS, createMessage(L"ignored", L"S", L""));
        EXPECT_EQ(FutureErrorCode(*failed.reply, useWaitFor), 120);
    }
    EXPECT_FALSE(log.Contains(L"Reply future")) << log.Text();
}

TEST(ReplyTest, ContinuationRunsAfterThePromiseIsSettled)
{
    PendingRequest request(5000);
    bool settledBeforeContinuation = false;
    request.pending.continuation = [&]
    {
        settledBeforeContinuation = request.reply->waitFor(0) == ReplyReceived;
    };
    request.pending.settle(MODULE_STATUS_SUCCESS, createMessage(L"answer", L"S", L""));
    EXPECT_TRUE(settledBeforeContinuation);
}

TEST(ReplyTest, WaitReturnsWhenAnotherThreadSettles)
{
    PendingRequest request(5000);
    std::thread bus(
        [&]
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            request.pending.settle(MODULE_STATUS_SUCCESS, createMessage(L"answer", L"S", L""));
        });
    EXPECT_EQ(request.reply->wait(), ReplyReceived);
    bus.join();
}

TEST(ReplyTest, WaitGivesUpOneSecondAfterTheRequestTimeOut)
{
    LogCapture log;
    PendingRequest request(200);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(request.reply->wait(), ReplyTimedOut);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(1150));
    EXPECT_LT(elapsed, std::chrono::milliseconds(3000));
    EXPECT_EQ(request.reply->wait(), ReplyTimedOut);
    EXPECT_TRUE(log.Contains(L"(Error)$ Reply future did not get fulfilled on time. Returning.")) << log.Text();
}

TEST(ReplyTest, WaitForZeroOnAPendingReplyKeepsItPending)
{
    LogCapture log(ETWLogging::LOG_LEVEL_WARNING);
    PendingRequest request(5000);
    EXPECT_EQ(request.reply->waitFor(0), ReplyPending);
    EXPECT_EQ(request.reply->getStatus(), ReplyPending);
    EXPECT_TRUE(log.Contains(L"(Warning)$ Reply waitFor timed out. Returning.")) << log.Text();

    request.pending.settle(MODULE_STATUS_SUCCESS, createMessage(L"late", L"S", L""));
    EXPECT_EQ(request.reply->waitFor(0), ReplyReceived);
}

TEST(ReplyTest, UnusableFutureIsInvalid)
{
    LogCapture log;
    ReplyImpl waited(std::future<std::shared_ptr<Message>>(), 5000);
    EXPECT_EQ(waited.wait(), ReplyInvalid);
    ReplyImpl waitedFor(std::future<std::shared_ptr<Message>>(), 5000);
    EXPECT_EQ(waitedFor.waitFor(10), ReplyInvalid);
    EXPECT_EQ(waitedFor.getStatus(), ReplyInvalid);

    const std::wstring text = log.Text();
    std::size_t count = 0;
    for (std::size_t at = text.find(L"Reply future is in an invalid state. Returning."); at != std::wstring::npos;
         at = text.find(L"Reply future is in an invalid state. Returning.", at + 1))
    {
        ++count;
    }
    EXPECT_EQ(count, 2u) << text;
}

} // namespace
} // namespace Ostrel
