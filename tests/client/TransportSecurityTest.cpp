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

struct Forgery {
    const char* name;
    std::optional<Endpoint> bbmd;
    // What the attacker sends, knowing the real invoke ID, before the device answers.
    std::function<void(Peer&, int invokeID)> attack;
    uint64_t ClientStats::*counter;
    uint64_t count;
};

TEST(TransportSecurity, ForgedRepliesAreDroppedAndCounted)
{
    const Forgery forgeries[] = {
        {"Forwarded-NPDU naming the device, no BBMD configured", std::nullopt,
         [](Peer& d, int id) {
             d.Reply(Wrap(BvlcFunction::ForwardedNpdu, Hex(ReadAck(id, true)), kDevice), 10, kAttacker);
         },
         &ClientStats::m_forgedForwards, 1},
        {"Forwarded-NPDU naming the device, from a host that is not the BBMD", kBbmd,
         [](Peer& d, int id) {
             d.Reply(Wrap(BvlcFunction::ForwardedNpdu, Hex(ReadAck(id, true)), kDevice), 10, kAttacker);
         },
         &ClientStats::m_forgedForwards, 1},
        {"a reply relayed by the real BBMD: replies are never forwarded", kBbmd,
         [](Peer& d, int id) {
             d.Reply(Wrap(BvlcFunction::ForwardedNpdu, Hex(ReadAck(id, true)), kDevice), 10, kBbmd);
         },
         &ClientStats::m_foreignReplies, 1},
        {"a unicast reply from another host", std::nullopt,
         [](Peer& d, int id) { d.Reply(Unicast(ReadAck(id, true)), 10, kAttacker); },
         &ClientStats::m_foreignReplies, 1},
        {"a unicast reply from the device's host, another port", std::nullopt,
         [](Peer& d, int id) { d.Reply(Unicast(ReadAck(id, true)), 10, Endpoint(kDevice.m_address, 47809)); },
         &ClientStats::m_foreignReplies, 1},
        {"a reply naming a router's network the device is not behind", std::nullopt,
         [](Peer& d, int id) {
             d.Reply(Unicast("01 08 00 05 01 07 " + ReadAck(id, true).substr(6)), 10);
         },
         &ClientStats::m_foreignReplies, 1},
        {"blind injection: every invoke ID from another host", std::nullopt,
         [](Peer& d, int) {
             for (int guess = 0; guess < 256; guess++)
                 d.Reply(Unicast(ReadAck(guess, true)), 10, kAttacker);
         },
         &ClientStats::m_foreignReplies, 1},  // the one right guess; the other 255 match nothing
        {"the right invoke ID from the device, for another service", std::nullopt,
         [](Peer& d, int id) { d.Reply(Unicast("01 00 20 " + Octet(id) + " 0F"), 10); },
         &ClientStats::m_unmatched, 1},
        {"an Error for another service", std::nullopt,
         [](Peer& d, int id) { d.Reply(Unicast("01 00 50 " + Octet(id) + " 0F 91 01 91 1F"), 10); },
         &ClientStats::m_unmatched, 1},
    };
    for (const Forgery& f : forgeries) {
        MemoryNetwork net;
        Peer device(net, [&](Peer& d, const Sent& sent) {
            if (sent.PduType() != 0)
                return;
            f.attack(d, sent.InvokeID());
            d.Reply(Unicast(ReadAck(sent.InvokeID())), 50);  // the truth, later
        });
        MemoryLink link(net, kClient);
        ClientOptions options;
        options.m_bbmd = f.bbmd;
        Client client(link, options);
        const Result<Value> value =
            client.ReadProperty(bacnet::Device::At(kDevice), ObjectId(ObjectType::AnalogInput, 1), Property::PresentValue);
        ASSERT_TRUE(value) << f.name << ": " << value.failure().Text();
        EXPECT_EQ(value->ToString(), "21.5") << f.name;
        EXPECT_EQ(client.Stats().*f.counter, f.count) << f.name;
        EXPECT_EQ(client.Stats().m_retries, 0u) << f.name;
    }
}

TEST(TransportSecurity, BlindInjectionMatchesNothingButTheRightGuess)
{
    MemoryNetwork net;
    Peer device(net, [&](Peer& d, const Sent& sent) {
        for (int guess = 0; guess < 256; guess++)
            d.Reply(Unicast(ReadAck(guess, true)), 10, kAttacker);
        d.Reply(Unicast(ReadAck(sent.InvokeID())), 50);
    });
    MemoryLink link(net, kClient);
    Client client(link);
    const Result<Value> value =
        client.ReadProperty(bacnet::Device::At(kDevice), ObjectId(ObjectType::AnalogInput, 1), Property::PresentValue);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->ToString(), "21.5");
    EXPECT_EQ(client.Stats().m_foreignReplies + client.Stats().m_unmatched, 256u);
    EXPECT_EQ(client.Stats().m_foreignReplies, 1u);
}

TEST(TransportSecurity, InvokeIDsStartAtRandomAndLeaveTheLibraryCounterAlone)
{
    const unsigned char libraryCounter = CBACnetPDU::c_invokeID;
    std::set<int> first;
    for (int i = 0; i < 8; i++) {
        MemoryNetwork net;
        std::vector<int> ids;
        Peer device(net, [&](Peer& d, const Sent& sent) {
            ids.push_back(sent.InvokeID());
            d.Reply(Unicast(ReadAck(sent.InvokeID())), 1);
        });
        MemoryLink link(net, kClient);
        Client client(link);
        for (int n = 0; n < 3; n++)
            ASSERT_TRUE(client.ReadProperty(bacnet::Device::At(kDevice), ObjectId(0, 1), Property::PresentValue));
        ASSERT_EQ(ids.size(), 3u);
        EXPECT_EQ(ids[1], (ids[0] + 1) & 0xFF);  // then counted on, per client
        EXPECT_EQ(ids[2], (ids[0] + 2) & 0xFF);
        first.insert(ids[0]);
    }
    EXPECT_GT(first.size(), 1u);  // eight clients starting alike: 1 in 2^56
    EXPECT_EQ(CBACnetPDU::c_invokeID, libraryCounter);
}

TEST(TransportSecurity, ForwardedIAmIsTakenOnlyFromTheBbmd)
{
    const std::string iAm = "01 00 10 00 C4 02 00 04 D2 22 05 C4 91 00 21 07";  // device 1234
    for (bool fromBbmd : {true, false}) {
        MemoryNetwork net;
        Peer device(net, [&](Peer& d, const Sent&) {
            d.Reply(Wrap(BvlcFunction::ForwardedNpdu, Hex(iAm), Endpoint(0x0B000005, 47808)), 5,
                    fromBbmd ? kBbmd : kAttacker);
        });
        MemoryLink link(net, kClient);
        ClientOptions options;
        options.m_bbmd = kBbmd;
        Client client(link, options);
        const std::vector<bacnet::Device> found = client.Discover(std::chrono::milliseconds(100), kDevice);
        if (fromBbmd) {
            ASSERT_EQ(found.size(), 1u);
            EXPECT_EQ(found[0].m_deviceID.m_instance, 1234u);
            EXPECT_EQ(found[0].m_endpoint, Endpoint(0x0B000005, 47808));  // the originator the BBMD names
            EXPECT_EQ(found[0].m_maxApdu, 1476);
        } else {
            EXPECT_TRUE(found.empty());
            EXPECT_EQ(client.Stats().m_forgedForwards, 1u);
        }
    }
}

}  // namespace
