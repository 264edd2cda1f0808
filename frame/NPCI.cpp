#include "frame/NPCI.h"

#include <climits>
#include <cstring>

#include "frame/Tag.h"
#include "host/Archive.h"

CBACnetNPCI_DATA::CBACnetNPCI_DATA() : m_network{0xFF, 0xFF}, m_macLength(0), m_mac{} {}

void CBACnetNPCI_DATA::CopyData_DstToDst(CBACnetNPCI_DATA& other)
{
    memcpy(m_network, other.m_network, sizeof m_network);
    m_macLength = other.m_macLength;
    memcpy(m_mac, other.m_mac, sizeof m_mac);
}

void CBACnetNPCI_DATA::CopyData_SrcToDst(CBACnetNPCI& data)
{
    if (!data.ExistSrcNetwork())
        return;
    memcpy(m_network, data.m_snet, sizeof m_network);
    m_macLength = data.m_slen;
    memcpy(m_mac, data.m_sadr, sizeof m_mac);
}

void CBACnetNPCI_DATA::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar.Write(m_network, sizeof m_network);
        ar << m_macLength;
        ar.Write(m_mac, sizeof m_mac);
    } else {
        ar.Read(m_network, sizeof m_network);
        ar >> m_macLength;
        ar.Read(m_mac, sizeof m_mac);
    }
}

CBACnetNPCI::CBACnetNPCI() : m_version(1), m_control(0) {}

void CBACnetNPCI::MakeBroadcastFrame()
{
    m_control = CONTROL_DNET;
    m_dnet[0] = 0xFF;
    m_dnet[1] = 0xFF;
    m_dlen = 0;
}

void CBACnetNPCI::SetLocalReplyFrame()
{
    m_control |= CONTROL_REPLY;
}

void CBACnetNPCI::MakeDstNetworkFrame(CBACnetNPCI_DATA& data)
{
    if (data.m_macLength > BACNET_MAC_MAX_ACCEPTED)
        return;
    memcpy(m_dnet, data.m_network, sizeof m_dnet);
    m_dlen = data.m_macLength;
    memcpy(m_dadr, data.m_mac, sizeof m_dadr);
    // A local device leaves the bit as it was: a broadcast header stays one.
    if (m_dlen != 0)
        m_control |= CONTROL_DNET;
}

void CBACnetNPCI::MakeSrcNetworkFrame(unsigned char* net, unsigned char n, unsigned char* addr)
{
    if (n > BACNET_MAC_MAX_ACCEPTED)
        return;
    m_snet[0] = net[0];
    m_snet[1] = net[1];
    m_slen = n;
    memcpy(m_sadr, addr, n);
    m_control |= CONTROL_SNET;
}

void CBACnetNPCI::MakeFrame(unsigned char* buf, int& len)
{
    buf[len++] = m_version;
    buf[len++] = m_control;
    if (ExistDstNetwork()) {
        buf[len++] = m_dnet[0];
        buf[len++] = m_dnet[1];
        buf[len++] = m_dlen;
        memcpy(buf + len, m_dadr, m_dlen);
        len += m_dlen;
    }
    if (ExistSrcNetwork()) {
        buf[len++] = m_snet[0];
        buf[len++] = m_snet[1];
        buf[len++] = m_slen;
        memcpy(buf + len, m_sadr, m_slen);
        len += m_slen;
    }
    if (ExistDstNetwork())
        buf[len++] = 0xFF;  // hop count
    if (IsMessageMode())
        buf[len++] = m_messageType;
}

int CBACnetNPCI::ReadFrame(unsigned char* buf, int& len)
{
    return ReadFrame(buf, len, INT_MAX);
}

// Reads one network address block (network number, length, MAC). A received
// length can exceed the address storage: such a header is refused.
static int ReadAddress(CBACnetTag& in, unsigned char* buf, int& len, unsigned char* net,
                       unsigned char& macLength, unsigned char* mac)
{
    unsigned char n;
    if (!in.ReadOctets(buf, len, net, 2) || !in.ReadOctet(buf, len, n))
        return 0;
    if (n > BACNET_MAC_STORAGE || !in.HasRoom(len, n))
        return 0;
    macLength = n;
    return in.ReadOctets(buf, len, mac, n);
}

int CBACnetNPCI::ReadFrame(unsigned char* buf, int& len, int end)
{
    CBACnetTag in(end);
    unsigned char version, control;
    if (!in.ReadOctet(buf, len, version))
        return 0;
    if (version != m_version)
        return 0;
    if (!in.ReadOctet(buf, len, control))
        return 0;
    m_control = control;
    if ((control & CONTROL_DNET) && !ReadAddress(in, buf, len, m_dnet, m_dlen, m_dadr))
        return 0;
    if ((control & CONTROL_SNET) && !ReadAddress(in, buf, len, m_snet, m_slen, m_sadr))
        return 0;
    unsigned char hopCount;
    if ((control & CONTROL_DNET) && !in.ReadOctet(buf, len, hopCount))
        return 0;
    if ((control & CONTROL_MESSAGE) && !in.ReadOctet(buf, len, m_messageType))
        return 0;
    return 1;
}
