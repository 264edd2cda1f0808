#include "client/UdpLink.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace bacnet {

namespace {

sockaddr_in ToSockaddr(const Endpoint& e)
{
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(e.m_address);
    sa.sin_port = htons(e.m_port);
    return sa;
}

}  // namespace

std::unique_ptr<UdpLink> UdpLink::Open(const Endpoint& local, std::string* error)
{
    const int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0) {
        if (error)
            *error = std::string("socket: ") + strerror(errno);
        return nullptr;
    }
    const int on = 1;
    setsockopt(s, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    const sockaddr_in sa = ToSockaddr(local);
    if (bind(s, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
        if (error)
            *error = "bind " + local.ToString() + ": " + strerror(errno);
        close(s);
        return nullptr;
    }
    return std::unique_ptr<UdpLink>(new UdpLink(s));
}

UdpLink::~UdpLink()
{
    close(m_socket);
}

bool UdpLink::Send(const Endpoint& to, ByteView datagram)
{
    const sockaddr_in sa = ToSockaddr(to);
    const ssize_t sent =
        sendto(m_socket, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
    return sent == static_cast<ssize_t>(datagram.size());
}

bool UdpLink::Receive(Datagram& out, Clock::duration wait)
{
    const Clock::time_point deadline = Now() + wait;
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Now()).count();
        pollfd pfd{m_socket, POLLIN, 0};
        const int ready = poll(&pfd, 1, left > 0 ? static_cast<int>(left) : 0);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        // One octet more than any datagram taken: a longer one is seen as such.
        uint8_t room[Bvlc::kMaxDatagram + 1];
        sockaddr_in sa{};
        socklen_t salen = sizeof sa;
        const ssize_t n = recvfrom(m_socket, room, sizeof room, 0, reinterpret_cast<sockaddr*>(&sa), &salen);
        if (n >= 0 && static_cast<size_t>(n) <= Bvlc::kMaxDatagram) {
            out.m_from = Endpoint(ntohl(sa.sin_addr.s_addr), ntohs(sa.sin_port));
            out.m_size = static_cast<size_t>(n);
            memcpy(out.m_octets.data(), room, out.m_size);
            return true;
        }
        if (left <= 0)
            return false;
    }
}

Clock::time_point UdpLink::Now() const
{
    return Clock::now();
}

Endpoint UdpLink::Local() const
{
    sockaddr_in sa{};
    socklen_t n = sizeof sa;
    getsockname(m_socket, reinterpret_cast<sockaddr*>(&sa), &n);
    return Endpoint(ntohl(sa.sin_addr.s_addr), ntohs(sa.sin_port));
}

}  // namespace bacnet
