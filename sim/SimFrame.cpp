#include "SimFrame.h"

#include <arpa/inet.h>

#include <cstring>

#include "frame/PDU.h"
#include "frame/Tag.h"

namespace bacnetsim {

bool Peer::operator==(const Peer& other) const
{
    return ip == other.ip && port == other.port && routed == other.routed &&
           (!routed || (memcmp(network, other.network, sizeof network) == 0 && macLength == other.macLength &&
                        memcmp(mac, other.mac, macLength) == 0));
}

std::string Peer::Describe() const
{
    char address[INET_ADDRSTRLEN] = "?";
    in_addr a;
    a.s_addr = ip;
    inet_ntop(AF_INET, &a, address, sizeof address);
    return std::string(address) + ":" + std::to_string(ntohs(port));
}

int Unwrap(unsigned char* buf, int size, Peer& peer, int& apduStart, int& apduEnd)
{
    CBACnetTag in(size);
    int len = 0;
    unsigned char function, length[2];
    if (!in.ExpectOctet(buf, len, BVLC_TYPE) || !in.ReadOctet(buf, len, function) ||
        (function != BVLC_UNICAST && function != BVLC_BROADCAST) || !in.ReadOctets(buf, len, length, 2))
        return 0;
    const int end = length[0] << 8 | length[1];
    if (end < len || end > size)
        return 0;
    CBACnetNPCI npci;
    if (!npci.ReadFrame(buf, len, end) || npci.IsMessageMode())
        return 0;
    // Not a router: a message for one particular other network is not ours.
    if (npci.ExistDstNetwork() && !(npci.m_dnet[0] == 0xFF && npci.m_dnet[1] == 0xFF))
        return 0;
    peer.routed = npci.ExistSrcNetwork() != 0;
    if (peer.routed) {
        memcpy(peer.network, npci.m_snet, sizeof peer.network);
        peer.macLength = npci.m_slen;
        memcpy(peer.mac, npci.m_sadr, sizeof peer.mac);
    }
    apduStart = len;
    apduEnd = end;
    return 1;
}

std::vector<unsigned char> AbortApdu(unsigned char invokeID, unsigned char reason)
{
    CBACnetAbortPDU header;
    header.m_firstOctet |= CBACnetPDU::BIT_SRV;
    header.SetInvokeID(invokeID);
    header.SetAbortCode(reason);
    std::vector<unsigned char> apdu(8);
    int len = 0;
    header.MakeFrame(apdu.data(), len);
    apdu.resize(static_cast<size_t>(len));
    return apdu;
}

std::vector<unsigned char> Wrap(const Peer& peer, const std::vector<unsigned char>& apdu)
{
    CBACnetNPCI npci;
    if (peer.routed) {
        CBACnetNPCI_DATA destination;
        memcpy(destination.m_network, peer.network, sizeof peer.network);
        destination.m_macLength = peer.macLength;
        memcpy(destination.m_mac, peer.mac, sizeof peer.mac);
        npci.MakeDstNetworkFrame(destination);
    }
    std::vector<unsigned char> datagram(4 + 6 + BACNET_MAC_STORAGE + apdu.size());
    int len = 4;
    npci.MakeFrame(datagram.data(), len);
    memcpy(datagram.data() + len, apdu.data(), apdu.size());
    len += static_cast<int>(apdu.size());
    datagram.resize(len);
    datagram[0] = BVLC_TYPE;
    datagram[1] = BVLC_UNICAST;
    datagram[2] = static_cast<unsigned char>(len >> 8);
    datagram[3] = static_cast<unsigned char>(len);
    return datagram;
}

}  // namespace bacnetsim
