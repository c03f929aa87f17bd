#pragma once

namespace Ostrel
{

// The seam between the in-app support handler and the connectivity check, so
// that tests can decide whether the machine is online. The default instance
// runs the check.
class ConnectivityCheck
{
public:
    ConnectivityCheck() = default;
    ConnectivityCheck(const ConnectivityCheck&) = delete;
    ConnectivityCheck& operator=(const ConnectivityCheck&) = delete;

    // IsConnected with the full method (dial-up, local address, keep-alive
    // server) and without the registry override: 1 connected, 0 not
    // connected, -1 undetermined.
    virtual int isConnected();

    virtual ~ConnectivityCheck() = default;
};

} // namespace Ostrel
