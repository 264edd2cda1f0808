#include "TraceLink.h"

#include <bacnetcodec/client/Bvlc.h>

#include "Output.h"

namespace tool {

namespace {

// The NPDU a datagram carries, or the whole datagram when it carries none.
std::vector<unsigned char> Npdu(bacnet::ByteView datagram)
{
    bacnet::BvlcMessage message;
    if (bacnet::Bvlc::Decode(datagram, message) == bacnet::BvlcRefusal::None && !message.m_npdu.empty())
        return message.m_npdu.ToBytes();
    return datagram.ToBytes();
}

}  // namespace

void TraceLink::Watch(const bacnet::Endpoint& peer)
{
    m_peer = peer;
    m_lastFrom.clear();
    m_lastTo.clear();
}

void TraceLink::Show(const char* direction, const bacnet::Endpoint& peer, bacnet::ByteView datagram)
{
    if (m_trace)
        *m_trace << direction << ' ' << peer.ToString() << "  " << HexOctets(datagram.data(), static_cast<int>(datagram.size()))
                 << '\n';
}

bool TraceLink::Send(const bacnet::Endpoint& to, bacnet::ByteView datagram)
{
    Show("->", to, datagram);
    if (to == m_peer)
        m_lastTo = Npdu(datagram);
    return m_link->Send(to, datagram);
}

bool TraceLink::Receive(bacnet::Datagram& out, bacnet::Clock::duration wait)
{
    if (!m_link->Receive(out, wait))
        return false;
    Show("<-", out.m_from, out.View());
    if (out.m_from == m_peer)
        m_lastFrom = Npdu(out.View());
    return true;
}

}  // namespace tool
