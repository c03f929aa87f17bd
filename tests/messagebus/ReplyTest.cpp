#include "messagebus/PendingReply.h"
#include "messagebus/message/ReplyImpl.h"
#include "support/LogCapture.h"

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

using ScreenRelayTest::LogCapture;

struct PendingRequest
{
    PendingReply pending;
    std::unique_ptr<ReplyImpl> reply;

    explicit PendingRequest(std::uint32_t timeoutMilliseconds)
        : reply(std::make_unique<ReplyImpl>(pending.slot, timeoutMilliseconds))
    {
    }
};

// Makes the captured lines name the source file and the function of each
// record. Call before the first record is written.
void ShowSourceAndFunction(const LogCapture& log)
{
    const std::wstring folder =
        ScreenRelayTest::LogGroupFolder(log.Group()) + L"\\" + ScreenRelayTest::ProgramBaseName();
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    Basekit::CObfuscatedIniReader settings;
    settings.Load(folder + L"\\log.ini");
    settings.SetInt(L"Config", L"Options", 8 | 32);
}

// The lines of the log that carry this message, in the order written.
std::vector<std::wstring> LinesWith(const LogCapture& log, const std::wstring& message)
{
    const std::wstring text = log.Text();
    std::vector<std::wstring> lines;
    for (std::size_t start = 0; start < text.size();)
    {
        const std::size_t end = std::min(text.find(L"\r\n", start), text.size());
        std::wstring line = text.substr(start, end - start);
        if (line.find(message) != std::wstring::npos)
        {
            lines.push_back(std::move(line));
        }
        start = end + 2;
    }
    return lines;
}

// The level, source file and function fields of one record.
void ExpectRecordFields(const std::wstring& line, const wchar_t* level, const wchar_t* function)
{
    EXPECT_NE(line.find(std::wstring(L"(") + level + L")$"), std::wstring::npos) << line;
    EXPECT_NE(line.find(L" ReplyImpl.cpp:"), std::wstring::npos) << line;
    EXPECT_NE(line.find(std::wstring(L" ") + function + L"()]$"), std::wstring::npos) << line;
}

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
    ShowSourceAndFunction(log);
    PendingRequest request(200);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(request.reply->wait(), ReplyTimedOut);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(1150));
    EXPECT_LT(elapsed, std::chrono::seconds(30));
    EXPECT_EQ(request.reply->wait(), ReplyTimedOut);
    const auto lines = LinesWith(log, L"Reply future did not get fulfilled on time. Returning.");
    ASSERT_EQ(lines.size(), 1u) << log.Text();
    ExpectRecordFields(lines[0], L"Error", L"Ostrel::ReplyImpl::getReplyMessage");
}

TEST(ReplyTest, WaitForZeroOnAPendingReplyKeepsItPending)
{
    LogCapture log(ETWLogging::LOG_LEVEL_WARNING);
    ShowSourceAndFunction(log);
    PendingRequest request(5000);
    EXPECT_EQ(request.reply->waitFor(0), ReplyPending);
    EXPECT_EQ(request.reply->getStatus(), ReplyPending);
    const auto lines = LinesWith(log, L"Reply waitFor timed out. Returning.");
    ASSERT_EQ(lines.size(), 1u) << log.Text();
    ExpectRecordFields(lines[0], L"Warning", L"Ostrel::ReplyImpl::waitFor");

    request.pending.settle(MODULE_STATUS_SUCCESS, createMessage(L"late", L"S", L""));
    EXPECT_EQ(request.reply->waitFor(0), ReplyReceived);
}

TEST(ReplyTest, UnusableFutureIsInvalid)
{
    LogCapture log;
    ShowSourceAndFunction(log);
    ReplyImpl waited(nullptr, 5000);
    EXPECT_EQ(waited.wait(), ReplyInvalid);
    ReplyImpl waitedFor(nullptr, 5000);
    EXPECT_EQ(waitedFor.waitFor(10), ReplyInvalid);
    EXPECT_EQ(waitedFor.getStatus(), ReplyInvalid);

    // One record each, named after the step that found the future unusable.
    const auto lines = LinesWith(log, L"Reply future is in an invalid state. Returning.");
    ASSERT_EQ(lines.size(), 2u) << log.Text();
    ExpectRecordFields(lines[0], L"Error", L"Ostrel::ReplyImpl::getReplyMessage");
    ExpectRecordFields(lines[1], L"Error", L"Ostrel::ReplyImpl::waitFor");
}

} // namespace
} // namespace Ostrel
