// The BACnet/IP header: exact octets out, and every malformed datagram refused.
#include <gtest/gtest.h>

#include <bacnetcodec/client/bacnetclient.h>

#include "Hex.h"

using namespace bacnet;

namespace {

TEST(Bvlc, EncodesExactOctets)
{
    const Bytes npdu = Hex("01 04 02 05 01 0C 0C 00 00 00 03 19 55");
    struct Row {
        BvlcFunction function;
        Endpoint originator;
        const char* octets;
    } rows[] = {
        {BvlcFunction::OriginalUnicastNpdu, {}, "81 0A 00 11 01 04 02 05 01 0C 0C 00 00 00 03 19 55"},
        {BvlcFunction::OriginalBroadcastNpdu, {}, "81 0B 00 11 01 04 02 05 01 0C 0C 00 00 00 03 19 55"},
        {BvlcFunction::ForwardedNpdu, Endpoint(0xC0A80105, 47808),
         "81 04 00 17 C0 A8 01 05 BA C0 01 04 02 05 01 0C 0C 00 00 00 03 19 55"},
    };
    for (const Row& row : rows) {
        uint8_t out[64];
        const size_t n = Bvlc::Encode(row.function, npdu, out, sizeof out, row.originator);
        EXPECT_EQ(ToHex(out, static_cast<int>(n)), row.octets);
        // And back: the decoded message names the same parts.
        BvlcMessage message;
        ASSERT_EQ(Bvlc::Decode(ByteView(out, n), message), BvlcRefusal::None);
        EXPECT_EQ(message.m_function, row.function);
        EXPECT_EQ(message.m_npdu.ToBytes(), npdu);
        EXPECT_EQ(message.m_originator, row.originator);
    }
    uint8_t result[6];
    ASSERT_EQ(Bvlc::EncodeResult(0x0030, result, sizeof result), 6u);
    EXPECT_EQ(ToHex(result, 6), "81 00 00 06 00 30");
    BvlcMessage message;
    ASSERT_EQ(Bvlc::Decode(ByteView(result, 6), message), BvlcRefusal::None);
    EXPECT_EQ(message.m_resultCode, 0x30);
    EXPECT_TRUE(message.m_npdu.empty());

    // No room, or a function without an NPDU: nothing written.
    uint8_t small[10];
    EXPECT_EQ(Bvlc::Encode(BvlcFunction::OriginalUnicastNpdu, npdu, small, sizeof small), 0u);
    EXPECT_EQ(Bvlc::Encode(BvlcFunction::Result, npdu, result, sizeof result), 0u);
    EXPECT_EQ(Bvlc::EncodeResult(0, small, 5), 0u);
    const Bytes huge(Bvlc::kMaxDatagram, 0);
    std::vector<uint8_t> room(Bvlc::kMaxDatagram + 16);
    EXPECT_EQ(Bvlc::Encode(BvlcFunction::OriginalUnicastNpdu, huge, room.data(), room.size()), 0u);
}

TEST(Bvlc, RefusesMalformedDatagrams)
{
    struct Row {
        const char* octets;
        BvlcRefusal refusal;
    } rows[] = {
        {"", BvlcRefusal::TooShort},
        {"81 0A 00", BvlcRefusal::TooShort},
        {"82 0A 00 05 01", BvlcRefusal::NotBacnetIp},
        {"81 0A 00 06 01", BvlcRefusal::LengthMismatch},           // claims more than arrived
        {"81 0A 00 04 01", BvlcRefusal::LengthMismatch},           // claims less than arrived
        {"81 0A 01 05 01", BvlcRefusal::LengthMismatch},           // high length octet
        {"81 04 00 09 C0 A8 01 05 BA", BvlcRefusal::TooShort},      // originator cut off
        {"81 00 00 05 00", BvlcRefusal::TooShort},                  // result code cut off
        {"81 00 00 07 00 00 00", BvlcRefusal::LengthMismatch},      // a result is exactly 6 octets
        {"81 05 00 05 01", BvlcRefusal::UnknownFunction},          // not taken by a client
        {"81 09 00 05 01", BvlcRefusal::UnknownFunction},
    };
    for (const Row& row : rows) {
        const Bytes datagram = Hex(row.octets);
        BvlcMessage message;
        message.m_resultCode = 77;
        EXPECT_EQ(Bvlc::Decode(datagram, message), row.refusal) << row.octets;
        EXPECT_EQ(message.m_resultCode, 77) << "a refusal leaves the message alone: " << row.octets;
        EXPECT_STRNE(Bvlc::Describe(row.refusal), "accepted");
    }
    Bytes tooLong(Bvlc::kMaxDatagram + 1, 0);
    tooLong[0] = 0x81;
    tooLong[1] = 0x0A;
    tooLong[2] = static_cast<uint8_t>(tooLong.size() >> 8);
    tooLong[3] = static_cast<uint8_t>(tooLong.size());
    BvlcMessage message;
    EXPECT_EQ(Bvlc::Decode(tooLong, message), BvlcRefusal::TooLong);
    // The smallest datagram carrying an NPDU: the header alone, an empty NPDU.
    EXPECT_EQ(Bvlc::Decode(Hex("81 0A 00 04"), message), BvlcRefusal::None);
    EXPECT_TRUE(message.m_npdu.empty());
}

TEST(Bvlc, EndpointsParseAndPrint)
{
    EXPECT_EQ(Endpoint::Parse("192.168.1.5")->ToString(), "192.168.1.5:47808");
    EXPECT_EQ(Endpoint::Parse("127.0.0.1:47809")->ToString(), "127.0.0.1:47809");
    EXPECT_EQ(*Endpoint::Parse("127.0.0.1:0"), Endpoint::Loopback(0));
    EXPECT_FALSE(Endpoint::Parse("127.0.0.1:65536"));
    EXPECT_FALSE(Endpoint::Parse("127.0.0.1:"));
    EXPECT_FALSE(Endpoint::Parse("127.0.0.1:12x"));
    uint8_t mac[6];
    Endpoint(0xC0A80105, 47808).ToMac(mac);
    EXPECT_EQ(ToHex(mac, 6), "C0 A8 01 05 BA C0");
    EXPECT_EQ(Endpoint::FromMac(mac), Endpoint(0xC0A80105, 47808));
}

}  // namespace
