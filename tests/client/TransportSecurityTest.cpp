// The client against hostile peers: forged Forwarded-NPDUs, replies from
// another address, blind injection over every invoke ID, replies naming the
// wrong service. Each forgery is dropped and counted, and the device's own
// reply is the one that counts.
#include <gtest/gtest.h>

#include <set>

#include <bacnetcodec/bacnetcodec.h>

#include "ScriptedDevice.h"

using namespace scripted;

namespace {

TEST(TransportSecurity, ForgedRepliesAreDroppedAndCounted)
{
    const auto forward = [](const Endpoint& from) {
        return [from](Peer& d, int id) {
            d.Reply(Wrap(BvlcFunction::ForwardedNpdu, Hex(ReadAck(id, true)), kDevice), 10, from);
        };
    };
    const struct {
        const char* name;
        std::optional<Endpoint> bbmd;
        // What the attacker sends, knowing the real invoke ID, before the device answers.
        std::function<void(Peer&, int invokeID)> attack;
        uint64_t ClientStats::*counter;  // counts one
        uint64_t dropped;                // all forgeries, whatever they were counted as
    } rows[] = {
        {"Forwarded-NPDU naming the device, no BBMD configured", std::nullopt, forward(kAttacker),
         &ClientStats::m_forgedForwards, 1},
        {"Forwarded-NPDU naming the device, from a host that is not the BBMD", kBbmd, forward(kAttacker),
         &ClientStats::m_forgedForwards, 1},
        {"a reply relayed by the real BBMD: replies are never forwarded", kBbmd, forward(kBbmd),
         &ClientStats::m_foreignReplies, 1},
        {"a unicast reply from another host", std::nullopt,
         [](Peer& d, int id) { d.Reply(Unicast(ReadAck(id, true)), 10, kAttacker); }, &ClientStats::m_foreignReplies,
         1},
        {"a unicast reply from the device's host, another port", std::nullopt,
         [](Peer& d, int id) { d.Reply(Unicast(ReadAck(id, true)), 10, Endpoint(kDevice.m_address, 47809)); },
         &ClientStats::m_foreignReplies, 1},
        {"a reply naming a router's network the device is not behind", std::nullopt,
         [](Peer& d, int id) { d.Reply(Unicast("01 08 00 05 01 07 " + ReadAck(id, true).substr(6)), 10); },
         &ClientStats::m_foreignReplies, 1},
        // The one right guess is a foreign reply; the other 255 match nothing.
        {"blind injection: every invoke ID from another host", std::nullopt,
         [](Peer& d, int) {
             for (int guess = 0; guess < 256; guess++)
                 d.Reply(Unicast(ReadAck(guess, true)), 10, kAttacker);
         },
         &ClientStats::m_foreignReplies, 256},
        {"the right invoke ID from the device, for another service", std::nullopt,
         [](Peer& d, int id) { d.Reply(Unicast("01 00 20 " + Octet(id) + " 0F"), 10); }, &ClientStats::m_unmatched, 1},
        {"an Error for another service", std::nullopt,
         [](Peer& d, int id) { d.Reply(Unicast("01 00 50 " + Octet(id) + " 0F 91 01 91 1F"), 10); },
         &ClientStats::m_unmatched, 1},
    };
    for (const auto& row : rows) {
        ClientOptions options;
        options.m_bbmd = row.bbmd;
        Scripted s(
            [&](Peer& d, const Sent& sent) {
                row.attack(d, sent.InvokeID());
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
    }
}

TEST(TransportSecurity, InvokeIDsStartAtRandomAndLeaveTheLibraryCounterAlone)
{
    const unsigned char libraryCounter = CBACnetPDU::c_invokeID;
    std::set<int> first;
    for (int i = 0; i < 8; i++) {
        Scripted s([](Peer& d, const Sent& sent) { d.Reply(Unicast(ReadAck(sent.InvokeID())), 1); });
        for (int n = 0; n < 3; n++)
            ASSERT_TRUE(s.ReadAi1());
        const std::vector<Sent>& sent = s.device.Received();
        ASSERT_EQ(sent.size(), 3u);
        EXPECT_EQ(sent[1].InvokeID(), (sent[0].InvokeID() + 1) & 0xFF);  // then counted on, per client
        EXPECT_EQ(sent[2].InvokeID(), (sent[0].InvokeID() + 2) & 0xFF);
        first.insert(sent[0].InvokeID());
    }
    EXPECT_GT(first.size(), 1u);  // eight clients starting alike: 1 in 2^56
    EXPECT_EQ(CBACnetPDU::c_invokeID, libraryCounter);
}

}  // namespace
