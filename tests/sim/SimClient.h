// Requesters for the tests of the simulated device: raw datagrams over a
// client link (a MemoryLink beside the device on an in-memory network, or a
// UdpLink on the loopback), or APDUs straight to the request handlers.
#pragma once

#include <bacnetcodec/bacnetcodec.h>

#include <chrono>
#include <string>
#include <vector>

#include "Hex.h"
#include "SimDatabase.h"
#include "SimServices.h"
#include "client/Link.h"

constexpr uint32_t kInstance = 4321;  // device 02 00 10 E1 on the wire

// The device's idea of a requester on the loopback at `port`.
inline bacnetsim::Peer PeerAt(uint16_t port)
{
    bacnetsim::Peer peer;
    peer.endpoint = bacnet::Endpoint::Loopback(port);
    return peer;
}

class Client {
public:
    Client(bacnet::Link& link, const bacnet::Endpoint& device) : m_link(link), m_device(device) {}

    void SendDatagram(const std::vector<unsigned char>& datagram)
    {
        m_link.Send(m_device, bacnet::ByteView(datagram.data(), datagram.size()));
    }
    // An APDU behind the local network header of a request (01 04), as an original unicast.
    void Request(const std::vector<unsigned char>& apdu)
    {
        std::vector<unsigned char> datagram = {0x81, 0x0A, static_cast<unsigned char>((apdu.size() + 6) >> 8),
                                               static_cast<unsigned char>(apdu.size() + 6), 0x01, 0x04};
        datagram.insert(datagram.end(), apdu.begin(), apdu.end());
        SendDatagram(datagram);
    }
    // The next datagram as it came; false when none comes within `timeoutMs`.
    bool ReceiveDatagram(std::vector<unsigned char>& datagram, int timeoutMs, bacnet::Endpoint* from = nullptr)
    {
        if (!m_link.Receive(m_received, std::chrono::milliseconds(timeoutMs)))
            return false;
        const bacnet::ByteView view = m_received.View();
        datagram.assign(view.begin(), view.end());
        if (from)
            *from = m_received.m_from;
        return true;
    }

private:
    bacnet::Link& m_link;
    bacnet::Endpoint m_device;
    bacnet::Datagram m_received;
};

// The device's database and request handlers on a held clock, asked by one peer.
struct Handlers {
    bacnetsim::Database db;
    bacnetsim::Services services{db};
    bacnetsim::Peer peer = PeerAt(47900);

    explicit Handlers(int extraObjects = 0) : db(kInstance, extraObjects) { db.HoldClock(); }

    // The reply APDU to `apdu`, as hex ("" for none).
    std::string Ask(const std::string& apdu, const bacnetsim::Peer* from = nullptr)
    {
        Received request(apdu);
        return ToHex(services.Handle(request.buf(), 0, request.end(), from ? *from : peer).apdu);
    }
    // The APDUs sent after the clock moved `seconds`.
    std::vector<std::string> After(double seconds)
    {
        db.Advance(seconds);
        std::vector<std::string> sent;
        for (const bacnetsim::Outgoing& o : services.TakeOutgoing())
            sent.push_back(ToHex(o.apdu));
        return sent;
    }
};
