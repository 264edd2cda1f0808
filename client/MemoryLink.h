// An in-memory BACnet/IP network for tests: no sockets and no real time.
// The network keeps a virtual clock that moves only when a link waits with
// nothing to take, straight to the next delivery, so time-outs and deadlines
// are exact and cost nothing. Scripted peers answer what is sent to them.
//
//     MemoryNetwork net;
//     net.Attach(device, [&](const Endpoint& from, ByteView datagram) {
//         net.Post(device, from, reply);            // or later: Post(..., 50ms)
//     });
//     MemoryLink link(net, Endpoint::Loopback(40000));
//     Client client(link);
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "client/Link.h"

namespace bacnet {

class BACNET_API MemoryNetwork {
public:
    using Peer = std::function<void(const Endpoint& from, ByteView datagram)>;

    MemoryNetwork();
    MemoryNetwork(const MemoryNetwork&) = delete;
    MemoryNetwork& operator=(const MemoryNetwork&) = delete;

    // `peer` is handed every datagram that reaches `at`.
    void Attach(const Endpoint& at, Peer peer);
    // Queues a datagram, delivered `after` from now. The address
    // 255.255.255.255 reaches every attached peer and link but the sender.
    void Post(const Endpoint& from, const Endpoint& to, ByteView datagram, Clock::duration after = Clock::duration());
    Clock::time_point Now() const { return m_now; }
    // Moves the clock on, delivering what falls due to the peers.
    void Advance(Clock::duration by);
    size_t Delivered() const { return m_delivered; }

    // The link's side: the next datagram for `at` within `wait` of now.
    bool Take(const Endpoint& at, Datagram& out, Clock::duration wait);
    void Register(const Endpoint& link);

private:
    struct Entry {
        Clock::time_point m_due;
        uint64_t m_order;
        Endpoint m_from;
        Endpoint m_to;
        Bytes m_octets;
    };
    // Hands the peers every datagram due by now; answers may queue more.
    void DeliverDue();
    const Peer* FindPeer(const Endpoint& at) const;

    Clock::time_point m_now;
    uint64_t m_order = 0;
    size_t m_delivered = 0;
    std::vector<Entry> m_queue;
    std::vector<std::pair<Endpoint, Peer>> m_peers;
    std::vector<Endpoint> m_links;
};

class BACNET_API MemoryLink : public Link {
public:
    MemoryLink(MemoryNetwork& network, const Endpoint& local);

    bool Send(const Endpoint& to, ByteView datagram) override;
    bool Receive(Datagram& out, Clock::duration wait) override;
    Clock::time_point Now() const override { return m_network.Now(); }
    Endpoint Local() const override { return m_local; }

private:
    MemoryNetwork& m_network;
    Endpoint m_local;
};

}  // namespace bacnet
