#include "MessageBusProtocol.h"
#include "messagebus/MessageBusFunctions.h"
#include "platform/UniqueHandles.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace
{

using namespace std::chrono_literals;
using Ostrel::MessageBusFunctions;
using Ostrel::ModuleStatus;

// What an entry point was called with, kept until the test looks.
struct Call
{
    std::wstring name{}, sender{}, payload{};
    std::optional<MessageProperties> record{};
    std::uint64_t replyIndex = 0;
    std::uint32_t status = 0;
    DWORD threadId = 0;
};

class Recorder
{
public:
    void add(Call call)
    {
        std::lock_guard lock(mutex_);
        calls_.push_back(std::move(call));
        changed_.notify_all();
    }
    bool waitFor(std::size_t count, std::chrono::milliseconds timeout = 10s)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return calls_.size() >= count; });
    }
    std::vector<Call> calls()
    {
        std::lock_guard lock(mutex_);
        return calls_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Call> calls_;
};

ModuleStatus ReplyTo(void* recorder, std::uint64_t replyIndex, const MessageProperties* record, const wchar_t* name,
                     const wchar_t* sender, const wchar_t* payload, std::uint32_t status)
{
    const auto copy = record != nullptr ? std::optional(*record) : std::nullopt;
    static_cast<Recorder*>(recorder)->add({name, sender, payload, copy, replyIndex, status, GetCurrentThreadId()});
    return 0;
}

ModuleStatus Deliver(void* recorder, const MessageProperties* record, const wchar_t* name, const wchar_t* sender,
                     const wchar_t* payload)
{
    return ReplyTo(recorder, 0, record, name, sender, payload, 0);
}

// A record whose every byte differs from its neighbours, REPLY clear.
MessageProperties PatternRecord()
{
    MessageProperties record{};
    auto* bytes = reinterpret_cast<unsigned char*>(&record);
    for (std::size_t i = 0; i < sizeof(record); ++i)
    {
        bytes[i] = static_cast<unsigned char>(i * 7 + 3);
    }
    record.flags &= ~Ostrel::MESSAGE_FLAG_REPLY;
    return record;
}

bool SameBytes(const MessageProperties& left, const MessageProperties& right)
{
    return std::memcmp(&left, &right, sizeof(left)) == 0;
}

// A subscriber whose deliveries run `body`.
struct Handler
{
    std::function<void(const MessageProperties& record, const std::wstring& payload)> body;

    static ModuleStatus Deliver(void* self, const MessageProperties* record, const wchar_t*, const wchar_t*,
                                const wchar_t* payload)
    {
        static_cast<Handler*>(self)->body(*record, payload);
        return 0;
    }
};

constexpr std::uint64_t kOneHour = 3600000;

