// The simulated device under abuse: requesters that never acknowledge,
// floods of creations, and the amount it sends back for what it receives.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <string>

#include "Hex.h"
#include "SimDatabase.h"
#include "SimDevice.h"
#include "SimSegmenter.h"
#include "SimServices.h"
#include "sim/SimClient.h"

using namespace bacnetsim;

namespace {

constexpr uint32_t kInstance = 4321;

Peer PeerAt(uint16_t port)
{
    Peer peer;
    peer.ip = htonl(INADDR_LOOPBACK);
    peer.port = htons(port);
    return peer;
}

struct Sent {
    uint16_t port;
    std::string apdu;
};

// A segmenter whose sends are recorded, port and octets.
struct Recorder {
    std::vector<Sent> sent;
    Segmenter segmenter{[this](const Peer& peer, const std::vector<unsigned char>& apdu) {
                            sent.push_back({ntohs(peer.port), ToHex(apdu.data(), std::min<int>(5, int(apdu.size())))});
                        },
                        nullptr};
};

TEST(SimSegmenter, HeldRepliesAreCappedPerPeerAndInAllOldestFirst)
{
    using Clock = Segmenter::Clock;
    const Clock::time_point t0 = Clock::now();
    const std::vector<unsigned char> reply(3000, 0xC4);  // three segments at 1476
    struct Step {
        const char* name;
        uint16_t port;
        unsigned char invokeID;
        size_t octets;
        std::vector<Sent> sends;  // what the device sends for it, in order
        size_t held;
    } steps[] = {
        {"first of peer 1", 1, 1, 3000, {{1, "3C 01 00 10 0C"}}, 1},
        {"second", 1, 2, 3000, {{1, "3C 02 00 10 0C"}}, 2},
        {"third", 1, 3, 3000, {{1, "3C 03 00 10 0C"}}, 3},
        {"fourth", 1, 4, 3000, {{1, "3C 04 00 10 0C"}}, 4},
        {"fifth releases the peer's oldest", 1, 5, 3000, {{1, "71 01 09"}, {1, "3C 05 00 10 0C"}}, 4},
        {"other peers fill up", 2, 1, 3000, {{2, "3C 01 00 10 0C"}}, 5},
    };
    Recorder r;
    for (const Step& step : steps) {
        r.sent.clear();
        r.segmenter.Start(PeerAt(step.port), step.invokeID, 12, std::vector<unsigned char>(step.octets, 0xC4), 1476, 0,
                          t0);
        ASSERT_EQ(r.sent.size(), step.sends.size()) << step.name;
        for (size_t i = 0; i < step.sends.size(); i++) {
            EXPECT_EQ(r.sent[i].port, step.sends[i].port) << step.name;
            EXPECT_EQ(r.sent[i].apdu, step.sends[i].apdu) << step.name;
        }
        EXPECT_EQ(r.segmenter.Pending(), step.held) << step.name;
    }
    // Seven more peers with four each: the total stops at its limit, and
    // peer 1's oldest (invoke 2) goes first.
    r.sent.clear();
    for (uint16_t port = 3; port <= 9; port++)
        for (unsigned char id = 1; id <= 4; id++)
            r.segmenter.Start(PeerAt(port), id, 12, reply, 1476, 0, t0);
    EXPECT_EQ(r.segmenter.Pending(), kMaxReplies);
    ASSERT_EQ(r.sent.size(), 29u);
    EXPECT_EQ(r.sent[27].port, 1);
    EXPECT_EQ(r.sent[27].apdu, "71 02 09");
    EXPECT_EQ(r.sent[28].port, 9);

    // Held octets: a third reply of 400,000 octets would pass the limit, so
    // the oldest goes, whoever asked for it.
    Recorder big;
    const std::vector<unsigned char> large(400000, 0xC4);
    for (unsigned char id = 1; id <= 3; id++)
        big.segmenter.Start(PeerAt(id), id, 12, large, 1476, 0, t0);
    EXPECT_EQ(big.segmenter.Pending(), 2u);
    EXPECT_EQ(big.segmenter.HeldOctets(), 800000u);
    EXPECT_LE(big.segmenter.HeldOctets(), kMaxHeldOctets);
}

TEST(SimSegmenter, AFirstSegmentIsSentAgainOnlyForTheRequester)
{
    using Clock = Segmenter::Clock;
    const Clock::time_point t0 = Clock::now();
    const std::vector<unsigned char> reply(3000, 0xC4);
    Recorder r;
    r.segmenter.Start(PeerAt(1), 1, 12, reply, 1476, 0, t0);
    r.segmenter.Start(PeerAt(1), 2, 12, reply, 1476, 0, t0);
    ASSERT_EQ(r.sent.size(), 2u);
    // The requester repeats request 1: its first segment again. Request 2
    // is acknowledged, so its next window goes.
    EXPECT_TRUE(r.segmenter.Repeated(PeerAt(1), 1, t0));
    EXPECT_FALSE(r.segmenter.Repeated(PeerAt(1), 3, t0));
    r.segmenter.OnSegmentAck(PeerAt(1), 2, 0, 2, t0);
    ASSERT_EQ(r.sent.size(), 5u);
    EXPECT_EQ(r.sent[2].apdu, "3C 01 00 10 0C");
    EXPECT_EQ(r.sent[3].apdu, "3C 02 01 10 0C");
    EXPECT_EQ(r.sent[4].apdu, "38 02 02 10 0C");
    // Past the timeout: the unacknowledged first segment is not sent on a
    // timer, it is given up; the acknowledged reply's window is resent.
    r.segmenter.Tick(t0 + std::chrono::milliseconds(kSegmentTimeoutMs + 1));
    EXPECT_EQ(r.segmenter.Pending(), 1u);
    ASSERT_EQ(r.sent.size(), 7u);
    EXPECT_EQ(r.sent[5].apdu, "3C 02 01 10 0C");
    EXPECT_EQ(r.sent[6].apdu, "38 02 02 10 0C");
}

// CreateObject requests of analog values, by type, straight to the handlers.
double SecondsToCreate(Services& services, int count)
{
    Received create(Hex("02 05 01 0A 0E 09 02 0F"));
    const auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < count; i++) {
        const Outcome outcome = services.Handle(create.buf(), 0, create.end());
        if (outcome.apdu.empty() || outcome.apdu[0] != 0x30)
            return -1;
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
}

TEST(SimDatabaseGrowth, CreatingTakesAsLongWithManyObjectsAsWithFew)
{
    Database db(kInstance, 0);  // ten objects, analog value 1 among them
    Services services(db);
    const double first = SecondsToCreate(services, 1000);
    ASSERT_GT(first, 0);
    ASSERT_GT(SecondsToCreate(services, 17990), 0);
    // The best of three batches up to the limit of 20,000 objects (analog
    // values 18992 to 19991), against the first batch.
    double last = SecondsToCreate(services, 1000);
    for (int round = 0; round < 2; round++) {
        for (uint32_t instance = 18992; instance <= 19991; instance++)
            ASSERT_TRUE(db.Delete(MakeObjectID(OBJ_ANALOG_VALUE, instance)).ok);
        last = std::min(last, SecondsToCreate(services, 1000));
    }
    EXPECT_LT(last, 4 * first + 0.005) << "1000 creates: " << first << " s with few objects, " << last
                                        << " s with 19,000";
    // Full: the next is refused with the standard's error.
    Received create(Hex("02 05 01 0A 0E 09 02 0F"));
    EXPECT_EQ(ToHex(services.Handle(create.buf(), 0, create.end()).apdu), "50 01 0A 0E 91 03 91 12 0F 19 00");
}

size_t ResidentKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stoul(line.substr(6));
    return 0;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;  // freed memory is held in quarantine: resident size says nothing
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

class SimAbuseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        options.port = 0;
        options.deviceInstance = kInstance;
        device = std::make_unique<SimDevice>(options);
        std::string error;
        ASSERT_TRUE(device->Start(&error)) << error;
    }

    SimOptions options;  // 600 extra objects: the object list takes three segments at 1476
    std::unique_ptr<SimDevice> device;
};

