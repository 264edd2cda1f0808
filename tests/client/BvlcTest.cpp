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
        {"81 05 00 05 01", BvlcRefusal::TooShort},                  // time-to-live cut off
        {"81 0C 00 04", BvlcRefusal::UnknownFunction},
        {"81 07 00 05 01", BvlcRefusal::BadTable},
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

// The link's management functions in the client's types: tables of
// endpoints both ways, names from the standard's tables.
TEST(Bvlc, ManagementFunctionsInClientTypes)
{
    BvlcMessage ack;
    ack.m_function = BvlcFunction::ReadBdtAck;
    ack.m_bdt = {{Endpoint(0xC0A80105, 47808), 0xFFFFFF00}};
    BvlcMessage fdt;
    fdt.m_function = BvlcFunction::ReadFdtAck;
    fdt.m_fdt = {{Endpoint(0x0A000009, 47809), 60, 87}};
    BvlcMessage reg;
    reg.m_function = BvlcFunction::RegisterForeignDevice;
    reg.m_timeToLive = 300;
    const struct {
        const BvlcMessage* message;
        const char* octets;
    } rows[] = {
        {&ack, "81 03 00 0E C0 A8 01 05 BA C0 FF FF FF 00"},
        {&fdt, "81 07 00 0E 0A 00 00 09 BA C1 00 3C 00 57"},
        {&reg, "81 05 00 06 01 2C"},
    };
    for (const auto& row : rows) {
        uint8_t out[32];
        const size_t n = Bvlc::Encode(*row.message, out, sizeof out);
        EXPECT_EQ(ToHex(out, static_cast<int>(n)), row.octets);
        BvlcMessage back;
        ASSERT_EQ(Bvlc::Decode(ByteView(out, n), back), BvlcRefusal::None);
        EXPECT_EQ(back.m_timeToLive, row.message->m_timeToLive);
        ASSERT_EQ(back.m_bdt.size(), row.message->m_bdt.size());
        ASSERT_EQ(back.m_fdt.size(), row.message->m_fdt.size());
        for (size_t i = 0; i < back.m_bdt.size(); i++)
            EXPECT_TRUE(back.m_bdt[i].m_endpoint == row.message->m_bdt[i].m_endpoint &&
                        back.m_bdt[i].m_mask == row.message->m_bdt[i].m_mask);
        for (size_t i = 0; i < back.m_fdt.size(); i++)
            EXPECT_TRUE(back.m_fdt[i].m_endpoint == row.message->m_fdt[i].m_endpoint &&
                        back.m_fdt[i].m_timeToLive == 60 && back.m_fdt[i].m_remaining == 87);
    }
    EXPECT_EQ(Bvlc::FunctionName(BvlcFunction::DistributeBroadcast), "distribute-broadcast-to-network");
    EXPECT_EQ(Bvlc::ResultName(0x0030), "register-foreign-device-nak");
    EXPECT_EQ(Bvlc::ResultName(0x0031), "49");
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
