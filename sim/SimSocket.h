// The UDP endpoint of the simulated device.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "SimFrame.h"

namespace bacnetsim {

class UdpSocket {
public:
    UdpSocket() = default;
    ~UdpSocket() { Close(); }
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // Binds an IPv4 address (a name or dotted quad) and port (0: any free one).
    bool Open(const std::string& address, uint16_t port, std::string* error);
    void Close();
    uint16_t Port() const { return m_port; }

    // Waits up to `timeoutMs` for a datagram. Its size, 0 when none came, -1 on a socket fault.
    int Receive(unsigned char* buf, int size, Peer& from, int timeoutMs);
    void Send(const Peer& to, const std::vector<unsigned char>& datagram);

private:
    int m_fd = -1;
    uint16_t m_port = 0;
};

}  // namespace bacnetsim
