#pragma once

#include "HostBus.h"
#include "ModuleHost.h"
#include "SettingsService.h"

#include <memory>
#include <string>

namespace RelayHost
{

// What sending requests to the module needs around it: the host thread in
// the multithreaded COM apartment, serving the elevated registry helper; the
// journal of the development components (RELAYHOST_JOURNAL, a file in the
// host's folder unless set); the host's bus with the module host and the
// settings service on it.
class HostSession
{
public:
    // The bus library and the module are those of folder (with a trailing
    // backslash) unless settings name another module. Null with a
    // description in error when the session cannot start.
    static std::unique_ptr<HostSession> Open(const std::wstring& folder, ModuleHostSettings settings,
                                             SettingsAnswers settingsAnswers, std::wstring& error);
    ~HostSession();
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    // Sends one message and prints its report. True when it was published,
    // fully delivered, and the handler (when the host saw it) succeeded.
    bool run(const std::wstring& name, const std::wstring& payload);
    // Sends one message without a report.
    RequestOutcome send(const std::wstring& name, const std::wstring& payload);
    // Published, fully delivered, and the handler (when the host saw it) succeeded.
    static bool Succeeded(const RequestOutcome& outcome);

    const std::wstring& journalPath() const { return journalPath_; }

private:
    HostSession() = default;

    bool comEntered_ = false;
    DWORD adminHelperCookie_ = 0;
    std::wstring journalPath_;
    std::unique_ptr<HostBus> bus_;
    std::unique_ptr<ModuleHost> host_;
    std::unique_ptr<SettingsService> settingsService_;
};

} // namespace RelayHost
