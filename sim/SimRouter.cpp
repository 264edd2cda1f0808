#include "SimRouter.h"

#include <algorithm>

#include "frame/RouterMessage.h"

namespace bacnetsim {

Router::Router(uint16_t network, int devices)
    : m_network(network == kGlobalBroadcast ? 0 : network),
      m_devices(m_network ? std::clamp(devices, 0, kMaxDevices) : 0)
{
}

std::vector<int> Router::Targets(const CBACnetNPCI& header) const
{
    std::vector<int> targets;
    const uint16_t dnet = static_cast<uint16_t>(header.m_dnet[0] << 8 | header.m_dnet[1]);
    const bool everyone = header.ExistDstNetwork() && dnet == kGlobalBroadcast;
    if (!header.ExistDstNetwork() || everyone)
        targets.push_back(0);
    if (m_devices == 0 || !header.ExistDstNetwork() || (dnet != m_network && !everyone))
        return targets;
    // A broadcast on the network behind the router (no MAC), or one device on it.
    if (everyone || header.m_dlen == 0) {
        for (int node = 1; node <= m_devices; node++)
            targets.push_back(node);
    } else if (header.m_dlen == 1 && header.m_dadr[0] >= 1 && header.m_dadr[0] <= m_devices) {
        targets.push_back(header.m_dadr[0]);
    }
    return targets;
}

bacnet::Bytes Router::Answer(unsigned char* buf, int start, int end, const Peer& peer) const
{
    CBACnetRouterMessage message;
    int len = start;
    if (m_network == 0 || message.ReadFrame(buf, len, end) != CBACnetRouterMessage::WHO_IS_ROUTER_TO_NETWORK)
        return {};
    // Asked across another router, for another network: not for us to say.
    const CBACnetNPCI& asked = message.m_networkHeader;
    if (asked.ExistDstNetwork() && !(asked.m_dnet[0] == 0xFF && asked.m_dnet[1] == 0xFF))
        return {};
    if (!message.m_networks.empty() && message.m_networks[0] != m_network)
        return {};
    CBACnetRouterMessage answer;
    answer.m_networks = {m_network};
    AddDestination(answer.m_networkHeader, peer);
    bacnet::Bytes npdu(8 + BACNET_MAC_STORAGE);
    int n = 0;
    answer.MakeIAmRouterFrame(npdu.data(), n);
    npdu.resize(static_cast<size_t>(n));
    return npdu;
}

}  // namespace bacnetsim
