#include <gtest/gtest.h>

#include <functional>

#include "Hex.h"
#include "frame/NPCI.h"
#include "frame/RouterMessage.h"

namespace {

CBACnetNPCI_DATA Address(unsigned char net1, int macLength, unsigned char fill = 0x0A)
{
    CBACnetNPCI_DATA a;
    a.m_network[0] = 0x00;
    a.m_network[1] = net1;
    a.m_macLength = static_cast<unsigned char>(macLength);
    for (int i = 0; i < 24; i++)
        a.m_mac[i] = static_cast<unsigned char>(fill + i);
    return a;
}

void To(CBACnetNPCI& npci, CBACnetNPCI_DATA address)
{
    npci.MakeDstNetworkFrame(address);
}

// Address operations only add control bits: a later local address keeps the
// destination bit (DNET of the new record, DLEN 0), a MAC past 23 octets
// changes nothing.
TEST(NPCI, BuildsHeaders)
{
    static unsigned char net[] = {0x00, 0x07}, mac[24] = {0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6};
    const struct {
        const char* name;
        std::function<void(CBACnetNPCI&)> build;
        const char* octets;
    } cases[] = {
        {"bare", [](CBACnetNPCI&) {}, "01 00"},
        {"broadcast", [](CBACnetNPCI& n) { n.SetLocalReplyFrame(); n.MakeBroadcastFrame(); }, "01 20 FF FF 00 FF"},
        {"routed", [](CBACnetNPCI& n) { To(n, Address(5, 1)); n.SetLocalReplyFrame(); }, "01 24 00 05 01 0A FF"},
        {"with source", [](CBACnetNPCI& n) { n.MakeBroadcastFrame(); n.MakeSrcNetworkFrame(net, 6, mac); },
         "01 28 FF FF 00 00 07 06 A1 A2 A3 A4 A5 A6 FF"},
        {"routed, then local", [](CBACnetNPCI& n) { To(n, Address(5, 1)); To(n, Address(9, 0)); }, "01 20 00 09 00 FF"},
        {"23-octet MAC, then 24", [](CBACnetNPCI& n) { To(n, Address(1, 23, 0)); To(n, Address(2, 24)); },
         "01 20 00 01 17 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 16 FF"},
        {"24-octet source", [](CBACnetNPCI& n) { n.MakeSrcNetworkFrame(net, 24, mac); }, "01 00"},
    };
    for (const auto& c : cases) {
        CBACnetNPCI npci;
        c.build(npci);
        unsigned char buf[64];
        int len = 0;
        npci.MakeFrame(buf, len);
        EXPECT_EQ(ToHex(buf, len), c.octets) << c.name;
    }
}

// What is read, where it stops, and the device address record the
// sender's address becomes (unchanged without a source block).
TEST(NPCI, ReadFrame)
{
    const struct {
        const char* name;
        const char* input;
        int result, advance;
        const char* sender = "";  // the record's network, MAC length and MAC
    } cases[] = {
        {"local", "01 04 10 08", 1, 2, "FF FF 00"},
        {"broadcast stops before the APDU", "01 20 FF FF 00 FF 10 08", 1, 6, "FF FF 00"},
        {"wrong version", "02 04", 0, 1},
        {"network message", "01 80 00", 1, 3, "FF FF 00"},
        {"source and destination", "01 28 FF FF 00 00 07 06 A1 A2 A3 A4 A5 A6 FF", 1, 15,
         "00 07 06 A1 A2 A3 A4 A5 A6"},
        {"routed reply", "01 08 00 07 02 C0 A8 10 08", 1, 7, "00 07 02 C0 A8"},
        {"DLEN 25 refused", "01 20 00 01 19", 0, 5},
        {"truncated DADR", "01 20 00 05 03 0A 0B", 0, 5},
        {"missing hop count", "01 20 FF FF 00", 0, 5},
        {"empty", "", 0, 0},
    };
    for (const auto& c : cases) {
        Received in(c.input);
        CBACnetNPCI npci;
        int len = 0;
        EXPECT_EQ(npci.ReadFrame(in.buf(), len, in.end()), c.result) << c.name;
        EXPECT_EQ(len, c.advance) << c.name;
        if (!c.result)
            continue;
        CBACnetNPCI_DATA sender;
        sender.CopyData_SrcToDst(npci);
        EXPECT_EQ(ToHex(&sender.m_network[0], static_cast<int>(Hex(c.sender).size())), c.sender) << c.name;
    }
}

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
