#include "Transport.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tool {

namespace {

sockaddr_in ToSockaddr(const Endpoint& e)
{
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(e.address);
    sa.sin_port = htons(e.port);
    return sa;
}

Endpoint FromSockaddr(const sockaddr_in& sa)
{
    Endpoint e;
    e.address = ntohl(sa.sin_addr.s_addr);
    e.port = ntohs(sa.sin_port);
    return e;
}

bool ResolveHost(const std::string& host, uint32_t& address)
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
    address = ntohl(reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
    freeaddrinfo(found);
    return true;
}

}  // namespace

bool Endpoint::Parse(const std::string& text, uint16_t defaultPort, Endpoint& out, std::string* error)
{
    std::string host = text;
    unsigned long port = defaultPort;
    const size_t colon = text.rfind(':');
    if (colon != std::string::npos) {
        host = text.substr(0, colon);
        const std::string digits = text.substr(colon + 1);
        char* stop = nullptr;
        port = strtoul(digits.c_str(), &stop, 10);
        if (digits.empty() || *stop != '\0' || port > 65535) {
            if (error)
                *error = "bad port in '" + text + "'";
            return false;
        }
    }
    if (host.empty())
        host = "0.0.0.0";
    if (!ResolveHost(host, out.address)) {
        if (error)
            *error = "unknown host '" + host + "'";
        return false;
    }
    out.port = static_cast<uint16_t>(port);
    return true;
}

std::string Endpoint::ToString() const
{
    char text[32];
    snprintf(text, sizeof text, "%u.%u.%u.%u:%u", address >> 24, (address >> 16) & 0xFF, (address >> 8) & 0xFF,
             address & 0xFF, port);
    return text;
}

void Endpoint::ToMac(unsigned char mac[6]) const
{
    mac[0] = static_cast<unsigned char>(address >> 24);
    mac[1] = static_cast<unsigned char>(address >> 16);
    mac[2] = static_cast<unsigned char>(address >> 8);
    mac[3] = static_cast<unsigned char>(address);
    mac[4] = static_cast<unsigned char>(port >> 8);
    mac[5] = static_cast<unsigned char>(port);
}

BipTransport::~BipTransport()
{
    Close();
}

bool BipTransport::Open(const Endpoint& bind, std::string* error)
{
    Close();
    m_socket = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (m_socket < 0) {
        if (error)
            *error = std::string("socket: ") + strerror(errno);
        return false;
    }
    const int on = 1;
    setsockopt(m_socket, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    const sockaddr_in sa = ToSockaddr(bind);
    if (::bind(m_socket, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
        if (error)
            *error = "bind " + bind.ToString() + ": " + strerror(errno);
        Close();
        return false;
    }
    return true;
}

void BipTransport::Close()
{
    if (m_socket >= 0)
        close(m_socket);
    m_socket = -1;
}

Endpoint BipTransport::Local() const
{
    sockaddr_in sa{};
    socklen_t n = sizeof sa;
    getsockname(m_socket, reinterpret_cast<sockaddr*>(&sa), &n);
    return FromSockaddr(sa);
}

bool BipTransport::Send(const Endpoint& to, const unsigned char* npdu, int len, bool broadcast)
{
    if (m_socket < 0 || len < 0 || len > MAX_DATAGRAM - BVLC_HEADER)
        return false;
    unsigned char datagram[MAX_DATAGRAM];
    const int total = len + BVLC_HEADER;
    datagram[0] = BVLC_TYPE;
    datagram[1] = broadcast ? BVLC_ORIGINAL_BROADCAST : BVLC_ORIGINAL_UNICAST;
    datagram[2] = static_cast<unsigned char>(total >> 8);
    datagram[3] = static_cast<unsigned char>(total);
    memcpy(datagram + BVLC_HEADER, npdu, len);
    const sockaddr_in sa = ToSockaddr(to);
    return sendto(m_socket, datagram, total, 0, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == total;
}

bool BipTransport::Unwrap(const unsigned char* data, int n, const Endpoint& from, Datagram& out)
{
    // The length field must name exactly the datagram: a shorter or longer
    // claim means the datagram is not what it says it is.
    if (n < BVLC_HEADER || data[0] != BVLC_TYPE || (data[2] << 8 | data[3]) != n)
        return false;
    int offset = BVLC_HEADER;
    out.from = from;
    out.broadcast = false;
    switch (data[1]) {
    case BVLC_ORIGINAL_UNICAST:
        break;
    case BVLC_ORIGINAL_BROADCAST:
        out.broadcast = true;
        break;
    case BVLC_FORWARDED_NPDU:
        // A BBMD relays a broadcast with its originator's address in front.
        if (n < BVLC_HEADER + 6)
            return false;
        out.from.address = uint32_t(data[4]) << 24 | uint32_t(data[5]) << 16 | uint32_t(data[6]) << 8 | data[7];
        out.from.port = static_cast<uint16_t>(data[8] << 8 | data[9]);
        out.broadcast = true;
        offset += 6;
        break;
    default:
        return false;
    }
    out.npdu.assign(data + offset, data + n);
    return true;
}

bool BipTransport::Receive(int timeoutMs, Datagram& out)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (m_socket >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return false;
        pollfd pfd{m_socket, POLLIN, 0};
        const int ready = poll(&pfd, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        unsigned char data[MAX_DATAGRAM];
        sockaddr_in sa{};
        socklen_t salen = sizeof sa;
        const ssize_t n = recvfrom(m_socket, data, sizeof data, 0, reinterpret_cast<sockaddr*>(&sa), &salen);
        if (n < 0)
            continue;
        if (Unwrap(data, static_cast<int>(n), FromSockaddr(sa), out))
            return true;
    }
    return false;
}

}  // namespace tool