// Loads MessageBus.dll from the test program's folder and opens two handles
// on its bus: one to publish and request with, one to subscribe with.
class MessageBusLibraryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        library_.reset(LoadLibraryW((ScreenRelayTest::ProgramFolder() + L"MessageBus.dll").c_str()));
        ASSERT_TRUE(library_) << "LoadLibraryW failed with " << GetLastError();
        const auto createObject = Export<const MessageBusFunctions* (*)(std::uint32_t)>("CreateObject");
        ASSERT_NE(createObject, nullptr);
        bus_ = createObject(Ostrel::kMessageBusInterfaceVersion);
        ASSERT_NE(bus_, nullptr);
        EXPECT_EQ(createObject(1000000), nullptr);
        ASSERT_EQ(bus_->createHandle(&client_), 0u);
        ASSERT_EQ(bus_->createHandle(&service_), 0u);
    }
    void TearDown() override
    {
        if (library_)
        {
            bus_->releaseHandle(client_);
            bus_->releaseHandle(service_);
        }
    }

    template <typename Fn>
    Fn Export(const char* name)
    {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library_.get(), name)));
    }
    // The library's count of deliveries, reply calls and time-outs not yet started.
    std::size_t PendingTasks()
    {
        const auto count = Export<std::size_t (*)()>("GetPendingTaskCount");
        return count != nullptr ? count() : SIZE_MAX;
    }
    // The library's wait for the deliveries it holds; 0 once none is queued or running.
    ModuleStatus WaitForDeliveries(std::uint32_t timeoutMilliseconds)
    {
        const auto wait = Export<ModuleStatus (*)(std::uint32_t)>("WaitForDeliveries");
        return wait != nullptr ? wait(timeoutMilliseconds) : Ostrel::MODULE_STATUS_NOT_IMPLEMENTED;
    }

    ModuleStatus Publish(const wchar_t* name, const wchar_t* payload = L"{}")
    {
        MessageProperties record = PatternRecord();
        return bus_->publish(client_, &record, name, L"client", payload);
    }
    ModuleStatus Request(Recorder& replies, std::uint64_t index, std::uint64_t timeout, const wchar_t* payload = L"q",
                         void* handle = nullptr)
    {
        MessageProperties record = PatternRecord();
        record.flags |= Ostrel::MESSAGE_FLAG_REPLY;
        return bus_->request(handle ? handle : client_, index, &replies, &ReplyTo, &record, L"Svc.Query", L"client",
                             payload, timeout);
    }

    std::uint32_t Subscribe(Handler& handler, const wchar_t* name)
    {
        return bus_->subscribe(service_, &handler, &Handler::Deliver, name);
    }
    ModuleStatus Answer(const MessageProperties& request, const wchar_t* payload, const wchar_t* sender = L"responder")
    {
        MessageProperties answer = DevBus::AnswerProperties(request);
        return bus_->publish(service_, &answer, L"Svc.Answer", sender, payload);
    }
    // Answers every request with "answer:<payload>" twice, keeping the bus's results, then publishes the plain copy
    // of its answer as the module's client does.
    Handler Responder(Recorder& answerResults)
    {
        return {[this, &answerResults](const MessageProperties& record, const std::wstring& payload)
                {
                    const std::wstring text = L"answer:" + payload;
                    answerResults.add({.status = Answer(record, text.c_str())});
                    answerResults.add({.status = Answer(record, text.c_str())});
                    MessageProperties copy = DevBus::AnswerProperties(record);
                    copy.flags &= ~Ostrel::MESSAGE_FLAG_REPLY;
                    copy.replyToken = 0;
                    bus_->publish(service_, &copy, L"Svc.Answer", L"responder", text.c_str());
                }};
    }

    Ostrel::UniqueLibrary library_;
    const MessageBusFunctions* bus_ = nullptr;
    void* client_ = nullptr;
    void* service_ = nullptr;
};

TEST_F(MessageBusLibraryTest, PublishDeliversToEverySubscriptionOnAWorkerThreadWithTheRecordUnchanged)
{
    Recorder first;
    Recorder second;
    ASSERT_NE(bus_->subscribe(service_, &first, &Deliver, L"ZTS.UI.ShowScreen"), 0u);
    ASSERT_NE(bus_->subscribeFilter(service_, &second, &Deliver, L"ZTS\\.UI\\..*"), 0u);

    const MessageProperties sent = PatternRecord();
    MessageProperties record = sent;
    ASSERT_EQ(bus_->publishFlagged(client_, &record, L"ZTS.UI.ShowScreen", L"client", L"{\"screen\":1}"), 0u);

    for (Recorder* recorder : {&first, &second})
    {
        ASSERT_TRUE(recorder->waitFor(1));
        const Call call = recorder->calls().front();
        EXPECT_NE(call.threadId, GetCurrentThreadId());
        EXPECT_EQ(call.name + L"|" + call.sender + L"|" + call.payload, L"ZTS.UI.ShowScreen|client|{\"screen\":1}");
        ASSERT_TRUE(call.record.has_value());
        EXPECT_TRUE(SameBytes(*call.record, sent));
    }
    EXPECT_EQ(Publish(L"Svc.Unheard"), Ostrel::MODULE_STATUS_NO_SUBSCRIBERS);
}

