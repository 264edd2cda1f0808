#include "Net.h"

#include <arpa/inet.h>
#include <bacnetcodec/bacnetcodec.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

Bytes Bvlc(const Bytes& npdu, bool broadcast)
{
    CBACnetBVLC bvlc;
    bvlc.m_function = broadcast ? CBACnetBVLC::ORIGINAL_BROADCAST : CBACnetBVLC::ORIGINAL_UNICAST;
    bvlc.m_npdu = npdu.data();
    bvlc.m_npduLength = static_cast<int>(npdu.size());
    Bytes out(npdu.size() + CBACnetBVLC::HEADER);
    int len = 0;
    if (!bvlc.MakeFrame(out.data(), len, static_cast<int>(out.size())))
        out.clear();  // too long for the codec: the checks on the empty datagram say so
    return out;
}

bool Npdu(const Bytes& datagram, Bytes& npdu)
{
    CBACnetBVLC bvlc;
    int pos = 0;
    if (!bvlc.ReadFrame(datagram.data(), pos, static_cast<int>(datagram.size())) || !bvlc.m_npdu)
        return false;
    npdu.assign(bvlc.m_npdu, bvlc.m_npdu + bvlc.m_npduLength);
    return true;
}

void ObjectID(unsigned char* buf, int& len, const _BACnetObjectID& obj)
{
    const DWORD v = obj.GetValue();
    unsigned char host[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                             static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    CBACnetTag().MakeAnalogFrame(buf, len, CBACnetTag::CLASS_CONTEXT, 0, 4, host);
}

UdpPeer::~UdpPeer()
{
    if (m_fd >= 0)
        close(m_fd);
}

bool UdpPeer::Open(uint16_t peerPort, std::string* error, uint16_t avoid)
{
    m_peer = peerPort;
    for (int attempt = 0; attempt < 3; attempt++) {
        if (m_fd >= 0)
            close(m_fd);
        m_fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t n = sizeof local;
        if (m_fd < 0 || bind(m_fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
            getsockname(m_fd, reinterpret_cast<sockaddr*>(&local), &n) != 0) {
            *error = std::string("socket: ") + strerror(errno);
            return false;
        }
        m_port = ntohs(local.sin_port);
        if (m_port != avoid)
            return true;
    }
    *error = "no port other than " + std::to_string(avoid);
    return false;
}

bool UdpPeer::Send(const Bytes& datagram)
{
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(m_peer);
    return sendto(m_fd, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) ==
           static_cast<ssize_t>(datagram.size());
}

bool UdpPeer::Receive(Bytes& out, std::chrono::steady_clock::time_point deadline)
{
    using namespace std::chrono;
    for (;;) {
        const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
        pollfd p{m_fd, POLLIN, 0};
        const int ready = left > 0 ? poll(&p, 1, static_cast<int>(left)) : 0;
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        unsigned char buf[2048];
        sockaddr_in from{};
        socklen_t n = sizeof from;
        const ssize_t got = recvfrom(m_fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &n);
        if (got >= 0 && from.sin_port == htons(m_peer) && from.sin_addr.s_addr == htonl(INADDR_LOOPBACK)) {
            out.assign(buf, buf + got);
            return true;
        }
    }
}

uint16_t FreePort()
{
    UdpPeer socket;
    std::string error;
    return socket.Open(0, &error) ? socket.Port() : 0;
}
