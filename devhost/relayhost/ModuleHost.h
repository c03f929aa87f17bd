#pragma once

// The framework's module manager for one module, ScreenRelay.dll, loaded on
// demand.
//
// The host subscribes to every "ZTS.UI.*" message on its bus. When one arrives
// and the module is not loaded, the host loads it (create, initialize, start)
// on the delivering thread and hands it that message with DirectMessage, since
// the module subscribed only after the message was published. While the
// module is loaded, its own subscriptions receive the messages.
//
// The module asks to be unloaded through the unload callback from inside its
// handler, which still uses the module afterwards: the callback only records
// the request. The host honours it once the handler has returned: right after
// DirectMessage, or, for a message the bus delivered to the module, once the
// bus holds no delivery any more. Then it stops, uninitializes and destroys
// the module and frees the library.

#include "HostBus.h"
#include "LoadedModule.h"
#include "RequestOutcome.h"
#include "platform/UniqueHandles.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace RelayHost
{

struct ModuleHostSettings
{
    std::wstring modulePath;
    std::wstring moduleName;
    BusPassing busPassing = BusPassing::HostPassesBus;
    // False makes the host pass no unload callback, as a faulty host would.
    bool passUnloadCallback = true;
};

class ModuleHost
{
public:
    // The pattern the host subscribes to.
    static constexpr wchar_t kRequestPattern[] = L"ZTS\\.UI\\..*";
    // The sender of the messages the host publishes.
    static constexpr wchar_t kSender[] = L"relayhost";

    ModuleHost(HostBus& bus, ModuleHostSettings settings);
    // Ends the subscription, so that a bus outliving the host delivers
    // nothing to it, and unloads the module when it is still loaded.
    ~ModuleHost();
    ModuleHost(const ModuleHost&) = delete;
    ModuleHost& operator=(const ModuleHost&) = delete;

    // Subscribes the host to the requests; 0, or MODULE_STATUS_UNSUCCESSFUL
    // when the bus refuses.
    Ostrel::ModuleStatus subscribe();

    // Publishes a message as the suite's components do, waits up to the
    // time-out until the bus has delivered it everywhere, honours an unload
    // request, and tells what the host did. One sender at a time.
    RequestOutcome send(const std::wstring& name, const std::wstring& payload, std::uint32_t timeoutMilliseconds);

    bool moduleLoaded();

private:
    Ostrel::ModuleStatus onRequest(const MessageProperties* properties, const wchar_t* name, const wchar_t* sender,
                                   const wchar_t* payload);
    static Ostrel::ModuleStatus OnUnloadRequest(void* context, const wchar_t* moduleName, void* reserved);
    // Called with the lifecycle lock held.
    bool loadModule();
    void unloadModule();
    void honourUnloadRequest();

    HostBus& bus_;
    const ModuleHostSettings settings_;
    // The system libraries the module imports stay loaded while the host
    // lives, as they do in the framework's host.
    std::vector<Ostrel::UniqueLibrary> systemImports_;
    std::uint32_t subscription_ = 0;
    // Serialises the lifecycle calls and guards what follows.
    std::mutex lifecycle_;
    std::unique_ptr<LoadedModule> module_;
    RequestOutcome outcome_;
    // Set by the unload callback, which may run while the lock is held.
    std::mutex unloadRequestMutex_;
    std::optional<std::wstring> unloadRequest_;
};

} // namespace RelayHost
