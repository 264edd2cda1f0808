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

    void Send(const std::vector<unsigned char>& datagram)
    {
        m_link.Send(m_device, bacnet::ByteView(datagram.data(), datagram.size()));
    }
    // The next datagram as hex; "" when none comes within `ms`.
    std::string Receive(int ms, bacnet::Endpoint* from = nullptr)
    {
        if (!m_link.Receive(m_received, std::chrono::milliseconds(ms)))
            return "";
        if (from)
            *from = m_received.m_from;
        const bacnet::ByteView view = m_received.View();
        return ToHex(view.data(), static_cast<int>(view.size()));
    }
    // Everything that arrives within `ms` of the one before.
    std::vector<std::string> Drain(int ms = 100, std::vector<bacnet::Endpoint>* from = nullptr)
    {
        std::vector<std::string> got;
        bacnet::Endpoint sender;
        for (std::string hex; !(hex = Receive(ms, &sender)).empty();) {
            got.push_back(hex);
            if (from)
                from->push_back(sender);
        }
        return got;
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
    // The value between 3E and 3F that ReadProperty of `object` and `property` answers, or the whole reply.
    std::string ValueOf(const std::string& object, const std::string& property)
    {
        const std::string reply = Ask("02 05 01 0C 0C " + object + " 19 " + property);
        return reply.size() > 35 ? reply.substr(33, reply.size() - 36) : reply;
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
