#include "SimFrame.h"

#include <cstring>

#include "frame/PDU.h"

namespace bacnetsim {

bool Peer::operator==(const Peer& other) const
{
    return endpoint == other.endpoint && node == other.node && routed == other.routed &&
           (!routed || (memcmp(network, other.network, sizeof network) == 0 && macLength == other.macLength &&
                        memcmp(mac, other.mac, macLength) == 0));
}

std::string Peer::Describe() const
{
    std::string text = endpoint.ToString();
    if (routed)
        text += " (network " + std::to_string(network[0] << 8 | network[1]) + ")";
    if (node > 0)
        text += " to routed device " + std::to_string(node);
    return text;
}

int ReadNetworkHeader(unsigned char* buf, int& len, int end, CBACnetNPCI& header, Peer& peer)
{
    if (!header.ReadFrame(buf, len, end))
        return 0;
    peer.routed = header.ExistSrcNetwork() != 0;
    if (peer.routed) {
        memcpy(peer.network, header.m_snet, sizeof peer.network);
        peer.macLength = header.m_slen;
        memcpy(peer.mac, header.m_sadr, sizeof peer.mac);
    }
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

void AddDestination(CBACnetNPCI& npci, const Peer& peer)
{
    if (!peer.routed)
        return;
    CBACnetNPCI_DATA destination;
    memcpy(destination.m_network, peer.network, sizeof peer.network);
    destination.m_macLength = peer.macLength;
    memcpy(destination.m_mac, peer.mac, sizeof peer.mac);
    npci.MakeDstNetworkFrame(destination);
}

bacnet::Bytes Npdu(const Peer& peer, uint16_t routerNetwork, const std::vector<unsigned char>& apdu)
{
    CBACnetNPCI npci;
    AddDestination(npci, peer);
    if (peer.node > 0) {
        unsigned char network[2] = {static_cast<unsigned char>(routerNetwork >> 8),
                                    static_cast<unsigned char>(routerNetwork)};
        unsigned char mac[1] = {static_cast<unsigned char>(peer.node)};
        npci.MakeSrcNetworkFrame(network, 1, mac);
    }
    // Two address blocks, the version, control and hop count octets.
    bacnet::Bytes npdu(5 + 2 * (3 + BACNET_MAC_STORAGE) + apdu.size());
    int len = 0;
    npci.MakeFrame(npdu.data(), len);
    memcpy(npdu.data() + len, apdu.data(), apdu.size());
    npdu.resize(static_cast<size_t>(len) + apdu.size());
    return npdu;
}

}  // namespace bacnetsim
