// The BACnet/IP link header of every function: exact octets both ways, and
// each malformed datagram refused with its reason.
#include <gtest/gtest.h>

#include <cstring>

#include "Hex.h"
#include "frame/BVLC.h"

namespace {

// Every function read and written again: the same octets, the NPDU left
// where it arrived, and nothing written without room for all of it.
TEST(BVLC, EveryFunctionBothWays)
{
    const char* const frames[] = {
        "81 00 00 06 00 30",
        "81 01 00 18 C0 A8 01 05 BA C0 FF FF FF FF 0A 00 00 01 BA C1 FF FF FF 00",
        "81 01 00 04",  // clears the table
        "81 02 00 04",
        "81 03 00 18 C0 A8 01 05 BA C0 FF FF FF FF 0A 00 00 01 BA C1 FF FF FF 00",
        "81 04 00 12 C0 A8 01 05 BA C0 01 20 FF FF 00 FF 10 08",
        "81 05 00 06 01 2C",
        "81 06 00 04",
        "81 07 00 0E 0A 00 00 09 BA C0 00 3C 00 57",
        "81 08 00 0A C0 A8 01 05 BA C0",
        "81 09 00 0C 01 20 FF FF 00 FF 10 08",
        "81 0A 00 0C 01 20 FF FF 00 FF 10 08",
        "81 0B 00 0C 01 20 FF FF 00 FF 10 08",
    };
    for (const char* hex : frames) {
        SCOPED_TRACE(hex);
        Received frame(hex);
        CBACnetBVLC m;
        int at = 0;
        ASSERT_EQ(m.ReadFrame(frame.buf(), at, frame.end()), 1);
        const int offset = CBACnetBVLC::NpduOffset(m.m_function);
        EXPECT_EQ(at, offset ? offset : frame.end());
        EXPECT_EQ(m.m_npduLength, offset ? frame.end() - offset : 0);
        if (offset) {
            EXPECT_EQ(m.m_npdu, frame.buf() + offset);
        }
        unsigned char buf[64];
        int len = 2;  // after whatever the driver already holds
        ASSERT_EQ(m.MakeFrame(buf, len, sizeof buf), 1);
        EXPECT_EQ(ToHex(buf + 2, len - 2), hex);
        EXPECT_EQ(m.FrameLength(), len - 2);
        // The driver may also write its NPDU where NpduOffset says, then the header.
        if (offset) {
            memcpy(buf + offset, m.m_npdu, m.m_npduLength);
            m.m_npdu = buf + offset;
            len = 0;
            ASSERT_EQ(m.MakeFrame(buf, len, sizeof buf), 1);
            EXPECT_EQ(ToHex(buf, len), hex);
        }
        len = 0;
        EXPECT_EQ(m.MakeFrame(buf, len, m.FrameLength() - 1), 0);
        EXPECT_EQ(len, 0);
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
    CBACnetBVLC table;
    table.m_function = CBACnetBVLC::WRITE_BDT;
    table.m_bdt.resize(CBACnetBVLC::MAX_TABLE_ENTRIES + 1);
    std::vector<unsigned char> room(4096);
    at = 0;
    EXPECT_EQ(table.MakeFrame(room.data(), at, static_cast<int>(room.size())), 0);
    table.m_bdt.resize(CBACnetBVLC::MAX_TABLE_ENTRIES);
    EXPECT_EQ(table.MakeFrame(room.data(), at, static_cast<int>(room.size())), 1);
    EXPECT_LE(at, static_cast<int>(CBACnetBVLC::MAX_DATAGRAM));
    table.m_function = CBACnetBVLC::FUNCTIONS;
    at = 0;
    EXPECT_EQ(table.MakeFrame(room.data(), at, static_cast<int>(room.size())), 0);
}

}  // namespace
