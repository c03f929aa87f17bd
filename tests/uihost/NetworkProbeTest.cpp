#include "uihost/NetworkProbe.h"

#include "MachineRegistry.h"
#include "platform/UniqueHandles.h"
#include "platform/wrappers/DllAPI.h"
#include "support/RegistryIsolation.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"
#include "uihost/KeepAliveCheck.h"
#include "uihost/NetworkAPI.h"
#include "uihost/NetworkSettings.h"
#include "uihost/ProxyServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <aclapi.h>
#include <wininet.h>

#include <chrono>
#include <cstddef>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace
{

using ScreenRelayTest::SetMachineDword;
using ScreenRelayTest::SetMachineString;
using ::testing::_;
using ::testing::NiceMock;
using ::testing::Return;
using ::testing::StrEq;

// 127.0.0.1 and an address of a network card, in network byte order; the
// card's address is only a table entry and is never contacted.
constexpr DWORD kLoopback = 0x0100007F;
constexpr DWORD kCardAddress = 0x0201000A;

class TestSocket
{
public:
    TestSocket() = default;
    ~TestSocket() { closesocket(socket_); }
    TestSocket(const TestSocket&) = delete;
    TestSocket& operator=(const TestSocket&) = delete;
    SOCKET get() const { return socket_; }

private:
    SOCKET socket_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
};

// A TCP listener on a loopback address and a free port, started by the test
// inside the Wine server's network namespace. It never accepts: a connect
// completes in its backlog.
class LoopbackListener
{
public:
    explicit LoopbackListener(const char* address, int backlog = SOMAXCONN)
        : address_(address)
    {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = inet_addr(address);
        int length = sizeof(local);
        if (bind(socket_.get(), reinterpret_cast<sockaddr*>(&local), sizeof(local)) == 0 &&
            listen(socket_.get(), backlog) == 0 &&
            getsockname(socket_.get(), reinterpret_cast<sockaddr*>(&local), &length) == 0)
        {
            port_ = ntohs(local.sin_port);
        }
    }

    bool Listening() const { return port_ != 0; }
    unsigned short Port() const { return port_; }
    const char* Address() const { return address_; }
    std::string List() const { return std::string(address_) + ":" + std::to_string(port_); }

    // Fills the backlog of a listener made with backlog 0, so that the next
    // connect to it waits without an answer. True once the filler connected.
    bool FillBacklog()
    {
        u_long nonBlocking = 1;
        ioctlsocket(filler_.get(), FIONBIO, &nonBlocking);
        sockaddr_in target{};
        target.sin_family = AF_INET;
        target.sin_addr.s_addr = inet_addr(address_);
        target.sin_port = htons(port_);
        connect(filler_.get(), reinterpret_cast<sockaddr*>(&target), sizeof(target));
        fd_set writable{1, {filler_.get()}};
        timeval timeout{10, 0};
        return select(0, nullptr, &writable, nullptr, &timeout) == 1;
    }

private:
    const char* address_;
    TestSocket socket_;
    TestSocket filler_;
    unsigned short port_ = 0;
};

// A port on the address where nothing listens.
unsigned short ClosedPort(const char* address)
{
    const LoopbackListener released(address);
    return released.Port();
}

// The calls Wine cannot vary, scripted: the address table, dial-up
// connections, the system proxy and proxy detection. Sockets and name
// resolution are real; lookups and connects are counted.
class ScriptedNetworkAPI : public Ostrel::NetworkAPI
{
public:
    using NetworkAPI::NetworkAPI;

    std::vector<DWORD> addresses{kLoopback};
    // A dial-up connection in this state, when set.
    std::optional<RASCONNSTATE> dialUpState;
    // The system's proxy list; empty: direct access.
    std::string systemProxy;
    bool proxyDetected = false;

    int lookups = 0;
    int connects = 0;

    ULONG getIpAddrTable(MIB_IPADDRTABLE* table, ULONG* bytes, BOOL) override
    {
        const ULONG needed =
            static_cast<ULONG>(offsetof(MIB_IPADDRTABLE, table) + addresses.size() * sizeof(MIB_IPADDRROW));
        if (table == nullptr || *bytes < needed)
        {
            *bytes = needed;
            return ERROR_INSUFFICIENT_BUFFER;
        }
        table->dwNumEntries = static_cast<DWORD>(addresses.size());
        for (std::size_t i = 0; i < addresses.size(); ++i)
        {
            table->table[i] = MIB_IPADDRROW{};
            table->table[i].dwAddr = addresses[i];
        }
        return ERROR_SUCCESS;
    }

    DWORD rasEnumConnections(Ostrel::DialUpConnection* connections, DWORD* bytes, DWORD* count) override
    {
        if (!dialUpState)
        {
            return NetworkAPI::rasEnumConnections(connections, bytes, count);
        }
        if (connections == nullptr || *bytes < sizeof(Ostrel::DialUpConnection))
        {
            *bytes = sizeof(Ostrel::DialUpConnection);
            return 603;
        }
        connections[0].handle = reinterpret_cast<HRASCONN>(0x1234);
        *count = 1;
        return ERROR_SUCCESS;
    }

    DWORD rasGetConnectStatus(HRASCONN connection, Ostrel::DialUpStatus* status) override
    {
        if (connection != reinterpret_cast<HRASCONN>(0x1234) || status->size != sizeof(Ostrel::DialUpStatus))
        {
            return ERROR_INVALID_HANDLE;
        }
        status->state = *dialUpState;
        return ERROR_SUCCESS;
    }

    BOOL internetQueryOption(DWORD option, void* buffer, DWORD* bytes) override
    {
        if (option != INTERNET_OPTION_PROXY)
        {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        const DWORD needed = static_cast<DWORD>(sizeof(Ostrel::InternetProxyInfoA) + systemProxy.size() + 1);
        if (buffer == nullptr || *bytes < needed)
        {
            *bytes = needed;
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        }
        auto* info = static_cast<Ostrel::InternetProxyInfoA*>(buffer);
        char* list = reinterpret_cast<char*>(info + 1);
        std::memcpy(list, systemProxy.c_str(), systemProxy.size() + 1);
        info->accessType = systemProxy.empty() ? INTERNET_OPEN_TYPE_DIRECT : INTERNET_OPEN_TYPE_PROXY;
        info->proxy = systemProxy.empty() ? nullptr : list;
        info->proxyBypass = nullptr;
        *bytes = needed;
        return TRUE;
    }

    BOOL detectAutoProxyUrl(char*, DWORD, DWORD) override
    {
        SetLastError(proxyDetected ? ERROR_SUCCESS : ERROR_CALL_NOT_IMPLEMENTED);
        return proxyDetected;
    }

    hostent* getHostByName(const char* name) override
    {
        ++lookups;
        return NetworkAPI::getHostByName(name);
    }

    int connectSocket(SOCKET socket, const sockaddr* address, int length) override
    {
        ++connects;
        return NetworkAPI::connectSocket(socket, address, length);
    }
};

class NetworkProbeTest : public ScreenRelayTest::RegistryIsolatedTest
{
protected:
    // The test program's own Winsock, for the listeners.
    static void SetUpTestSuite()
    {
        WSADATA data{};
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    }
    static void TearDownTestSuite() { WSACleanup(); }
    void SetUp() override
    {
        RegistryIsolatedTest::SetUp();
        api_->addresses = {kLoopback, kCardAddress};
        ASSERT_EQ(probe_.initialize(), 0u);
    }

    static void SetKeepAliveServer(const char* address, unsigned short port)
    {
        ASSERT_EQ(SetMachineString(Ostrel::kConnectivityKey, L"KeepAliveServer",
                                   std::wstring(address, address + std::strlen(address))),
                  ERROR_SUCCESS);
        ASSERT_EQ(SetMachineDword(Ostrel::kConnectivityKey, L"KeepAlivePort", port), ERROR_SUCCESS);
    }

    static void SetProxyServerList(const std::string& list)
    {
        ASSERT_EQ(SetMachineString(Ostrel::kUpdateProxyKey, L"ProxyServerList", std::wstring(list.begin(), list.end())),
                  ERROR_SUCCESS);
    }

    std::shared_ptr<ScriptedNetworkAPI> api_ = std::make_shared<ScriptedNetworkAPI>();
    Ostrel::NetworkProbe probe_{api_};
};

TEST_F(NetworkProbeTest, OnlyLoopbackAddressesAnswerNotConnectedWithoutTryingTheKeepAliveServer)
{
    const std::pair<const char*, std::vector<DWORD>> cases[] = {
        {"loopback only", {kLoopback}}, {"loopback and the empty address", {0, kLoopback}}, {"no address at all", {}}};
    const LoopbackListener server("127.0.0.2");
    ASSERT_TRUE(server.Listening());
    SetKeepAliveServer(server.Address(), server.Port());
    for (const auto& [name, addresses] : cases)
    {
        SCOPED_TRACE(name);
        api_->addresses = addresses;
        EXPECT_EQ(probe_.isConnected(true, false), 0);
        EXPECT_EQ(probe_.isConnected(false, false), 0);
    }
    EXPECT_EQ(api_->lookups, 0);
    EXPECT_EQ(api_->connects, 0);
}

TEST_F(NetworkProbeTest, QuickCheckAnswersFromDialUpAndAddressesAlone)
{
    const std::tuple<const char*, std::optional<RASCONNSTATE>, std::vector<DWORD>, int> cases[] = {
        {"no dial-up library answer (stub)", std::nullopt, {kLoopback}, 0},
        {"a connected dial-up connection", RASCS_Connected, {kLoopback}, 1},
        {"a dial-up connection still connecting", RASCS_OpenPort, {kLoopback}, 0},
        {"an address of a network card", std::nullopt, {kLoopback, kCardAddress}, 1}};
    for (const auto& [name, dialUp, addresses, expected] : cases)
    {
        SCOPED_TRACE(name);
        api_->dialUpState = dialUp;
        api_->addresses = addresses;
        EXPECT_EQ(probe_.isConnected(false, false), expected);
    }
    EXPECT_EQ(api_->lookups, 0);
    EXPECT_EQ(api_->connects, 0);
}

// The user's proxy configuration script.
LONG SetUserScript()
{
    return RegSetKeyValueW(HKEY_CURRENT_USER, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings",
                           L"AutoConfigURL", REG_SZ, L"http://127.0.0.3/proxy.pac", 54);
}

// Each case starts with the keep-alive server's port closed.
TEST_F(NetworkProbeTest, KeepAliveServerDirectlyOrThroughTheProxy)
{
    const LoopbackListener listener("127.0.0.4");
    ASSERT_TRUE(listener.Listening());
    const std::string closed = "127.0.0.3:" + std::to_string(ClosedPort("127.0.0.3"));
    const std::tuple<const char*, std::function<void(ScriptedNetworkAPI&)>, int> cases[] = {
        {"server listening", [&](auto&) { SetKeepAliveServer(listener.Address(), listener.Port()); }, 1},
        {"proxy port closed", [&](auto&) { SetProxyServerList(closed); }, 0},
        {"the http entry of the list names the listener",
         [&](auto&) { SetProxyServerList("ftp=" + closed + ";HTTP=" + listener.List() + ";https=" + closed); }, 1},
        {"the system's proxy comes before the updater's list",
         [&](auto& api)
         {
             api.systemProxy = "http=" + listener.List() + ";https=127.0.0.3:443";
             SetProxyServerList(closed);
         },
         1},
        {"no proxy, the updater's configuration script is set",
         [](auto&) { SetMachineString(Ostrel::kUpdateProxyKey, L"AutoConfigUrl", L"http://127.0.0.3/proxy.pac"); }, 1},
        {"no proxy, the user's configuration script is set", [](auto&) { SetUserScript(); }, 1},
        {"no proxy, an empty updater's script hides the user's",
         [](auto&)
         {
             SetMachineString(Ostrel::kUpdateProxyKey, L"AutoConfigUrl", L"");
             SetUserScript();
         },
         -1},
        {"no proxy, a configuration script is detected", [](auto& api) { api.proxyDetected = true; }, 1},
        {"no proxy and nothing detected", [](auto&) {}, -1}};
    for (const auto& [name, arrange, expected] : cases)
    {
        SCOPED_TRACE(name);
        const ScreenRelayTest::RegistryIsolation registry;
        ASSERT_TRUE(registry.Active());
        auto api = std::make_shared<ScriptedNetworkAPI>();
        api->addresses = {kLoopback, kCardAddress};
        Ostrel::NetworkProbe probe(api);
        ASSERT_EQ(probe.initialize(), 0u);
        SetKeepAliveServer("127.0.0.3", ClosedPort("127.0.0.3"));
        arrange(*api);
        EXPECT_EQ(probe.isConnected(true, false), expected);
    }
}

TEST_F(NetworkProbeTest, UnansweredConnectsGiveUpAfterTheirTimeOut)
{
    LoopbackListener server("127.0.0.5", 0);
    LoopbackListener proxy("127.0.0.6", 0);
    ASSERT_TRUE(server.Listening() && proxy.Listening());
    ASSERT_TRUE(server.FillBacklog() && proxy.FillBacklog());
    SetKeepAliveServer(server.Address(), server.Port());
    SetProxyServerList(proxy.List());

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(probe_.isConnected(true, false), 0);
    const auto elapsed = std::chrono::steady_clock::now() - start;

    EXPECT_EQ(api_->connects, 2);
    EXPECT_GE(elapsed, std::chrono::milliseconds(2 * Ostrel::kKeepAliveConnectTimeoutMs - 500));
    EXPECT_LT(elapsed, std::chrono::milliseconds(2 * Ostrel::kKeepAliveConnectTimeoutMs + 5000));
}

TEST_F(NetworkProbeTest, ResolvedAddressIsStoredInNetworkByteOrderAndUsedWhenTheNameGivesNoUsableAddress)
{
    const LoopbackListener server("127.0.0.7");
    ASSERT_TRUE(server.Listening());
    // 127.0.0.1 is skipped as an answer of the name, as on a machine whose resolver knows nothing better.
    SetKeepAliveServer("127.0.0.1", server.Port());
    EXPECT_EQ(probe_.isConnected(true, false), 0) << "no stored address";
    EXPECT_EQ(api_->connects, 0);

    SetKeepAliveServer(server.Address(), server.Port());
    EXPECT_EQ(probe_.isConnected(true, false), 1);
    DWORD type = REG_NONE;
    DWORD stored = 0;
    DWORD bytes = sizeof(stored);
    ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, Ostrel::kConnectivityKey, L"PingIp", RRF_RT_ANY, &type, &stored, &bytes),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(stored, 0x0700007Fu);

    SetKeepAliveServer("127.0.0.1", server.Port());
    EXPECT_EQ(probe_.isConnected(true, false), 1) << "the stored address";
}

// Stands in for the loader where a library or an export must be missing;
// everything else goes to the real loader.
class LoaderWithGaps : public Ostrel::DllAPI
{
public:
    LoaderWithGaps()
    {
        ON_CALL(*this, loadLibraryEx)
            .WillByDefault([this](const wchar_t* path, DWORD flags) { return DllAPI::loadLibraryEx(path, flags); });
        ON_CALL(*this, getProcAddress)
            .WillByDefault([this](HMODULE module, const char* name) { return DllAPI::getProcAddress(module, name); });
    }
    MOCK_METHOD(HMODULE, loadLibraryEx, (const wchar_t* path, DWORD flags), (override));
    MOCK_METHOD(FARPROC, getProcAddress, (HMODULE module, const char* name), (override));
};

TEST(NetworkProbeOverrideTest, AssumeConnectedDecidesWithoutNetworkAccessWhenHonoured)
{
    const auto setAssumed = [](DWORD value)
    {
        return [value]
        {
            return SetMachineDword(Ostrel::kAgentUpdateKey, L"AssumeConnected", value);
        };
    };
    // Name, arrange, honoured, answer, whether the network libraries were loaded.
    const std::tuple<const char*, std::function<LONG()>, bool, int, bool> cases[] = {
        {"0 honoured", setAssumed(0), true, 0, false},
        {"1 honoured", setAssumed(1), true, 1, false},
        {"7 honoured", setAssumed(7), true, 1, false},
        {"1 not honoured", setAssumed(1), false, 0, true},
        {"text instead of a number", [] { return SetMachineString(Ostrel::kAgentUpdateKey, L"AssumeConnected", L"1"); },
         true, 0, true}};
    for (const auto& [name, arrange, honour, expected, probed] : cases)
    {
        SCOPED_TRACE(name);
        const ScreenRelayTest::RegistryIsolation registry;
        ASSERT_TRUE(registry.Active());
        ASSERT_EQ(arrange(), ERROR_SUCCESS);
        auto loader = std::make_shared<NiceMock<LoaderWithGaps>>();
        EXPECT_CALL(*loader, loadLibraryEx).Times(probed ? ::testing::AtLeast(1) : ::testing::Exactly(0));
        auto api = std::make_shared<ScriptedNetworkAPI>(loader);
        Ostrel::NetworkProbe probe(api);
        EXPECT_EQ(probe.isConnected(true, honour), expected);
        EXPECT_EQ(api->connects, 0);
    }
}

TEST(NetworkProbeOverrideTest, ProcessProbeHonoursTheOverride)
{
    const ScreenRelayTest::RegistryIsolation registry;
    ASSERT_TRUE(registry.Active());
    ASSERT_EQ(SetMachineDword(Ostrel::kAgentUpdateKey, L"AssumeConnected", 1), ERROR_SUCCESS);
    EXPECT_EQ(Ostrel::IsConnected(true, true), 1);
}

TEST(NetworkProbeBindingTest, MissingFunctionGivesItsStatusAndLeavesTheProbeUninitialised)
{
    const std::pair<const char*, DWORD> cases[] = {{"WSAStartup", 10009},
                                                   {"WSACleanup", 10010},
                                                   {"socket", 10012},
                                                   {"closesocket", 10013},
                                                   {"connect", 10014},
                                                   {"sendto", 10019},
                                                   {"gethostbyname", 10015},
                                                   {"gethostname", 10016},
                                                   {"htons", 10017},
                                                   {"inet_addr", 10032},
                                                   {"WSAGetLastError", 10018},
                                                   {"ioctlsocket", 10033},
                                                   {"select", 10034},
                                                   {"RasEnumConnectionsA", 10006},
                                                   {"RasGetConnectStatusA", 10007},
                                                   {"GetIpAddrTable", 10008}};
    for (const auto& [function, status] : cases)
    {
        SCOPED_TRACE(function);
        auto loader = std::make_shared<NiceMock<LoaderWithGaps>>();
        ON_CALL(*loader, getProcAddress(_, StrEq(function))).WillByDefault(Return(nullptr));
        Ostrel::NetworkProbe probe(std::make_shared<ScriptedNetworkAPI>(loader));
        EXPECT_EQ(probe.initialize(), status);
        int answer = 0;
        EXPECT_EQ(probe.quickCheck(answer), Ostrel::kProbeNotInitialized);
        EXPECT_EQ(probe.isConnected(false, false), -1);
    }
}

TEST(NetworkProbeBindingTest, MissingLibraryGivesItsStatus)
{
    const std::tuple<const char*, std::vector<std::wstring>, DWORD> cases[] = {
        {"no socket library", {L"ws2_32.dll", L"wsock32.dll"}, 10005},
        {"the older socket library instead", {L"ws2_32.dll"}, 0},
        {"no dial-up library", {L"rasapi32.dll"}, 10003},
        {"no IP helper library", {L"iphlpapi.dll"}, 10004}};
    for (const auto& [name, missing, status] : cases)
    {
        SCOPED_TRACE(name);
        auto loader = std::make_shared<NiceMock<LoaderWithGaps>>();
        for (const std::wstring& library : missing)
        {
            ON_CALL(*loader, loadLibraryEx(StrEq(library), _)).WillByDefault(Return(nullptr));
        }
        Ostrel::NetworkProbe probe(std::make_shared<ScriptedNetworkAPI>(loader));
        EXPECT_EQ(probe.initialize(), status);
    }
}

TEST(NetworkProbeBindingTest, LibrariesLoadByNameFromTheExecutableFolderAsCurrentDirectory)
{
    const ScreenRelayTest::TempFolder elsewhere;
    ASSERT_TRUE(SetCurrentDirectoryW(elsewhere.Path().c_str()));
    const std::wstring programFolder = ScreenRelayTest::ProgramFolder();
    const std::wstring expected = programFolder.substr(0, programFolder.size() - 1);
    auto loader = std::make_shared<NiceMock<LoaderWithGaps>>();
    std::vector<std::wstring> loaded;
    std::vector<std::wstring> currentDirectories;
    ON_CALL(*loader, loadLibraryEx)
        .WillByDefault(
            [&](const wchar_t* path, DWORD flags)
            {
                wchar_t current[MAX_PATH] = {};
                GetCurrentDirectoryW(MAX_PATH, current);
                loaded.push_back(path);
                currentDirectories.push_back(current);
                return loader->DllAPI::loadLibraryEx(path, flags);
            });
    Ostrel::NetworkProbe probe(std::make_shared<ScriptedNetworkAPI>(loader));

    ASSERT_EQ(probe.initialize(), 0u);

    EXPECT_THAT(loaded, ::testing::ElementsAre(L"ws2_32.dll", L"rasapi32.dll", L"iphlpapi.dll"));
    EXPECT_THAT(currentDirectories, ::testing::Each(expected));
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    EXPECT_EQ(std::wstring(current), elsewhere.Path());
    SetCurrentDirectoryW(programFolder.c_str());
}

// Whether the object's access-control list is null (open to everyone).
bool HasNullAccessList(HANDLE object)
{
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(object, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr,
                        &descriptor) != ERROR_SUCCESS)
    {
        return false;
    }
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL listed = nullptr;
    const bool isNull = GetSecurityDescriptorDacl(descriptor, &present, &listed, &defaulted) && present && !listed;
    LocalFree(descriptor);
    return isNull;
}

