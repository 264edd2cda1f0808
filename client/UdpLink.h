// BACnet/IP over a UDP socket. By default it binds an ephemeral port on
// every address: replies come back to the sender, so a client needs 47808
// only to hear broadcasts not aimed at it.
#pragma once

#include <memory>
#include <string>

#include "client/Link.h"

namespace bacnet {

class BACNET_API UdpLink : public Link {
public:
    // Binds `local` (port 0: any free port) with broadcasts allowed.
    // Null, with the reason in `error` when given, on failure.
    static std::unique_ptr<UdpLink> Open(const Endpoint& local = Endpoint(), std::string* error = nullptr);
    ~UdpLink() override;
    UdpLink(const UdpLink&) = delete;
    UdpLink& operator=(const UdpLink&) = delete;

    bool Send(const Endpoint& to, ByteView datagram) override;
    bool Receive(Datagram& out, Clock::duration wait) override;
    Clock::time_point Now() const override;
    Endpoint Local() const override;
    // For drivers with their own event loop: readable when a datagram waits.
    int Descriptor() const { return m_socket; }

private:
    explicit UdpLink(int socket) : m_socket(socket) {}
    int m_socket;
};

}  // namespace bacnet
