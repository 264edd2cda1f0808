#include <gtest/gtest.h>

#include "Hex.h"
#include "frame/RouterMessage.h"

namespace {

TEST(RouterMessage, BothWays)
{
    const struct {
        const char* name;
        int type;
        std::vector<unsigned short> networks;
        const char* frame;
    } cases[] = {
        {"Who-Is-Router, any network", 0, {}, "01 80 00"},
        {"Who-Is-Router for network 5", 0, {5}, "01 80 00 00 05"},
        {"I-Am-Router for 5 and 2001", 1, {5, 2001}, "01 80 01 00 05 07 D1"},
        {"I-Am-Router for 65534", 1, {65534}, "01 80 01 FF FE"},
    };
    for (const auto& c : cases) {
        CBACnetRouterMessage message;
        unsigned char buf[32];
        int len = 0;
        if (c.type == 0) {
            message.MakeWhoIsRouterFrame(buf, len, c.networks.empty() ? -1 : c.networks[0]);
        } else {
            message.m_networks = c.networks;
            message.MakeIAmRouterFrame(buf, len);
        }
        EXPECT_EQ(ToHex(buf, len), c.frame) << c.name;

        Received frame(c.frame);
        CBACnetRouterMessage back;
        int at = 0;
        EXPECT_EQ(back.ReadFrame(frame.buf(), at, frame.end()), c.type) << c.name;
        EXPECT_EQ(at, frame.end()) << c.name;
        EXPECT_EQ(back.m_networks, c.networks) << c.name;
    }
}

TEST(RouterMessage, Refusals)
{
    const char* cases[] = {
        "01 80",                 // no message type
        "01 80 00 00",           // half a network number
        "01 80 00 00 05 00 06",  // Who-Is-Router for two networks
        "01 80 01",              // I-Am-Router for none
        "01 80 01 00 05 07",     // an odd octet left
        "01 80 02 00 05",        // another message type
        "01 00 10 08",           // an application PDU
        "01 A0 FF FF 00",        // cut before hop count and type
    };
    for (const char* c : cases) {
        Received frame(c);
        CBACnetRouterMessage message;
        int len = 0;
        EXPECT_EQ(message.ReadFrame(frame.buf(), len, frame.end()), -1) << c;
        EXPECT_LE(len, frame.end()) << c;
    }
    // A routed I-Am-Router reads its network header's source too.
    Received routed("01 88 00 07 01 0A 01 00 05");
    CBACnetRouterMessage message;
    int len = 0;
    EXPECT_EQ(message.ReadFrame(routed.buf(), len, routed.end()), 1);
    EXPECT_EQ(message.m_networkHeader.m_slen, 1);
    EXPECT_EQ(message.m_networks, std::vector<unsigned short>{5});
}

}  // namespace
