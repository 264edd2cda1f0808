// The router mode of the simulated device: devices behind one network
// number, reached from the device's own link with a destination network and
// MAC address (one octet, 1 on), answering with the same as their source.
// It knows which of its devices a request is for, and answers routers being
// looked for.
#pragma once

#include <cstdint>
#include <vector>

#include "SimFrame.h"

namespace bacnetsim {

class Router {
public:
    // The most devices behind the router: their MAC addresses are one octet.
    static constexpr int kMaxDevices = 254;
    static constexpr uint16_t kGlobalBroadcast = 0xFFFF;

    // `network` 0: no router, only the device itself.
    Router(uint16_t network, int devices);

    uint16_t Network() const { return m_network; }
    int Devices() const { return m_devices; }

    // The devices a received header addresses: 0 the device itself, 1 on
    // those behind the router. None when it is for another network or a
    // device that is not there.
    std::vector<int> Targets(const CBACnetNPCI& header) const;

    // The answer to a network layer message, buf[start, end) a whole NPDU
    // from `peer`: an I-Am-Router-To-Network for a Who-Is-Router-To-Network
    // that asks for every network or for the router's. Empty otherwise.
    bacnet::Bytes Answer(unsigned char* buf, int start, int end, const Peer& peer) const;

private:
    uint16_t m_network;
    int m_devices;
};

}  // namespace bacnetsim
