#include "frame/RouterMessage.h"

#include "frame/Tag.h"

CBACnetRouterMessage::CBACnetRouterMessage()
{
    m_networkHeader.m_control = CBACnetNPCI::CONTROL_MESSAGE;
}

namespace {

void WriteNetworks(unsigned char* buf, int& len, const std::vector<unsigned short>& networks)
{
    for (unsigned short n : networks) {
        buf[len++] = static_cast<unsigned char>(n >> 8);
        buf[len++] = static_cast<unsigned char>(n);
    }
}

}  // namespace

void CBACnetRouterMessage::MakeWhoIsRouterFrame(unsigned char* buf, int& len, int dnet)
{
    m_networks.clear();
    if (dnet >= 0 && dnet <= 0xFFFF)
        m_networks.push_back(static_cast<unsigned short>(dnet));
    m_networkHeader.m_control |= CBACnetNPCI::CONTROL_MESSAGE;
    m_networkHeader.m_messageType = WHO_IS_ROUTER_TO_NETWORK;
    m_networkHeader.MakeFrame(buf, len);
    WriteNetworks(buf, len, m_networks);
}

void CBACnetRouterMessage::MakeIAmRouterFrame(unsigned char* buf, int& len)
{
    m_networkHeader.m_control |= CBACnetNPCI::CONTROL_MESSAGE;
    m_networkHeader.m_messageType = I_AM_ROUTER_TO_NETWORK;
    m_networkHeader.MakeFrame(buf, len);
    WriteNetworks(buf, len, m_networks);
}

// header (message mode, type 0 or 1), then network numbers to the end
int CBACnetRouterMessage::ReadFrame(unsigned char* buf, int& len, int end)
{
    if (!m_networkHeader.ReadFrame(buf, len, end) || !m_networkHeader.IsMessageMode())
        return -1;
    const unsigned char type = m_networkHeader.m_messageType;
    if (type != WHO_IS_ROUTER_TO_NETWORK && type != I_AM_ROUTER_TO_NETWORK)
        return -1;
    const long long left = static_cast<long long>(end) - len;
    if (left % 2 != 0 || (type == WHO_IS_ROUTER_TO_NETWORK ? left > 2 : left < 2))
        return -1;
    CBACnetTag in(end);
    m_networks.clear();
    unsigned char octets[2];
    while (in.ReadOctets(buf, len, octets, 2))
        m_networks.push_back(static_cast<unsigned short>(octets[0] << 8 | octets[1]));
    return type;
}
