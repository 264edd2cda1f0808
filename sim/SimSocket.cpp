#include "SimSocket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace bacnetsim {

namespace {

bool Fail(std::string* error, const std::string& text)
{
    if (error)
        *error = text;
    return false;
}

bool Resolve(const std::string& address, in_addr& out, std::string* error)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    const int rc = getaddrinfo(address.c_str(), nullptr, &hints, &found);
    if (rc != 0 || !found)
        return Fail(error, "cannot resolve " + address + ": " + gai_strerror(rc));
    out = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return true;
}

}  // namespace

bool UdpSocket::Open(const std::string& address, uint16_t port, std::string* error)
{
    Close();
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    if (!Resolve(address, local.sin_addr, error))
        return false;
    m_fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        return Fail(error, std::string("socket: ") + strerror(errno));
    if (bind(m_fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        const std::string text = "cannot bind " + address + ":" + std::to_string(port) + ": " + strerror(errno);
        Close();
        return Fail(error, text);
    }
    socklen_t size = sizeof local;
    getsockname(m_fd, reinterpret_cast<sockaddr*>(&local), &size);
    m_port = ntohs(local.sin_port);
    return true;
}

void UdpSocket::Close()
{
    if (m_fd >= 0)
        close(m_fd);
    m_fd = -1;
}

int UdpSocket::Receive(unsigned char* buf, int size, Peer& from, int timeoutMs)
{
    pollfd p{m_fd, POLLIN, 0};
    const int ready = poll(&p, 1, timeoutMs);
    if (ready < 0)
        return errno == EINTR ? 0 : -1;
    if (ready == 0)
        return 0;
    sockaddr_in remote{};
    socklen_t length = sizeof remote;
    const ssize_t n = recvfrom(m_fd, buf, static_cast<size_t>(size), 0, reinterpret_cast<sockaddr*>(&remote), &length);
    if (n < 0)
        return errno == EINTR || errno == EAGAIN || errno == ECONNREFUSED ? 0 : -1;
    from = Peer();
    from.ip = remote.sin_addr.s_addr;
    from.port = remote.sin_port;
    return static_cast<int>(n);
}

void UdpSocket::Send(const Peer& to, const std::vector<unsigned char>& datagram)
{
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_addr.s_addr = to.ip;
    remote.sin_port = to.port;
    // A lost reply is the client's to retry, as on any UDP link.
    sendto(m_fd, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&remote), sizeof remote);
}

}  // namespace bacnetsim
