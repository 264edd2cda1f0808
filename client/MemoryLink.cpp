#include "client/MemoryLink.h"

#include <algorithm>
#include <tuple>

namespace bacnet {

namespace {

constexpr uint32_t kBroadcastAddress = 0xFFFFFFFF;

}  // namespace

MemoryNetwork::MemoryNetwork() : m_now(Clock::time_point() + std::chrono::hours(1)) {}

void MemoryNetwork::Attach(const Endpoint& at, Peer peer)
{
    m_peers.emplace_back(at, std::move(peer));
}

void MemoryNetwork::Register(const Endpoint& link)
{
    m_links.push_back(link);
}

void MemoryNetwork::Post(const Endpoint& from, const Endpoint& to, ByteView datagram, Clock::duration after)
{
    if (to.m_address == kBroadcastAddress) {
        for (const auto& peer : m_peers)
            if (peer.first != from)
                Post(from, peer.first, datagram, after);
        for (const Endpoint& link : m_links)
            if (link != from)
                Post(from, link, datagram, after);
        return;
    }
    m_queue.push_back(Entry{m_now + after, m_order++, from, to, datagram.ToBytes()});
}

const MemoryNetwork::Peer* MemoryNetwork::FindPeer(const Endpoint& at) const
{
    for (const auto& peer : m_peers)
        if (peer.first == at)
            return &peer.second;
    return nullptr;
}

void MemoryNetwork::DeliverDue()
{
    for (;;) {
        // The earliest due datagram for a peer, in the order posted.
        auto next = m_queue.end();
        for (auto it = m_queue.begin(); it != m_queue.end(); ++it)
            if (it->m_due <= m_now && FindPeer(it->m_to) &&
                (next == m_queue.end() || std::tie(it->m_due, it->m_order) < std::tie(next->m_due, next->m_order)))
                next = it;
        if (next == m_queue.end())
            return;
        Entry entry = std::move(*next);
        m_queue.erase(next);
        m_delivered++;
        const Peer peer = *FindPeer(entry.m_to);  // a copy: the peer may attach others
        peer(entry.m_from, entry.m_octets);
    }
}

void MemoryNetwork::Advance(Clock::duration by)
{
    const Clock::time_point until = m_now + by;
    for (;;) {
        DeliverDue();
        Clock::time_point next = until;
        for (const Entry& entry : m_queue)
            if (FindPeer(entry.m_to) && entry.m_due > m_now && entry.m_due < next)
                next = entry.m_due;
        m_now = next;
        if (next == until) {
            DeliverDue();
            return;
        }
    }
}

bool MemoryNetwork::Take(const Endpoint& at, Datagram& out, Clock::duration wait)
{
    const Clock::time_point limit = m_now + std::max(wait, Clock::duration());
    for (;;) {
        DeliverDue();
        auto mine = m_queue.end();
        Clock::time_point next = limit;
        for (auto it = m_queue.begin(); it != m_queue.end(); ++it) {
            if (it->m_to == at && it->m_due <= m_now &&
                (mine == m_queue.end() || std::tie(it->m_due, it->m_order) < std::tie(mine->m_due, mine->m_order)))
                mine = it;
            if (it->m_due > m_now && it->m_due < next)
                next = it->m_due;
        }
        if (mine != m_queue.end()) {
            if (mine->m_octets.size() > out.m_octets.size()) {
                m_queue.erase(mine);
                continue;
            }
            out.m_from = mine->m_from;
            out.m_size = mine->m_octets.size();
            std::copy(mine->m_octets.begin(), mine->m_octets.end(), out.m_octets.begin());
            m_queue.erase(mine);
            m_delivered++;
            return true;
        }
        if (m_now >= limit)
            return false;
        m_now = next;
    }
}

MemoryLink::MemoryLink(MemoryNetwork& network, const Endpoint& local) : m_network(network), m_local(local)
{
    m_network.Register(local);
}

bool MemoryLink::Send(const Endpoint& to, ByteView datagram)
{
    m_network.Post(m_local, to, datagram);
    return true;
}

bool MemoryLink::Receive(Datagram& out, Clock::duration wait)
{
    return m_network.Take(m_local, out, wait);
}

}  // namespace bacnet