TEST(NetworkProbeEventsTest, EventsAreOpenToEveryoneAndNotSignalled)
{
    Ostrel::NetworkProbe probe(std::make_shared<ScriptedNetworkAPI>());
    EXPECT_EQ(probe.exitEventName(), L"QvPlatformNetExitEvent_" + std::to_wstring(GetCurrentProcessId()));
    ASSERT_EQ(probe.initialize(), 0u);
    EXPECT_EQ(probe.initialize(), Ostrel::kProbeAlreadyInitialized);

    for (const std::wstring& name : {std::wstring(Ostrel::kNetLingerEventName), probe.exitEventName()})
    {
        SCOPED_TRACE(name);
        Ostrel::UniqueHandle event(OpenEventW(SYNCHRONIZE | READ_CONTROL, FALSE, name.c_str()));
        ASSERT_TRUE(event);
        EXPECT_EQ(WaitForSingleObject(event.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
        EXPECT_TRUE(HasNullAccessList(event.get()));
    }
}

TEST(ProxyServerTest, HttpEntryOrWholeListGivesHostAndPort)
{
    const std::tuple<const char*, const char*, unsigned short> cases[] = {
        {"ftp=127.0.0.9:21;http=127.0.0.10:8080;https=127.0.0.11:443", "127.0.0.10", 8080},
        {"HTTP=Proxy.Example:3128;https=other:443", "proxy.example", 3128},
        {"https=127.0.0.11:443;http=127.0.0.10", "127.0.0.10", 80},
        {"127.0.0.12", "127.0.0.12", 80},
        {"127.0.0.12:0", "127.0.0.12", 80},
        {"127.0.0.12:70000", "127.0.0.12", 80},
        {"127.0.0.13:8888", "127.0.0.13", 8888}};
    for (const auto& [list, host, port] : cases)
    {
        SCOPED_TRACE(list);
        const Ostrel::ProxyServer proxy = Ostrel::ParseProxyServer(list);
        EXPECT_EQ(proxy.host, host);
        EXPECT_EQ(proxy.port, port);
    }
}

} // namespace
