// Reads typical request payloads N times (default 20000 per payload) through
// the module's payload readers, and parses the same texts N times with
// RapidJSON alone into the same kind of document (UTF-16, memory pool), with
// its default recursive parse and with its iterative one (the readers parse
// iteratively so that a sender cannot choose how deep the stack goes); prints
// the times per payload and the ratios of the readers to each bare parse. Rounds alternate between the two so that both
// see the same machine. Usage: payloadreader_bench.exe [N]
#include "screenrelay/PayloadReading.h"
#include "screenrelay/ScreenRelayImpl.h"

#include <rapidjson/document.h>

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace
{

constexpr int kRounds = 10;

using Ostrel::ScreenRelayImpl;

struct Payload
{
    const char* message;
    std::wstring text;
    std::function<bool(const std::wstring&)> read;
};

std::vector<Payload> Payloads()
{
    return {
        {"ZTS.UI.ShowScreen", L"{\"name\":\"settings.general\",\"parameters\":\"tab=privacy\"}",
         [](const std::wstring& text)
         {
             std::wstring name;
             std::wstring parameters;
             return ScreenRelayImpl::processShowScreenMessagePayload(text, name, parameters);
         }},
        {"ZTS.UI.ShowInContainer",
         L"{\"link\":\"substlink:renewal\",\"parameters\":\"src=tray&campaign=winter\",\"launch_point\":12}",
         [](const std::wstring& text)
         {
             std::wstring link;
             std::wstring parameters;
             std::optional<std::int32_t> launchPoint;
             return ScreenRelayImpl::processShowInContainerMessagePayload(text, link, parameters, launchPoint);
         }},
        {"ZTS.UI.OpenUrl",
         L"{\"url\":\"https://www.example.test/account/overview?lang=en\",\"destination\":1,"
         L"\"web_overlay_option\":2,\"parameters\":\"x=1\"}",
         [](const std::wstring& text)
         {
             std::wstring url;
             std::uint32_t destination = 0;
             std::uint32_t overlay = 0;
             std::wstring parameters;
             return ScreenRelayImpl::processOpenUrlMessagePayload(text, url, destination, overlay, parameters);
         }},
        {"ZTS.UI.ShowHelp", L"{\"appid\":\"vrt\",\"topic\":\"scan_settings\",\"online\":true}",
         [](const std::wstring& text)
         {
             std::wstring appId;
             std::wstring topic;
             bool online = false;
             return ScreenRelayImpl::processShowHelpMessagePayload(text, appId, topic, online);
         }},
    };
}

double Now()
{
    LARGE_INTEGER counter{};
    LARGE_INTEGER frequency{};
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double TimeReader(const Payload& payload, int count, bool& ok)
{
    const double start = Now();
    for (int i = 0; i < count; ++i)
    {
        ok = payload.read(payload.text) && ok;
    }
    return Now() - start;
}

template <unsigned ParseFlags>
double TimeBareParse(const Payload& payload, int count, bool& ok)
{
    const double start = Now();
    for (int i = 0; i < count; ++i)
    {
        Ostrel::PayloadDocument document;
        document.Parse<ParseFlags>(payload.text.c_str());
        ok = !document.HasParseError() && ok;
    }
    return Now() - start;
}

} // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 20000;
    if (count <= 0)
    {
        std::fprintf(stderr, "usage: payloadreader_bench.exe [N]\n");
        return 2;
    }
    const std::vector<Payload> payloads = Payloads();
    std::vector<double> readers(payloads.size(), 0.0);
    std::vector<double> bare(payloads.size(), 0.0);
    std::vector<double> iterative(payloads.size(), 0.0);
    bool ok = true;
    const int perRound = count / kRounds > 0 ? count / kRounds : 1;
    for (int round = 0; round < kRounds; ++round)
    {
        for (std::size_t i = 0; i < payloads.size(); ++i)
        {
            readers[i] += TimeReader(payloads[i], perRound, ok);
            bare[i] += TimeBareParse<rapidjson::kParseDefaultFlags>(payloads[i], perRound, ok);
            iterative[i] += TimeBareParse<rapidjson::kParseIterativeFlag>(payloads[i], perRound, ok);
        }
    }
    if (!ok)
    {
        std::fprintf(stderr, "a payload was refused\n");
        return 1;
    }
    const double reads = static_cast<double>(perRound) * kRounds;
    double readersTotal = 0.0;
    double bareTotal = 0.0;
    double iterativeTotal = 0.0;
    std::printf("reads per payload: %.0f\n", reads);
    for (std::size_t i = 0; i < payloads.size(); ++i)
    {
        std::printf("%-24s reader %6.2f us   parse %6.2f us (ratio %.2f)   iterative parse %6.2f us (ratio %.2f)\n",
                    payloads[i].message, readers[i] / reads * 1e6, bare[i] / reads * 1e6, readers[i] / bare[i],
                    iterative[i] / reads * 1e6, readers[i] / iterative[i]);
        readersTotal += readers[i];
        bareTotal += bare[i];
        iterativeTotal += iterative[i];
    }
    std::printf("ratio against the parse: %.2f\n", readersTotal / bareTotal);
    std::printf("ratio against the iterative parse: %.2f\n", readersTotal / iterativeTotal);
    return 0;
}
