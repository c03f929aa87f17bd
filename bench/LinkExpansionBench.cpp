// Expands a link with 20 substitute values and 10 query parameters N times
// (default 500) through QvExpandKespUrl, and enumerates the same two keys
// twice per round with bare RegEnumValueW + RegQueryValueExW of every value,
// as the expansion's two passes do; prints both times and their ratio. The
// registry is redirected into a scratch key for the run.
// Usage: linkexpansion_bench.exe [N]
#include "platform/UniqueHandles.h"
#include "support/RegistryIsolation.h"
#include "uihost/vrtcmn.h"

#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace
{

constexpr wchar_t kSubstitute[] = L"SOFTWARE\\Norvane\\VRT\\AppInfo\\Substitute";
constexpr wchar_t kQueryParams[] = L"SOFTWARE\\Norvane\\VRT\\AppInfo\\Substitute\\QueryParams";
constexpr int kVariables = 20;
constexpr int kParameters = 10;
constexpr int kRounds = 10;

double Seconds(LARGE_INTEGER start, LARGE_INTEGER end)
{
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool SetString(const wchar_t* key, const std::wstring& name, const std::wstring& value)
{
    return RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, name.c_str(), REG_SZ, value.c_str(),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

// The substitute values and query parameters, and a link that uses every value.
bool WriteSubstitutes(std::wstring& link)
{
    link = L"https://example.test/page";
    for (int i = 0; i < kVariables; ++i)
    {
        const std::wstring name = L"var" + std::to_wstring(i);
        if (!SetString(kSubstitute, name, L"value-" + std::to_wstring(i * 7919)))
        {
            return false;
        }
        link += L"/%" + name + L"%";
    }
    for (int i = 0; i < kParameters; ++i)
    {
        if (!SetString(kQueryParams, L"param" + std::to_wstring(i), std::to_wstring(i * 104729)))
        {
            return false;
        }
    }
    link += L"?source=bench";
    return true;
}

double TimeExpansions(const std::wstring& link, int count)
{
    LARGE_INTEGER start{};
    LARGE_INTEGER end{};
    QueryPerformanceCounter(&start);
    for (int i = 0; i < count; ++i)
    {
        Ostrel::UniqueTaskString expanded;
        if (Ostrel::QvExpandKespUrl(link.c_str(), expanded.put()) != ERROR_SUCCESS)
        {
            std::fprintf(stderr, "QvExpandKespUrl failed\n");
            return -1;
        }
    }
    QueryPerformanceCounter(&end);
    return Seconds(start, end);
}

// Opens the key and reads every value with RegEnumValueW + RegQueryValueExW.
bool EnumerateKey(const wchar_t* path)
{
    Ostrel::UniqueRegKey owner;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, owner.put()) != ERROR_SUCCESS)
    {
        return false;
    }
    const HKEY key = owner.get();
    for (DWORD index = 0;; ++index)
    {
        wchar_t name[256];
        DWORD nameChars = 256;
        if (RegEnumValueW(key, index, name, &nameChars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        {
            break;
        }
        BYTE data[2080];
        DWORD type = REG_NONE;
        DWORD bytes = sizeof(data);
        RegQueryValueExW(key, name, nullptr, &type, data, &bytes);
    }
    return true;
}

double TimeBareEnumerations(int count)
{
    LARGE_INTEGER start{};
    LARGE_INTEGER end{};
    QueryPerformanceCounter(&start);
    for (int i = 0; i < count; ++i)
    {
        for (int pass = 0; pass < 2; ++pass)
        {
            if (!EnumerateKey(kSubstitute) || !EnumerateKey(kQueryParams))
            {
                std::fprintf(stderr, "enumeration failed\n");
                return -1;
            }
        }
    }
    QueryPerformanceCounter(&end);
    return Seconds(start, end);
}

} // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 500;
    if (count <= 0)
    {
        std::fprintf(stderr, "usage: linkexpansion_bench.exe [expansions]\n");
        return 2;
    }
    ScreenRelayTest::RegistryIsolation isolation;
    std::wstring link;
    if (!isolation.Active() || !WriteSubstitutes(link))
    {
        std::fprintf(stderr, "registry set-up failed\n");
        return 1;
    }
    // The first expansion creates the volatile copy; later ones find it.
    if (TimeExpansions(link, 1) < 0 || TimeBareEnumerations(1) < 0)
    {
        return 1;
    }

    // Both loops run in alternating rounds, so that a change of the machine's
    // load during the run weighs on both alike.
    double expansionSeconds = 0;
    double bareSeconds = 0;
    for (int round = 0; round < kRounds; ++round)
    {
        const int roundCount = count / kRounds + (round < count % kRounds ? 1 : 0);
        const double expansionRound = TimeExpansions(link, roundCount);
        const double bareRound = TimeBareEnumerations(roundCount);
        if (expansionRound < 0 || bareRound < 0)
        {
            return 1;
        }
        expansionSeconds += expansionRound;
        bareSeconds += bareRound;
    }
    if (bareSeconds <= 0)
    {
        return 1;
    }
    std::printf("expansions: %d (%d substitute values, %d query parameters)\n", count, kVariables, kParameters);
    std::printf("QvExpandKespUrl:                 %.3f s (%.1f us/link)\n", expansionSeconds,
                expansionSeconds * 1e6 / count);
    std::printf("two bare enumerations of both:   %.3f s (%.1f us/link)\n", bareSeconds, bareSeconds * 1e6 / count);
    std::printf("ratio: %.2f\n", expansionSeconds / bareSeconds);
    return 0;
}