TEST_F(MessageBusLibraryTest, SubscriptionsMatchWholeNamesCaseSensitively)
{
    const struct
    {
        bool byPattern;
        const wchar_t* subscribed;
        const wchar_t* published;
        bool delivered;
    } cases[] = {
        {false, L"ZTS.UI.ShowScreen", L"ZTS.UI.ShowScreen", true},
        {false, L"ZTS.UI.ShowScreen", L"zts.ui.showscreen", false},
        {false, L"ZTS.UI.Show", L"ZTS.UI.ShowScreen", false},
        {true, L"ZTS\\.UI\\.Show(Screen|Help)", L"ZTS.UI.ShowHelp", true},
        {true, L"ZTS\\.UI", L"ZTS.UI.ShowScreen", false},
        {true, L"ShowScreen", L"ZTS.UI.ShowScreen", false},
        {true, L"zts\\.ui\\..*", L"ZTS.UI.ShowScreen", false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << (c.byPattern ? "pattern " : "name ") << c.subscribed);
        Recorder recorder;
        const std::uint32_t id = c.byPattern ? bus_->subscribeFilter(service_, &recorder, &Deliver, c.subscribed)
                                             : bus_->subscribe(service_, &recorder, &Deliver, c.subscribed);
        ASSERT_NE(id, 0u);
        EXPECT_EQ(Publish(c.published), c.delivered ? 0u : Ostrel::MODULE_STATUS_NO_SUBSCRIBERS);
        EXPECT_EQ(recorder.waitFor(1, c.delivered ? 10000ms : 0ms), c.delivered);
        bus_->unsubscribe(service_, id);
    }
    Recorder unused;
    EXPECT_EQ(bus_->subscribeFilter(service_, &unused, &Deliver, L"ZTS.UI.[Show"), 0u);
    EXPECT_EQ(bus_->subscribeFilter(service_, &unused, &Deliver, L"(ZTS"), 0u);
}

