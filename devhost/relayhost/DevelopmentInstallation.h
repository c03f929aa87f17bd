#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace RelayHost
{

// One thing the set-up did, and its outcome: 0 or the Win32 error.
struct SetUpStep
{
    std::wstring what;
    DWORD status = ERROR_SUCCESS;
};

// Sets up a development installation for the components in folder (with a
// trailing backslash), in HKEY_LOCAL_MACHINE of the prefix, for good:
// - the framework's install folder pointing at folder;
// - the components listed as trusted, QvUtil.dll also installed in its
//   version folder under a common-files folder inside folder;
// - the link substitution values and query parameters, the link table, the
//   web-safety link context;
// - "Logging Mechanism" 1, so that the module writes a readable file log;
// - whether this is a partner installation, as the settings service answers it
//   (SettingsService.h);
// - the UI host helper and the updater registered as COM servers, the
//   stand-in browser as the shell's handler for web links.
// The elevated registry helper is served by the host process itself while it
// runs (AdminPrivilegeHelperRegistration.h). Idempotent.
std::vector<SetUpStep> SetUpDevelopmentInstallation(const std::wstring& folder, bool partnerInstallation);

} // namespace RelayHost
