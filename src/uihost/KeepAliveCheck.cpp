#include "uihost/KeepAliveCheck.h"

#include "uihost/NetworkAPI.h"
#include "uihost/NetworkSettings.h"
#include "uihost/ProxyServer.h"

#include <wininet.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace Ostrel
{

namespace
{

constexpr DWORD kUnexpectedConnectResult = 10022;
// 127.0.0.1 in network byte order.
constexpr DWORD kLoopbackAddress = 0x0100007F;
constexpr DWORD kAutoProxyUrlChars = 2000;

class SocketOwner
{
public:
    SocketOwner(NetworkAPI& api, SOCKET socket)
        : api_(api)
        , socket_(socket)
    {
    }
    ~SocketOwner() { api_.closeSocket(socket_); }
    SocketOwner(const SocketOwner&) = delete;
    SocketOwner& operator=(const SocketOwner&) = delete;

    SOCKET get() const { return socket_; }

private:
    NetworkAPI& api_;
    SOCKET socket_;
};

// The first address of the name that is neither 0 nor 127.0.0.1.
std::optional<DWORD> ResolveUsableAddress(NetworkAPI& api, const std::string& host)
{
    const hostent* entry = api.getHostByName(host.c_str());
    if (entry == nullptr || entry->h_addrtype != AF_INET || entry->h_length != sizeof(DWORD))
    {
        return std::nullopt;
    }
    for (char** address = entry->h_addr_list; *address != nullptr; ++address)
    {
        DWORD value = 0;
        std::memcpy(&value, *address, sizeof(value));
        if (value != 0 && value != kLoopbackAddress)
        {
            return value;
        }
    }
    return std::nullopt;
}

// The proxy host's address: a dotted address, else resolved by name.
std::optional<DWORD> ProxyAddress(NetworkAPI& api, const std::string& host)
{
    const unsigned long address = api.inetAddr(host.c_str());
    if (address != INADDR_NONE)
    {
        return address;
    }
    return ResolveUsableAddress(api, host);
}

// Connects without blocking and waits for the outcome for a bounded time: a
// connection that has not come about by then counts as failed.
DWORD ConnectWithin(NetworkAPI& api, DWORD address, unsigned short port, int& answer)
{
    const SOCKET opened = api.openSocket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (opened == INVALID_SOCKET)
    {
        return static_cast<DWORD>(api.wsaGetLastError());
    }
    const SocketOwner socket(api, opened);
    u_long nonBlocking = 1;
    if (api.ioctlSocket(socket.get(), FIONBIO, &nonBlocking) != 0)
    {
        return static_cast<DWORD>(api.wsaGetLastError());
    }

    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = api.hostToNetworkShort(port);
    target.sin_addr.s_addr = address;
    const int result = api.connectSocket(socket.get(), reinterpret_cast<const sockaddr*>(&target), sizeof(target));
    if (result == 0)
    {
        answer = 1;
        return ERROR_SUCCESS;
    }
    if (result != SOCKET_ERROR)
    {
        return kUnexpectedConnectResult;
    }
    if (api.wsaGetLastError() != WSAEWOULDBLOCK)
    {
        answer = 0;
        return ERROR_SUCCESS;
    }

    // A connection that comes about makes the socket writable; one that
    // fails puts it in the failed set.
    fd_set writable{};
    writable.fd_count = 1;
    writable.fd_array[0] = socket.get();
    fd_set failed = writable;
    timeval timeout{static_cast<long>(kKeepAliveConnectTimeoutMs / 1000),
                    static_cast<long>(kKeepAliveConnectTimeoutMs % 1000 * 1000)};
    const int selected = api.selectSockets(nullptr, &writable, &failed, &timeout);
    answer = selected > 0 && writable.fd_count == 1 ? 1 : 0;
    return ERROR_SUCCESS;
}

// The system's proxy list, when the system is set to use a proxy.
std::string SystemProxyList(NetworkAPI& api)
{
    DWORD bytes = 0;
    if (api.internetQueryOption(INTERNET_OPTION_PROXY, nullptr, &bytes) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER || bytes < sizeof(InternetProxyInfoA))
    {
        return {};
    }
    std::vector<std::uint64_t> buffer((bytes + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t));
    if (!api.internetQueryOption(INTERNET_OPTION_PROXY, buffer.data(), &bytes))
    {
        return {};
    }
    const auto* info = reinterpret_cast<const InternetProxyInfoA*>(buffer.data());
    if (info->accessType != INTERNET_OPEN_TYPE_PROXY || info->proxy == nullptr)
    {
        return {};
    }
    return info->proxy;
}

// The proxy list to use: the system's, else the updater's.
std::string ConfiguredProxyList(NetworkAPI& api)
{
    std::string list = SystemProxyList(api);
    return list.empty() ? ReadProxyServerList() : list;
}

// Without a proxy: a proxy configuration script set or detected counts as
// connected.
DWORD CheckAutomaticConfiguration(NetworkAPI& api, int& answer)
{
    std::array<char, kAutoProxyUrlChars> url{};
    if (IsAutoConfigScriptSet() || api.detectAutoProxyUrl(url.data(), kAutoProxyUrlChars,
                                                          PROXY_AUTO_DETECT_TYPE_DHCP | PROXY_AUTO_DETECT_TYPE_DNS_A))
    {
        answer = 1;
        return ERROR_SUCCESS;
    }
    answer = 0;
    return GetLastError();
}

} // namespace

DWORD CheckKeepAliveServer(NetworkAPI& api, int& answer)
{
    const KeepAliveServer server = ReadKeepAliveServer();
    std::optional<DWORD> address = ResolveUsableAddress(api, server.host);
    if (address)
    {
        StorePingIp(*address);
    }
    else
    {
        address = ReadPingIp();
    }
    if (!address)
    {
        answer = 0;
        return ERROR_SUCCESS;
    }

    const DWORD status = ConnectWithin(api, *address, server.port, answer);
    if (status != ERROR_SUCCESS || answer == 1)
    {
        return status;
    }

    const std::string list = ConfiguredProxyList(api);
    if (list.empty())
    {
        return CheckAutomaticConfiguration(api, answer);
    }
    const ProxyServer proxy = ParseProxyServer(list);
    const std::optional<DWORD> proxyAddress = ProxyAddress(api, proxy.host);
    if (!proxyAddress)
    {
        answer = 0;
        return ERROR_SUCCESS;
    }
    return ConnectWithin(api, *proxyAddress, proxy.port, answer);
}

} // namespace Ostrel
