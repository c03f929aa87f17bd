// Publishes N messages (default 5000) through the bus client over the
// development bus library, and N through the library's function table with a
// raw subscriber as the baseline, in the same run. Prints messages per second
// and the median delivery latency of each, and the client's cost as ratios.
// Usage: messagebus_bench.exe [N]
#include "messagebus/MessageBusClient.h"
#include "messagebus/MessageBusFunctions.h"
#include "platform/TrustVerification.h"
#include "platform/UniqueHandles.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{

std::int64_t Now()
{
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

double Microseconds(std::int64_t ticks)
{
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(ticks) * 1e6 / static_cast<double>(frequency.QuadPart);
}

// Latencies of one run, written by the bus's delivery threads. The payload of
// every message carries its send time.
class Measurement
{
public:
    explicit Measurement(std::size_t count)
        : latencies_(count)
        , done_(CreateEventW(nullptr, TRUE, FALSE, nullptr))
    {
    }

    void Received(const wchar_t* payload)
    {
        const std::int64_t latency = Now() - _wcstoi64(payload, nullptr, 10);
        const std::size_t slot = received_.fetch_add(1);
        if (slot < latencies_.size())
        {
            latencies_[slot] = latency;
            if (slot + 1 == latencies_.size())
            {
                last_ = Now();
                SetEvent(done_.get());
            }
        }
    }

    bool Wait() { return WaitForSingleObject(done_.get(), 60000) == WAIT_OBJECT_0; }

    void Report(const char* label, std::int64_t start, double& perSecond, double& median)
    {
        std::sort(latencies_.begin(), latencies_.end());
        median = Microseconds(latencies_[latencies_.size() / 2]);
        perSecond = static_cast<double>(latencies_.size()) * 1e6 / Microseconds(last_ - start);
        std::printf("%-28s %10.0f messages/s, median latency %8.1f us\n", label, perSecond, median);
    }

private:
    std::vector<std::int64_t> latencies_;
    std::atomic<std::size_t> received_{0};
    std::int64_t last_ = 0;
    Ostrel::UniqueHandle done_;
};

Ostrel::ModuleStatus RawDelivery(void* context, const MessageProperties*, const wchar_t*, const wchar_t*,
                                 const wchar_t* payload)
{
    static_cast<Measurement*>(context)->Received(payload);
    return Ostrel::MODULE_STATUS_SUCCESS;
}

std::wstring OwnFolder()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

bool RunRaw(const std::wstring& busPath, std::size_t count, double& perSecond, double& median)
{
    const Ostrel::UniqueLibrary library(LoadLibraryW(busPath.c_str()));
    if (!library)
    {
        return false;
    }
    using CreateObjectFn = const Ostrel::MessageBusFunctions* (*)(std::uint32_t);
    auto createObject =
        reinterpret_cast<CreateObjectFn>(reinterpret_cast<void*>(GetProcAddress(library.get(), "CreateObject")));
    const Ostrel::MessageBusFunctions* bus = createObject ? createObject(Ostrel::kMessageBusInterfaceVersion) : nullptr;
    void* subscriber = nullptr;
    void* publisher = nullptr;
    if (bus == nullptr || bus->createHandle(&subscriber) != 0 || bus->createHandle(&publisher) != 0)
    {
        return false;
    }
    Measurement measurement(count);
    const std::uint32_t id = bus->subscribe(subscriber, &measurement, RawDelivery, L"Bench.Raw");
    const std::int64_t start = Now();
    for (std::size_t i = 0; i < count; ++i)
    {
        MessageProperties record = Ostrel::MessagePropertiesTemplate();
        bus->publish(publisher, &record, L"Bench.Raw", L"Bench", std::to_wstring(Now()).c_str());
    }
    const bool complete = id != 0 && measurement.Wait();
    if (complete)
    {
        measurement.Report("bus function table (raw)", start, perSecond, median);
    }
    bus->unsubscribe(subscriber, id);
    bus->releaseHandle(publisher);
    bus->releaseHandle(subscriber);
    return complete;
}

bool RunClient(std::size_t count, double& perSecond, double& median)
{
    Ostrel::MessageBusClient subscriber;
    Ostrel::MessageBusClient publisher;
    Measurement measurement(count);
    subscriber.subscribe(L"Bench.Client",
                         [&](const std::shared_ptr<Ostrel::Message>& message)
                         {
                             measurement.Received(message->getPayload().c_str());
                             return Ostrel::MODULE_STATUS_SUCCESS;
                         });
    const std::int64_t start = Now();
    for (std::size_t i = 0; i < count; ++i)
    {
        publisher.publish(Ostrel::createMessage(L"Bench.Client", L"Bench", std::to_wstring(Now())));
    }
    if (!measurement.Wait())
    {
        return false;
    }
    measurement.Report("bus client", start, perSecond, median);
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::size_t count = argc > 1 ? static_cast<std::size_t>(_wtoi(argv[1])) : 5000;
    const std::wstring busPath = OwnFolder() + L"MessageBus.dll";
    // The client loads the library only when it is listed as trusted, as a
    // development installation lists it.
    if (Ostrel::ListTrustedFile(busPath) != 0)
    {
        std::printf("cannot list %ls as trusted\n", busPath.c_str());
        return 1;
    }
    std::printf("messages: %zu\n", count);
    double rawRate = 0, rawMedian = 0, clientRate = 0, clientMedian = 0;
    try
    {
        if (!RunRaw(busPath, count, rawRate, rawMedian) || !RunClient(count, clientRate, clientMedian))
        {
            std::printf("a run did not complete\n");
            return 1;
        }
    }
    catch (const std::exception& error)
    {
        std::printf("the bus client could not be created: %s\n", error.what());
        return 1;
    }
    std::printf("throughput ratio (raw / client): %.2f\n", rawRate / clientRate);
    std::printf("median latency ratio (client / raw): %.2f\n", clientMedian / rawMedian);
    return 0;
}
