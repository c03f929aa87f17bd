#pragma once

// The Windows calls of the connectivity check. The socket, dial-up and IP
// helper libraries are loaded by name and their functions bound at run time;
// each call the check makes is a virtual operation, so that tests can stand
// in for what Wine cannot vary (dial-up connections, the address table, the
// system proxy, proxy detection). The default operations call Windows.

#include "platform/UniqueHandles.h"

#include <winsock2.h>
#include <windows.h>

#include <iphlpapi.h>
#include <ras.h>

#include <memory>

namespace Ostrel
{

class DllAPI;

// Statuses of loading and binding; the first missing function decides.
inline constexpr DWORD kProbeDialUpLibraryMissing = 10003;
inline constexpr DWORD kProbeIpHelperLibraryMissing = 10004;
inline constexpr DWORD kProbeSocketLibraryMissing = 10005;
inline constexpr DWORD kProbeRasEnumConnectionsMissing = 10006;
inline constexpr DWORD kProbeRasGetConnectStatusMissing = 10007;
inline constexpr DWORD kProbeGetIpAddrTableMissing = 10008;
inline constexpr DWORD kProbeWSAStartupMissing = 10009;
inline constexpr DWORD kProbeWSACleanupMissing = 10010;
inline constexpr DWORD kProbeSocketMissing = 10012;
inline constexpr DWORD kProbeCloseSocketMissing = 10013;
inline constexpr DWORD kProbeConnectMissing = 10014;
inline constexpr DWORD kProbeGetHostByNameMissing = 10015;
inline constexpr DWORD kProbeGetHostNameMissing = 10016;
inline constexpr DWORD kProbeHtonsMissing = 10017;
inline constexpr DWORD kProbeWSAGetLastErrorMissing = 10018;
inline constexpr DWORD kProbeSendToMissing = 10019;
inline constexpr DWORD kProbeInetAddrMissing = 10032;
// The two calls that bound the wait of a connect.
inline constexpr DWORD kProbeIoctlSocketMissing = 10033;
inline constexpr DWORD kProbeSelectMissing = 10034;

// A dial-up connection entry in its 416-byte layout (64-bit, 4-byte packing),
// which every version of the dial-up library accepts.
#include <pshpack4.h>
struct DialUpConnection
{
    DWORD size;
    HRASCONN handle;
    char entryName[RAS_MaxEntryName + 1];
    char deviceType[RAS_MaxDeviceType + 1];
    char deviceName[RAS_MaxDeviceName + 1];
};

// A dial-up connection's status in its 160-byte layout.
struct DialUpStatus
{
    DWORD size;
    RASCONNSTATE state;
    DWORD error;
    char deviceType[RAS_MaxDeviceType + 1];
    char deviceName[RAS_MaxDeviceName + 1];
};
#include <poppack.h>

// What InternetQueryOptionA gives for INTERNET_OPTION_PROXY: the strings are
// ANSI and live in the same buffer.
struct InternetProxyInfoA
{
    DWORD accessType;
    const char* proxy;
    const char* proxyBypass;
};

static_assert(sizeof(DialUpConnection) == 416);
static_assert(sizeof(DialUpStatus) == 160);

class NetworkAPI
{
public:
    // The bound functions, and a library with the functions it gives.
    struct Functions;
    struct Library;

    explicit NetworkAPI(std::shared_ptr<DllAPI> dllApi = nullptr);
    NetworkAPI(const NetworkAPI&) = delete;
    NetworkAPI& operator=(const NetworkAPI&) = delete;

    // Loads the socket library (ws2_32.dll, else wsock32.dll), the dial-up
    // library (rasapi32.dll) and the IP helper library (iphlpapi.dll) by
    // file name, with the executable's folder as the current directory, and
    // binds their functions. 0, or the status of the first library or
    // function missing; then nothing stays loaded.
    DWORD load();
    // Frees the libraries; the operations must not be called afterwards.
    void unload();

    virtual int wsaStartup(WORD version, WSADATA* data);
    virtual SOCKET openSocket(int family, int type, int protocol);
    virtual int closeSocket(SOCKET socket);
    virtual int ioctlSocket(SOCKET socket, long command, u_long* argument);
    virtual int connectSocket(SOCKET socket, const sockaddr* address, int length);
    virtual int selectSockets(fd_set* readable, fd_set* writable, fd_set* failed, timeval* timeout);
    virtual hostent* getHostByName(const char* name);
    virtual u_short hostToNetworkShort(u_short value);
    virtual unsigned long inetAddr(const char* text);
    virtual int wsaGetLastError();

    virtual DWORD rasEnumConnections(DialUpConnection* connections, DWORD* bytes, DWORD* count);
    virtual DWORD rasGetConnectStatus(HRASCONN connection, DialUpStatus* status);
    virtual ULONG getIpAddrTable(MIB_IPADDRTABLE* table, ULONG* bytes, BOOL sorted);

    // InternetQueryOptionA without an Internet handle.
    virtual BOOL internetQueryOption(DWORD option, void* buffer, DWORD* bytes);
    virtual BOOL detectAutoProxyUrl(char* url, DWORD chars, DWORD detectFlags);

    virtual ~NetworkAPI();

private:
    DWORD load(const Library& library);

    std::shared_ptr<DllAPI> dllApi_;
    UniqueLibrary sockets_;
    UniqueLibrary dialUp_;
    UniqueLibrary ipHelper_;
    std::unique_ptr<Functions> functions_;
};

} // namespace Ostrel
