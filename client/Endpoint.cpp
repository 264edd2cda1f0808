#include "client/Endpoint.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace bacnet {

namespace {

bool Resolve(const std::string& host, uint32_t& address)
{
    in_addr literal{};
    if (inet_pton(AF_INET, host.c_str(), &literal) == 1) {
        address = ntohl(literal.s_addr);
        return true;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr)
        return false;
    sockaddr_in sa{};
    memcpy(&sa, found->ai_addr, sizeof sa);
    address = ntohl(sa.sin_addr.s_addr);
    freeaddrinfo(found);
    return true;
}

}  // namespace

std::optional<Endpoint> Endpoint::Parse(const std::string& text, uint16_t defaultPort)
{
    std::string host = text;
    unsigned long port = defaultPort;
    const size_t colon = text.rfind(':');
    if (colon != std::string::npos) {
        host = text.substr(0, colon);
        const std::string digits = text.substr(colon + 1);
        char* stop = nullptr;
        port = strtoul(digits.c_str(), &stop, 10);
        if (digits.empty() || *stop != '\0' || port > 65535)
            return std::nullopt;
    }
    if (host.empty())
        host = "0.0.0.0";
    Endpoint out;
    if (!Resolve(host, out.m_address))
        return std::nullopt;
    out.m_port = static_cast<uint16_t>(port);
    return out;
}

std::string Endpoint::ToString() const
{
    char text[32];
    snprintf(text, sizeof text, "%u.%u.%u.%u:%u", m_address >> 24, (m_address >> 16) & 0xFF, (m_address >> 8) & 0xFF,
             m_address & 0xFF, m_port);
    return text;
}

void Endpoint::ToMac(uint8_t mac[6]) const
{
    mac[0] = static_cast<uint8_t>(m_address >> 24);
    mac[1] = static_cast<uint8_t>(m_address >> 16);
    mac[2] = static_cast<uint8_t>(m_address >> 8);
    mac[3] = static_cast<uint8_t>(m_address);
    mac[4] = static_cast<uint8_t>(m_port >> 8);
    mac[5] = static_cast<uint8_t>(m_port);
}

Endpoint Endpoint::FromMac(const uint8_t mac[6])
{
    return Endpoint(uint32_t(mac[0]) << 24 | uint32_t(mac[1]) << 16 | uint32_t(mac[2]) << 8 | mac[3],
                    static_cast<uint16_t>(mac[4] << 8 | mac[5]));
}

}  // namespace bacnet