// ReadProperty object-list of device 4321, segments accepted, max APDU 1476.
std::vector<unsigned char> ReadObjectList(unsigned char invokeID)
{
    std::vector<unsigned char> apdu = Hex("02 05 00 0C 0C 02 00 10 E1 19 4C");
    apdu[2] = invokeID;
    return apdu;
}

TEST_F(SimAbuseTest, OneRequestNobodyAcknowledgesDrawsOneSegment)
{
    Client client(device->Port());
    client.Request(ReadObjectList(7));  // a datagram of 17 octets
    std::vector<unsigned char> datagram;
    ASSERT_TRUE(client.ReceiveDatagram(datagram, 3000));
    EXPECT_EQ(datagram.size(), 1482u);  // 4 BVLC, 2 network header, 1476 APDU
    EXPECT_EQ(ToHex(datagram.data() + 6, 5), "3C 07 00 10 0C");
    // Nothing more, well past the segment timeout, and the reply is let go.
    EXPECT_FALSE(client.ReceiveDatagram(datagram, static_cast<int>(kSegmentTimeoutMs) + 500));
    EXPECT_EQ(device->HeldReplies(), 0u);
}

TEST_F(SimAbuseTest, MemoryStaysFlatUnderTwentyThousandUnacknowledgedRequests)
{
    constexpr int kRequests = 20000, kPeers = 16;
    std::vector<std::unique_ptr<Client>> clients;
    for (int i = 0; i < kPeers; i++)
        clients.push_back(std::make_unique<Client>(device->Port()));
    // Each request is answered with its first segment, and some with the
    // Abort of an older reply released; the next request waits for the segment.
    auto request = [&](int i) {
        Client& client = *clients[static_cast<size_t>(i % kPeers)];
        const unsigned char invokeID = static_cast<unsigned char>(i / kPeers);
        client.Request(ReadObjectList(invokeID));
        std::vector<unsigned char> apdu;
        while (client.Receive(apdu, 3000))
            if (apdu.size() > 2 && apdu[0] == 0x3C && apdu[1] == invokeID)
                return true;
        return false;
    };
    for (int i = 0; i < 1000; i++)  // the allocator's working set, first
        ASSERT_TRUE(request(i)) << i;
    const size_t before = ResidentKilobytes();
    size_t mostHeld = 0, mostOctets = 0;
    for (int i = 0; i < kRequests; i++) {
        ASSERT_TRUE(request(i)) << i;
        mostHeld = std::max(mostHeld, device->HeldReplies());
        mostOctets = std::max(mostOctets, device->HeldOctets());
    }
    const size_t after = ResidentKilobytes();
    EXPECT_LE(mostHeld, kMaxReplies);
    EXPECT_LE(mostOctets, kMaxHeldOctets);
    std::printf("resident %zu kB before, %zu kB after %d unacknowledged requests; at most %zu replies (%zu octets) held\n",
                before, after, kRequests, mostHeld, mostOctets);
    if (!kSanitized) {
        EXPECT_LT(after, before + 2048) << "resident kB grew from " << before;
    }
}

}  // namespace
