#include "ProcessResources.h"

#include "platform/UniqueHandles.h"

#include <windows.h>
#include <tlhelp32.h>

#include <vector>

namespace RelayHost
{

namespace
{

constexpr ULONG kSystemExtendedHandleInformation = 64;
constexpr LONG kStatusInfoLengthMismatch = static_cast<LONG>(0xC0000004);

struct HandleTableEntry
{
    void* object;
    ULONG_PTR processId;
    ULONG_PTR handleValue;
    ULONG grantedAccess;
    USHORT creatorBackTraceIndex;
    USHORT objectTypeIndex;
    ULONG handleAttributes;
    ULONG reserved;
};

struct HandleTable
{
    ULONG_PTR count;
    ULONG_PTR reserved;
    HandleTableEntry entries[1];
};

using QuerySystemInformationFn = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);

std::uint64_t CountOwnHandles()
{
    const auto query = reinterpret_cast<QuerySystemInformationFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (query == nullptr)
    {
        return 0;
    }
    std::vector<std::uint8_t> buffer(1 << 16);
    ULONG needed = 0;
    LONG status = kStatusInfoLengthMismatch;
    while ((status = query(kSystemExtendedHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                           &needed)) == kStatusInfoLengthMismatch)
    {
        buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed + 4096));
    }
    if (status < 0)
    {
        return 0;
    }
    const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
    const ULONG_PTR self = GetCurrentProcessId();
    std::uint64_t count = 0;
    for (ULONG_PTR i = 0; i < table->count; ++i)
    {
        count += table->entries[i].processId == self ? 1 : 0;
    }
    return count;
}

std::uint64_t CountOwnThreads()
{
    const Ostrel::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (snapshot.get() == INVALID_HANDLE_VALUE)
    {
        return 0;
    }
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    std::uint64_t count = 0;
    for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry))
    {
        count += entry.th32OwnerProcessID == GetCurrentProcessId() ? 1 : 0;
    }
    return count;
}

// Committed private memory, summed over the address space: the process
// memory counters' private usage is 0 under Wine.
std::uint64_t PrivateBytes()
{
    std::uint64_t total = 0;
    MEMORY_BASIC_INFORMATION region{};
    for (const char* address = nullptr; VirtualQuery(address, &region, sizeof(region)) == sizeof(region);
         address = static_cast<const char*>(region.BaseAddress) + region.RegionSize)
    {
        total += region.State == MEM_COMMIT && region.Type == MEM_PRIVATE ? region.RegionSize : 0;
    }
    return total;
}

std::uint64_t HelperInstances()
{
    using LiveInstancesFn = LONG(WINAPI*)();
    const HMODULE server = GetModuleHandleW(L"UiHostHelper.dll");
    const auto live =
        server == nullptr
            ? nullptr
            : reinterpret_cast<LiveInstancesFn>(reinterpret_cast<void*>(GetProcAddress(server, "LiveHelperInstances")));
    return live == nullptr ? 0 : static_cast<std::uint64_t>(live());
}

} // namespace

ProcessResources MeasureProcessResources()
{
    return {CountOwnHandles(), CountOwnThreads(), PrivateBytes(), HelperInstances()};
}

std::wstring DescribeProcessResources(const ProcessResources& resources)
{
    return L"handles " + std::to_wstring(resources.handles) + L", threads " + std::to_wstring(resources.threads) +
           L", private bytes " + std::to_wstring(resources.privateBytes) + L", helper objects " +
           std::to_wstring(resources.helperInstances);
}

std::wstring GrowthBeyond(const ProcessResources& baseline, const ProcessResources& current, unsigned percent)
{
    struct Quantity
    {
        const wchar_t* name;
        std::uint64_t before;
        std::uint64_t after;
    };
    for (const Quantity& quantity : {Quantity{L"handles", baseline.handles, current.handles},
                                     Quantity{L"threads", baseline.threads, current.threads},
                                     Quantity{L"private bytes", baseline.privateBytes, current.privateBytes},
                                     Quantity{L"helper objects", baseline.helperInstances, current.helperInstances}})
    {
        if (quantity.after * 100 > quantity.before * (100 + percent))
        {
            return std::wstring(quantity.name) + L" grew from " + std::to_wstring(quantity.before) + L" to " +
                   std::to_wstring(quantity.after);
        }
    }
    return {};
}

} // namespace RelayHost
