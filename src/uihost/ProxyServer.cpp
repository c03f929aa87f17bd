#include "uihost/ProxyServer.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace Ostrel
{

namespace
{

constexpr char kHttpEntry[] = "http=";
constexpr unsigned short kDefaultProxyPort = 80;

} // namespace

ProxyServer ParseProxyServer(const std::string& list)
{
    std::string text = list;
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    const std::size_t entry = text.find(kHttpEntry);
    if (entry != std::string::npos)
    {
        const std::size_t begin = entry + sizeof(kHttpEntry) - 1;
        text = text.substr(begin, text.find(';', begin) - begin);
    }

    ProxyServer proxy;
    const std::size_t colon = text.find(':');
    proxy.host = text.substr(0, colon);
    if (colon != std::string::npos)
    {
        const unsigned long port = std::strtoul(text.c_str() + colon + 1, nullptr, 10);
        proxy.port = port != 0 && port <= 0xFFFF ? static_cast<unsigned short>(port) : kDefaultProxyPort;
    }
    return proxy;
}

} // namespace Ostrel
