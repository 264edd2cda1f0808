// A BACnet/IP requester for the tests of the simulated device: raw
// datagrams over a client link (a MemoryLink beside the device on an
// in-memory network, or a UdpLink on the loopback).
#pragma once

#include <bacnetcodec/bacnetcodec.h>

#include <chrono>
#include <vector>

#include "Hex.h"
#include "SimFrame.h"
#include "client/Link.h"

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

    void SendDatagram(const std::vector<unsigned char>& datagram, const bacnet::Endpoint* to = nullptr)
    {
        m_link.Send(to ? *to : m_device, bacnet::ByteView(datagram.data(), datagram.size()));
    }
    // A network header and APDU, as an original unicast.
    void Send(const unsigned char* npdu, int n)
    {
        std::vector<unsigned char> datagram = {0x81, 0x0A, static_cast<unsigned char>((n + 4) >> 8),
                                               static_cast<unsigned char>(n + 4)};
        datagram.insert(datagram.end(), npdu, npdu + n);
        SendDatagram(datagram);
    }
    // An APDU behind the local network header of a request (01 04).
    void Request(const std::vector<unsigned char>& apdu)
    {
        std::vector<unsigned char> npdu = {0x01, 0x04};
        npdu.insert(npdu.end(), apdu.begin(), apdu.end());
        Send(npdu.data(), static_cast<int>(npdu.size()));
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
    // The APDU of the next datagram, its BVLC and network header checked and
    // taken off; false when none comes within `timeoutMs`.
    bool Receive(std::vector<unsigned char>& apdu, int timeoutMs = 3000)
    {
        std::vector<unsigned char> datagram;
        if (!ReceiveDatagram(datagram, timeoutMs))
            return false;
        const size_t n = datagram.size();
        if (n < 6 || datagram[0] != 0x81 || datagram[1] != 0x0A || size_t(datagram[2] << 8 | datagram[3]) != n)
            return false;
        Received received(datagram);
        CBACnetNPCI npci;
        int len = 4;
        if (!npci.ReadFrame(received.buf(), len, received.end()))
            return false;
        apdu.assign(datagram.begin() + len, datagram.end());
        return true;
    }

private:
    bacnet::Link& m_link;
    bacnet::Endpoint m_device;
    bacnet::Datagram m_received;
};
