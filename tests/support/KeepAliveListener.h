#pragma once

#include <winsock2.h>
#include <windows.h>

namespace ScreenRelayTest
{

// The keep-alive server's stand-in, for the connectivity check: a listener on
// a free port of a loopback address that never accepts, so that a connect
// completes in its backlog. Port() is 0 when it could not listen.
class KeepAliveListener
{
public:
    static constexpr char kAddress[] = "127.0.0.2";
    static constexpr wchar_t kWideAddress[] = L"127.0.0.2";

    KeepAliveListener()
    {
        WSADATA data{};
        started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
        socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = inet_addr(kAddress);
        int length = sizeof(local);
        if (socket_ != INVALID_SOCKET && bind(socket_, reinterpret_cast<sockaddr*>(&local), sizeof(local)) == 0 &&
            listen(socket_, SOMAXCONN) == 0 && getsockname(socket_, reinterpret_cast<sockaddr*>(&local), &length) == 0)
        {
            port_ = ntohs(local.sin_port);
        }
    }
    ~KeepAliveListener()
    {
        if (socket_ != INVALID_SOCKET)
        {
            closesocket(socket_);
        }
        if (started_)
        {
            WSACleanup();
        }
    }
    KeepAliveListener(const KeepAliveListener&) = delete;
    KeepAliveListener& operator=(const KeepAliveListener&) = delete;

    unsigned short Port() const { return port_; }

private:
    bool started_ = false;
    SOCKET socket_ = INVALID_SOCKET;
    unsigned short port_ = 0;
};

} // namespace ScreenRelayTest
