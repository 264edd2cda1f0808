// BACnet/IP framing for the interop tests: the 4-octet link header that
// carries a network-layer frame in one UDP datagram, and a capture file of
// such datagrams over IPv4 for tools that dissect recorded traffic.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

constexpr uint16_t kBacnetPort = 47808;

// 81 0A (unicast) or 81 0B (broadcast), the total length, then `npdu`.
Bytes WrapBvlc(const Bytes& npdu, bool broadcast);

// The network-layer frame of a received datagram: 81 0A, 81 0B or a
// forwarded NPDU (81 04, with the originator's 6-octet address), whose
// length field matches the datagram. False for anything else.
bool UnwrapBvlc(const unsigned char* datagram, int n, Bytes& npdu);

// A classic capture file of raw IPv4 packets (link type 101).
class PcapWriter {
public:
    bool Open(const std::string& path, std::string* error);
    // One UDP datagram carrying `payload`, with valid IPv4 and UDP checksums.
    void AddUdp(uint32_t srcIp, uint16_t srcPort, uint32_t dstIp, uint16_t dstPort, const Bytes& payload);
    bool Close(std::string* error);

private:
    Bytes m_file;
    std::string m_path;
    uint16_t m_ipID = 0;
    uint32_t m_second = 0;
};

constexpr uint32_t Ipv4(unsigned a, unsigned b, unsigned c, unsigned d)
{
    return (a << 24) | (b << 16) | (c << 8) | d;
}
