// BACnet/IP framing of the simulated device: the BVLC header (81 0A / 0B
// and the length) and the network layer header around each APDU.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame/NPCI.h"

namespace bacnetsim {

// Where a request came from and where its reply goes.
struct Peer {
    uint32_t ip = 0;    // network order
    uint16_t port = 0;  // network order
    // A requester behind a router: its network and MAC address, which the
    // reply names as its destination.
    bool routed = false;
    unsigned char network[2] = {0, 0};
    unsigned char macLength = 0;
    unsigned char mac[BACNET_MAC_STORAGE] = {};

    bool operator==(const Peer& other) const;
    std::string Describe() const;  // 127.0.0.1:47808
};

enum : unsigned char {
    BVLC_TYPE = 0x81,
    BVLC_UNICAST = 0x0A,    // original unicast NPDU
    BVLC_BROADCAST = 0x0B,  // original broadcast NPDU
};

enum AbortReason : unsigned char {
    ABORT_BUFFER_OVERFLOW = 1,
    ABORT_SEGMENTATION_NOT_SUPPORTED = 4,
    ABORT_OUT_OF_RESOURCES = 9,
};

// An Abort from the device (server) for the request `invokeID`.
std::vector<unsigned char> AbortApdu(unsigned char invokeID, unsigned char reason);

// Finds the APDU in a received datagram: buf[apduStart, apduEnd). Fills the
// route of `peer` from a source address in the network header. 0 when the
// datagram is not a BACnet/IP message for this device: not 81 0A or 81 0B,
// a length that disagrees with the datagram, a network layer message, or
// one addressed to another network.
int Unwrap(unsigned char* buf, int size, Peer& peer, int& apduStart, int& apduEnd);

// The datagram that carries `apdu` to `peer` (unicast).
std::vector<unsigned char> Wrap(const Peer& peer, const std::vector<unsigned char>& apdu);

}  // namespace bacnetsim
