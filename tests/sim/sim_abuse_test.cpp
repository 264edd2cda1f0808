// The simulated device under abuse and on the network: requesters that
// never acknowledge, floods of creations, malformed datagrams, the device
// stepped by its caller, and the device as a BBMD.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "SimDevice.h"
#include "SimSegmenter.h"
#include "client/MemoryLink.h"
#include "sim/SimClient.h"

using namespace bacnetsim;

namespace {

using bacnet::Endpoint;
constexpr Endpoint kDeviceAt = Endpoint::Loopback(47808);
constexpr Endpoint kClientAt = Endpoint(0x7F000009, 40000);     // 127.0.0.9
constexpr Endpoint kFarDeviceAt = Endpoint(0x7F000002, 47808);  // 127.0.0.2: another subnet
const char* const kWhoIs = "81 0A 00 08 01 04 10 08";
using Clock = Segmenter::Clock;

// Device `instance` with `extraObjects` analog values past its standard objects.
SimOptions Small(uint32_t instance, int extraObjects = 0)
{
    SimOptions options;
    options.deviceInstance = instance;
    options.extraObjects = extraObjects;
    return options;
}

// A segmenter whose sends are recorded as "port: the first five octets".
struct Recorder {
    std::vector<std::string> sent;
    Segmenter segmenter{[this](const Peer& peer, const std::vector<unsigned char>& apdu) {
                            sent.push_back(std::to_string(peer.endpoint.m_port) + ": " +
                                           ToHex(apdu.data(), std::min<int>(5, int(apdu.size()))));
                        },
                        nullptr};
    const Clock::time_point t0 = Clock::now();

