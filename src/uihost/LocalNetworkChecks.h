#pragma once

#include <windows.h>

namespace Ostrel
{

class NetworkAPI;

// Whether a dial-up connection is connected. Returns 0 with answer 1 or 0; a
// dial-up library that does not report the size it needs (as a stub does)
// counts as no connection.
DWORD CheckDialUp(NetworkAPI& api, int& answer);

// Whether the machine has an address other than 0 and 127.0.0.1. Returns 0
// with answer 1 or 0, or the IP helper's error.
DWORD CheckLocalAddress(NetworkAPI& api, int& answer);

} // namespace Ostrel
