#include "Net.h"

#include <cstdio>

namespace {

void Put16(Bytes& out, unsigned v)
{
    out.push_back(static_cast<unsigned char>(v >> 8));
    out.push_back(static_cast<unsigned char>(v));
}

void Put32(Bytes& out, uint32_t v)
{
    Put16(out, v >> 16);
    Put16(out, v & 0xFFFF);
}

// The capture file's own fields are in the writer's byte order, which the
// magic number tells the reader; little-endian is what every tool expects.
void PutLE32(Bytes& out, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

void PutLE16(Bytes& out, unsigned v)
{
    out.push_back(static_cast<unsigned char>(v));
    out.push_back(static_cast<unsigned char>(v >> 8));
}

// One's complement sum of 16-bit words, as IPv4 and UDP checksums use.
uint32_t Sum16(const unsigned char* data, size_t n, uint32_t sum)
{
    for (size_t i = 0; i + 1 < n; i += 2)
        sum += (unsigned(data[i]) << 8) | data[i + 1];
    if (n % 2)
        sum += unsigned(data[n - 1]) << 8;
    return sum;
}

uint16_t Fold(uint32_t sum)
{
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint16_t>(~sum);
}

}  // namespace

Bytes WrapBvlc(const Bytes& npdu, bool broadcast)
{
    Bytes out{0x81, static_cast<unsigned char>(broadcast ? 0x0B : 0x0A)};
    Put16(out, static_cast<unsigned>(npdu.size() + 4));
    out.insert(out.end(), npdu.begin(), npdu.end());
    return out;
}

bool UnwrapBvlc(const unsigned char* datagram, int n, Bytes& npdu)
{
    if (n < 4 || datagram[0] != 0x81)
        return false;
    const int length = (datagram[2] << 8) | datagram[3];
    if (length != n)
        return false;
    int header;
    switch (datagram[1]) {
    case 0x0A:
    case 0x0B:
        header = 4;
        break;
    case 0x04:
        header = 10;
        break;
    default:
        return false;
    }
    if (n < header)
        return false;
    npdu.assign(datagram + header, datagram + n);
    return true;
}

bool PcapWriter::Open(const std::string& path, std::string* error)
{
    m_path = path;
    m_file.clear();
    PutLE32(m_file, 0xA1B2C3D4);  // microsecond time stamps
    PutLE16(m_file, 2);
    PutLE16(m_file, 4);
    PutLE32(m_file, 0);      // time zone
    PutLE32(m_file, 0);      // accuracy
    PutLE32(m_file, 65535);  // snapshot length
    PutLE32(m_file, 101);    // raw IP
    (void)error;
    return true;
}

void PcapWriter::AddUdp(uint32_t srcIp, uint16_t srcPort, uint32_t dstIp, uint16_t dstPort, const Bytes& payload)
{
    const unsigned udpLength = static_cast<unsigned>(8 + payload.size());
    Bytes packet;
    packet.push_back(0x45);  // IPv4, 20-octet header
    packet.push_back(0);
    Put16(packet, 20 + udpLength);
    Put16(packet, ++m_ipID);
    Put16(packet, 0);
    packet.push_back(64);  // TTL
    packet.push_back(17);  // UDP
    Put16(packet, 0);      // header checksum, below
    Put32(packet, srcIp);
    Put32(packet, dstIp);
    const uint16_t ipSum = Fold(Sum16(packet.data(), 20, 0));
    packet[10] = static_cast<unsigned char>(ipSum >> 8);
    packet[11] = static_cast<unsigned char>(ipSum);

    Bytes udp;
    Put16(udp, srcPort);
    Put16(udp, dstPort);
    Put16(udp, udpLength);
    Put16(udp, 0);
    udp.insert(udp.end(), payload.begin(), payload.end());
    // Pseudo header: addresses, protocol, UDP length.
    Bytes pseudo;
    Put32(pseudo, srcIp);
    Put32(pseudo, dstIp);
    Put16(pseudo, 17);
    Put16(pseudo, udpLength);
    uint16_t udpSum = Fold(Sum16(udp.data(), udp.size(), Sum16(pseudo.data(), pseudo.size(), 0)));
    if (udpSum == 0)
        udpSum = 0xFFFF;  // 0 would mean "no checksum"
    udp[6] = static_cast<unsigned char>(udpSum >> 8);
    udp[7] = static_cast<unsigned char>(udpSum);
    packet.insert(packet.end(), udp.begin(), udp.end());

    PutLE32(m_file, ++m_second);
    PutLE32(m_file, 0);
    PutLE32(m_file, static_cast<uint32_t>(packet.size()));
    PutLE32(m_file, static_cast<uint32_t>(packet.size()));
    m_file.insert(m_file.end(), packet.begin(), packet.end());
}

bool PcapWriter::Close(std::string* error)
{
    FILE* f = fopen(m_path.c_str(), "wb");
    if (!f) {
        *error = "cannot write " + m_path;
        return false;
    }
    const bool ok = fwrite(m_file.data(), 1, m_file.size(), f) == m_file.size();
    if (fclose(f) != 0 || !ok) {
        *error = "cannot write " + m_path;
        return false;
    }
    return true;
}
