#pragma once

#include "platform/UniqueHandles.h"

#include <string>
#include <vector>

namespace RelayHost
{

// The system libraries a module imports, loaded from the system folder and
// held for as long as the result lives. A framework host has these loaded
// for its own work; a host that loads the module per request and holds
// nothing else would load and initialise them again for every request
// (about 15 ms under Wine, most of it the certificate and internet
// libraries). Imports that are not in the system folder are left out; an
// unreadable module gives nothing.
std::vector<Ostrel::UniqueLibrary> LoadSystemImports(const std::wstring& modulePath);

} // namespace RelayHost