TEST_F(MessageBusLibraryTest, UnsubscribeAndWaitForDeliveriesReturnOnceTheRunningDeliveryHasReturned)
{
    EXPECT_EQ(WaitForDeliveries(0), 0u);
    std::promise<void> entered;
    std::promise<void> release;
    Handler handler{[&](const MessageProperties&, const std::wstring&)
                    {
                        entered.set_value();
                        release.get_future().wait();
                    }};
    const std::uint32_t id = Subscribe(handler, L"Svc.Event");
    ASSERT_NE(id, 0u);
    ASSERT_EQ(Publish(L"Svc.Event"), 0u);
    entered.get_future().wait();

    EXPECT_EQ(WaitForDeliveries(300), Ostrel::MODULE_STATUS_TIMEOUT);
    auto waited = std::async(std::launch::async, [&] { return WaitForDeliveries(10000); });
    auto unsubscribed = std::async(std::launch::async, [&] { bus_->unsubscribe(service_, id); });
    EXPECT_EQ(unsubscribed.wait_for(300ms), std::future_status::timeout);
    EXPECT_EQ(waited.wait_for(0ms), std::future_status::timeout);
    release.set_value();
    EXPECT_EQ(unsubscribed.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(waited.get(), 0u);
    EXPECT_EQ(Publish(L"Svc.Event"), Ostrel::MODULE_STATUS_NO_SUBSCRIBERS);
}

TEST_F(MessageBusLibraryTest, AnsweredRequestCallsTheReplyEntryOnceWithTheAnswer)
{
    Recorder answerResults;
    Handler responder = Responder(answerResults);
    Recorder requests;
    Recorder plainMessages;
    ASSERT_NE(Subscribe(responder, L"Svc.Query"), 0u);
    ASSERT_NE(bus_->subscribe(service_, &requests, &Deliver, L"Svc.Query"), 0u);
    ASSERT_NE(bus_->subscribe(service_, &plainMessages, &Deliver, L"Svc.Answer"), 0u);

    Recorder replies;
    ASSERT_EQ(Request(replies, 42, 5000, L"ping"), 0u);
    ASSERT_TRUE(replies.waitFor(1));
    ASSERT_TRUE(requests.waitFor(1));
    ASSERT_TRUE(plainMessages.waitFor(1));
    EXPECT_FALSE(replies.waitFor(2, 300ms));
    EXPECT_FALSE(plainMessages.waitFor(2, 0ms));

    // The request arrives with its token and REPLY clear, every other byte as sent.
    const MessageProperties delivered = *requests.calls().front().record;
    EXPECT_NE(delivered.replyToken, 0u);
    EXPECT_EQ(delivered.flags & Ostrel::MESSAGE_FLAG_REPLY, 0u);
    MessageProperties expected = PatternRecord();
    expected.replyToken = delivered.replyToken;
    EXPECT_TRUE(SameBytes(delivered, expected));

    const Call reply = replies.calls().front();
    EXPECT_NE(reply.threadId, GetCurrentThreadId());
    EXPECT_EQ(reply.status, 0u);
    EXPECT_EQ(reply.replyIndex, 42u);
    EXPECT_EQ(reply.name + L"|" + reply.sender + L"|" + reply.payload, L"Svc.Answer|responder|answer:ping");
    ASSERT_TRUE(reply.record.has_value());
    EXPECT_TRUE(SameBytes(*reply.record, DevBus::AnswerProperties(delivered)));
    ASSERT_TRUE(answerResults.waitFor(2));
    EXPECT_EQ(answerResults.calls()[0].status, 0u);
    EXPECT_EQ(answerResults.calls()[1].status, Ostrel::MODULE_STATUS_NOT_FOUND);
}

TEST_F(MessageBusLibraryTest, UnansweredRequestTimesOutWithOneReplyCall)
{
    Recorder replies;
    EXPECT_EQ(Request(replies, 1, 100), Ostrel::MODULE_STATUS_NO_SUBSCRIBERS);

    Recorder requests;
    ASSERT_NE(bus_->subscribe(service_, &requests, &Deliver, L"Svc.Query"), 0u);
    MessageProperties record = PatternRecord();
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(bus_->requestFlagged(client_, 7, &replies, &ReplyTo, &record, L"Svc.Query", L"client", L"q", 300), 0u);
    ASSERT_TRUE(replies.waitFor(1));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);
    const Call reply = replies.calls().front();
    EXPECT_EQ(reply.status, Ostrel::MODULE_STATUS_TIMEOUT);
    EXPECT_EQ(reply.replyIndex, 7u);
    EXPECT_FALSE(reply.record.has_value());
    EXPECT_EQ(reply.name + reply.sender + reply.payload, L"");

    ASSERT_TRUE(requests.waitFor(1));
    EXPECT_EQ(Answer(*requests.calls().front().record, L"", L"late"), Ostrel::MODULE_STATUS_NOT_FOUND);
    EXPECT_FALSE(replies.waitFor(2, 200ms));
}

TEST_F(MessageBusLibraryTest, ReleasedReplyEntryIsNeverCalledForThatHandle)
{
    Recorder requests;
    ASSERT_NE(bus_->subscribe(service_, &requests, &Deliver, L"Svc.Query"), 0u);
    Recorder released;
    Recorder kept;
    ASSERT_EQ(Request(released, 1, 600), 0u);
    ASSERT_EQ(Request(kept, 2, 600, L"q", service_), 0u);
    ASSERT_TRUE(requests.waitFor(2));

    bus_->releaseReplyCallback(client_, &ReplyTo);
    for (const Call& request : requests.calls())
    {
        Answer(*request.record, request.payload.c_str());
    }
    ASSERT_TRUE(kept.waitFor(1));
    EXPECT_EQ(kept.calls().front().replyIndex, 2u);
    EXPECT_FALSE(released.waitFor(1, 1000ms));
}

