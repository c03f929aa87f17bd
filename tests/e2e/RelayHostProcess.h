#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace E2ETest
{

struct RelayHostRun
{
    DWORD exitCode = 0;
    std::string output;
};

// Runs relayhost.exe from the test program's folder with the arguments,
// its standard output (UTF-8) captured, and waits up to two minutes for it to
// end. A run that cannot start or does not end gives exit code 0xFFFFFFFF.
RelayHostRun RunRelayHost(const std::vector<std::wstring>& arguments);

} // namespace E2ETest
