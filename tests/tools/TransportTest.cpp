// The BACnet/IP header around each NPDU, and a round trip over loopback.
#include <gtest/gtest.h>

#include "Hex.h"
#include "Transport.h"

using tool::BipTransport;
using tool::Datagram;
using tool::Endpoint;

TEST(BipTransport, UnwrapsOnlyWhatTheHeaderDescribes)
{
    struct Row {
        const char* name;
        const char* datagram;
        bool accepted;
        const char* npdu;
        bool broadcast;
        const char* from;
    };
    const Row rows[] = {
        {"unicast", "81 0A 00 06 01 00", true, "01 00", false, "10.0.0.1:47808"},
        {"broadcast", "81 0B 00 06 01 20", true, "01 20", true, "10.0.0.1:47808"},
        {"forwarded names its originator", "81 04 00 0C C0 A8 01 02 BA C0 01 00", true, "01 00", true, "192.168.1.2:47808"},
        {"forwarded too short", "81 04 00 08 C0 A8 01 02", false, "", false, ""},
        {"length says more than arrived", "81 0A 00 08 01 00", false, "", false, ""},
        {"length says less than arrived", "81 0A 00 05 01 00", false, "", false, ""},
        {"not BACnet/IP", "82 0A 00 06 01 00", false, "", false, ""},
        {"other function (Result)", "81 00 00 06 00 00", false, "", false, ""},
        {"header only", "81 0A 00 04", true, "", false, "10.0.0.1:47808"},
        {"shorter than a header", "81 0A 00", false, "", false, ""},
    };
    Endpoint sender;
    ASSERT_TRUE(Endpoint::Parse("10.0.0.1", 47808, sender, nullptr));
    for (const Row& row : rows) {
        const std::vector<unsigned char> bytes = Hex(row.datagram);
        Received received(bytes);
        Datagram d;
        const bool accepted = BipTransport::Unwrap(received.buf(), static_cast<int>(bytes.size()), sender, d);
        EXPECT_EQ(accepted, row.accepted) << row.name;
        if (!accepted || !row.accepted)
            continue;
        EXPECT_EQ(ToHex(d.npdu), row.npdu) << row.name;
        EXPECT_EQ(d.broadcast, row.broadcast) << row.name;
        EXPECT_EQ(d.from.ToString(), row.from) << row.name;
    }
}

TEST(Endpoint, ParsesHostAndPort)
{
    Endpoint e;
    ASSERT_TRUE(Endpoint::Parse("127.0.0.1:47809", 47808, e, nullptr));
    EXPECT_EQ(e.ToString(), "127.0.0.1:47809");
    ASSERT_TRUE(Endpoint::Parse("192.168.1.20", 47808, e, nullptr));
    EXPECT_EQ(e.ToString(), "192.168.1.20:47808");
    unsigned char mac[6];
    e.ToMac(mac);
    EXPECT_EQ(ToHex(mac, 6), "C0 A8 01 14 BA C0");
    std::string error;
    EXPECT_FALSE(Endpoint::Parse("127.0.0.1:70000", 47808, e, &error));
    EXPECT_FALSE(Endpoint::Parse("127.0.0.1:", 47808, e, &error));
    EXPECT_FALSE(Endpoint::Parse("127.0.0.1:x", 47808, e, &error));
}

TEST(BipTransport, RoundTripOverLoopback)
{
    Endpoint any;
    ASSERT_TRUE(Endpoint::Parse("127.0.0.1:0", 0, any, nullptr));
    BipTransport a, b;
    std::string error;
    ASSERT_TRUE(a.Open(any, &error)) << error;
    ASSERT_TRUE(b.Open(any, &error)) << error;
    const std::vector<unsigned char> npdu = Hex("01 04 02 05 01 0C 0C 00 00 00 03 19 55");
    ASSERT_TRUE(a.Send(b.Local(), npdu.data(), static_cast<int>(npdu.size()), false));
    Datagram d;
    ASSERT_TRUE(b.Receive(2000, d));
    EXPECT_EQ(d.npdu, npdu);
    EXPECT_EQ(d.from, a.Local());
    EXPECT_FALSE(d.broadcast);
    EXPECT_FALSE(b.Receive(50, d));  // nothing more: a time-out
}
