#pragma once

// Whether the machine can reach the internet, decided in order by an active
// dial-up connection, a usable local address and a TCP connection to the
// suite's keep-alive server (directly or through the configured proxy).

#include "platform/CriticalSection.h"
#include "platform/UniqueHandles.h"

#include <windows.h>

#include <memory>
#include <string>

namespace Ostrel
{

class NetworkAPI;

inline constexpr DWORD kProbeNotInitialized = 10001;
inline constexpr DWORD kProbeAlreadyInitialized = 10002;

inline constexpr wchar_t kNetLingerEventName[] = L"QvPlatformNetLingerEvent";
inline constexpr wchar_t kNetExitEventPrefix[] = L"QvPlatformNetExitEvent";

// Binds the libraries and starts the socket library once, on first use, and
// stays so for its lifetime; the checks run on any number of threads at once.
class NetworkProbe
{
public:
    explicit NetworkProbe(std::shared_ptr<NetworkAPI> api = nullptr);
    ~NetworkProbe();
    NetworkProbe(const NetworkProbe&) = delete;
    NetworkProbe& operator=(const NetworkProbe&) = delete;

    // The process's probe.
    static NetworkProbe& Instance();

    // Loads and binds the libraries, creates the linger event and the
    // process's exit event (both open to every process; existing ones are
    // used as they are) and starts the socket library (version 1.1). 0;
    // 10002 when already done; otherwise the failure, with nothing kept.
    DWORD initialize();

    // 1 connected, 0 not connected, -1 undetermined. With the override
    // honoured, "AssumeConnected" of the agent's update key decides when it is
    // set (above 0: connected). The full method adds the keep-alive server to
    // the dial-up and address checks.
    int isConnected(bool fullMethod, bool honourOverride);

    // The checks: 0 with answer 1 or 0, otherwise a status (10001 before
    // initialisation).
    DWORD quickCheck(int& answer);
    DWORD fullCheck(int& answer);

    // "QvPlatformNetExitEvent_<process id>".
    const std::wstring& exitEventName() const { return exitEventName_; }

private:
    bool isInitialized();
    DWORD createEvents();

    CriticalSection lock_;
    bool initialized_ = false;
    std::shared_ptr<NetworkAPI> api_;
    std::wstring exitEventName_;
    UniqueHandle lingerEvent_;
    UniqueHandle exitEvent_;
    // The linger event opened for modification.
    UniqueHandle lingerModify_;
};

// NetworkProbe::Instance().isConnected.
int IsConnected(bool fullMethod, bool honourOverride);

} // namespace Ostrel
