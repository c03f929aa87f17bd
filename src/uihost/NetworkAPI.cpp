#include "uihost/NetworkAPI.h"

#include "platform/wrappers/DllAPI.h"
#include "uihost/CurrentDirectoryScope.h"

#include <wininet.h>

#include <array>
#include <span>

namespace Ostrel
{

struct NetworkAPI::Functions
{
    FARPROC wsaStartup = nullptr;
    FARPROC wsaCleanup = nullptr;
    FARPROC socket = nullptr;
    FARPROC closeSocket = nullptr;
    FARPROC connect = nullptr;
    FARPROC sendTo = nullptr;
    FARPROC getHostByName = nullptr;
    FARPROC getHostName = nullptr;
    FARPROC htons = nullptr;
    FARPROC inetAddr = nullptr;
    FARPROC wsaGetLastError = nullptr;
    FARPROC ioctlSocket = nullptr;
    FARPROC select = nullptr;
    FARPROC rasEnumConnections = nullptr;
    FARPROC rasGetConnectStatus = nullptr;
    FARPROC getIpAddrTable = nullptr;
};

namespace
{

using Functions = NetworkAPI::Functions;

struct Binding
{
    const char* name;
    DWORD missing;
    FARPROC Functions::*slot;
};

constexpr std::array kSocketBindings = {
    Binding{"WSAStartup", kProbeWSAStartupMissing, &Functions::wsaStartup},
    Binding{"WSACleanup", kProbeWSACleanupMissing, &Functions::wsaCleanup},
    Binding{"socket", kProbeSocketMissing, &Functions::socket},
    Binding{"closesocket", kProbeCloseSocketMissing, &Functions::closeSocket},
    Binding{"connect", kProbeConnectMissing, &Functions::connect},
    Binding{"sendto", kProbeSendToMissing, &Functions::sendTo},
    Binding{"gethostbyname", kProbeGetHostByNameMissing, &Functions::getHostByName},
    Binding{"gethostname", kProbeGetHostNameMissing, &Functions::getHostName},
    Binding{"htons", kProbeHtonsMissing, &Functions::htons},
    Binding{"inet_addr", kProbeInetAddrMissing, &Functions::inetAddr},
    Binding{"WSAGetLastError", kProbeWSAGetLastErrorMissing, &Functions::wsaGetLastError},
    Binding{"ioctlsocket", kProbeIoctlSocketMissing, &Functions::ioctlSocket},
    Binding{"select", kProbeSelectMissing, &Functions::select},
};

constexpr std::array kDialUpBindings = {
    Binding{"RasEnumConnectionsA", kProbeRasEnumConnectionsMissing, &Functions::rasEnumConnections},
    Binding{"RasGetConnectStatusA", kProbeRasGetConnectStatusMissing, &Functions::rasGetConnectStatus},
};

constexpr std::array kIpHelperBindings = {
    Binding{"GetIpAddrTable", kProbeGetIpAddrTableMissing, &Functions::getIpAddrTable},
};

constexpr std::array<const wchar_t*, 2> kSocketLibraryNames = {L"ws2_32.dll", L"wsock32.dll"};
constexpr std::array<const wchar_t*, 1> kDialUpLibraryNames = {L"rasapi32.dll"};
constexpr std::array<const wchar_t*, 1> kIpHelperLibraryNames = {L"iphlpapi.dll"};

using RasEnumConnectionsFunction = DWORD(WINAPI*)(DialUpConnection*, DWORD*, DWORD*);
using RasGetConnectStatusFunction = DWORD(WINAPI*)(HRASCONN, DialUpStatus*);

template <typename Function>
Function Bound(FARPROC address)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(address));
}

} // namespace

// A library to load, the names to try in order, and the functions it gives.
struct NetworkAPI::Library
{
    std::span<const wchar_t* const> fileNames;
    DWORD missing;
    UniqueLibrary NetworkAPI::*handle;
    std::span<const Binding> bindings;
};

NetworkAPI::NetworkAPI(std::shared_ptr<DllAPI> dllApi)
    : dllApi_(dllApi ? std::move(dllApi) : std::make_shared<DllAPI>())
    , functions_(std::make_unique<Functions>())
{
}

NetworkAPI::~NetworkAPI() = default;