    void Start(uint16_t port, unsigned char invokeID, size_t octets = 3000)  // three segments at 1476
    {
        segmenter.Start(PeerAt(port), invokeID, 12, std::vector<unsigned char>(octets, 0xC4), 1476, 0, t0);
    }
};

TEST(SimSegmenter, HeldRepliesAreCappedPerPeerAndInAllOldestFirst)
{
    Recorder r;
    // A fifth reply for one peer releases that peer's oldest with an Abort.
    for (unsigned char id = 1; id <= 5; id++)
        r.Start(1, id);
    EXPECT_EQ(r.segmenter.Pending(), 4u);
    ASSERT_EQ(r.sent.size(), 6u);
    EXPECT_EQ(r.sent[4], "1: 71 01 09");
    // Seven more peers with four each fill the device to its limit; one more
    // reply and the oldest of all (peer 1's invoke 2) goes first.
    for (uint16_t port = 2; port <= 8; port++)
        for (unsigned char id = 1; id <= 4; id++)
            r.Start(port, id);
    EXPECT_EQ(r.segmenter.Pending(), kMaxReplies);
    r.sent.clear();
    r.Start(9, 1);
    EXPECT_EQ(r.segmenter.Pending(), kMaxReplies);
    EXPECT_EQ(r.sent, (std::vector<std::string>{"1: 71 02 09", "9: 3C 01 00 10 0C"}));
    // Full, and a peer at its own limit asks again: its own oldest goes, and
    // that is room enough; nobody else loses a reply.
    r.sent.clear();
    r.Start(2, 5);
    EXPECT_EQ(r.segmenter.Pending(), kMaxReplies);
    EXPECT_EQ(r.sent, (std::vector<std::string>{"2: 71 01 09", "2: 3C 05 00 10 0C"}));

    // Held octets: a third reply of 400,000 octets would pass the limit, so
    // the oldest goes, whoever asked for it.
    Recorder big;
    for (unsigned char id = 1; id <= 3; id++)
        big.Start(id, id, 400000);
    EXPECT_EQ(big.segmenter.Pending(), 2u);
    EXPECT_EQ(big.segmenter.HeldOctets(), 800000u);
}

// A reply goes whole, in segments, or as an Abort, as the requester's max
// APDU, segmentation acceptance and max segments allow.
TEST(SimDelivery, RepliesFitWhatTheRequesterTakes)
{
    struct Case {
        const char* name;
        size_t octets;  // the whole reply APDU
        bool complexAck;
        bool accepted;  // segmented response accepted
        int maxAPDU, maxSegments;
        Delivery::Kind kind;
        int segments;
        unsigned char reason;
    } cases[] = {
        {"fits", 50, true, false, 50, 0, Delivery::WHOLE, 1, 0},
        {"one octet over, not accepted", 51, true, false, 50, 0, Delivery::ABORT, 2, ABORT_SEGMENTATION_NOT_SUPPORTED},
        {"one octet over, accepted", 51, true, true, 50, 0, Delivery::SEGMENTED, 2, 0},
        {"two segments allowed, three needed", 94, true, true, 50, 2, Delivery::ABORT, 3, ABORT_BUFFER_OVERFLOW},
        {"more than 256 segments", 3 + 257 * 45, true, true, 50, 0, Delivery::ABORT, 257, ABORT_BUFFER_OVERFLOW},
        {"256 segments", 3 + 256 * 45, true, true, 50, 0, Delivery::SEGMENTED, 256, 0},
        {"requester above the device's max", 1477, true, true, 1476 + 1, 0, Delivery::SEGMENTED, 2, 0},
        {"an Error is never cut", 60, false, false, 50, 0, Delivery::WHOLE, 1, 0},
    };
    for (const Case& c : cases) {
        Outcome outcome;
        outcome.kind = Outcome::REPLY;
        outcome.confirmed = true;
        outcome.apdu.assign(c.octets, 0);
        outcome.complexAck = c.complexAck;
        outcome.segmentationAccepted = c.accepted;
        outcome.maxAPDU = c.maxAPDU;
        outcome.maxSegments = c.maxSegments;
        const Delivery d = Plan(outcome);
        EXPECT_EQ(d.kind, c.kind) << c.name;
        EXPECT_EQ(d.segments, c.segments) << c.name;
        EXPECT_EQ(d.reason, c.reason) << c.name;
        EXPECT_EQ(d.limit, std::min(c.maxAPDU, 1476)) << c.name;
    }
}

// Creations up to the limit of 20,000 objects (analog values 2 to 19990); the next is refused.
TEST(SimDatabaseGrowth, CreatesUpToTheLimit)
{
    Handlers d;  // eleven objects, analog value 1 among them
    for (int i = 0; i < 19989; i++)
        ASSERT_EQ(d.Ask("02 05 01 0A 0E 09 02 0F").substr(0, 2), "30") << i;
    EXPECT_EQ(d.Ask("02 05 01 0A 0E 09 02 0F"), "50 01 0A 0E 91 03 91 12 0F 19 00");
}

// A device with 600 extra objects on an in-memory network, and a requester beside it.
struct SimOnTheNetwork : ::testing::Test {
    bacnet::MemoryNetwork net;
    SimDevice device{net, kDeviceAt, Small(kInstance, 600)};
    bacnet::MemoryLink link{net, kClientAt};
    Client client{link, kDeviceAt};
};

// Whole datagrams in, whole datagrams out, in order on one device: the
// link header must name the datagram exactly, a relayed request is answered
// to its originator, a routed requester is named as the destination, a
// reply too long for the requester is an Abort, and nothing malformed draws
// a reply or stops the device.
TEST_F(SimOnTheNetwork, DatagramsOnTheWire)
{
    const std::string iAm = "10 00 C4 02 00 10 E1 22 05 C4 91 01 22 03 E7";
    const std::string local = "81 0A 00 15 01 00 " + iAm;
    struct Case {
        const char* name;
        const char* datagram;
        std::string reply;  // empty: none
        Endpoint to = kClientAt;
    } cases[] = {
        {"local unicast", kWhoIs, local},
        {"global broadcast", "81 0B 00 0C 01 20 FF FF 00 FF 10 08", local},
        {"routed requester", "81 0A 00 0C 01 08 00 05 01 07 10 08", "81 0A 00 1A 01 20 00 05 01 07 FF " + iAm},
        {"relayed by a BBMD", "81 04 00 0E 7F 00 00 01 BA C1 01 00 10 08", local, Endpoint::Loopback(47809)},
        {"object list, unsegmented", "81 0A 00 11 01 04 00 05 01 0C 0C 02 00 10 E1 19 4C",
         "81 0A 00 09 01 00 71 01 04"},
        {"for another network", "81 0A 00 0D 01 24 00 05 01 07 FF 10 08", ""},
        {"length one short", "81 0A 00 07 01 04 10 08", ""},
        {"length past the datagram", "81 0A 00 09 01 04 10 08", ""},
        {"not BACnet/IP", "82 0A 00 08 01 04 10 08", ""},
        {"cut request", "81 0A 00 09 01 04 02 05 01", ""},
        {"still serving", kWhoIs, local},
    };
    bacnet::MemoryLink originatorLink(net, Endpoint::Loopback(47809));
    Client originator(originatorLink, kDeviceAt);
    for (const Case& c : cases) {
        client.Send(Hex(c.datagram));
        Endpoint from;
        const std::string reply = (c.to == kClientAt ? client : originator).Receive(300, &from);
        EXPECT_EQ(reply, c.reply) << c.name;
        EXPECT_TRUE(reply.empty() || from == kDeviceAt) << c.name;
    }
}

// A requester that never acknowledges draws the first segment alone, and
// the reply is let go after the segment timeout.
TEST_F(SimOnTheNetwork, UnacknowledgedRepliesAreLetGo)
{
    client.Send(Hex("81 0A 00 11 01 04 02 05 07 0C 0C 02 00 10 E1 19 4C"));  // the object list: 3 segments at 1476
    const std::string first = client.Receive(3000);
    EXPECT_EQ(first.size(), 1482u * 3 - 1);  // 4 BVLC, 2 network header, 1476 APDU
    EXPECT_EQ(first.substr(18, 14), "3C 07 00 10 0C");
    EXPECT_EQ(client.Receive(static_cast<int>(kSegmentTimeoutMs) + 500), "");
    EXPECT_EQ(device.HeldReplies(), 0u);
}

// On a link of the caller's, the device serves only when stepped, and Step
// says how many datagrams it took.
TEST(SimDeviceLifecycle, ServesInTheCallerWhenStepped)
{
    bacnet::MemoryNetwork net;
    bacnet::MemoryLink deviceLink(net, kDeviceAt), clientLink(net, kClientAt);
    SimDevice device(deviceLink, Small(kInstance));
    EXPECT_FALSE(device.Step(std::chrono::milliseconds(50)));
    Client client(clientLink, kDeviceAt);
    client.Send(Hex(kWhoIs));
    client.Send(Hex(kWhoIs));
    EXPECT_EQ(device.Step(std::chrono::milliseconds(0)), 2u);
    EXPECT_EQ(client.Drain(0).size(), 2u);
}

// One datagram sent (its length filled in) and every datagram it draws.
struct Exchange {
    const char* name;
    const char* function;
    const char* rest;
    std::vector<std::string> replies;
};

// "81 0A" and the rest, the length put in between.
std::vector<unsigned char> Framed(const std::string& function, const std::string& rest = "")
{
    std::vector<unsigned char> datagram = Hex(function + rest);
    const size_t n = datagram.size() + 2;
    datagram.insert(datagram.begin() + 2, {static_cast<unsigned char>(n >> 8), static_cast<unsigned char>(n)});
    return datagram;
}

// The I-Am of device `instance` (4321 on), as the device sends it after `npci`.
std::string IAm(const std::string& npci, int instance)
{
    const unsigned char id[] = {static_cast<unsigned char>(instance >> 8), static_cast<unsigned char>(instance)};
    return ToHex(Framed("81 0A", npci + " 10 00 C4 02 00 " + ToHex(id, 2) + " 22 05 C4 91 01 22 03 E7"));
}

SimOptions Bbmd()
{
    SimOptions options = Small(4321);
    options.bbmd = true;
    options.bdt = {kFarDeviceAt};
    options.maxForeignDevices = 2;
    options.broadcast = Endpoint();  // alone on its subnet
    return options;
}

struct SimBbmdMode : ::testing::Test {
    bacnet::MemoryNetwork net;
    SimDevice bbmd{net, kDeviceAt, Bbmd()};
    SimDevice farDevice{net, kFarDeviceAt, Small(4322)};
    bacnet::MemoryLink link{net, kClientAt};
    Client client{link, kDeviceAt};
};

TEST_F(SimBbmdMode, ForeignDeviceRegistersReadsTheTablesAndDiscoversThroughIt)
{
    const Exchange cases[] = {
        {"broadcast before registering", "81 09", "01 00 10 08", {"81 00 00 06 00 60"}},
        {"register for 60 s", "81 05", "00 3C", {"81 00 00 06 00 00"}},
        {"read the foreign device table", "81 06", "", {"81 07 00 0E 7F 00 00 09 9C 40 00 3C 00 5A"}},
        {"read the broadcast distribution table", "81 02", "",
         {"81 03 00 18 7F 00 00 01 BA C0 FF FF FF FF 7F 00 00 02 BA C0 FF FF FF FF"}},
        {"write the table", "81 01", "7F 00 00 03 BA C0 FF FF FF FF", {"81 00 00 06 00 10"}},
        {"who is through the BBMD", "81 09", "01 00 10 08", {IAm("01 00", 0x10E1), IAm("01 00", 0x10E2)}},
        {"register again for 10 s", "81 05", "00 0A", {"81 00 00 06 00 00"}},
        {"the entry follows", "81 06", "", {"81 07 00 0E 7F 00 00 09 9C 40 00 0A 00 28"}},
        {"delete another's entry", "81 08", "7F 00 00 08 9C 40", {"81 00 00 06 00 50"}},
        {"delete our own", "81 08", "7F 00 00 09 9C 40", {"81 00 00 06 00 00"}},
        {"broadcast once deleted", "81 09", "01 00 10 08", {"81 00 00 06 00 60"}},
        {"forged relay claiming the BBMD", "81 04", "7F 00 00 01 BA C0 01 00 10 08", {}},
    };
    for (const Exchange& c : cases) {
        client.Send(Framed(c.function, c.rest));
        std::vector<Endpoint> from;
        EXPECT_EQ(client.Drain(100, &from), c.replies) << c.name;
        // The far device answers the originator itself.
        EXPECT_TRUE(c.replies.size() != 2 || from[1] == kFarDeviceAt) << c.name;
    }
}

TEST_F(SimBbmdMode, RegistrationsExpireAndTheTableIsBounded)
{
    bacnet::MemoryLink local(net, Endpoint::Loopback(40001)), third(net, Endpoint(0x7F00000A, 40000));
    Client localDevice(local, kDeviceAt), thirdDevice(third, kDeviceAt);
    client.Send(Hex("81 05 00 06 00 01"));
    localDevice.Send(Hex("81 05 00 06 00 3C"));
    thirdDevice.Send(Hex("81 05 00 06 00 3C"));
    EXPECT_EQ(client.Drain(), std::vector<std::string>{"81 00 00 06 00 00"});
    EXPECT_EQ(localDevice.Drain(), std::vector<std::string>{"81 00 00 06 00 00"});
    EXPECT_EQ(thirdDevice.Drain(), std::vector<std::string>{"81 00 00 06 00 30"});  // the table is full
    EXPECT_EQ(bbmd.ForeignDevices(), 2u);

    // A broadcast on the BBMD's link goes to the peer and to every foreign device but its sender.
    localDevice.Send(Hex("81 0B 00 08 01 00 10 08"));
    EXPECT_EQ(client.Drain(), std::vector<std::string>{"81 04 00 0E 7F 00 00 01 9C 41 01 00 10 08"});
    localDevice.Drain();

    // One second to live and thirty of grace: at 31 s the entry is gone.
    net.Advance(std::chrono::seconds(31));
    client.Send(Hex("81 06 00 04"));
    EXPECT_EQ(client.Drain(), std::vector<std::string>{"81 07 00 0E 7F 00 00 01 9C 41 00 3C 00 3B"});
    thirdDevice.Send(Hex("81 05 00 06 00 3C"));
    EXPECT_EQ(thirdDevice.Drain(), std::vector<std::string>{"81 00 00 06 00 00"});
    EXPECT_EQ(bbmd.ForeignDevices(), 2u);
}

}  // namespace
