#include "messagebus/MessageBusClient.h"
#include "messagebus/MessageBusLib.h"
#include "platform/TrustVerification.h"
#include "platform/UniqueHandles.h"
#include "support/RegistryIsolation.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <mutex>
#include <set>
#include <thread>

// Handlers that subscribe or unsubscribe on their own client while the bus
// delivers to them, over the development bus library.

namespace Ostrel
{
namespace
{

constexpr DWORD kEventBoundMilliseconds = 5000;
constexpr DWORD kCompletionBoundMilliseconds = 2000;

UniqueHandle NewEvent()
{
    return UniqueHandle(CreateEventW(nullptr, TRUE, FALSE, nullptr));
}

bool IsSet(const UniqueHandle& event, DWORD milliseconds = kEventBoundMilliseconds)
{
    return WaitForSingleObject(event.get(), milliseconds) == WAIT_OBJECT_0;
}

// Runs the call on a thread of its own and expects it back within two seconds.
// A call still blocked then is deadlocked with a delivery and nothing could
// end it: the process ends with a failure instead of hanging.
void ExpectCompletesInTime(const char* what, const std::function<void()>& call)
{
    const UniqueHandle done = NewEvent();
    std::thread caller(
        [&]
        {
            call();
            SetEvent(done.get());
        });
    if (!IsSet(done, kCompletionBoundMilliseconds))
    {
        ADD_FAILURE() << what << " did not complete within " << kCompletionBoundMilliseconds << " ms";
        std::fflush(stdout);
        TerminateProcess(GetCurrentProcess(), 1);
    }
    caller.join();
}

// The development bus binding, keeping the subscriptions it made and has not
// ended, and setting an event when an unsubscription reaches it.
class ObservedBus : public MessageBusShim
{
public:
    ModuleStatus publish(const std::shared_ptr<Message>& message, bool flagged) override
    {
        return bus_.publish(message, flagged);
    }
    ModuleStatus request(const std::shared_ptr<Message>& message, std::uint64_t replyIndex,
                         ReplyFunction* replyFunction, std::uint64_t timeoutMilliseconds, bool flagged) override
    {
        return bus_.request(message, replyIndex, replyFunction, timeoutMilliseconds, flagged);
    }
    void releaseReplyCallback() override { bus_.releaseReplyCallback(); }
    std::uint32_t subscribe(const std::wstring& messageName, SubscribedHandler* handler) override
    {
        return Live(bus_.subscribe(messageName, handler));
    }
    std::uint32_t subscribeFilter(const std::wstring& namePattern, SubscribedHandler* handler) override
    {
        return Live(bus_.subscribeFilter(namePattern, handler));
    }
    void unsubscribe(std::uint32_t subscriptionId) override
    {
        SetEvent(unsubscribing_.get());
        bus_.unsubscribe(subscriptionId);
        std::lock_guard guard(lock_);
        live_.erase(subscriptionId);
    }

    const UniqueHandle& Unsubscribing() const { return unsubscribing_; }
    std::set<std::uint32_t> LiveSubscriptions()
    {
        std::lock_guard guard(lock_);
        return live_;
    }

private:
    std::uint32_t Live(std::uint32_t subscriptionId)
    {
        std::lock_guard guard(lock_);
        live_.insert(subscriptionId);
        return subscriptionId;
    }

