// BACnet/IP over UDP: the driver's side of the wire. Every NPDU travels
// behind the 4-octet BACnet/IP header (81, function, length); the library
// builds and reads the NPDU, this layer only wraps and unwraps it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tool {

constexpr uint16_t kDefaultBacnetPort = 47808;

// An IPv4 UDP endpoint, address and port in host order.
struct Endpoint {
    uint32_t address = 0;
    uint16_t port = 0;

    // "HOST", "HOST:PORT"; a host name is looked up. `defaultPort` when none is given.
    static bool Parse(const std::string& text, uint16_t defaultPort, Endpoint& out, std::string* error);
    std::string ToString() const;
    // The 6-octet BACnet/IP address: four address octets, then the port.
    void ToMac(unsigned char mac[6]) const;
    bool operator==(const Endpoint& o) const { return address == o.address && port == o.port; }
    bool operator!=(const Endpoint& o) const { return !(*this == o); }
};

struct Datagram {
    Endpoint from;                   // the original sender (a forwarded NPDU names it)
    bool broadcast = false;          // sent as Original-Broadcast-NPDU
    std::vector<unsigned char> npdu; // exactly the octets received after the BACnet/IP header
};

class BipTransport {
public:
    enum : unsigned char {
        BVLC_TYPE = 0x81,
        BVLC_FORWARDED_NPDU = 0x04,
        BVLC_ORIGINAL_UNICAST = 0x0A,
        BVLC_ORIGINAL_BROADCAST = 0x0B,
    };
    enum { BVLC_HEADER = 4, MAX_DATAGRAM = 1600 };

    BipTransport() = default;
    ~BipTransport();
    BipTransport(const BipTransport&) = delete;
    BipTransport& operator=(const BipTransport&) = delete;

    // Binds the socket (port 0: any free port) with broadcasts allowed.
    bool Open(const Endpoint& bind, std::string* error);
    void Close();
    Endpoint Local() const;

    // Wraps `npdu` in an Original-Unicast-NPDU or Original-Broadcast-NPDU.
    bool Send(const Endpoint& to, const unsigned char* npdu, int len, bool broadcast);
    // Waits at most `timeoutMs` for a BACnet/IP datagram carrying an NPDU.
    // Anything else that arrives (other BVLC functions, short or mislabelled
    // datagrams) is dropped and the wait goes on. False on time-out.
    bool Receive(int timeoutMs, Datagram& out);

    // Unwraps one received datagram; false when it carries no NPDU.
    static bool Unwrap(const unsigned char* data, int n, const Endpoint& from, Datagram& out);

private:
    int m_socket = -1;
};

}  // namespace tool
