#include <gtest/gtest.h>

#include "Hex.h"
#include "frame/RouterMessage.h"

namespace {

// Built and read back; what is not a whole router message of the two kinds
// is refused without reading past the frame.
TEST(RouterMessage, BothWaysAndRefusals)
{
    const struct {
        const char* name;
        int type;  // -1: refused
        std::vector<unsigned short> networks;
        const char* frame;
    } cases[] = {
        {"Who-Is-Router, any network", 0, {}, "01 80 00"},
        {"Who-Is-Router for network 5", 0, {5}, "01 80 00 00 05"},
        {"I-Am-Router for 5 and 2001", 1, {5, 2001}, "01 80 01 00 05 07 D1"},
        {"no message type", -1, {}, "01 80"},
        {"half a network number", -1, {}, "01 80 00 00"},
        {"Who-Is-Router for two networks", -1, {}, "01 80 00 00 05 00 06"},
        {"I-Am-Router for none", -1, {}, "01 80 01"},
        {"another message type", -1, {}, "01 80 02 00 05"},
        {"an application PDU", -1, {}, "01 00 10 08"},
        {"cut before hop count and type", -1, {}, "01 A0 FF FF 00"},
    };
    for (const auto& c : cases) {
        Received frame(c.frame);
        CBACnetRouterMessage back;
        int at = 0;
        EXPECT_EQ(back.ReadFrame(frame.buf(), at, frame.end()), c.type) << c.name;
        EXPECT_LE(at, frame.end()) << c.name;
        if (c.type < 0)
            continue;
        EXPECT_EQ(at, frame.end()) << c.name;
        EXPECT_EQ(back.m_networks, c.networks) << c.name;
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
