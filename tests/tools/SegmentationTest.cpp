// Reassembly of segmented replies: which Segment-ACK answers each arriving
// segment, and what the record holds at the end.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <bacnetcodec/bacnetcodec.h>

#include "Hex.h"
#include "Segmentation.h"

using tool::SegmentReassembler;
using tool::SegmentStep;

namespace {

// One arriving segment: its sequence number, whether more follow, and the
// window size the device proposes.
struct Arrival {
    int sequence;
    bool more;
    int window;
};

// "A0 w2" positive ACK of 0 with window 2, "N1 w2" a NAK after 1, "-" nothing.
std::string StepText(const SegmentStep& s)
{
    if (!s.sendAck)
        return "-";
    return std::string(s.negative ? "N" : "A") + std::to_string(s.sequence) + " w" + std::to_string(s.window) +
           (s.complete ? " done" : "");
}

SegmentStep Feed(SegmentReassembler& r, const Arrival& a)
{
    CBACnetComplexAckPDU header;
    header.SetSegmentRequest();
    if (a.more)
        header.SetNextFrameRequest();
    header.SetSequenceNo(static_cast<unsigned char>(a.sequence));
    header.SetWindowSize(static_cast<unsigned char>(a.window));
    unsigned char data = static_cast<unsigned char>(0xA0 + a.sequence);  // one octet per segment, named by it
    return r.Accept(header, &data, 1);
}

struct Case {
    const char* name;
    std::vector<Arrival> arrivals;  // -1 sequence: the wait for a segment ran out
    std::vector<std::string> steps;
    std::string data;  // the record at the end
};

}  // namespace

TEST(SegmentReassembler, AnswersEachWindow)
{
    const Case cases[] = {
        {"one window of two", {{0, true, 2}, {1, true, 2}, {2, false, 2}}, {"A0 w2", "-", "A2 w2 done"}, "A0 A1 A2"},
        {"window of three, two windows", {{0, true, 3}, {1, true, 3}, {2, true, 3}, {3, true, 3}, {4, true, 3}, {5, true, 3}, {6, false, 3}},
         {"A0 w3", "-", "-", "A3 w3", "-", "-", "A6 w3 done"}, "A0 A1 A2 A3 A4 A5 A6"},
        {"window one acks every segment", {{0, true, 1}, {1, true, 1}, {2, false, 1}}, {"A0 w1", "A1 w1", "A2 w1 done"}, "A0 A1 A2"},
        {"a proposal above our limit is cut", {{0, true, 40}, {1, false, 40}}, {"A0 w16", "A1 w16 done"}, "A0 A1"},
        {"lost segment: NAK once, resent window completes",
         {{0, true, 3}, {2, true, 3}, {3, true, 3}, {1, true, 3}, {2, true, 3}, {3, false, 3}},
         {"A0 w3", "N0 w3", "-", "-", "-", "A3 w3 done"}, "A0 A1 A2 A3"},
        {"lost last segment of a window: time-out asks again",
         {{0, true, 2}, {1, true, 2}, {-1, false, 0}, {2, true, 2}, {3, false, 2}},
         {"A0 w2", "-", "N1 w2", "A2 w2", "A3 w2 done"}, "A0 A1 A2 A3"},
        {"repeated window after a lost ACK is acknowledged again",
         {{0, true, 2}, {1, true, 2}, {2, true, 2}, {1, true, 2}, {2, true, 2}, {3, false, 2}},
         {"A0 w2", "-", "A2 w2", "-", "A2 w2", "A3 w2 done"}, "A0 A1 A2 A3"},
        {"segments before segment 0 are ignored", {{3, true, 2}, {0, false, 2}}, {"-", "A0 w2 done"}, "A0"},
    };
    for (const Case& c : cases) {
        CMyBACnetBlkData record;
        SegmentReassembler r(record);
        std::vector<std::string> steps;
        for (const Arrival& a : c.arrivals)
            steps.push_back(StepText(a.sequence < 0 ? r.Timeout() : Feed(r, a)));
        EXPECT_EQ(steps, c.steps) << c.name;
        EXPECT_EQ(ToHex(record.m_data, record.m_length), c.data) << c.name;
        EXPECT_TRUE(r.Complete()) << c.name;
    }
}

TEST(SegmentReassembler, SequenceNumbersWrap)
{
    CMyBACnetBlkData record;
    SegmentReassembler r(record);
    for (int n = 0; n < 300; n++) {
        const SegmentStep step = Feed(r, {n & 0xFF, n < 299, 1});
        ASSERT_TRUE(step.sendAck) << n;
        ASSERT_FALSE(step.negative) << n;
    }
    EXPECT_TRUE(r.Complete());
    EXPECT_EQ(record.m_length, 300);
}

TEST(SegmentReassembler, RefusesMoreThanTheRecordHolds)
{
    CMyBACnetBlkData record;
    SegmentReassembler r(record);
    std::vector<unsigned char> big(40000, 0x55);
    CBACnetComplexAckPDU header;
    header.SetSegmentRequest();
    header.SetNextFrameRequest();
    header.SetWindowSize(1);
    EXPECT_FALSE(r.Accept(header, big.data(), static_cast<int>(big.size())).failed);
    header.SetSequenceNo(1);
    const SegmentStep step = r.Accept(header, big.data(), static_cast<int>(big.size()));
    EXPECT_TRUE(step.failed);
    EXPECT_EQ(record.m_status, CMyBACnetBlkData::STATUS_NO_MEMORY);
}

TEST(SegmentAck, BuiltByTheLibrary)
{
    CBACnetOBJ local;
    SegmentStep positive;
    positive.sendAck = true;
    positive.sequence = 3;
    positive.window = 4;
    EXPECT_EQ(ToHex(tool::BuildSegmentAck(local, 7, positive)), "01 00 40 07 03 04");
    SegmentStep negative = positive;
    negative.negative = true;
    EXPECT_EQ(ToHex(tool::BuildSegmentAck(local, 7, negative)), "01 00 42 07 03 04");
}
