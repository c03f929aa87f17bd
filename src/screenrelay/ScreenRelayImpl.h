#pragma once

#include "module/BaseModule.h"
#include "platform/CriticalSection.h"
#include "screenrelay/SharedMutex.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace Ostrel
{

class ConnectivityCheck;
class QvRegAPI;
class VRTCommonAPI;
class WinCOMFundamentalsAPI;

// The module object: once initialized it serves ten user-interface requests
// from the message bus, each with a handler that makes one call into the UI
// host (or the shell) and then asks the host to unload the module.
//
// Handlers run on the bus library's delivery threads (or the host's thread
// for a direct message) one at a time: each holds the request lock, which is
// re-entrant, for its whole run. The mapping table from screen names to page
// ids is written under its lock exclusively (initialize, uninitialize) and
// read under it shared.
class ScreenRelayImpl : public BaseModule
{
public:
    // How long the in-app support handler waits for the settings service.
    static constexpr std::chrono::milliseconds kSettingsRequestTimeout{5000};

    // The mapping definition is the JSON text of the screens table; empty
    // service pointers are replaced by the default implementations.
    ScreenRelayImpl(std::wstring mappingDefinition, std::shared_ptr<WinCOMFundamentalsAPI> comApi,
                    std::shared_ptr<VRTCommonAPI> uiHostApi, std::shared_ptr<QvRegAPI> registryApi,
                    std::shared_ptr<ConnectivityCheck> connectivity = nullptr,
                    std::chrono::milliseconds settingsRequestTimeout = kSettingsRequestTimeout);
    ~ScreenRelayImpl() override;

    // Subscribes the ten handlers, then fills the mapping table. A failed
    // subscription is returned as is (earlier ones stay); an unusable mapping
    // definition gives MODULE_STATUS_UNSUCCESSFUL with the handlers
    // subscribed and the entries read before the failure kept.
    ModuleStatus initialize() override;
    // Unsubscribes every handler and clears the mapping table; returns the
    // last unsubscription failure, or 0.
    ModuleStatus uninitialize() override;

    ModuleStatus attachMessageHandlers();
    ModuleStatus detachMessageHandlers();
    // Reads the mapping definition into the mapping table; false at the first
    // unusable entry or a name already present.
    bool processMapping();

    // The handlers of the ten messages, in the order of the handler table.
    // Each takes the payload text and answers whether the request was served.
    bool showScreenMessageHandler(const std::wstring& payload);
    bool showInBrowserMessageHandler(const std::wstring& payload);
    bool showInContainerMessageHandler(const std::wstring& payload);
    bool showWithPageIDMessageHandler(const std::wstring& payload);
    bool showWithResourceMessageHandler(const std::wstring& payload);
    bool showInBrowserSurfmark(const std::wstring& payload);
    bool openUrl(const std::wstring& payload);
    bool showHelpMessageHandler(const std::wstring& payload);
    bool openAppMessageHandler(const std::wstring& payload);
    bool showInAppSupportMessageHandler(const std::wstring& payload);

    // Asks the settings service over the bus whether this is a partner
    // installation, which gets the offline support screen. True only for a
    // reply whose payload holds "value":"0"; a failed, refused or timed-out
    // request answers false.
    bool isISP();

    // The payload readers. Each parses its own document, logs why a payload
    // is unusable and answers false then; the values are meaningful only when
    // it answers true. Optional members that are missing or unusable leave
    // their value empty (absent, false).
    static bool processShowScreenMessagePayload(const std::wstring& payload, std::wstring& screenName,
                                                std::wstring& parameters);
    static bool processShowInBrowserMessagePayload(const std::wstring& payload, std::wstring& url);
    static bool processShowInContainerMessagePayload(const std::wstring& payload, std::wstring& link,
                                                     std::wstring& parameters,
                                                     std::optional<std::int32_t>& launchPoint);
    static bool processShowWithPageIDMessagePayload(const std::wstring& payload, std::wstring& pageId);
    static bool processShowWithResourceMessagePayload(const std::wstring& payload, std::wstring& resourceName,
                                                      std::wstring& parameters);
    // Reads through the JSON wrapper: "url" may be empty; "parameters" keeps
    // what the caller put there when it is missing.
    static bool processOpenUrlMessagePayload(const std::wstring& payload, std::wstring& url, std::uint32_t& destination,
                                             std::uint32_t& webOverlayOption, std::wstring& parameters);
    static bool processShowHelpMessagePayload(const std::wstring& payload, std::wstring& appId, std::wstring& topic,
                                              bool& online);
    static bool processOpenAppMessagePayload(const std::wstring& payload, std::wstring& application);

    // Activates the shell's taskbar so that this process may bring the UI
    // window it asks for to the front. Failures are only logged.
    static void setTaskbarWindowToForeGround();

private:
    using Handler = std::function<bool(const std::wstring&)>;

    struct HandlerEntry
    {
        const wchar_t* messageName;
        Handler handler;
    };

    std::vector<HandlerEntry> buildHandlerTable();
    // The bus subscription of one table entry: the payload goes to the
    // handler; no message or a false answer gives MODULE_STATUS_UNSUCCESSFUL.
    MessageHandler subscriptionFor(const HandlerEntry& entry);
    // Runs a handler body in the request frame: request lock, COM apartment,
    // and on every path the apartment left and the unload asked for. When
    // the apartment cannot be entered the body does not run and the record
    // comInitFailure is written.
    bool runRequest(const wchar_t* function, const wchar_t* comInitFailure, const std::function<bool()>& body);
    std::optional<std::wstring> pageIdForScreen(const std::wstring& screenName);

    std::unordered_map<std::wstring, std::wstring> mapping_;
    SharedMutex mappingLock_;
    const std::wstring mappingDefinition_;
    std::shared_ptr<VRTCommonAPI> uiHostApi_;
    std::shared_ptr<WinCOMFundamentalsAPI> comApi_;
    std::shared_ptr<QvRegAPI> registryApi_;
    std::shared_ptr<ConnectivityCheck> connectivity_;
    const std::chrono::milliseconds settingsRequestTimeout_;
    std::vector<HandlerEntry> handlers_;
    CriticalSection requestLock_;
};

} // namespace Ostrel
