#pragma once

#include <string>
#include <vector>

namespace RelayHost
{

// What a development installation holds: the framework's install folder in
// the registry pointing at the host's own folder, and the host's libraries and
// programs listed as trusted, so that the module uses them as it would those of
// a signed suite.
struct DevelopmentInstallation
{
    std::wstring installFolder;
    std::vector<std::wstring> trustedFiles;
    std::vector<std::wstring> failures;
};

// Sets the installation up for the libraries in folder (with a trailing
// backslash). Idempotent: running it again lists the same files again.
DevelopmentInstallation SetUpDevelopmentInstallation(const std::wstring& folder);

} // namespace RelayHost
