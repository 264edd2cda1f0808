// The BACnet/IP header in the client's types: the fields the client maps
// itself (originator, table entries), out as exact octets and back, and the
// datagrams it refuses on top of the codec's refusals.
#include <gtest/gtest.h>

#include <bacnetcodec/client/bacnetclient.h>

#include "Hex.h"

using namespace bacnet;

namespace {

TEST(Bvlc, MapsItsFieldsBothWaysAndRefusesWhatCannotBeSent)
{
    BvlcMessage rows[3];
    const char* octets[3] = {"81 04 00 0B C0 A8 01 05 BA C0 01", "81 03 00 0E C0 A8 01 05 BA C0 FF FF FF 00",
                             "81 07 00 0E 0A 00 00 09 BA C1 00 3C 00 57"};
    const Bytes npdu = {0x01};
    rows[0].m_function = BvlcFunction::ForwardedNpdu;
    rows[0].m_originator = Endpoint(0xC0A80105, 47808);
    rows[0].m_npdu = npdu;
    rows[1].m_function = BvlcFunction::ReadBdtAck;
    rows[1].m_bdt = {{Endpoint(0xC0A80105, 47808), 0xFFFFFF00}};
    rows[2].m_function = BvlcFunction::ReadFdtAck;
    rows[2].m_fdt = {{Endpoint(0x0A000009, 47809), 60, 87}};
    for (int i = 0; i < 3; i++) {
        uint8_t out[64];
        EXPECT_EQ(ToHex(out, static_cast<int>(Bvlc::Encode(rows[i], out, sizeof out))), octets[i]);
        // Decoded and written again: the same octets, so every field came back.
        const Bytes sent = Hex(octets[i]);
        BvlcMessage back;
        ASSERT_EQ(Bvlc::Decode(sent, back), BvlcRefusal::None) << octets[i];
        EXPECT_EQ(ToHex(out, static_cast<int>(Bvlc::Encode(back, out, sizeof out))), octets[i]);
    }
    // No room, a function without an NPDU, an NPDU past the largest datagram: nothing written.
    uint8_t small[6];
    std::vector<uint8_t> room(Bvlc::kMaxDatagram + 16);
    EXPECT_EQ(Bvlc::Encode(BvlcFunction::OriginalUnicastNpdu, npdu, small, 4), 0u);
    EXPECT_EQ(Bvlc::Encode(BvlcFunction::Result, npdu, small, sizeof small), 0u);
    EXPECT_EQ(Bvlc::EncodeResult(0, small, 5), 0u);
    const Bytes huge(Bvlc::kMaxDatagram, 0);
    EXPECT_EQ(Bvlc::Encode(BvlcFunction::OriginalUnicastNpdu, huge, room.data(), room.size()), 0u);
    // A datagram past the largest, whatever its length field says, and one the codec refuses.
    Bytes tooLong = Hex("81 0A 06 01");
    tooLong.resize(Bvlc::kMaxDatagram + 1);
    BvlcMessage message;
    message.m_resultCode = 77;
    EXPECT_EQ(Bvlc::Decode(tooLong, message), BvlcRefusal::TooLong);
    EXPECT_EQ(Bvlc::Decode(Hex("82 0A 00 05 01"), message), BvlcRefusal::NotBacnetIp);
    EXPECT_EQ(message.m_resultCode, 77);  // a refused datagram leaves the message alone
}

}  // namespace
