// A datagram link under the client: UDP in production (UdpLink), an
// in-memory network in tests (MemoryLink). The link also owns the clock the
// client's deadlines are measured on, so an in-memory network can run a
// ten-second transaction in no time at all.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>

#include "client/Bvlc.h"
#include "client/Bytes.h"
#include "client/Endpoint.h"
#include "library/Export.h"

namespace bacnet {

using Clock = std::chrono::steady_clock;

// One received datagram, whole, in room of its own (no allocation per receive).
struct Datagram {
    Endpoint m_from;  // the UDP sender, never what a header inside claims
    size_t m_size = 0;
    std::array<uint8_t, Bvlc::kMaxDatagram> m_octets{};

    ByteView View() const { return ByteView(m_octets.data(), m_size); }
};

class BACNET_API Link {
public:
    virtual ~Link();

    // Sends one whole datagram (BVLC header included). False when it could not go.
    virtual bool Send(const Endpoint& to, ByteView datagram) = 0;
    // Waits at most `wait` for one datagram; a zero wait never blocks.
    // Datagrams longer than Bvlc::kMaxDatagram are dropped unread.
    virtual bool Receive(Datagram& out, Clock::duration wait) = 0;
    virtual Clock::time_point Now() const = 0;
    virtual Endpoint Local() const = 0;
};

}  // namespace bacnet
