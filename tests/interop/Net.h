// The loopback side of the interop tests: BACnet/IP datagrams written and
// read by the library's link codec, and a UDP socket that talks to one peer.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "Hex.h"
#include "host/TagVal.h"

struct _BACnetObjectID;

using Bytes = std::vector<unsigned char>;

constexpr uint16_t kBacnetPort = 47808;

// `npdu` in an Original-Unicast- or Original-Broadcast-NPDU.
Bytes Bvlc(const Bytes& npdu, bool broadcast);
// The NPDU a received datagram carries (original or forwarded); false for
// anything else.
bool Npdu(const Bytes& datagram, Bytes& npdu);

// A context tag 0 object identifier at `len`, as the caller of a header-only request writes it.
void ObjectID(unsigned char* buf, int& len, const _BACnetObjectID& obj);

// A host value, as a driver hands one to a write.
template <class T>
CTagVal Val(T value)
{
    CTagVal v;
    v.SetVal(value);
    return v;
}

// A UDP socket on 127.0.0.1 that talks to one peer there.
class UdpPeer {
public:
    UdpPeer() = default;
    UdpPeer(const UdpPeer&) = delete;
    UdpPeer& operator=(const UdpPeer&) = delete;
    ~UdpPeer();

    // Binds an ephemeral port other than `avoid`.
    bool Open(uint16_t peerPort, std::string* error, uint16_t avoid = 0);
    bool Send(const Bytes& datagram);
    // One datagram from the peer, waiting until `deadline`; false on time-out.
    // Datagrams from anyone else are dropped.
    bool Receive(Bytes& out, std::chrono::steady_clock::time_point deadline);
    uint16_t Port() const { return m_port; }

private:
    int m_fd = -1;
    uint16_t m_port = 0;
    uint16_t m_peer = 0;
};

// A loopback UDP port nobody holds right now; 0 when none could be had.
uint16_t FreePort();
