#pragma once

#include <span>

namespace RelayHost
{

// A message the demonstration sends, with a payload such as the suite's
// components send.
struct DemoRequest
{
    const wchar_t* name;
    const wchar_t* payload;
};

// Every message the module serves, once or more, in a sensible order.
std::span<const DemoRequest> DemoRequests();

} // namespace RelayHost
