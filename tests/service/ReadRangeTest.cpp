#include <gtest/gtest.h>

#include "Devices.h"
#include "Hex.h"
#include "object/OBJ.h"
#include "service/ReadRangeService.h"

namespace {

const DWORD kTrendLog1 = 0x05000001;  // trend-log 1
const DWORD kDec4 = 0x7E0C0405;       // 2026-12-04, a Friday
constexpr DWORD Time(int h, int m, int s = 0) { return DWORD(h) << 24 | DWORD(m) << 16 | DWORD(s) << 8; }

using RR = CBACnetReadRangeService;

// Built, decoded back and built again: the same octets (the fuzz target
// decodes every cut).
TEST(ReadRange, RequestsBothWays)
{
    const DWORD kNone = RR::NO_ARRAY_INDEX;
    const struct {
        const char* name;
        int range;
        DWORD reference, time;
        int32_t count;
        DWORD arrayIndex;
        const char* params;
    } cases[] = {
        {"the whole buffer", RR::RANGE_NONE, 0, 0, 0, kNone, "0C 05 00 00 01 19 83"},
        {"by position: 127 from index 1", RR::RANGE_BY_POSITION, 1, 0, 127, kNone,
         "0C 05 00 00 01 19 83 3E 21 01 31 7F 3F"},
        {"by sequence number: 128 before 1000", RR::RANGE_BY_SEQUENCE_NUMBER, 1000, 0, -128, kNone,
         "0C 05 00 00 01 19 83 6E 22 03 E8 31 80 6F"},
        {"by time: 100 after 05:00:09", RR::RANGE_BY_TIME, 0, Time(5, 0, 9), 100, kNone,
         "0C 05 00 00 01 19 83 7E A4 7E 0C 04 05 B4 05 00 09 00 31 64 7F"},
        {"array index, position 70000", RR::RANGE_BY_POSITION, 70000, 0, 1, 2,
         "0C 05 00 00 01 19 83 29 02 3E 23 01 11 70 31 01 3F"},
    };
    for (const auto& c : cases) {
        InvokeIDScope scope(0);
        RR rr;
        rr.m_objectID.SetValue(kTrendLog1);
        rr.m_arrayIndex = c.arrayIndex;
        rr.m_range = c.range;
        rr.m_reference = c.reference;
        rr.m_referenceDate = kDec4;
        rr.m_referenceTime = c.time;
        rr.m_count = c.count;
        CBACnetOBJ device;
        unsigned char buf[64];
        int len = 0;
        EXPECT_EQ(rr.MakeFrame(buf, len, &device), 1) << c.name;
        EXPECT_EQ(ToHex(buf, len), std::string("01 04 02 05 01 1A ") + c.params) << c.name;

        Received frame(c.params);
        RR back;
        int at = 0;
        ASSERT_EQ(back.ReadRequestFrame(frame.buf(), at, frame.end()), 1) << c.name;
        EXPECT_EQ(at, frame.end()) << c.name;
        CBACnetPDU::c_invokeID = 0;
        len = 0;
        back.MakeFrame(buf, len, &device);
        EXPECT_EQ(ToHex(buf, len), std::string("01 04 02 05 01 1A ") + c.params) << c.name;
    }
}

// Two records of trend-log 1: 22.5 at 10:00 with no status flag set, then
// the buffer purged at 10:15; first and last item, first sequence number 1.
const char* const kRecord1 = "0E A4 7E 0C 04 05 B4 0A 00 00 00 0F 1E 2C 41 B4 00 00 1F 2A 04 00";
const char* const kRecord2 = "0E A4 7E 0C 04 05 B4 0A 0F 00 00 0F 1E 0A 05 40 1F";
const std::string kAck =
    std::string("0C 05 00 00 01 19 83 3A 05 C0 49 02 5E ") + kRecord1 + " " + kRecord2 + " 5F 69 01";

// An acknowledgement both ways (the fuzz target decodes every cut and
// encodes into too little room), and the ones refused.
TEST(ReadRange, Acknowledgements)
{
    Received frame(kAck);
    RR rr;
    int len = 0;
    ASSERT_EQ(rr.ReadFrame(frame.buf(), len, frame.end()), 1);
    EXPECT_EQ(len, frame.end());
    EXPECT_EQ(rr.m_resultFlags, RR::FIRST_ITEM | RR::LAST_ITEM);
    EXPECT_EQ(rr.m_itemCount, 2u);
    EXPECT_EQ(rr.m_firstSequence, 1u);
    ASSERT_EQ(rr.m_records.size(), 2u);
    EXPECT_EQ(rr.m_records[0].m_date, kDec4);
    EXPECT_EQ(rr.m_records[0].m_time, Time(10, 0));
    EXPECT_EQ(rr.m_records[0].m_real, 22.5f);
    EXPECT_EQ(rr.m_records[1].m_logStatus, _BACnetLogRecord::BUFFER_PURGED);

    unsigned char out[128];
    int at = 0;
    ASSERT_EQ(rr.MakeAckFrame(out, at, sizeof out), 1);
    EXPECT_EQ(ToHex(out, at), kAck);

    const std::string head = "0C 05 00 00 01 19 83 3A 05 C0 ";
    const struct {
        const char* name;
        std::string params;
    } refused[] = {
        {"item count above the items", head + "49 03 5E " + kRecord1 + " 5F"},
        {"a refused record", head + "49 01 5E 0E A4 7E 0C 04 05 0F 1E 78 1F 5F"},
        {"result flags missing", std::string("0C 05 00 00 01 19 83 49 00 5E 5F")},
        {"an octet after the parameters", kAck + " 00"},
    };
    for (const auto& c : refused) {
        Received bad(c.params);
        len = 0;
        EXPECT_EQ(RR().ReadFrame(bad.buf(), len, bad.end()), 0) << c.name;
        EXPECT_LE(len, bad.end()) << c.name;
    }
}

// One record after its timestamp: each datum both ways, a record decoded
// again from its own octets equal to the first, and refusals.
TEST(ReadRange, LogRecords)
{
    using R = _BACnetLogRecord;
    const struct {
        const char* name;
        const char* rest;     // after the timestamp: [1] { datum }, status flags [2]
        int choice;           // -1: refused
        const char* written = nullptr;  // when not the octets read
    } cases[] = {
        {"log status: disabled and interrupted", "1E 0A 05 A0 1F 2A 04 90", R::DATUM_LOG_STATUS},
        {"boolean true", "1E 19 01 1F 2A 04 90", R::DATUM_BOOLEAN},
        {"real", "1E 2C 41 B4 00 00 1F 2A 04 90", R::DATUM_REAL},
        {"enumerated", "1E 39 03 1F 2A 04 90", R::DATUM_ENUMERATED},
        {"unsigned, four octets", "1E 4C 01 00 00 00 1F 2A 04 90", R::DATUM_UNSIGNED},
        {"signed -2", "1E 59 FE 1F 2A 04 90", R::DATUM_SIGNED},
        {"bit string of 10 bits", "1E 6B 06 A0 40 1F 2A 04 90", R::DATUM_BIT_STRING},
        {"bit string of no bits", "1E 69 00 1F 2A 04 90", R::DATUM_BIT_STRING},
        {"null", "1E 78 1F 2A 04 90", R::DATUM_NULL},
        {"failure: device, communication-disabled", "1E 8E 91 00 91 53 8F 1F 2A 04 90", R::DATUM_FAILURE},
        {"time change of -3600 s", "1E 9C C5 61 00 00 1F 2A 04 90", R::DATUM_TIME_CHANGE},
        {"any value: a real and a text", "1E AE 44 41 A0 00 00 73 00 41 42 AF 1F 2A 04 90", R::DATUM_ANY},
        {"no status flags", "1E 78 1F", R::DATUM_NULL},
        {"status flags of one bit", "1E 78 1F 2A 07 80", R::DATUM_NULL, "1E 78 1F 2A 04 80"},
        {"datum choice 11", "1E B9 00 1F", -1},
        {"two datums", "1E 19 01 19 00 1F", -1},
        {"boolean of 2", "1E 19 02 1F", -1},
        {"real of three octets", "1E 2B 41 B4 00 1F", -1},
        {"failure not closed", "1E 8E 91 00 91 53 1F", -1},
        {"failure not constructed", "1E 89 00 1F", -1},
        {"null with content", "1E 79 00 1F", -1},
        {"bit string unused 8", "1E 6A 08 00 1F", -1},
        {"log status of four bits", "1E 0A 04 10 1F", -1},
        {"status flags of no octets", "1E 78 1F 28 00", -1},
        {"status flags of five bits", "1E 78 1F 2A 03 08", -1},
    };
    for (const auto& c : cases) {
        const std::string hex = std::string("0E A4 7E 0C 04 05 B4 0A 00 00 00 0F ") + c.rest;
        Received frame(hex);
        R record;
        int len = 0;
        ASSERT_EQ(record.ReadFrame(frame.buf(), len, frame.end()), c.choice >= 0 ? 1 : 0) << c.name;
        if (c.choice < 0)
            continue;
        EXPECT_EQ(len, frame.end()) << c.name;
        EXPECT_EQ(record.m_datum, c.choice) << c.name;
        if (record.m_hasStatusFlags && !c.written) {
            EXPECT_EQ(record.m_statusFlags, R::IN_ALARM | R::OUT_OF_SERVICE) << c.name;
        }
        unsigned char out[64];
        int at = 0;
        ASSERT_EQ(record.MakeFrame(out, at, sizeof out), 1) << c.name;
        EXPECT_EQ(ToHex(out, at), c.written ? "0E A4 7E 0C 04 05 B4 0A 00 00 00 0F " + std::string(c.written) : hex)
            << c.name;
        R back, bare = record;
        len = 0;
        ASSERT_EQ(back.ReadFrame(out, len, at), 1) << c.name;
        EXPECT_TRUE(back == record) << c.name;
        bare.m_hasStatusFlags = !record.m_hasStatusFlags;
        EXPECT_FALSE(bare == record) << c.name;
    }
    R a, b;
    a.m_datum = b.m_datum = R::DATUM_FAILURE;
    b.m_errorCode = 1;
    EXPECT_FALSE(a == b);
}

TEST(ReadRange, ItemsOfAnyOtherListAreGenericValues)
{
    // Three entries of an object list (property 76) from position 1.
    const char* ack = "0C 02 00 00 05 19 4C 3A 05 80 49 03 5E C4 02 00 00 05 C4 00 00 00 01 C4 00 00 00 02 5F";
    Received frame(ack);
    RR rr;
    int len = 0;
    ASSERT_EQ(rr.ReadFrame(frame.buf(), len, frame.end()), 1);
    EXPECT_EQ(rr.m_records.size(), 0u);
    ASSERT_EQ(rr.m_items.size(), 3u);
    EXPECT_EQ(rr.m_items[1].m_word, 1u);
    EXPECT_EQ(rr.m_resultFlags, RR::FIRST_ITEM);
    EXPECT_EQ(rr.m_hasFirstSequence, 0);
    unsigned char out[64];
    int at = 0;
    ASSERT_EQ(rr.MakeAckFrame(out, at, sizeof out), 1);
    EXPECT_EQ(ToHex(out, at), ack);
}

}  // namespace
