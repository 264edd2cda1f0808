// Reassembly of a segmented reply on the requesting side: segments lost,
// repeated and out of order, each with the acknowledgement it must draw.
#include <gtest/gtest.h>

#include <string>

#include "client/detail/Reassembly.h"

using bacnet::ByteView;
using bacnet::Bytes;
using namespace bacnet::detail;

namespace {

// One arriving segment: sequence number, more-follows, and the acknowledgement
// expected in answer ("" none, "A3" positive for 3, "N2" negative for 2).
struct Arrival {
    int sequence;
    bool more;
    const char* ack;
};

struct Case {
    const char* name;
    int window;
    std::vector<Arrival> arrivals;
    bool complete;
};

std::string AckText(const SegmentAck& ack)
{
    if (!ack.m_send)
        return "";
    return (ack.m_negative ? "N" : "A") + std::to_string(ack.m_sequence);
}

TEST(Reassembly, LostDuplicatedAndOutOfOrderSegments)
{
    const Case cases[] = {
        {"in order, window 1", 1, {{0, true, "A0"}, {1, true, "A1"}, {2, false, "A2"}}, true},
        {"in order, window 3", 3, {{0, true, "A0"}, {1, true, ""}, {2, true, ""}, {3, true, "A3"}, {4, false, "A4"}}, true},
        {"segment 0 repeated (ACK lost)", 2, {{0, true, "A0"}, {0, true, "A0"}, {0, true, "A0"}, {1, true, ""}, {2, false, "A2"}}, true},
        {"a duplicate inside a window", 3, {{0, true, "A0"}, {1, true, ""}, {1, true, ""}, {2, true, ""}, {3, false, "A3"}}, true},
        {"swapped inside a window", 3, {{0, true, "A0"}, {2, true, ""}, {1, true, ""}, {3, false, "A3"}}, true},
        {"the window's last arrives first", 3, {{0, true, "A0"}, {3, true, "N0"}, {1, true, ""}, {2, true, "A3"}, {4, false, "A4"}}, true},
        {"lost, then resent after NAK", 2, {{0, true, "A0"}, {2, true, "N0"}, {1, true, "A2"}, {3, false, "A3"}}, true},
        {"lost last segment", 2, {{0, true, "A0"}, {1, true, ""}, {3, false, ""}}, false},
        {"one NAK per gap", 2, {{0, true, "A0"}, {2, true, "N0"}, {2, true, ""}}, false},
        {"segments before segment 0 are ignored", 2, {{1, true, ""}, {2, false, ""}}, false},
        {"ahead of the window: ignored", 2, {{0, true, "A0"}, {9, false, ""}}, false},
        {"final ACK lost: the last segment again", 1, {{0, true, "A0"}, {1, false, "A1"}, {1, false, "A1"}}, true},
        {"empty segments", 1, {{0, true, "A0"}, {1, true, "A1"}, {2, true, "A2"}}, false},
    };
    for (const Case& c : cases) {
        Reassembly r(1000, 16);
        Bytes expected;
        int arrivals = 0;
        for (const Arrival& a : c.arrivals) {
            const uint8_t payload[] = {static_cast<uint8_t>(a.sequence), 0xEE};
            SegmentAck ack;
            const SegmentResult result =
                r.Accept(static_cast<uint8_t>(a.sequence), static_cast<uint8_t>(c.window), a.more,
                         ByteView(payload, std::string(c.name) == "empty segments" ? 0 : 2), ack);
            EXPECT_NE(result, SegmentResult::TooLarge);
            EXPECT_EQ(AckText(ack), a.ack) << c.name << ", arrival " << arrivals;
            if (ack.m_send) {
                EXPECT_EQ(ack.m_window, c.window) << c.name;
            }
            arrivals++;
        }
        EXPECT_EQ(r.Complete(), c.complete) << c.name;
        if (c.complete) {
            // Each segment's octets exactly once, in sequence order.
            for (int s = 0; s < r.Segments(); s++) {
                expected.push_back(static_cast<uint8_t>(s));
                expected.push_back(0xEE);
            }
            EXPECT_EQ(r.Data(), expected) << c.name;
        }
    }
}

TEST(Reassembly, WindowIsClampedAndTimeoutAsksForTheGap)
{
    Reassembly r(1000, 4);
    SegmentAck ack;
    const uint8_t octet[] = {1};
    EXPECT_EQ(r.Timeout().m_send, false);  // nothing started: nothing to ask
    EXPECT_EQ(r.Accept(0, 127, true, octet, ack), SegmentResult::Progress);
    EXPECT_EQ(ack.m_window, 4);  // the device proposed 127
    EXPECT_EQ(r.Accept(1, 127, true, octet, ack), SegmentResult::Progress);
    const SegmentAck nak = r.Timeout();
    EXPECT_EQ(AckText(nak), "N1");
    // Window zero proposed: taken as one.
    Reassembly one(1000);
    EXPECT_EQ(one.Accept(0, 0, true, octet, ack), SegmentResult::Progress);
    EXPECT_EQ(ack.m_window, 1);
}

TEST(Reassembly, ReplyLargerThanTheCapIsRefused)
{
    Reassembly r(5);
    SegmentAck ack;
    const uint8_t three[] = {1, 2, 3};
    EXPECT_EQ(r.Accept(0, 2, true, three, ack), SegmentResult::Progress);
    EXPECT_EQ(r.Accept(1, 2, true, three, ack), SegmentResult::TooLarge);
    EXPECT_EQ(r.Data().size(), 3u);
    // An early segment joining later is held to the same cap.
    Reassembly s(5);
    EXPECT_EQ(s.Accept(0, 3, true, three, ack), SegmentResult::Progress);
    EXPECT_EQ(s.Accept(2, 3, false, three, ack), SegmentResult::Ignored);
    const uint8_t one[] = {9};
    EXPECT_EQ(s.Accept(1, 3, true, one, ack), SegmentResult::TooLarge);
}

}  // namespace
