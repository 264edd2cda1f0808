// Reassembly of a segmented reply on the requesting side: segments lost,
// repeated and out of order, each with the acknowledgement it must draw.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "client/detail/Reassembly.h"

using bacnet::ByteView;
using bacnet::Bytes;
using namespace bacnet::detail;

namespace {

std::string AckText(const SegmentAck& ack)
{
    return ack.m_send ? (ack.m_negative ? "N" : "A") + std::to_string(ack.m_sequence) : "";
}

// A script is a list of steps: "3+A3" is segment 3 with more to follow,
// answered by a positive acknowledgement of 3; "4-" the last segment,
// answered by nothing; "1+!" a segment refused as past the cap; "tN1" a
// timeout, answered by a negative acknowledgement of 1.
TEST(Reassembly, LostDuplicatedAndOutOfOrderSegments)
{
    const struct {
        const char* name;
        int window, limit;
        const char* script;
        bool complete;
        size_t octets = 2;  // in each segment
        size_t cap = 1000;
    } rows[] = {
        {"in order, window 3", 3, 16, "0+A0 1+ 2+ 3+A3 4-A4", true},
        {"segment 0 repeated (ACK lost)", 2, 16, "0+A0 0+A0 0+A0 1+ 2-A2", true},
        {"the window's last arrives first", 3, 16, "0+A0 3+N0 1+ 2+A3 4-A4", true},
        {"lost, then resent after NAK", 2, 16, "0+A0 2+N0 1+A2 3-A3", true},
        {"one NAK per gap", 2, 16, "0+A0 2+N0 2+", false},
        {"segments before segment 0 are ignored", 2, 16, "t 1+ 2-", false},
        {"ahead of the window: ignored", 2, 16, "0+A0 9-", false},
        {"final ACK lost: the last segment again", 1, 16, "0+A0 1-A1 1-A1", true},
        {"a window past the limit is clamped; a timeout asks for the gap", 127, 4, "0+A0 1+ tN1", false},
        {"window zero is taken as one", 0, 16, "0+A0 1+A1", false},
        {"empty segments", 1, 16, "0+A0 1+A1 2+A2", false, 0},
        {"past the cap: refused", 2, 16, "0+A0 1+!", false, 3, 5},
        {"an early segment joining later is held to the cap", 3, 16, "0+A0 2-N0 1+!", false, 3, 7},
    };
    for (const auto& row : rows) {
        Reassembly r(row.cap, static_cast<uint8_t>(row.limit));
        std::istringstream steps(row.script);
        std::string step;
        while (steps >> step) {
            SegmentAck ack;
            SegmentResult result = SegmentResult::Ignored;
            if (step[0] == 't') {
                ack = r.Timeout();
            } else {
                const uint8_t payload[] = {static_cast<uint8_t>(step[0] - '0'), 0xEE, 0xEE};
                result = r.Accept(payload[0], static_cast<uint8_t>(row.window), step[1] == '+',
                                  ByteView(payload, row.octets), ack);
            }
            EXPECT_EQ(result == SegmentResult::TooLarge ? "!" : AckText(ack), step.substr(step[0] == 't' ? 1 : 2))
                << row.name << ", " << step;
            if (ack.m_send) {
                EXPECT_EQ(ack.m_window, std::max(1, std::min(row.window, row.limit))) << row.name;
            }
        }
        EXPECT_EQ(r.Complete(), row.complete) << row.name;
        Bytes expected;  // each segment's octets exactly once, in sequence order
        for (int s = 0; s < r.Segments(); s++)
            expected.insert(expected.end(), {static_cast<uint8_t>(s), 0xEE});
        EXPECT_TRUE(!row.complete || r.Data() == expected) << row.name;
    }
}

}  // namespace
