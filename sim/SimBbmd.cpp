#include "SimBbmd.h"

#include <algorithm>

#include "frame/BVLC.h"

namespace bacnetsim {

using bacnet::BvlcFunction;
using bacnet::BvlcMessage;
using bacnet::Endpoint;

Bbmd::Bbmd(bool enabled, std::vector<Endpoint> peers, size_t maxForeignDevices, Endpoint broadcast, Send send)
    : m_enabled(enabled), m_peers(std::move(peers)),
      m_maxForeignDevices(std::min<size_t>(maxForeignDevices, CBACnetBVLC::MAX_TABLE_ENTRIES)),
      m_broadcast(broadcast), m_send(std::move(send))
{
}

bool Bbmd::OnMessage(const BvlcMessage& message, const Endpoint& from, Clock::time_point now, Endpoint& originator)
{
    originator = from;
    Purge(now);
    switch (message.m_function) {
    case BvlcFunction::OriginalUnicastNpdu:
        return true;
    case BvlcFunction::OriginalBroadcastNpdu:
        if (m_enabled)
            Forward(message.m_npdu, from, true, false);
        return true;
    case BvlcFunction::ForwardedNpdu:
        // Our own broadcast heard again, or a relay that claims to come from us.
        if (from == m_self || message.m_originator == m_self)
            return false;
        originator = message.m_originator;
        // From a peer: on to the local link and the foreign devices (a peer
        // of ours has already told the other peers).
        if (m_enabled && IsPeer(from))
            Forward(message.m_npdu, originator, false, true);
        return true;
    case BvlcFunction::DistributeBroadcast:
        if (!m_enabled || FindRegistration(from) == m_foreign.end()) {
            Result(from, CBACnetBVLC::RESULT_DISTRIBUTE_BROADCAST_NAK);
            return false;
        }
        Forward(message.m_npdu, from, true, true);
        return true;
    case BvlcFunction::RegisterForeignDevice:
        if (!m_enabled || (FindRegistration(from) == m_foreign.end() && m_foreign.size() >= m_maxForeignDevices)) {
            Result(from, CBACnetBVLC::RESULT_REGISTER_FOREIGN_DEVICE_NAK);
            return false;
        }
        Register(from, message.m_timeToLive, now);
        Result(from, CBACnetBVLC::RESULT_SUCCESS);
        return false;
    case BvlcFunction::ReadBdt: {
        if (!m_enabled) {
            Result(from, CBACnetBVLC::RESULT_READ_BDT_NAK);
            return false;
        }
        BvlcMessage ack;
        ack.m_function = BvlcFunction::ReadBdtAck;
        ack.m_bdt.push_back(bacnet::BdtEntry{m_self, 0xFFFFFFFF});
        for (const Endpoint& peer : m_peers)
            ack.m_bdt.push_back(bacnet::BdtEntry{peer, 0xFFFFFFFF});
        Reply(from, ack);
        return false;
    }
    case BvlcFunction::ReadFdt: {
        if (!m_enabled) {
            Result(from, CBACnetBVLC::RESULT_READ_FDT_NAK);
            return false;
        }
        BvlcMessage ack;
        ack.m_function = BvlcFunction::ReadFdtAck;
        ack.m_fdt = ForeignDeviceTable(now);
        Reply(from, ack);
        return false;
    }
    case BvlcFunction::DeleteFdtEntry: {
        auto it = m_enabled ? FindRegistration(message.m_originator) : m_foreign.end();
        if (it == m_foreign.end()) {
            Result(from, CBACnetBVLC::RESULT_DELETE_FDT_ENTRY_NAK);
            return false;
        }
        m_foreign.erase(it);
        Result(from, CBACnetBVLC::RESULT_SUCCESS);
        return false;
    }
    case BvlcFunction::WriteBdt:
        // The table is the command line's.
        Result(from, CBACnetBVLC::RESULT_WRITE_BDT_NAK);
        return false;
    default:
        return false;  // results and acknowledgements: nothing asked of us
    }
}

void Bbmd::Forward(bacnet::ByteView npdu, const Endpoint& originator, bool peers, bool local)
{
    uint8_t datagram[bacnet::Bvlc::kMaxDatagram];
    const size_t n =
        bacnet::Bvlc::Encode(BvlcFunction::ForwardedNpdu, npdu, datagram, sizeof datagram, originator);
    if (n == 0)
        return;
    const bacnet::ByteView forwarded(datagram, n);
    if (peers)
        for (const Endpoint& peer : m_peers)
            if (peer != m_self)
                m_send(peer, forwarded);
    for (const Registration& r : m_foreign)
        if (r.endpoint != originator)
            m_send(r.endpoint, forwarded);
    if (local && m_broadcast.m_address != 0)
        m_send(m_broadcast, forwarded);
}

void Bbmd::Register(const Endpoint& from, uint16_t timeToLive, Clock::time_point now)
{
    const Clock::time_point purgeAt = now + std::chrono::seconds(timeToLive + kGraceSeconds);
    auto it = FindRegistration(from);
    if (it != m_foreign.end()) {
        it->timeToLive = timeToLive;
        it->purgeAt = purgeAt;
        return;
    }
    m_foreign.push_back(Registration{from, timeToLive, purgeAt});
}

void Bbmd::Purge(Clock::time_point now)
{
    m_foreign.erase(std::remove_if(m_foreign.begin(), m_foreign.end(),
                                   [&](const Registration& r) { return r.purgeAt <= now; }),
                    m_foreign.end());
}

size_t Bbmd::ForeignDevices(Clock::time_point now)
{
    Purge(now);
    return m_foreign.size();
}

std::vector<bacnet::FdtEntry> Bbmd::ForeignDeviceTable(Clock::time_point now)
{
    Purge(now);
    std::vector<bacnet::FdtEntry> table;
    for (const Registration& r : m_foreign) {
        const auto left = std::chrono::ceil<std::chrono::seconds>(r.purgeAt - now).count();
        table.push_back(bacnet::FdtEntry{r.endpoint, r.timeToLive, static_cast<uint16_t>(std::min<long long>(left, 0xFFFF))});
    }
    return table;
}

bool Bbmd::IsPeer(const Endpoint& from) const
{
    return std::find(m_peers.begin(), m_peers.end(), from) != m_peers.end();
}

std::vector<Bbmd::Registration>::iterator Bbmd::FindRegistration(const Endpoint& endpoint)
{
    return std::find_if(m_foreign.begin(), m_foreign.end(),
                        [&](const Registration& r) { return r.endpoint == endpoint; });
}

void Bbmd::Result(const Endpoint& to, uint16_t code)
{
    uint8_t datagram[bacnet::Bvlc::kResultSize];
    if (bacnet::Bvlc::EncodeResult(code, datagram, sizeof datagram))
        m_send(to, bacnet::ByteView(datagram, sizeof datagram));
}

void Bbmd::Reply(const Endpoint& to, const BvlcMessage& message)
{
    uint8_t datagram[bacnet::Bvlc::kMaxDatagram];
    const size_t n = bacnet::Bvlc::Encode(message, datagram, sizeof datagram);
    if (n > 0)
        m_send(to, bacnet::ByteView(datagram, n));
}

}  // namespace bacnetsim
