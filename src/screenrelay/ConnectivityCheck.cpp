#include "screenrelay/ConnectivityCheck.h"

#include "uihost/NetworkProbe.h"

namespace Ostrel
{

int ConnectivityCheck::isConnected()
{
    return IsConnected(true, false);
}

} // namespace Ostrel
