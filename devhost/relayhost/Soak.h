#pragma once

#include "HostSession.h"

#include <cstddef>

namespace RelayHost
{

inline constexpr std::size_t kSoakRequestsPerLine = 1000;

// Sends count requests round-robin over the messages the module serves, each
// loading and unloading the module, and prints the process's handles,
// threads, private bytes and live helper objects every `every` requests. The
// first of these lines (taken once COM, the shell and the bus are warm) is
// the baseline; true when no later line exceeds it by more than 5 %, no
// helper object outlives its request, and every request was delivered.
bool Soak(HostSession& session, std::size_t count, std::size_t every = kSoakRequestsPerLine);

} // namespace RelayHost
