#include "Soak.h"

#include "Console.h"
#include "DemoRequests.h"
#include "ProcessResources.h"

#include <optional>
#include <string>
#include <vector>

namespace RelayHost
{

namespace
{

constexpr unsigned kAllowedGrowthPercent = 5;

// The first demonstration request of each message.
std::vector<DemoRequest> OneRequestPerMessage()
{
    std::vector<DemoRequest> requests;
    for (const DemoRequest& request : DemoRequests())
    {
        bool seen = false;
        for (const DemoRequest& kept : requests)
        {
            seen = seen || std::wstring(kept.name) == request.name;
        }
        if (!seen)
        {
            requests.push_back(request);
        }
    }
    return requests;
}

} // namespace

bool Soak(HostSession& session, std::size_t count, std::size_t every)
{
    const std::vector<DemoRequest> requests = OneRequestPerMessage();
    PrintLine(L"soak: " + std::to_wstring(count) + L" requests over " + std::to_wstring(requests.size()) +
              L" messages");
    PrintLine(L"before: " + DescribeProcessResources(MeasureProcessResources()));
    std::optional<ProcessResources> baseline;
    std::size_t undelivered = 0;
    std::size_t handlerFailures = 0;
    bool grew = false;
    for (std::size_t sent = 0; sent < count; ++sent)
    {
        const DemoRequest& request = requests[sent % requests.size()];
        const RequestOutcome outcome = session.send(request.name, request.payload);
        undelivered += outcome.publishStatus != Ostrel::MODULE_STATUS_SUCCESS || outcome.timedOut ? 1 : 0;
        handlerFailures += HostSession::Succeeded(outcome) ? 0 : 1;
        if ((sent + 1) % every != 0)
        {
            continue;
        }
        const ProcessResources now = MeasureProcessResources();
        std::wstring line = std::to_wstring(sent + 1) + L": " + DescribeProcessResources(now) + L", failed " +
                            std::to_wstring(handlerFailures);
        const std::wstring growth = baseline ? GrowthBeyond(*baseline, now, kAllowedGrowthPercent) : std::wstring();
        if (!growth.empty() || now.helperInstances != 0)
        {
            grew = true;
            line += L" (growth: " + (growth.empty() ? L"helper objects alive" : growth) + L")";
        }
        PrintLine(line);
        baseline = baseline.value_or(now);
    }
    PrintLine(L"undelivered: " + std::to_wstring(undelivered) + L", failed: " + std::to_wstring(handlerFailures) +
              (grew ? L", growth" : L", no growth"));
    return !grew && undelivered == 0;
}

} // namespace RelayHost
