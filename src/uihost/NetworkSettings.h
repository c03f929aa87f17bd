#pragma once

// Registry settings of the connectivity check, all under HKEY_LOCAL_MACHINE in
// the default view unless said otherwise.

#include <windows.h>

#include <optional>
#include <string>

namespace Ostrel
{

// The suite agent's update key: "AssumeConnected" (REG_DWORD) overrides the
// check when it is honoured.
inline constexpr wchar_t kAgentUpdateKey[] = L"SOFTWARE\\Norvane\\Agent\\Update";
// The installation's connectivity settings: "KeepAliveServer" (REG_SZ host
// name), "KeepAlivePort" (REG_DWORD), and "PingIp" (REG_DWORD, the keep-alive
// server's last resolved IPv4 address in network byte order).
inline constexpr wchar_t kConnectivityKey[] = L"SOFTWARE\\Norvane\\VRT\\Connectivity";
// The updater's proxy settings: "ProxyServerList" and "AutoConfigUrl" (REG_SZ).
inline constexpr wchar_t kUpdateProxyKey[] = L"SOFTWARE\\Norvane\\VRT\\Update\\WinHTTP";

inline constexpr char kDefaultKeepAliveServer[] = "keepalive.norvane.com";
inline constexpr unsigned short kDefaultKeepAlivePort = 80;

struct KeepAliveServer
{
    std::string host = kDefaultKeepAliveServer;
    unsigned short port = kDefaultKeepAlivePort;
};

// "AssumeConnected", when it reads as a 4-byte value.
std::optional<DWORD> ReadAssumeConnected();

// The configured keep-alive server; a missing or empty host, and a port that
// is missing, 0 or above 65535, keep their defaults.
KeepAliveServer ReadKeepAliveServer();

// "PingIp", when it reads as a 4-byte value.
std::optional<DWORD> ReadPingIp();
// Stores "PingIp", creating the key when missing. 0 or the Win32 error.
LONG StorePingIp(DWORD address);

// "ProxyServerList" in the thread's ANSI code page; empty when missing, not
// text, or longer than 260 characters.
std::string ReadProxyServerList();

// Whether an automatic proxy configuration script is set: a non-empty
// "AutoConfigUrl" of the updater's proxy settings, or, when that value is
// absent, a non-empty "AutoConfigURL" of the user's Internet settings.
bool IsAutoConfigScriptSet();

} // namespace Ostrel
