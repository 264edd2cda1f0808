// A device cannot hold a transaction past its deadline: not with segments
// that never end, not with segment 0 over and over.
#include <gtest/gtest.h>

#include "ScriptedDevice.h"

using namespace scripted;

namespace {

// Sends `count` segments, `gap` ms apart, numbered by `sequence(i)`, in answer to the request.
Peer::Script Stream(int count, int gap, int window, std::function<int(int)> sequence)
{
    return [=](Peer& d, const Sent& s) {
        for (int i = 0; s.PduType() == 0 && i < count; i++)
            d.Reply(Unicast(Segment(s.InvokeID(), sequence(i), true, window)), gap * (i + 1));
    };
}

TEST(Deadline, NoDeviceExtendsATransaction)
{
    const struct {
        const char* name;
        Peer::Script script;
        int retries, deadline;  // deadline 0: timeout × (retries + 1)
        long long took;         // ms, to within 10% above
        size_t datagrams;       // what the client sent; 0: more than one
    } rows[] = {
        {"no answer: the request and two repeats", {}, 2, 0, 1200, 3},
        {"segment 0, then silence: the wait restarts once, then two NAKs", Stream(1, 100, 1, [](int) { return 0; }), 2,
         0, 1200, 4},
        {"empty segments that never end, each one acknowledged",
         [](Peer& d, const Sent& s) {
             if (s.PduType() == 0)
                 d.Reply(Unicast(Segment(s.InvokeID(), 0, true)), 100);
             else if (s.PduType() == 4 && !s.Negative())
                 d.Reply(Unicast(Segment(s.InvokeID(), (s.Sequence() + 1) & 0xFF, true)), 100);
         },
         100, 2000, 2000, 0},
        {"empty segments streamed without waiting for acknowledgements", Stream(2000, 5, 127, [](int i) { return i; }),
         100, 2000, 2000, 0},
        {"segment 0 over and over", Stream(500, 20, 1, [](int) { return 0; }), 100, 2000, 2000, 0},
        {"segment 0, then the same window again and again", Stream(500, 20, 2, [](int i) { return i % 2; }), 100, 2000,
         2000, 0},
    };
    for (const auto& row : rows) {
        ClientOptions options;
        options.m_timeout = milliseconds(400);
        options.m_retries = row.retries;
        options.m_deadline = milliseconds(row.deadline);
        Scripted s(row.script, options);
        const auto start = s.link.Now();
        const Result<Value> value = s.ReadAi1();
        const auto took = std::chrono::duration_cast<milliseconds>(s.link.Now() - start).count();
        ASSERT_FALSE(value) << row.name;
        EXPECT_EQ(value.failure().m_kind, FailureKind::Timeout) << row.name;
        EXPECT_GE(took, row.took) << row.name;
        EXPECT_LE(took, row.took * 11 / 10) << row.name;
        if (row.datagrams) {
            EXPECT_EQ(s.device.Received().size(), row.datagrams) << row.name;
        } else {
            EXPECT_GT(s.device.Received().size(), 1u) << row.name;
        }
    }
}

}  // namespace
