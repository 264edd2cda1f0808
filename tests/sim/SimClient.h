// A BACnet/IP client on the loopback for the tests of the simulated device.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <bacnetcodec/bacnetcodec.h>

#include <vector>

#include "Hex.h"
#include "SimFrame.h"

// The device's idea of a requester on the loopback at `port`.
inline bacnetsim::Peer PeerAt(uint16_t port)
{
    bacnetsim::Peer peer;
    peer.ip = htonl(INADDR_LOOPBACK);
    peer.port = htons(port);
    return peer;
}

// A BACnet/IP client on the loopback.
class Client {
public:
    explicit Client(uint16_t port)
    {
        m_fd = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
        m_device.sin_family = AF_INET;
        m_device.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_device.sin_port = htons(port);
    }
    ~Client() { close(m_fd); }

    void SendDatagram(const std::vector<unsigned char>& datagram)
    {
        sendto(m_fd, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&m_device),
               sizeof m_device);
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
    bool ReceiveDatagram(std::vector<unsigned char>& datagram, int timeoutMs)
    {
        pollfd p{m_fd, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) != 1)
            return false;
        unsigned char buf[2048];
        const ssize_t n = recv(m_fd, buf, sizeof buf, 0);
        if (n < 0)
            return false;
        datagram.assign(buf, buf + n);
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
    int m_fd;
    sockaddr_in m_device{};
};
