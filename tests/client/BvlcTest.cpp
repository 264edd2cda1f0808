// The BACnet/IP header: exact octets out and back, and the refusals the
// client adds to the codec's.
#include <gtest/gtest.h>

#include <bacnetcodec/client/bacnetclient.h>

#include "Hex.h"

using namespace bacnet;

namespace {

TEST(Bvlc, EncodesExactOctetsAndDecodesThemBack)
{
    const Bytes npdu = Hex("01 04 02 05 01 0C 0C 00 00 00 03 19 55");
    const Endpoint host(0xC0A80105, 47808);
    BvlcMessage rows[6];
    const char* octets[6] = {"81 0A 00 11 01 04 02 05 01 0C 0C 00 00 00 03 19 55",
                             "81 04 00 17 C0 A8 01 05 BA C0 01 04 02 05 01 0C 0C 00 00 00 03 19 55",
                             "81 00 00 06 00 30", "81 05 00 06 01 2C", "81 03 00 0E C0 A8 01 05 BA C0 FF FF FF 00",
                             "81 07 00 0E 0A 00 00 09 BA C1 00 3C 00 57"};
    rows[0].m_npdu = rows[1].m_npdu = npdu;
    rows[1].m_function = BvlcFunction::ForwardedNpdu;
    rows[1].m_originator = host;
    rows[2].m_function = BvlcFunction::Result;
    rows[2].m_resultCode = 0x0030;
    rows[3].m_function = BvlcFunction::RegisterForeignDevice;
    rows[3].m_timeToLive = 300;
    rows[4].m_function = BvlcFunction::ReadBdtAck;
    rows[4].m_bdt = {{host, 0xFFFFFF00}};
    rows[5].m_function = BvlcFunction::ReadFdtAck;
    rows[5].m_fdt = {{Endpoint(0x0A000009, 47809), 60, 87}};
    for (int i = 0; i < 6; i++) {
        uint8_t out[64];
        EXPECT_EQ(ToHex(out, static_cast<int>(Bvlc::Encode(rows[i], out, sizeof out))), octets[i]);
        // Decoded and written again: the same octets, so every field came back.
        const Bytes sent = Hex(octets[i]);
        BvlcMessage back;
        ASSERT_EQ(Bvlc::Decode(sent, back), BvlcRefusal::None) << octets[i];
        EXPECT_EQ(ToHex(out, static_cast<int>(Bvlc::Encode(back, out, sizeof out))), octets[i]);
        EXPECT_EQ(back.m_npdu.ToBytes(), i < 2 ? npdu : Bytes()) << octets[i];
    }
    // No room, or a function without an NPDU: nothing written.
    uint8_t out[6], small[10];
    EXPECT_EQ(Bvlc::Encode(BvlcFunction::OriginalUnicastNpdu, npdu, small, sizeof small), 0u);
    EXPECT_EQ(Bvlc::Encode(BvlcFunction::Result, npdu, out, sizeof out), 0u);
    EXPECT_EQ(Bvlc::EncodeResult(0, small, 5), 0u);
    const Bytes huge(Bvlc::kMaxDatagram, 0);
    std::vector<uint8_t> room(Bvlc::kMaxDatagram + 16);
    EXPECT_EQ(Bvlc::Encode(BvlcFunction::OriginalUnicastNpdu, huge, room.data(), room.size()), 0u);
}

// The codec's refusals come through; a refused datagram leaves the message alone.
TEST(Bvlc, RefusesMalformedDatagrams)
{
    Bytes tooLong = Hex("81 0A 06 01");  // 1537 octets, as its length says: one past the largest
    tooLong.resize(Bvlc::kMaxDatagram + 1);
    const struct {
        Bytes datagram;
        BvlcRefusal refusal;
    } rows[] = {{Hex("82 0A 00 05 01"), BvlcRefusal::NotBacnetIp},
                {tooLong, BvlcRefusal::TooLong},
                {Hex("81 0A 00 04"), BvlcRefusal::None}};  // the smallest: an empty NPDU
    for (const auto& row : rows) {
        BvlcMessage message;
        message.m_resultCode = 77;
        EXPECT_EQ(Bvlc::Decode(row.datagram, message), row.refusal) << ToHex(row.datagram);
        EXPECT_EQ(message.m_resultCode, row.refusal == BvlcRefusal::None ? 0 : 77) << ToHex(row.datagram);
        EXPECT_TRUE(message.m_npdu.empty());
    }
}

}  // namespace
