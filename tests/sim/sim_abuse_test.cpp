// The simulated device under abuse and on the network: requesters that
// never acknowledge, floods of creations, malformed datagrams, and the
// device's life as a program (start, stop, serve, step).
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "SimDevice.h"
#include "SimSegmenter.h"
#include "client/MemoryLink.h"
#include "client/UdpLink.h"
#include "sim/SimClient.h"

using namespace bacnetsim;

namespace {

constexpr bacnet::Endpoint kDeviceAt = bacnet::Endpoint::Loopback(47808);
constexpr bacnet::Endpoint kClientAt = bacnet::Endpoint::Loopback(40000);
using Clock = Segmenter::Clock;

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

TEST(SimSegmenter, AFirstSegmentIsSentAgainOnlyForTheRequester)
{
    Recorder r;
    r.Start(1, 1);
    r.Start(1, 2);
    // The requester repeats request 1: its first segment again. Request 2
    // is acknowledged, so its next window goes.
    EXPECT_TRUE(r.segmenter.Repeated(PeerAt(1), 1, r.t0));
    EXPECT_FALSE(r.segmenter.Repeated(PeerAt(1), 3, r.t0));
    r.segmenter.OnSegmentAck(PeerAt(1), 2, 0, 2, r.t0);
    EXPECT_EQ(r.sent, (std::vector<std::string>{"1: 3C 01 00 10 0C", "1: 3C 02 00 10 0C", "1: 3C 01 00 10 0C",
                                                "1: 3C 02 01 10 0C", "1: 38 02 02 10 0C"}));
    // A reply started later is not due yet.
    r.segmenter.Start(PeerAt(2), 1, 12, std::vector<unsigned char>(3000, 0xC4), 1476, 0,
                      r.t0 + std::chrono::milliseconds(600));
    r.sent.clear();
    // Past the timeout: the unacknowledged first segment is not sent on a
    // timer, it is given up; the acknowledged reply's window is resent.
    r.segmenter.Tick(r.t0 + std::chrono::milliseconds(kSegmentTimeoutMs + 1));
    EXPECT_EQ(r.segmenter.Pending(), 2u);
    EXPECT_EQ(r.sent, (std::vector<std::string>{"1: 3C 02 01 10 0C", "1: 38 02 02 10 0C"}));
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
        {"two segments allowed, two needed", 93, true, true, 50, 2, Delivery::SEGMENTED, 2, 0},
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
class SimOnTheNetwork : public ::testing::Test {
protected:
    void SetUp() override
    {
        options.deviceInstance = kInstance;
        device = std::make_unique<SimDevice>(net, kDeviceAt, options);
    }

    bacnet::MemoryNetwork net;
    bacnet::MemoryLink link{net, kClientAt};
    SimOptions options;
    std::unique_ptr<SimDevice> device;
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
        bacnet::Endpoint to = kClientAt;
    } cases[] = {
        {"local unicast", "81 0A 00 08 01 04 10 08", local},
        {"local broadcast", "81 0B 00 08 01 04 10 08", local},
        {"global broadcast", "81 0B 00 0C 01 20 FF FF 00 FF 10 08", local},
        {"routed requester", "81 0A 00 0C 01 08 00 05 01 07 10 08", "81 0A 00 1A 01 20 00 05 01 07 FF " + iAm},
        {"relayed by a BBMD", "81 04 00 0E 7F 00 00 01 BA C1 01 00 10 08", local, bacnet::Endpoint::Loopback(47809)},
        {"object list, unsegmented", "81 0A 00 11 01 04 00 05 01 0C 0C 02 00 10 E1 19 4C",
         "81 0A 00 09 01 00 71 01 04"},
        {"for another network", "81 0A 00 0D 01 24 00 05 01 07 FF 10 08", ""},
        {"network layer message, not a router", "81 0A 00 07 01 80 00", ""},
        {"length one short", "81 0A 00 07 01 04 10 08", ""},
        {"length past the datagram", "81 0A 00 09 01 04 10 08", ""},
        {"not BACnet/IP", "82 0A 00 08 01 04 10 08", ""},
        {"empty", "", ""},
        {"length far past", "81 0A FF FF 01 04", ""},
        {"cut request", "81 0A 00 09 01 04 02 05 01", ""},
        {"a BVLC-Result", "81 00 00 06 00 00", ""},
        {"still serving", "81 0A 00 08 01 04 10 08", local},
    };
    bacnet::MemoryLink originatorLink(net, bacnet::Endpoint::Loopback(47809));
    Client originator(originatorLink, kDeviceAt);
    for (const Case& c : cases) {
        client.SendDatagram(Hex(c.datagram));
        std::vector<unsigned char> reply;
        bacnet::Endpoint from;
        const bool answered = (c.to == kClientAt ? client : originator).ReceiveDatagram(reply, 300, &from);
        EXPECT_EQ(answered ? ToHex(reply) : "", c.reply) << c.name;
        EXPECT_TRUE(!answered || from == kDeviceAt) << c.name;
    }
}

// A requester that never acknowledges draws the first segment alone, and
// the reply is let go after the segment timeout.
TEST_F(SimOnTheNetwork, UnacknowledgedRepliesAreLetGo)
{
    client.Request(Hex("02 05 07 0C 0C 02 00 10 E1 19 4C"));  // the object list: three segments at 1476
    std::vector<unsigned char> datagram;
    ASSERT_TRUE(client.ReceiveDatagram(datagram, 3000));
    EXPECT_EQ(datagram.size(), 1482u);  // 4 BVLC, 2 network header, 1476 APDU
    EXPECT_EQ(ToHex(datagram.data() + 6, 5), "3C 07 00 10 0C");
    EXPECT_FALSE(client.ReceiveDatagram(datagram, static_cast<int>(kSegmentTimeoutMs) + 500));
    EXPECT_EQ(device->HeldReplies(), 0u);
}

bool Answers(bacnet::Link& link, uint16_t port)
{
    Client client(link, bacnet::Endpoint::Loopback(port));
    client.Request(Hex("10 08"));
    std::vector<unsigned char> reply;
    return client.ReceiveDatagram(reply, 3000);
}

TEST(SimDeviceLifecycle, StartsStopsRestartsAndServesInTheCaller)
{
    SimOptions options;
    options.port = 0;
    options.extraObjects = 0;
    SimDevice device(options);
    std::string error;
    EXPECT_EQ(device.Step(std::chrono::milliseconds(0)), 0u);  // not bound yet: nothing to do
    ASSERT_TRUE(device.Start(&error)) << error;
    EXPECT_FALSE(device.Start(&error));
    EXPECT_FALSE(error.empty());

    // A second device cannot take a port in use.
    SimOptions same = options;
    same.port = device.Port();
    SimDevice second(same);
    error.clear();
    EXPECT_FALSE(second.Start(&error));
    EXPECT_NE(error.find("bind"), std::string::npos) << error;

    device.Stop();
    device.Stop();
    ASSERT_TRUE(device.Start(&error)) << error;
    std::unique_ptr<bacnet::UdpLink> udp = bacnet::UdpLink::Open(bacnet::Endpoint::Loopback(0), &error);
    ASSERT_TRUE(udp) << error;
    EXPECT_TRUE(Answers(*udp, device.Port()));
    device.Stop();

    // On a link of the caller's, driven by Step.
    bacnet::MemoryNetwork net;
    bacnet::MemoryLink deviceLink(net, kDeviceAt), clientLink(net, kClientAt);
    SimDevice stepped(deviceLink, options);
    EXPECT_EQ(stepped.Port(), kDeviceAt.m_port);
    EXPECT_FALSE(stepped.Step(std::chrono::milliseconds(50)));
    Client steppedClient(clientLink, kDeviceAt);
    steppedClient.Request(Hex("10 08"));
    steppedClient.Request(Hex("10 08"));
    EXPECT_EQ(stepped.Step(std::chrono::milliseconds(0)), 2u);
    std::vector<unsigned char> reply;
    EXPECT_TRUE(steppedClient.ReceiveDatagram(reply, 0));
    EXPECT_TRUE(steppedClient.ReceiveDatagram(reply, 0));
}

}  // namespace
