// A scripted device on the in-memory network: what the client sends it is
// recorded, and the test's script decides what comes back, when, and from
// where. Frames are written out as octets, the way a hostile peer would.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <bacnetcodec/client/bacnetclient.h>

#include "Hex.h"

namespace scripted {

using namespace bacnet;
using std::chrono::milliseconds;
using std::chrono::seconds;

const Endpoint kClient(0x0A000001, 47808);     // 10.0.0.1
const Endpoint kDevice(0x0A000002, 47808);     // 10.0.0.2
const Endpoint kRouter(0x0A000005, 47808);     // 10.0.0.5
const Endpoint kBbmd(0x0A000009, 47808);       // 10.0.0.9
const Endpoint kAttacker(0x0A000042, 47808);   // 10.0.0.66
const Endpoint kBroadcast(0x0A0000FE, 47808);  // where the in-memory network's broadcasts land

inline Bytes Wrap(BvlcFunction function, const Bytes& npdu, const Endpoint& originator = Endpoint())
{
    uint8_t out[Bvlc::kMaxDatagram];
    const size_t n = Bvlc::Encode(function, npdu, out, sizeof out, originator);
    return Bytes(out, out + n);
}

inline Bytes Unicast(const std::string& npduHex)
{
    return Wrap(BvlcFunction::OriginalUnicastNpdu, Hex(npduHex));
}

inline std::string Octet(int v)
{
    const uint8_t octet = static_cast<uint8_t>(v);
    return ToHex(&octet, 1);
}

// A ReadProperty-ACK for analog input 1's present value, 21.5 or 666.
inline std::string ReadAck(int invokeID, bool forged = false)
{
    const std::string value = forged ? "44 26 80 00" : "41 AC 00 00";
    return "01 00 30 " + Octet(invokeID) + " 0C 0C 00 00 00 01 19 55 3E 44 " + value + " 3F";
}

// One segment of a Complex-ACK for ReadProperty, with no service data of its own.
inline std::string Segment(int invokeID, int sequence, bool more, int window = 1)
{
    return std::string("01 00 ") + (more ? "3C " : "38 ") + Octet(invokeID) + " " + Octet(sequence) + " " +
           Octet(window) + " 0C";
}

// A datagram from the client, with when it arrived and the fields the scripts need
// (a confirmed request: BVLC, NPCI 01 04, then 0x02 maxAPDU invokeID service).
struct Sent {
    Endpoint m_from;
    Clock::time_point m_at;
    Bytes m_datagram;
    std::string m_hex;
    int PduType() const { return m_datagram.size() > 6 ? m_datagram[6] >> 4 : -1; }
    int InvokeID() const { return PduType() == 0 ? m_datagram[8] : m_datagram[7]; }
    int Service() const { return m_datagram[9]; }
    int Sequence() const { return m_datagram[8]; }  // Segment-ACK
    bool Negative() const { return m_datagram[6] & 0x02; }
};

// A host at `at` (the device unless told) that records and runs its script.
class Peer {
public:
    using Script = std::function<void(Peer&, const Sent&)>;

    Peer(MemoryNetwork& net, Script script = {}, const Endpoint& at = kDevice) : m_net(net), m_at(at)
    {
        m_net.Attach(at, [this, script](const Endpoint& from, ByteView datagram) {
            const std::string hex = ToHex(datagram.data(), static_cast<int>(datagram.size()));
            m_sent.push_back(Sent{from, m_net.Now(), datagram.ToBytes(), hex});
            if (script)
                script(*this, m_sent.back());
        });
    }
    // Sends to the client from this host (or, with `from`, from anyone) after `ms`.
    void Reply(const Bytes& datagram, int ms) { Reply(datagram, ms, m_at); }
    void Reply(const Bytes& d, int ms, const Endpoint& from) { m_net.Post(from, kClient, d, milliseconds(ms)); }
    const std::vector<Sent>& Received() const { return m_sent; }

private:
    MemoryNetwork& m_net;
    Endpoint m_at;
    std::vector<Sent> m_sent;
};

// A device that answers confirmed requests with `answer` (after "01 00"), a Simple-ACK without one.
inline Peer::Script Answering(std::function<std::string(Peer&, const Sent&)> answer = {})
{
    return [answer](Peer& d, const Sent& s) {
        if (s.PduType() != 0)
            return;
        const std::string reply = answer ? answer(d, s) : "20 " + Octet(s.InvokeID()) + " " + Octet(s.Service());
        d.Reply(Unicast("01 00 " + reply), 2);
    };
}

// A client on the in-memory network and its scripted device.
struct Scripted {
    MemoryNetwork net;
    Peer device;
    MemoryLink link{net, kClient};
    Client client;

    explicit Scripted(Peer::Script script = {}, const ClientOptions& options = {}, const Endpoint& at = kDevice)
        : device(net, std::move(script), at), client(link, options)
    {
    }
    Result<Value> ReadAi1() { return client.ReadProperty(Device::At(kDevice), ObjectId(0, 1), Property::PresentValue); }
};

}  // namespace scripted
