#pragma once

#include <string>

namespace Ostrel
{

struct ProxyServer
{
    std::string host;
    unsigned short port = 80;
};

// The proxy for http in a proxy list. The list is lower-cased; when it holds
// an "http=" entry, that entry's text up to the next ";" is taken, otherwise
// the whole list. A ":" splits host and port; a port that is absent, 0 or
// not a port number gives 80.
ProxyServer ParseProxyServer(const std::string& list);

} // namespace Ostrel