DWORD NetworkAPI::load()
{
    const std::array libraries = {
        Library{kSocketLibraryNames, kProbeSocketLibraryMissing, &NetworkAPI::sockets_, kSocketBindings},
        Library{kDialUpLibraryNames, kProbeDialUpLibraryMissing, &NetworkAPI::dialUp_, kDialUpBindings},
        Library{kIpHelperLibraryNames, kProbeIpHelperLibraryMissing, &NetworkAPI::ipHelper_, kIpHelperBindings},
    };
    for (const Library& library : libraries)
    {
        const DWORD status = load(library);
        if (status != ERROR_SUCCESS)
        {
            unload();
            return status;
        }
    }
    return ERROR_SUCCESS;
}

DWORD NetworkAPI::load(const Library& library)
{
    UniqueLibrary& handle = this->*library.handle;
    {
        // Loaded by file name: the system folder is searched after the
        // current directory, which is the executable's folder meanwhile.
        const CurrentDirectoryScope folder(ExecutableFolder());
        for (const wchar_t* fileName : library.fileNames)
        {
            handle.reset(dllApi_->loadLibraryEx(fileName, 0));
            if (handle)
            {
                break;
            }
        }
    }
    if (!handle)
    {
        return library.missing;
    }
    for (const Binding& binding : library.bindings)
    {
        FARPROC& slot = (*functions_).*binding.slot;
        slot = dllApi_->getProcAddress(handle.get(), binding.name);
        if (slot == nullptr)
        {
            return binding.missing;
        }
    }
    return ERROR_SUCCESS;
}

void NetworkAPI::unload()
{
    *functions_ = Functions{};
    ipHelper_.reset();
    dialUp_.reset();
    sockets_.reset();
}

int NetworkAPI::wsaStartup(WORD version, WSADATA* data)
{
    return Bound<decltype(&::WSAStartup)>(functions_->wsaStartup)(version, data);
}

SOCKET NetworkAPI::openSocket(int family, int type, int protocol)
{
    return Bound<decltype(&::socket)>(functions_->socket)(family, type, protocol);
}

int NetworkAPI::closeSocket(SOCKET socket)
{
    return Bound<decltype(&::closesocket)>(functions_->closeSocket)(socket);
}

int NetworkAPI::ioctlSocket(SOCKET socket, long command, u_long* argument)
{
    return Bound<decltype(&::ioctlsocket)>(functions_->ioctlSocket)(socket, command, argument);
}

int NetworkAPI::connectSocket(SOCKET socket, const sockaddr* address, int length)
{
    return Bound<decltype(&::connect)>(functions_->connect)(socket, address, length);
}

int NetworkAPI::selectSockets(fd_set* readable, fd_set* writable, fd_set* failed, timeval* timeout)
{
    return Bound<decltype(&::select)>(functions_->select)(0, readable, writable, failed, timeout);
}

hostent* NetworkAPI::getHostByName(const char* name)
{
    return Bound<decltype(&::gethostbyname)>(functions_->getHostByName)(name);
}

u_short NetworkAPI::hostToNetworkShort(u_short value)
{
    return Bound<decltype(&::htons)>(functions_->htons)(value);
}

unsigned long NetworkAPI::inetAddr(const char* text)
{
    return Bound<decltype(&::inet_addr)>(functions_->inetAddr)(text);
}

int NetworkAPI::wsaGetLastError()
{
    return Bound<decltype(&::WSAGetLastError)>(functions_->wsaGetLastError)();
}

DWORD NetworkAPI::rasEnumConnections(DialUpConnection* connections, DWORD* bytes, DWORD* count)
{
    return Bound<RasEnumConnectionsFunction>(functions_->rasEnumConnections)(connections, bytes, count);
}

DWORD NetworkAPI::rasGetConnectStatus(HRASCONN connection, DialUpStatus* status)
{
    return Bound<RasGetConnectStatusFunction>(functions_->rasGetConnectStatus)(connection, status);
}

ULONG NetworkAPI::getIpAddrTable(MIB_IPADDRTABLE* table, ULONG* bytes, BOOL sorted)
{
    return Bound<decltype(&::GetIpAddrTable)>(functions_->getIpAddrTable)(table, bytes, sorted);
}

BOOL NetworkAPI::internetQueryOption(DWORD option, void* buffer, DWORD* bytes)
{
    return InternetQueryOptionA(nullptr, option, buffer, bytes);
}

BOOL NetworkAPI::detectAutoProxyUrl(char* url, DWORD chars, DWORD detectFlags)
{
    return DetectAutoProxyUrl(url, chars, detectFlags);
}

} // namespace Ostrel
