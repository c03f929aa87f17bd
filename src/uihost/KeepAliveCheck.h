#pragma once

#include <windows.h>

namespace Ostrel
{

class NetworkAPI;

// Whether the keep-alive server can be reached over TCP, directly or through
// the configured proxy; the socket library must be started. Returns 0 with
// answer 1 (reached, or a proxy configuration script is set or detected) or
// 0 (not reached), or a status: 10022 for a connect result that is neither
// success nor failure, the socket library's error, or the error of a failed
// proxy detection.
//
// The server's address is resolved from its configured host name and
// remembered as "PingIp"; when the name gives no usable address, the
// remembered one is used, and without one the answer is 0. A connect gives up
// after a few seconds instead of waiting for the system's connect time-out.
DWORD CheckKeepAliveServer(NetworkAPI& api, int& answer);

// How long a connect may wait for the other side.
inline constexpr DWORD kKeepAliveConnectTimeoutMs = 5000;

} // namespace Ostrel
