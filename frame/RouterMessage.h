// Network layer messages that find routers: Who-Is-Router-To-Network (asks
// which router reaches a network, or all of them) and
// I-Am-Router-To-Network (a router's list of the networks it reaches). Each
// is a whole network protocol data unit: the network header in message mode
// with the message type, then the network numbers, two octets each, high
// order first, up to the end of the unit.
#pragma once

#include <vector>

#include "frame/NPCI.h"
#include "host/Object.h"
#include "library/Export.h"

class BACNET_API CBACnetRouterMessage : public CObject {
public:
    enum : unsigned char { WHO_IS_ROUTER_TO_NETWORK = 0x00, I_AM_ROUTER_TO_NETWORK = 0x01 };

    CBACnetNPCI m_networkHeader;  // version 1, message mode; local unless the driver says otherwise
    // Who-Is: none (every network) or the one network asked for; I-Am: one or more.
    std::vector<unsigned short> m_networks;

    CBACnetRouterMessage();

    // Who-Is-Router-To-Network for network `dnet`, or for every network when -1.
    void MakeWhoIsRouterFrame(unsigned char* buf, int& len, int dnet = -1);
    // I-Am-Router-To-Network for m_networks. Encoders trust the room.
    void MakeIAmRouterFrame(unsigned char* buf, int& len);
    // Decodes a whole unit from buf[len] to `end`, network header included,
    // into m_networkHeader and m_networks; returns the message type, or -1
    // when the unit is not one of the two or is malformed: a Who-Is with
    // other than none or one network, an I-Am with none, an odd octet left.
    int ReadFrame(unsigned char* buf, int& len, int end);
};