TEST_F(MessageBusLibraryTest, HandlersWaitingForAnswersDoNotStallTheRequestsTheyWaitFor)
{
    Recorder answerResults;
    Handler responder = Responder(answerResults);
    // Handles "Outer" by asking "Svc.Query" and waiting for the answer, as a module handler that needs a setting does.
    Recorder outcomes;
    Handler requester{[&](const MessageProperties& record, const std::wstring& payload)
                      {
                          Recorder replies;
                          MessageProperties request = record;
                          const ModuleStatus status = bus_->request(service_, 0, &replies, &ReplyTo, &request,
                                                                    L"Svc.Query", L"", payload.c_str(), 5000);
                          const bool answered = status == 0 && replies.waitFor(1, 15s);
                          outcomes.add(answered ? replies.calls().front() : Call{.status = status ? status : 1u});
                      }};
    ASSERT_NE(Subscribe(responder, L"Svc.Query"), 0u);
    ASSERT_NE(Subscribe(requester, L"Outer"), 0u);

    constexpr int kConcurrent = 8;
    for (int i = 0; i < kConcurrent; ++i)
    {
        ASSERT_EQ(Publish(L"Outer", std::to_wstring(i).c_str()), 0u);
    }
    ASSERT_TRUE(outcomes.waitFor(kConcurrent, 20s));
    std::vector<std::wstring> answers;
    for (const Call& outcome : outcomes.calls())
    {
        EXPECT_EQ(outcome.status, 0u);
        answers.push_back(outcome.payload);
    }
    std::sort(answers.begin(), answers.end());
    EXPECT_EQ(answers.front(), L"answer:0");
    EXPECT_EQ(answers.back(), L"answer:7");
}

TEST_F(MessageBusLibraryTest, HandlesShareOneBusAndTheLastReleaseLetsTheLibraryUnload)
{
    Recorder recorder;
    ASSERT_NE(bus_->subscribe(service_, &recorder, &Deliver, L"Svc.Event"), 0u);
    ASSERT_EQ(Publish(L"Svc.Event"), 0u);
    ASSERT_TRUE(recorder.waitFor(1));

    EXPECT_EQ(bus_->createHandle(nullptr), Ostrel::MODULE_STATUS_INVALID_PARAMETER);
    EXPECT_EQ(bus_->releaseHandle(reinterpret_cast<void*>(0x5A5A)), Ostrel::MODULE_STATUS_INVALID_HANDLE);
    EXPECT_EQ(bus_->releaseHandle(service_), 0u);
    EXPECT_EQ(bus_->releaseHandle(service_), Ostrel::MODULE_STATUS_INVALID_HANDLE);
    EXPECT_EQ(bus_->subscribe(service_, &recorder, &Deliver, L"Svc.Event"), 0u);
    EXPECT_EQ(Publish(L"Svc.Event"), Ostrel::MODULE_STATUS_NO_SUBSCRIBERS);

    // The bus's threads hold the library; they are gone after the last release.
    EXPECT_EQ(bus_->releaseHandle(client_), 0u);
    library_.reset();
    EXPECT_EQ(GetModuleHandleW(L"MessageBus.dll"), nullptr);
}

