// An IPv4 UDP endpoint: where a BACnet/IP device, a BBMD or this client is.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "library/Export.h"

namespace bacnet {

constexpr uint16_t kBacnetIpPort = 47808;

struct BACNET_API Endpoint {
    uint32_t m_address = 0;  // host order: 127.0.0.1 is 0x7F000001
    uint16_t m_port = 0;

    constexpr Endpoint() = default;
    constexpr Endpoint(uint32_t address, uint16_t port) : m_address(address), m_port(port) {}

    // "A.B.C.D", "A.B.C.D:PORT" or a host name; `defaultPort` when none is given.
    static std::optional<Endpoint> Parse(const std::string& text, uint16_t defaultPort = kBacnetIpPort);
    static constexpr Endpoint Loopback(uint16_t port) { return Endpoint(0x7F000001, port); }
    static constexpr Endpoint Broadcast(uint16_t port = kBacnetIpPort) { return Endpoint(0xFFFFFFFF, port); }

    std::string ToString() const;  // "127.0.0.1:47808"
    // The 6-octet BACnet/IP address: the four address octets, then the port.
    void ToMac(uint8_t mac[6]) const;
    static Endpoint FromMac(const uint8_t mac[6]);

    constexpr bool operator==(const Endpoint& o) const { return m_address == o.m_address && m_port == o.m_port; }
    constexpr bool operator!=(const Endpoint& o) const { return !(*this == o); }
};

}  // namespace bacnet
