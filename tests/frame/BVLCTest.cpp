// The BACnet/IP link header of every function: exact octets both ways, and
// each malformed datagram refused with its reason.
#include <gtest/gtest.h>

#include <cstring>

#include "Hex.h"
#include "frame/BVLC.h"

namespace {

const unsigned char kPeer[6] = {0xC0, 0xA8, 0x01, 0x05, 0xBA, 0xC0};  // 192.168.1.5:47808
const unsigned char kNpdu[] = {0x01, 0x20, 0xFF, 0xFF, 0x00, 0xFF, 0x10, 0x08};

CBACnetBVLC Message(unsigned char function)
{
    CBACnetBVLC m;
    m.m_function = function;
    return m;
}

CBACnetBVLC WithNpdu(unsigned char function)
{
    CBACnetBVLC m = Message(function);
    m.m_npdu = kNpdu;
    m.m_npduLength = sizeof kNpdu;
    memcpy(m.m_address, kPeer, 6);
    return m;
}

CBACnetBVLC Tables(unsigned char function)
{
    CBACnetBVLC m = Message(function);
    CBACnetBVLC::BDTEntry b1 = {{0xC0, 0xA8, 0x01, 0x05, 0xBA, 0xC0}, {0xFF, 0xFF, 0xFF, 0xFF}};
    CBACnetBVLC::BDTEntry b2 = {{0x0A, 0x00, 0x00, 0x01, 0xBA, 0xC1}, {0xFF, 0xFF, 0xFF, 0x00}};
    CBACnetBVLC::FDTEntry f = {{0x0A, 0x00, 0x00, 0x09, 0xBA, 0xC0}, 60, 87};
    if (function == CBACnetBVLC::READ_FDT_ACK)
        m.m_fdt = {f};
    else
        m.m_bdt = {b1, b2};
    return m;
}

TEST(BVLC, EveryFunctionBothWays)
{
    CBACnetBVLC result = Message(CBACnetBVLC::RESULT);
    result.m_resultCode = CBACnetBVLC::RESULT_REGISTER_FOREIGN_DEVICE_NAK;
    CBACnetBVLC reg = Message(CBACnetBVLC::REGISTER_FOREIGN_DEVICE);
    reg.m_timeToLive = 300;
    CBACnetBVLC del = Message(CBACnetBVLC::DELETE_FDT_ENTRY);
    memcpy(del.m_address, kPeer, 6);
    const struct {
        CBACnetBVLC message;
        const char* frame;
    } cases[] = {
        {result, "81 00 00 06 00 30"},
        {Tables(CBACnetBVLC::WRITE_BDT), "81 01 00 18 C0 A8 01 05 BA C0 FF FF FF FF 0A 00 00 01 BA C1 FF FF FF 00"},
        {Message(CBACnetBVLC::WRITE_BDT), "81 01 00 04"},  // clears the table
        {Message(CBACnetBVLC::READ_BDT), "81 02 00 04"},
        {Tables(CBACnetBVLC::READ_BDT_ACK), "81 03 00 18 C0 A8 01 05 BA C0 FF FF FF FF 0A 00 00 01 BA C1 FF FF FF 00"},
        {WithNpdu(CBACnetBVLC::FORWARDED_NPDU), "81 04 00 12 C0 A8 01 05 BA C0 01 20 FF FF 00 FF 10 08"},
        {reg, "81 05 00 06 01 2C"},
        {Message(CBACnetBVLC::READ_FDT), "81 06 00 04"},
        {Tables(CBACnetBVLC::READ_FDT_ACK), "81 07 00 0E 0A 00 00 09 BA C0 00 3C 00 57"},
        {del, "81 08 00 0A C0 A8 01 05 BA C0"},
        {WithNpdu(CBACnetBVLC::DISTRIBUTE_BROADCAST), "81 09 00 0C 01 20 FF FF 00 FF 10 08"},
        {WithNpdu(CBACnetBVLC::ORIGINAL_UNICAST), "81 0A 00 0C 01 20 FF FF 00 FF 10 08"},
        {WithNpdu(CBACnetBVLC::ORIGINAL_BROADCAST), "81 0B 00 0C 01 20 FF FF 00 FF 10 08"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.frame);
        CBACnetBVLC out = c.message;
        unsigned char buf[64];
        int len = 2;  // after whatever the driver already holds
        ASSERT_EQ(out.MakeFrame(buf, len, sizeof buf), 1);
        EXPECT_EQ(ToHex(buf + 2, len - 2), c.frame);
        EXPECT_EQ(out.FrameLength(), len - 2);
        // The driver may also write its NPDU where NpduOffset says, then the header.
        if (const int offset = CBACnetBVLC::NpduOffset(out.m_function)) {
            memcpy(buf + offset, kNpdu, sizeof kNpdu);
            out.m_npdu = buf + offset;
            len = 0;
            ASSERT_EQ(out.MakeFrame(buf, len, sizeof buf), 1);
            EXPECT_EQ(ToHex(buf, len), c.frame);
        }

        // One octet less room: nothing written.
        int at = 0;
        EXPECT_EQ(out.MakeFrame(buf, at, out.FrameLength() - 1), 0);
        EXPECT_EQ(at, 0);

        Received frame(c.frame);
        CBACnetBVLC back;
        at = 0;
        ASSERT_EQ(back.ReadFrame(frame.buf(), at, frame.end()), 1);
        EXPECT_EQ(back.m_function, c.message.m_function);
        const int offset = CBACnetBVLC::NpduOffset(back.m_function);
        EXPECT_EQ(at, offset ? offset : frame.end());
        EXPECT_EQ(back.m_npduLength, offset ? static_cast<int>(sizeof kNpdu) : 0);
        if (offset) {
            EXPECT_EQ(back.m_npdu, frame.buf() + offset);
        }
        // Encoding what was decoded gives the same octets.
        back.m_refusal = 0;
        len = 0;
        ASSERT_EQ(back.MakeFrame(buf, len, sizeof buf), 1);
        EXPECT_EQ(ToHex(buf, len), c.frame);
    }
}

TEST(BVLC, RefusesMalformedDatagrams)
{
    const struct {
        const char* frame;
        unsigned char refusal;
    } cases[] = {
        {"", CBACnetBVLC::REFUSED_TOO_SHORT},
        {"82 0A 00 05 01", CBACnetBVLC::REFUSED_NOT_BACNET_IP},
        {"81 0A 00 06 01", CBACnetBVLC::REFUSED_LENGTH_MISMATCH},  // claims more
        {"81 0A 00 04 01", CBACnetBVLC::REFUSED_LENGTH_MISMATCH},  // claims less
        {"81 0C 00 04", CBACnetBVLC::REFUSED_UNKNOWN_FUNCTION},
        {"81 00 00 05 00", CBACnetBVLC::REFUSED_TOO_SHORT},         // Result without its code
        {"81 02 00 05 00", CBACnetBVLC::REFUSED_LENGTH_MISMATCH},   // Read-BDT carries nothing
        {"81 05 00 05 3C", CBACnetBVLC::REFUSED_TOO_SHORT},         // TTL cut
        {"81 04 00 09 C0 A8 01 05 BA", CBACnetBVLC::REFUSED_TOO_SHORT},  // originator cut
        {"81 03 00 0D C0 A8 01 05 BA C0 FF FF FF", CBACnetBVLC::REFUSED_BAD_TABLE},
        {"81 07 00 0F 0A 00 00 09 BA C0 00 3C 00 57 00", CBACnetBVLC::REFUSED_BAD_TABLE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.frame);
        Received frame(c.frame);
        CBACnetBVLC m;
        int at = 0;
        EXPECT_EQ(m.ReadFrame(frame.buf(), at, frame.end()), 0);
        EXPECT_EQ(m.m_refusal, c.refusal);
        EXPECT_EQ(at, 0);
        EXPECT_STRNE(CBACnetBVLC::RefusalText(m.m_refusal), "unknown refusal");
    }

    // Longer than any datagram, even with a length field that names it.
    std::vector<unsigned char> big(CBACnetBVLC::MAX_DATAGRAM + 1, 0);
    big[0] = 0x81;
    big[1] = 0x0A;
    big[2] = static_cast<unsigned char>(big.size() >> 8);
    big[3] = static_cast<unsigned char>(big.size());
    Received frame(big);
    CBACnetBVLC m;
    int at = 0;
    EXPECT_EQ(m.ReadFrame(frame.buf(), at, frame.end()), 0);
    EXPECT_EQ(m.m_refusal, CBACnetBVLC::REFUSED_TOO_LONG);

    // Nor built: a table past its bound, an unknown function.
    CBACnetBVLC table = Message(CBACnetBVLC::WRITE_BDT);
    table.m_bdt.resize(CBACnetBVLC::MAX_TABLE_ENTRIES + 1);
    std::vector<unsigned char> room(4096);
    at = 0;
    EXPECT_EQ(table.MakeFrame(room.data(), at, static_cast<int>(room.size())), 0);
    table.m_bdt.resize(CBACnetBVLC::MAX_TABLE_ENTRIES);
    EXPECT_EQ(table.MakeFrame(room.data(), at, static_cast<int>(room.size())), 1);
    EXPECT_LE(at, static_cast<int>(CBACnetBVLC::MAX_DATAGRAM));
    CBACnetBVLC unknown = Message(CBACnetBVLC::FUNCTIONS);
    at = 0;
    EXPECT_EQ(unknown.MakeFrame(room.data(), at, static_cast<int>(room.size())), 0);
}

}  // namespace