TEST_F(MessageBusLibraryTest, ReleasingTheLastHandleInsideADeliveryLetsTheLibraryUnloadOnceTheThreadEnds)
{
    std::promise<ModuleStatus> releasedInDelivery;
    Handler releaser{[&](const MessageProperties&, const std::wstring&)
                     {
                         releasedInDelivery.set_value(bus_->releaseHandle(service_));
                     }};
    ASSERT_NE(Subscribe(releaser, L"Svc.Stop"), 0u);
    ASSERT_EQ(bus_->releaseHandle(client_), 0u);
    MessageProperties record = PatternRecord();
    ASSERT_EQ(bus_->publish(service_, &record, L"Svc.Stop", L"", L""), 0u);
    auto released = releasedInDelivery.get_future();
    ASSERT_EQ(released.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(released.get(), 0u);

    library_.reset();
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (GetModuleHandleW(L"MessageBus.dll") != nullptr && std::chrono::steady_clock::now() < deadline)
    {
        Sleep(10);
    }
    EXPECT_EQ(GetModuleHandleW(L"MessageBus.dll"), nullptr);
}

TEST_F(MessageBusLibraryTest, AnsweredRequestsLeaveNoTimeOutBehind)
{
    Handler answerer{[this](const MessageProperties& record, const std::wstring&)
                     {
                         Answer(record, L"");
                     }};
    ASSERT_NE(Subscribe(answerer, L"Svc.Query"), 0u);

    constexpr std::size_t kRequests = 10000;
    Recorder replies;
    for (std::size_t i = 0; i < kRequests; ++i)
    {
        ASSERT_EQ(Request(replies, i, kOneHour), 0u);
    }
    ASSERT_TRUE(replies.waitFor(kRequests, 120s));
    EXPECT_EQ(PendingTasks(), 0u);
}

TEST_F(MessageBusLibraryTest, RequestsDroppedByTheirClientLeaveNoTimeOutBehind)
{
    Recorder requests;
    ASSERT_NE(bus_->subscribe(service_, &requests, &Deliver, L"Svc.Query"), 0u);
    constexpr std::size_t kRequests = 100;
    std::size_t delivered = 0;
    for (const bool releaseHandle : {false, true})
    {
        SCOPED_TRACE(releaseHandle ? "handle released" : "reply entry released");
        void* requester = nullptr;
        ASSERT_EQ(bus_->createHandle(&requester), 0u);
        Recorder replies;
        for (std::size_t i = 0; i < kRequests; ++i)
        {
            ASSERT_EQ(Request(replies, i, kOneHour, L"q", requester), 0u);
        }
        delivered += kRequests;
        ASSERT_TRUE(requests.waitFor(delivered));
        EXPECT_EQ(PendingTasks(), kRequests) << "one time-out per request";

        if (releaseHandle)
        {
            bus_->releaseHandle(requester);
        }
        else
        {
            bus_->releaseReplyCallback(requester, &ReplyTo);
        }
        EXPECT_EQ(PendingTasks(), 0u);
        bus_->releaseHandle(requester);
    }
}

TEST_F(MessageBusLibraryTest, AnswersAndTimeOutsReachRequestersWhileHandlersHoldEveryWorker)
{
    Recorder requests;
    Recorder unanswered;
    // Handles "Svc.Hold" by making a request nobody answers while the test runs and waiting, as a handler waiting for
    // that answer would, until the test lets it go: it holds its worker thread.
    Recorder heldReplies;
    Recorder holding;
    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    Handler holder{[&](const MessageProperties&, const std::wstring&)
                   {
                       MessageProperties record = PatternRecord();
                       bus_->request(service_, 0, &heldReplies, &ReplyTo, &record, L"Svc.Unanswered", L"", L"",
                                     kOneHour);
                       holding.add({});
                       released.wait_for(60s);
                   }};
    Recorder answered;
    Recorder timedOut;
    // Lets the held handlers go and ends both clients before the objects
    // they call into go away, whatever the test's outcome.
    const std::shared_ptr<void> releaseAll(nullptr,
                                           [&](void*)
                                           {
                                               release.set_value();
                                               bus_->releaseHandle(service_);
                                               bus_->releaseHandle(client_);
                                           });
    ASSERT_NE(bus_->subscribe(service_, &requests, &Deliver, L"Svc.Query"), 0u);
    ASSERT_NE(bus_->subscribe(service_, &unanswered, &Deliver, L"Svc.Unanswered"), 0u);
    ASSERT_NE(Subscribe(holder, L"Svc.Hold"), 0u);

    // Delivered while workers are free; answered once every worker is held.
    ASSERT_EQ(Request(answered, 1, kOneHour), 0u);
    ASSERT_TRUE(requests.waitFor(1));

    for (std::size_t i = 0; i < DevBus::kMaxDeliveryThreads; ++i)
    {
        ASSERT_EQ(Publish(L"Svc.Hold"), 0u);
    }
    ASSERT_TRUE(holding.waitFor(DevBus::kMaxDeliveryThreads, 20s));

    EXPECT_EQ(Answer(*requests.calls().front().record, L"held"), 0u);
    EXPECT_EQ(Request(timedOut, 2, 200), 0u);

    ASSERT_TRUE(answered.waitFor(1, 10s)) << "the answer waited for a free delivery worker";
    ASSERT_TRUE(timedOut.waitFor(1, 10s)) << "the time-out waited for a free delivery worker";
    EXPECT_EQ(answered.calls().front().status, 0u);
    EXPECT_EQ(answered.calls().front().payload, L"held");
    EXPECT_EQ(timedOut.calls().front().status, Ostrel::MODULE_STATUS_TIMEOUT);
}

} // namespace
