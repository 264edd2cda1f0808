// The link a command talks over, seen from the tool: every datagram passes
// through here on its way to or from the real link (UDP, or a test's
// in-memory network), so --verbose can show the octets as they went out
// and came in, and a command can show the reply that ended its request.
#pragma once

#include <memory>
#include <ostream>
#include <vector>

#include <bacnetcodec/client/Link.h>

namespace tool {

class TraceLink : public bacnet::Link {
public:
    explicit TraceLink(std::unique_ptr<bacnet::Link> link) : m_link(std::move(link)) {}

    bool Send(const bacnet::Endpoint& to, bacnet::ByteView datagram) override;
    bool Receive(bacnet::Datagram& out, bacnet::Clock::duration wait) override;
    bacnet::Clock::time_point Now() const override { return m_link->Now(); }
    bacnet::Endpoint Local() const override { return m_link->Local(); }

    // Where "-> 127.0.0.1:47809  81 0A ..." lines go; none: silent.
    void SetTrace(std::ostream* trace) { m_trace = trace; }
    // The NPDU of the last datagram received from `peer` (after the
    // BACnet/IP header) and of the last sent to it.
    const std::vector<unsigned char>& LastFrom() const { return m_lastFrom; }
    const std::vector<unsigned char>& LastTo() const { return m_lastTo; }
    void Watch(const bacnet::Endpoint& peer);

private:
    void Show(const char* direction, const bacnet::Endpoint& peer, bacnet::ByteView datagram);

    std::unique_ptr<bacnet::Link> m_link;
    std::ostream* m_trace = nullptr;
    bacnet::Endpoint m_peer;
    std::vector<unsigned char> m_lastFrom, m_lastTo;
};

}  // namespace tool
