#pragma once

#include <cstdint>
#include <string>

namespace RelayHost
{

// What this process holds at one moment, for leak checks over many requests.
struct ProcessResources
{
    // Entries of this process in the system's handle table
    // (NtQuerySystemInformation, extended handle information), since
    // GetProcessHandleCount answers 0 under Wine.
    std::uint64_t handles = 0;
    std::uint64_t threads = 0;
    std::uint64_t privateBytes = 0;
    // UI host helper objects alive in this process; 0 while its server is not loaded.
    std::uint64_t helperInstances = 0;
};

ProcessResources MeasureProcessResources();

// "handles 123, threads 4, private bytes 5678, helper objects 0"
std::wstring DescribeProcessResources(const ProcessResources& resources);

// The first quantity of current that exceeds its value in baseline by more
// than percent, with both values; empty when none does.
std::wstring GrowthBeyond(const ProcessResources& baseline, const ProcessResources& current, unsigned percent);

} // namespace RelayHost
