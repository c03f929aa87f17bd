#include "messagebus/PendingReply.h"
#include "messagebus/message/ReplyImpl.h"
#include "support/LogCapture.h"
#include "support/LoggedRecord.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

namespace Ostrel
{
namespace
{

using ScreenRelayTest::FindLoggedRecords;
using ScreenRelayTest::LogCapture;
using ScreenRelayTest::LoggedRecord;
using Records = std::vector<LoggedRecord>;

struct PendingRequest
{
    PendingReply pending;
    std::unique_ptr<ReplyImpl> reply;

    explicit PendingRequest(std::uint32_t timeoutMilliseconds)
        : reply(std::make_unique<ReplyImpl>(pending.slot, timeoutMilliseconds))
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

TEST(ReplyTest, ReceivedReplyKeepsItsStatusAndMessageOnLaterWaits)
{
    LogCapture log;
    using Wait = std::uint32_t (*)(Reply&);
    const Wait waitOnce = [](Reply& reply)
    {
        return reply.wait();
    };
    const Wait waitForAWhile = [](Reply& reply)
    {
        return reply.waitFor(1000);
    };
    const Wait waitForZero = [](Reply& reply)
    {
        return reply.waitFor(0);
    };
    const struct
    {
        const char* label;
        Wait first;
        Wait later;
    } cases[] = {
        {"wait, then wait", waitOnce, waitOnce},
        {"wait, then waitFor", waitOnce, waitForAWhile},
        {"waitFor, then waitFor(0)", waitForAWhile, waitForZero},
        {"waitFor, then wait", waitForAWhile, waitOnce},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.label);
        PendingRequest request(5000);
        const auto answer = createMessage(L"answer", L"S", L"{}");
        request.pending.settle(MODULE_STATUS_SUCCESS, answer);
        ASSERT_EQ(c.first(*request.reply), ReplyReceived);
        EXPECT_EQ(c.later(*request.reply), ReplyReceived);
        EXPECT_EQ(request.reply->getStatus(), ReplyReceived);
        std::shared_ptr<Message> message;
        request.reply->getMessage(message);
        EXPECT_EQ(message, answer);
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
    ScreenRelayTest::LogSourceAndFunction(log);
    PendingRequest request(200);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(request.reply->wait(), ReplyTimedOut);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(1150));
    EXPECT_LT(elapsed, std::chrono::seconds(30));
    EXPECT_EQ(request.reply->wait(), ReplyTimedOut);
    EXPECT_EQ(FindLoggedRecords(log.Text(), L"Reply future did not get fulfilled on time. Returning."),
              (Records{{L"Error", L"ReplyImpl.cpp", L"Ostrel::ReplyImpl::getReplyMessage"}}))
        << log.Text();
}

TEST(ReplyTest, WaitForZeroOnAPendingReplyKeepsItPending)
{
    LogCapture log(ETWLogging::LOG_LEVEL_WARNING);
    ScreenRelayTest::LogSourceAndFunction(log);
    PendingRequest request(5000);
    EXPECT_EQ(request.reply->waitFor(0), ReplyPending);
    EXPECT_EQ(request.reply->getStatus(), ReplyPending);
    EXPECT_EQ(FindLoggedRecords(log.Text(), L"Reply waitFor timed out. Returning."),
              (Records{{L"Warning", L"ReplyImpl.cpp", L"Ostrel::ReplyImpl::waitFor"}}))
        << log.Text();

    request.pending.settle(MODULE_STATUS_SUCCESS, createMessage(L"late", L"S", L""));
    EXPECT_EQ(request.reply->waitFor(0), ReplyReceived);
}

TEST(ReplyTest, UnusableFutureIsInvalid)
{
    LogCapture log;
    ScreenRelayTest::LogSourceAndFunction(log);
    ReplyImpl waited(nullptr, 5000);
    EXPECT_EQ(waited.wait(), ReplyInvalid);
    ReplyImpl waitedFor(nullptr, 5000);
    EXPECT_EQ(waitedFor.waitFor(10), ReplyInvalid);
    EXPECT_EQ(waitedFor.getStatus(), ReplyInvalid);

    // One record each, named after the step that found the future unusable.
    EXPECT_EQ(FindLoggedRecords(log.Text(), L"Reply future is in an invalid state. Returning."),
              (Records{{L"Error", L"ReplyImpl.cpp", L"Ostrel::ReplyImpl::getReplyMessage"},
                       {L"Error", L"ReplyImpl.cpp", L"Ostrel::ReplyImpl::waitFor"}}))
        << log.Text();
}

} // namespace
} // namespace Ostrel
