// The network layer of the simulated device: who a request came from (and
// so where its reply goes), and the network header around each APDU. The
// BACnet/IP header beneath it is the client's (client/Bvlc.h): one set of
// unwrap rules for both sides.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "client/Bytes.h"
#include "client/Endpoint.h"
#include "frame/NPCI.h"

namespace bacnetsim {

// Where a request came from and where its reply goes.
struct Peer {
    bacnet::Endpoint endpoint;  // the requester's UDP address (a BBMD-relayed one: the originator)
    // A requester behind a router: its network and MAC address, which the
    // reply names as its destination.
    bool routed = false;
    unsigned char network[2] = {0, 0};
    unsigned char macLength = 0;
    unsigned char mac[BACNET_MAC_STORAGE] = {};
    // Which device answers: 0 the device itself, 1 on a device behind its
    // router, whose address the reply names as its source.
    int node = 0;

    bool operator==(const Peer& other) const;
    std::string Describe() const;  // 127.0.0.1:47808, with the routed parts
};

enum AbortReason : unsigned char {
    ABORT_BUFFER_OVERFLOW = 1,
    ABORT_SEGMENTATION_NOT_SUPPORTED = 4,
    ABORT_OUT_OF_RESOURCES = 9,
};

// An Abort from the device (server) for the request `invokeID`.
std::vector<unsigned char> AbortApdu(unsigned char invokeID, unsigned char reason);

// The network header of a received NPDU, buf[len, end): fills `header` and
// the route of `peer` from a source address, and moves `len` to the APDU
// (or past the message type of a network layer message). 0 when the header
// is malformed or crosses `end`.
int ReadNetworkHeader(unsigned char* buf, int& len, int end, CBACnetNPCI& header, Peer& peer);

// Names a routed requester as the destination of `npci`.
void AddDestination(CBACnetNPCI& npci, const Peer& peer);

// The NPDU that carries `apdu` to `peer`: a destination when the requester
// is routed, a source (network `routerNetwork`, MAC `peer.node`) when a
// device behind the router answers.
bacnet::Bytes Npdu(const Peer& peer, uint16_t routerNetwork, const std::vector<unsigned char>& apdu);

}  // namespace bacnetsim
