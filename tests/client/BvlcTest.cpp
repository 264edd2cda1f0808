// The BACnet/IP header: exact octets out and back, and every malformed
// datagram refused.
#include <gtest/gtest.h>

#include <bacnetcodec/client/bacnetclient.h>

#include "Hex.h"

using namespace bacnet;

namespace {

BvlcMessage Message(BvlcFunction function, ByteView npdu = ByteView(), const Endpoint& originator = Endpoint())
{
    BvlcMessage m;
    m.m_function = function;
    m.m_npdu = npdu;
    m.m_originator = originator;
    return m;
}

TEST(Bvlc, EncodesExactOctetsAndDecodesThemBack)
{
    const Bytes npdu = Hex("01 04 02 05 01 0C 0C 00 00 00 03 19 55");
    const Endpoint host(0xC0A80105, 47808);
    BvlcMessage result = Message(BvlcFunction::Result), registration = Message(BvlcFunction::RegisterForeignDevice);
    BvlcMessage bdt = Message(BvlcFunction::ReadBdtAck), fdt = Message(BvlcFunction::ReadFdtAck);
    result.m_resultCode = 0x0030;
    registration.m_timeToLive = 300;
    bdt.m_bdt = {{host, 0xFFFFFF00}};
    fdt.m_fdt = {{Endpoint(0x0A000009, 47809), 60, 87}};
    const struct {
        BvlcMessage message;
        const char* octets;
    } rows[] = {
        {Message(BvlcFunction::OriginalUnicastNpdu, npdu), "81 0A 00 11 01 04 02 05 01 0C 0C 00 00 00 03 19 55"},
        {Message(BvlcFunction::ForwardedNpdu, npdu, host),
         "81 04 00 17 C0 A8 01 05 BA C0 01 04 02 05 01 0C 0C 00 00 00 03 19 55"},
        {result, "81 00 00 06 00 30"},
        {registration, "81 05 00 06 01 2C"},
        {bdt, "81 03 00 0E C0 A8 01 05 BA C0 FF FF FF 00"},
        {fdt, "81 07 00 0E 0A 00 00 09 BA C1 00 3C 00 57"},
    };
    for (const auto& row : rows) {
        uint8_t out[64];
        size_t n = Bvlc::Encode(row.message, out, sizeof out);
        EXPECT_EQ(ToHex(out, static_cast<int>(n)), row.octets);
        if (!row.message.m_npdu.empty()) {
            n = Bvlc::Encode(row.message.m_function, npdu, out, sizeof out, row.message.m_originator);
            EXPECT_EQ(ToHex(out, static_cast<int>(n)), row.octets);
        }
        // Decoded and written again: the same octets, so every field came back.
        const Bytes sent = Hex(row.octets);
        BvlcMessage back;
        ASSERT_EQ(Bvlc::Decode(sent, back), BvlcRefusal::None) << row.octets;
        EXPECT_EQ(ToHex(out, static_cast<int>(Bvlc::Encode(back, out, sizeof out))), row.octets);
        EXPECT_EQ(back.m_npdu.ToBytes(), row.message.m_npdu.empty() ? Bytes() : npdu) << row.octets;
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

// The refusals themselves are the codec's; here, that they come through
// and that a refused datagram leaves the message alone.
TEST(Bvlc, RefusesMalformedDatagrams)
{
    Bytes tooLong = Hex("81 0A 06 01");  // 1537 octets, as its length says: one past the largest
    tooLong.resize(Bvlc::kMaxDatagram + 1);
    const struct {
        const char* name;
        Bytes datagram;
        BvlcRefusal refusal;
    } rows[] = {
        {"cut header", Hex("81 0A 00"), BvlcRefusal::TooShort},
        {"not BACnet/IP", Hex("82 0A 00 05 01"), BvlcRefusal::NotBacnetIp},
        {"claims less than arrived", Hex("81 0A 00 04 01"), BvlcRefusal::LengthMismatch},
        {"originator cut off", Hex("81 04 00 09 C0 A8 01 05 BA"), BvlcRefusal::TooShort},
        {"unknown function", Hex("81 0C 00 04"), BvlcRefusal::UnknownFunction},
        {"a table that is not whole entries", Hex("81 07 00 05 01"), BvlcRefusal::BadTable},
        {"past the largest datagram", tooLong, BvlcRefusal::TooLong},
        {"the smallest datagram: an empty NPDU", Hex("81 0A 00 04"), BvlcRefusal::None},
    };
    for (const auto& row : rows) {
        BvlcMessage message;
        message.m_resultCode = 77;
        EXPECT_EQ(Bvlc::Decode(row.datagram, message), row.refusal) << row.name;
        EXPECT_EQ(message.m_resultCode, row.refusal == BvlcRefusal::None ? 0 : 77) << row.name;
        EXPECT_TRUE(message.m_npdu.empty()) << row.name;
    }
}

}  // namespace
