#include "uihost/LocalNetworkChecks.h"

#include "uihost/NetworkAPI.h"

#include <cstdint>
#include <vector>

namespace Ostrel
{

namespace
{

constexpr DWORD kRasBufferTooSmall = 603;
// 127.0.0.1 in network byte order.
constexpr DWORD kLoopbackAddress = 0x0100007F;

bool IsBufferTooSmall(DWORD status, DWORD tooSmall)
{
    return status == tooSmall || status == ERROR_NOT_ENOUGH_MEMORY;
}

} // namespace

DWORD CheckDialUp(NetworkAPI& api, int& answer)
{
    answer = 0;
    DWORD bytes = 0;
    DWORD count = 0;
    if (!IsBufferTooSmall(api.rasEnumConnections(nullptr, &bytes, &count), kRasBufferTooSmall))
    {
        return ERROR_SUCCESS;
    }
    std::vector<DialUpConnection> connections(bytes / sizeof(DialUpConnection) + 1);
    connections[0].size = sizeof(DialUpConnection);
    bytes = static_cast<DWORD>(connections.size() * sizeof(DialUpConnection));
    if (api.rasEnumConnections(connections.data(), &bytes, &count) != ERROR_SUCCESS)
    {
        return ERROR_SUCCESS;
    }
    for (DWORD i = 0; i < count && i < connections.size(); ++i)
    {
        DialUpStatus status{};
        status.size = sizeof(status);
        if (api.rasGetConnectStatus(connections[i].handle, &status) == ERROR_SUCCESS && status.state == RASCS_Connected)
        {
            answer = 1;
            break;
        }
    }
    return ERROR_SUCCESS;
}

DWORD CheckLocalAddress(NetworkAPI& api, int& answer)
{
    answer = 0;
    ULONG bytes = 0;
    ULONG status = api.getIpAddrTable(nullptr, &bytes, TRUE);
    if (!IsBufferTooSmall(status, ERROR_INSUFFICIENT_BUFFER))
    {
        return status;
    }
    std::vector<std::uint64_t> buffer((bytes + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t));
    auto* table = reinterpret_cast<MIB_IPADDRTABLE*>(buffer.data());
    status = api.getIpAddrTable(table, &bytes, TRUE);
    if (status != ERROR_SUCCESS)
    {
        return status;
    }
    for (DWORD i = 0; i < table->dwNumEntries; ++i)
    {
        const DWORD address = table->table[i].dwAddr;
        if (address != 0 && address != kLoopbackAddress)
        {
            answer = 1;
            return ERROR_SUCCESS;
        }
    }
    return ERROR_SUCCESS;
}

} // namespace Ostrel