    MessageBusLib bus_;
    const UniqueHandle unsubscribing_ = NewEvent();
    std::mutex lock_;
    std::set<std::uint32_t> live_;
};

ModuleStatus Ignore(const std::shared_ptr<Message>&)
{
    return MODULE_STATUS_SUCCESS;
}

class HandlersChangingSubscriptionsTest : public ScreenRelayTest::RegistryIsolatedTest
{
protected:
    void SetUp() override
    {
        RegistryIsolatedTest::SetUp();
        ASSERT_EQ(ListTrustedFile(ScreenRelayTest::ProgramFolder() + L"MessageBus.dll"), 0u);
    }
};

// Tells whether the handler's captures were destroyed while it still ran.
struct CaptureWatch
{
    std::atomic<bool> handlerRunning{false};
    std::atomic<bool> destroyedWhileRunning{false};
    const UniqueHandle destroyed = NewEvent();
};

struct WatchedCapture
{
    explicit WatchedCapture(CaptureWatch& watch)
        : watch(watch)
    {
    }
    ~WatchedCapture()
    {
        watch.destroyedWhileRunning = watch.handlerRunning.load();
        SetEvent(watch.destroyed.get());
    }
    CaptureWatch& watch;
};

TEST_F(HandlersChangingSubscriptionsTest, HandlerThatUnsubscribesItselfKeepsItsCapturesUntilItReturns)
{
    MessageBusClient client(std::make_shared<ObservedBus>(), nullptr);
    CaptureWatch watch;
    auto capture = std::make_shared<WatchedCapture>(watch);
    ASSERT_EQ(client.subscribe(L"Dev.Test.Once", L"once",
                               [&client, capture](const std::shared_ptr<Message>&)
                               {
                                   // Only locals from here on: a faulty client frees this handler's
                                   // captures inside unsubscribe.
                                   CaptureWatch& running = capture->watch;
                                   MessageBusClient& owner = client;
                                   running.handlerRunning = true;
                                   owner.unsubscribe(L"once");
                                   running.handlerRunning = false;
                                   return MODULE_STATUS_SUCCESS;
                               }),
              MODULE_STATUS_SUCCESS);
    capture.reset();

    ASSERT_EQ(client.publish(createMessage(L"Dev.Test.Once", L"P", L"{}")), MODULE_STATUS_SUCCESS);
    ASSERT_TRUE(IsSet(watch.destroyed)) << "the handler's captures were never destroyed";
    EXPECT_FALSE(watch.destroyedWhileRunning);
    EXPECT_EQ(client.publish(createMessage(L"Dev.Test.Once", L"P", L"{}")), MODULE_STATUS_NO_SUBSCRIBERS);
}

// While the bus ends a subscription it waits for that subscription's running
// delivery, whose handler subscribes a second alias on the same client.
TEST_F(HandlersChangingSubscriptionsTest, EndingSubscriptionsCompletesWhileTheirHandlerSubscribes)
{
    const struct
    {
        const char* ending;
        std::function<void(std::unique_ptr<MessageBusClient>&)> end;
        std::size_t subscriptionsLeft;
    } cases[] = {
        {"unsubscribe", [](std::unique_ptr<MessageBusClient>& client) { client->unsubscribe(L"first"); }, 1},
        {"destruction", [](std::unique_ptr<MessageBusClient>& client) { client.reset(); }, 0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.ending);
        const auto bus = std::make_shared<ObservedBus>();
        auto client = std::make_unique<MessageBusClient>(bus, nullptr);
        MessageBusClient* const subscriber = client.get();
        const UniqueHandle entered = NewEvent();
        std::atomic<ModuleStatus> secondStatus = MODULE_STATUS_INVALID_STATE; // not subscribed yet
        ASSERT_EQ(client->subscribe(L"Dev.Test.First", L"first",
                                    [&, subscriber](const std::shared_ptr<Message>&)
                                    {
                                        SetEvent(entered.get());
                                        if (IsSet(bus->Unsubscribing()))
                                        {
                                            secondStatus = subscriber->subscribe(L"Dev.Test.Second", L"second", Ignore);
                                        }
                                        return MODULE_STATUS_SUCCESS;
                                    }),
                  MODULE_STATUS_SUCCESS);
        ASSERT_EQ(client->publish(createMessage(L"Dev.Test.First", L"P", L"{}")), MODULE_STATUS_SUCCESS);
        ASSERT_TRUE(IsSet(entered));

        ExpectCompletesInTime(c.ending, [&] { c.end(client); });
        EXPECT_EQ(secondStatus, MODULE_STATUS_SUCCESS);
        EXPECT_EQ(bus->LiveSubscriptions().size(), c.subscriptionsLeft)
            << "destruction also ends what handlers subscribed meanwhile";
    }
}

} // namespace
} // namespace Ostrel
