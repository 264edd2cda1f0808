// The client against hostile peers: forged Forwarded-NPDUs, replies from
// another address, blind injection over every invoke ID, replies naming the
// wrong service. Each forgery is dropped and counted, and the device's own
// reply is the one that counts. Nor can a device hold a transaction past its
// deadline: not with segments that never end, not with segment 0 over and over.
#include <gtest/gtest.h>

#include <set>

#include <bacnetcodec/bacnetcodec.h>

#include "ScriptedDevice.h"

using namespace scripted;

namespace {

TEST(TransportSecurity, ForgedRepliesAreDroppedAndCounted)
{
    const auto forwarded = [](int id) { return Wrap(BvlcFunction::ForwardedNpdu, Hex(ReadAck(id, true)), kDevice); };
    const auto unicast = [](int id) { return Unicast(ReadAck(id, true)); };
    const Endpoint otherPort(kDevice.m_address, 47809);
    const struct {
        const char* name;
        std::optional<Endpoint> bbmd;
        // What the attacker sends from `from`, knowing the real invoke ID, before the device answers.
        Endpoint from;
        std::function<Bytes(int invokeID)> forged;
        uint64_t ClientStats::*counter;  // counts one
        uint64_t dropped;                // all forgeries, whatever they were counted as; 256: every invoke ID sent
    } rows[] = {
        {"Forwarded-NPDU naming the device, no BBMD configured", std::nullopt, kAttacker, forwarded,
         &ClientStats::m_forgedForwards, 1},
        {"Forwarded-NPDU naming the device, from a host that is not the BBMD", kBbmd, kAttacker, forwarded,
         &ClientStats::m_forgedForwards, 1},
        {"a reply relayed by the real BBMD: replies are never forwarded", kBbmd, kBbmd, forwarded,
         &ClientStats::m_foreignReplies, 1},
        {"a unicast reply from another host", std::nullopt, kAttacker, unicast, &ClientStats::m_foreignReplies, 1},
        {"a unicast reply from the device's host, another port", std::nullopt, otherPort, unicast,
         &ClientStats::m_foreignReplies, 1},
        {"a reply naming a router's network the device is not behind", std::nullopt, kDevice,
         [](int id) { return Unicast("01 08 00 05 01 07 " + ReadAck(id, true).substr(6)); },
         &ClientStats::m_foreignReplies, 1},
        // The one right guess is a foreign reply; the other 255 match nothing.
        {"blind injection: every invoke ID from another host", std::nullopt, kAttacker, unicast,
         &ClientStats::m_foreignReplies, 256},
        {"the right invoke ID from the device, for another service", std::nullopt, kDevice,
         [](int id) { return Unicast("01 00 20 " + Octet(id) + " 0F"); }, &ClientStats::m_unmatched, 1},
        {"an Error for another service", std::nullopt, kDevice,
         [](int id) { return Unicast("01 00 50 " + Octet(id) + " 0F 91 01 91 1F"); }, &ClientStats::m_unmatched, 1},
    };
    const unsigned char libraryCounter = CBACnetPDU::c_invokeID;
    std::set<int> invokeIDs;
    for (const auto& row : rows) {
        ClientOptions options;
        options.m_bbmd = row.bbmd;
        Scripted s(
            [&](Peer& d, const Sent& sent) {
                for (int id = 0; id < 256; id++)
                    if (row.dropped == 256 || id == sent.InvokeID())
                        d.Reply(row.forged(id), 10, row.from);
                d.Reply(Unicast(ReadAck(sent.InvokeID())), 50);  // the truth, later
            },
            options);
        const Result<Value> value = s.ReadAi1();
        ASSERT_TRUE(value) << row.name << ": " << value.failure().Text();
        EXPECT_EQ(value->ToString(), "21.5") << row.name;
        const ClientStats& stats = s.client.Stats();
        EXPECT_EQ(stats.*row.counter, 1u) << row.name;
        EXPECT_EQ(stats.m_forgedForwards + stats.m_foreignReplies + stats.m_unmatched, row.dropped) << row.name;
        EXPECT_EQ(stats.m_retries, 0u) << row.name;
        invokeIDs.insert(s.device.Received()[0].InvokeID());
    }
    // Each client starts at random (nine alike: 1 in 2^64), and leaves the codec's own counter alone.
    EXPECT_GT(invokeIDs.size(), 1u);
    EXPECT_EQ(CBACnetPDU::c_invokeID, libraryCounter);
}

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
        {"empty segments streamed without waiting for acknowledgements", Stream(2000, 5, 127, [](int i) { return i; }),
         100, 2000, 2000, 0},
        {"segment 0 over and over", Stream(500, 20, 1, [](int) { return 0; }), 100, 2000, 2000, 0},
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
        const size_t sent = s.device.Received().size();
        EXPECT_TRUE(row.datagrams ? sent == row.datagrams : sent > 1) << row.name << ": " << sent;
    }
}

}  // namespace
