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
#include "client/MemoryLink.h"
#include "sim/SimClient.h"

using namespace bacnetsim;

namespace {

constexpr uint32_t kInstance = 4321;
constexpr bacnet::Endpoint kDeviceAt = bacnet::Endpoint::Loopback(47808);

struct Sent {
    uint16_t port;
    std::string apdu;
};

// A segmenter whose sends are recorded, port and octets.
struct Recorder {
    std::vector<Sent> sent;
    Segmenter segmenter{[this](const Peer& peer, const std::vector<unsigned char>& apdu) {
                            sent.push_back({peer.endpoint.m_port, ToHex(apdu.data(), std::min<int>(5, int(apdu.size())))});
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
        {"another peer", 2, 1, 3000, {{2, "3C 01 00 10 0C"}}, 5},
        {"its second", 2, 2, 3000, {{2, "3C 02 00 10 0C"}}, 6},
        {"its third", 2, 3, 3000, {{2, "3C 03 00 10 0C"}}, 7},
        {"its fourth", 2, 4, 3000, {{2, "3C 04 00 10 0C"}}, 8},
        {"its fifth releases its own oldest", 2, 5, 3000, {{2, "71 01 09"}, {2, "3C 05 00 10 0C"}}, 8},
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
    // Six more peers with four each fill the device to its limit; one more
    // reply and peer 1's oldest (invoke 2) goes first.
    r.sent.clear();
    for (uint16_t port = 3; port <= 8; port++)
        for (unsigned char id = 1; id <= 4; id++)
            r.segmenter.Start(PeerAt(port), id, 12, reply, 1476, 0, t0);
    EXPECT_EQ(r.segmenter.Pending(), kMaxReplies);
    r.segmenter.Start(PeerAt(9), 1, 12, reply, 1476, 0, t0);
    EXPECT_EQ(r.segmenter.Pending(), kMaxReplies);
    ASSERT_EQ(r.sent.size(), 26u);
    EXPECT_EQ(r.sent[24].port, 1);
    EXPECT_EQ(r.sent[24].apdu, "71 02 09");
    EXPECT_EQ(r.sent[25].port, 9);

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
    // A reply started later is not due yet.
    r.segmenter.Start(PeerAt(2), 1, 12, reply, 1476, 0, t0 + std::chrono::milliseconds(600));
    ASSERT_EQ(r.sent.size(), 6u);
    r.sent.pop_back();
    // Past the timeout: the unacknowledged first segment is not sent on a
    // timer, it is given up; the acknowledged reply's window is resent.
    r.segmenter.Tick(t0 + std::chrono::milliseconds(kSegmentTimeoutMs + 1));
    EXPECT_EQ(r.segmenter.Pending(), 2u);
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
    Database db(kInstance, 0);  // eleven objects, analog value 1 among them
    Services services(db);
    // The best of three batches of analog values 2 to 1001, then of three
    // up to the limit of 20,000 objects (analog values 18991 to 19990).
    auto best = [&](uint32_t from) {
        double seconds = SecondsToCreate(services, 1000);
        for (int round = 0; round < 2; round++) {
            for (uint32_t instance = from; instance < from + 1000; instance++)
                EXPECT_TRUE(db.Delete(MakeObjectID(OBJ_ANALOG_VALUE, instance)).ok);
            seconds = std::min(seconds, SecondsToCreate(services, 1000));
        }
        return seconds;
    };
    const double first = best(2);
    ASSERT_GT(first, 0);
    ASSERT_GT(SecondsToCreate(services, 17989), 0);
    const double last = best(18991);
    ASSERT_GT(last, 0);
    std::printf("1000 creates: %.3f s with few objects, %.3f s with 19,000\n", first, last);
    EXPECT_LT(last, 4 * first + 0.005) << "1000 creates: " << first << " s with few objects, " << last
                                        << " s with 19,000";
    // Full: the next is refused with the standard's error.
    Received create(Hex("02 05 01 0A 0E 09 02 0F"));
    EXPECT_EQ(ToHex(services.Handle(create.buf(), 0, create.end()).apdu), "50 01 0A 0E 91 03 91 12 0F 19 00");
}

// Writes checked against each property's datatype and range, straight to
// the handlers. Rows run in order on one database. After 02 05 <id> 0F:
// the object, property, value and priority; the reply is an Error (class
// property, 91 02) with its code, or a Simple-ACK.
TEST(SimWrites, EachWriteIsCheckedAgainstItsPropertysDatatypeAndRange)
{
    struct Case {
        const char* name;
        const char* write;
        const char* code;  // the error code, "" for a Simple-ACK
    } cases[] = {
        {"name with a NUL", "0C 00 80 00 01 19 4D 3E 75 05 00 41 00 42 43 3F", "25"},
        {"name with a tab", "0C 00 80 00 01 19 4D 3E 75 04 00 41 09 42 3F", "25"},
        {"name in UCS-2", "0C 00 80 00 01 19 4D 3E 75 05 04 00 41 00 42 3F", "29"},
        {"name not UTF-8", "0C 00 80 00 01 19 4D 3E 75 03 00 C3 28 3F", "25"},
        {"name overlong UTF-8", "0C 00 80 00 01 19 4D 3E 75 03 00 C0 AF 3F", "25"},
        {"name empty", "0C 00 80 00 01 19 4D 3E 75 01 00 3F", "25"},
        {"name as a number", "0C 00 80 00 01 19 4D 3E 21 05 3F", "09"},
        {"name another object has", "0C 00 80 00 01 19 4D 3E 75 11 00 5A 6F 6E 65 20 54 65 6D 70 65 72 61 74 75 72 65 3F",
         "30"},
        {"name in UTF-8", "0C 00 80 00 01 19 4D 3E 75 06 00 43 61 66 C3 A9 3F", ""},
        {"description with a NUL", "0C 00 80 00 01 19 1C 3E 75 03 00 41 00 3F", "25"},
        {"description with a line break", "0C 00 80 00 01 19 1C 3E 75 04 00 41 0A 42 3F", ""},
        {"location with a NUL", "0C 02 00 10 E1 19 3A 3E 75 02 00 00 3F", "25"},
        {"units 99999", "0C 00 80 00 01 19 75 3E 93 01 86 9F 3F", "25"},
        {"units of an input 65536", "0C 00 00 00 01 19 75 3E 93 01 00 00 3F", "25"},
        {"units as Unsigned", "0C 00 80 00 01 19 75 3E 21 3E 3F", "09"},
        {"units 65535", "0C 00 80 00 01 19 75 3E 92 FF FF 3F", ""},
        {"units of a binary value", "0C 01 40 00 01 19 75 3E 91 3E 3F", "20"},
        {"effective period backwards", "0C 04 40 00 01 19 20 3E A4 7E 0C 1F FF A4 7E 01 01 FF 3F", "25"},
        {"effective period in month 15", "0C 04 40 00 01 19 20 3E A4 7E 0F 01 FF A4 7E 10 01 FF 3F", "25"},
        {"effective period on day 35", "0C 04 40 00 01 19 20 3E A4 7E 01 23 FF A4 7E 02 01 FF 3F", "25"},
        {"effective period forwards", "0C 04 40 00 01 19 20 3E A4 7E 01 01 FF A4 7E 0C 1F FF 3F", ""},
        {"effective period open-ended", "0C 04 40 00 01 19 20 3E A4 7E 01 01 FF A4 FF FF FF FF 3F", ""},
        {"date list with a range backwards", "0C 01 80 00 01 19 17 3E 1E A4 7E 02 05 FF A4 7E 02 01 FF 1F 3F", "25"},
        {"date list with week 9", "0C 01 80 00 01 19 17 3E 2B 01 09 01 3F", "25"},
        {"date list with weekday 8", "0C 01 80 00 01 19 17 3E 0C 7E 01 01 08 3F", "25"},
        {"date list, good", "0C 01 80 00 01 19 17 3E 0C 7E 01 01 FF 2B FF 06 05 3F", ""},
        {"a day at 25 o'clock", "0C 04 40 00 01 19 7B 29 01 3E 0E B4 19 00 00 00 91 01 0F 3F", "25"},
        {"a day at 59 past", "0C 04 40 00 01 19 7B 29 01 3E 0E B4 07 3B 00 00 91 01 0F 3F", ""},
        {"exception by a non-calendar", "0C 04 40 00 01 19 26 3E 1C 00 00 00 01 2E B4 08 00 00 00 91 01 2F 39 10 3F",
         "25"},
        {"exception range backwards",
         "0C 04 40 00 01 19 26 3E 0E 1E A4 7E 02 05 FF A4 7E 02 01 FF 1F 0F 2E 2F 39 10 3F", "25"},
        {"exception at priority 17", "0C 04 40 00 01 19 26 3E 1C 01 80 00 01 2E 2F 39 11 3F", "25"},
        {"out of service as Real", "0C 00 80 00 01 19 51 3E 44 00 00 00 00 3F", "09"},
        {"state 5 of 4", "0C 04 C0 00 01 19 55 3E 21 05 3F 49 08", "25"},
        {"state 0", "0C 04 C0 00 01 19 55 3E 21 00 3F 49 08", "25"},
        {"setpoint as Enumerated", "0C 00 80 00 01 19 55 3E 91 01 3F 49 08", "09"},
        {"setpoint relinquish default Null", "0C 00 80 00 01 19 68 3E 00 3F", "09"},
        {"object type", "0C 00 80 00 01 19 4F 3E 91 02 3F", "28"},
        {"property list", "0C 00 80 00 01 1A 01 73 29 01 3E 91 55 3F", "28"},
        {"unknown property 9999", "0C 00 80 00 01 1A 27 0F 3E 21 01 3F", "20"},
        {"index on a plain property", "0C 00 80 00 01 19 1C 29 01 3E 75 02 00 41 3F", "32"},
        {"priority slot 6", "0C 00 80 00 01 19 55 3E 44 00 00 00 00 3F 49 06", "28"},
        {"two values for one", "0C 00 80 00 01 19 51 3E 10 10 3F", "09"},
        {"schedule default as Double", "0C 04 40 00 01 19 AE 3E 55 08 40 09 21 FB 54 44 2D 18 3F", ""},
    };
    Database db(kInstance, 0);
    Services services(db);
    unsigned char id = 1;
    for (const Case& c : cases) {
        const std::string idHex = ToHex(&id, 1);
        Received request("02 05 " + idHex + " 0F " + c.write);
        const std::string expected = *c.code ? "50 " + idHex + " 0F 91 02 91 " + c.code : "20 " + idHex + " 0F";
        EXPECT_EQ(ToHex(services.Handle(request.buf(), 0, request.end()).apdu), expected) << c.name;
        id++;
    }
    // What was taken reads back as written.
    Received name(Hex("02 05 01 0C 0C 00 80 00 01 19 4D"));
    EXPECT_EQ(ToHex(services.Handle(name.buf(), 0, name.end()).apdu),
              "30 01 0C 0C 00 80 00 01 19 4D 3E 75 06 00 43 61 66 C3 A9 3F");
    Received period(Hex("02 05 02 0C 0C 04 40 00 01 19 20"));
    EXPECT_EQ(ToHex(services.Handle(period.buf(), 0, period.end()).apdu),
              "30 02 0C 0C 04 40 00 01 19 20 3E A4 7E 01 01 FF A4 FF FF FF FF 3F");
    Received fallback(Hex("02 05 03 0C 0C 04 40 00 01 19 AE"));
    EXPECT_EQ(ToHex(services.Handle(fallback.buf(), 0, fallback.end()).apdu),
              "30 03 0C 0C 04 40 00 01 19 AE 3E 55 08 40 09 21 FB 54 44 2D 18 3F");
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
        options.deviceInstance = kInstance;
        device = std::make_unique<SimDevice>(net, kDeviceAt, options);
    }

    // A requester of its own, port 40000 + n.
    std::unique_ptr<Client> Requester(uint16_t n)
    {
        links.push_back(std::make_unique<bacnet::MemoryLink>(net, bacnet::Endpoint::Loopback(40000 + n)));
        return std::make_unique<Client>(*links.back(), kDeviceAt);
    }

    bacnet::MemoryNetwork net;
    std::vector<std::unique_ptr<bacnet::MemoryLink>> links;
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
    std::unique_ptr<Client> requester = Requester(0);
    Client& client = *requester;
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
        clients.push_back(Requester(static_cast<uint16_t>(i)));
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

// What a read gives, straight from the handlers: ReadProperty of an
// object and property (and index) after 02 05 <id> 0C, and the value
// between 3E and 3F, or the Error's class and code.
TEST(SimReads, PropertiesReadAsTheStandardGivesThem)
{
    struct Case {
        const char* name;
        const char* read;
        const char* value;  // "91 02 91 20": an Error
    } cases[] = {
        {"multi-state type", "0C 04 C0 00 01 19 4F", "91 13"},
        {"number of states", "0C 04 C0 00 01 19 4A", "21 04"},
        {"state texts", "0C 04 C0 00 01 19 6E",
         "74 00 4F 66 66 75 05 00 48 65 61 74 75 05 00 43 6F 6F 6C 75 05 00 41 75 74 6F"},
        {"state texts counted", "0C 04 C0 00 01 19 6E 29 00", "21 04"},
        {"state 5 of 4", "0C 04 C0 00 01 19 6E 29 05", "91 02 91 2A"},
        {"multi-state present value", "0C 04 C0 00 01 19 55", "21 01"},
        {"relinquish default", "0C 04 C0 00 01 19 68", "21 01"},
        {"last priority slot", "0C 04 C0 00 01 19 57 29 10", "00"},
        {"event state", "0C 04 C0 00 01 19 24", "91 00"},
        {"reliability", "0C 04 C0 00 01 19 67", "91 00"},
        {"out of service", "0C 04 C0 00 01 19 51", "10"},
        {"status flags", "0C 04 C0 00 01 19 6F", "82 04 00"},
        {"description", "0C 04 C0 00 01 19 1C", "71 00"},
        {"units of a multi-state value", "0C 04 C0 00 01 19 75", "91 02 91 20"},
        {"index on number of states", "0C 04 C0 00 01 19 4A 29 01", "91 02 91 32"},
        {"property 9999", "0C 04 C0 00 01 1A 27 0F", "91 02 91 20"},
        {"multi-state property list", "0C 04 C0 00 01 1A 01 73",
         "91 55 91 6F 91 24 91 51 91 4A 91 1C 91 67 91 6E 91 57 91 68"},
        {"active text", "0C 01 40 00 01 19 04", "73 00 4F 6E"},
        {"inactive text", "0C 01 40 00 01 19 2E", "74 00 4F 66 66"},
        {"protocol revision", "0C 02 00 10 E1 19 8B", "21 0E"},
        {"object types supported", "0C 02 00 10 E1 19 60", "85 08 01 E6 80 58 00 00 00 00"},
        {"services supported", "0C 02 00 10 E1 19 61", "85 07 07 04 3B 80 00 FA 00"},
        {"segmentation supported: transmit", "0C 02 00 10 E1 19 6B", "91 01"},
        {"max segments accepted", "0C 02 00 10 E1 19 A7", "21 01"},
        {"max APDU", "0C 02 00 10 E1 19 3E", "22 05 C4"},
        {"calendar date list", "0C 01 80 00 01 19 17",
         "0C FF 01 01 FF 1E A4 7D 0C 18 03 A4 7D 0C 1A 05 1F 2B 0B 04 04"},
        {"date list is a list", "0C 01 80 00 01 19 17 29 01", "91 02 91 32"},
        {"an input's wildcard is no device", "0C 00 3F FF FF 19 4B", "91 01 91 1F"},
    };
    Database db(kInstance, 0);
    Services services(db);
    unsigned char id = 1;
    for (const Case& c : cases) {
        const std::string idHex = ToHex(&id, 1);
        Received request("02 05 " + idHex + " 0C " + c.read);
        const std::string reply = ToHex(services.Handle(request.buf(), 0, request.end()).apdu);
        const std::string value(c.value);
        if (value.rfind("91 02 91", 0) == 0 || value.rfind("91 01 91", 0) == 0)
            EXPECT_EQ(reply, "50 " + idHex + " 0C " + value) << c.name;
        else
            EXPECT_EQ(reply, "30 " + idHex + " 0C " + std::string(c.read) + " 3E " + value + " 3F") << c.name;
        id++;
    }
    // Device 4194303 is this device, and the acknowledgement names it.
    Received wildcard(Hex("02 05 01 0C 0C 02 3F FF FF 19 4B"));
    EXPECT_EQ(ToHex(services.Handle(wildcard.buf(), 0, wildcard.end()).apdu),
              "30 01 0C 0C 02 00 10 E1 19 4B 3E C4 02 00 10 E1 3F");
    Received multiple(Hex("02 05 02 0E 0C 02 3F FF FF 1E 09 62 1F"));
    EXPECT_EQ(ToHex(services.Handle(multiple.buf(), 0, multiple.end()).apdu),
              "30 02 0E 0C 02 00 10 E1 1E 29 62 4E 21 01 4F 1F");
}

// Every property of every object reads as well-formed values, and ALL
// gives each of them (property-list aside) without an error; a trend log's
// buffer is read only by range.
TEST(SimReads, EveryPropertyOfEveryObjectReads)
{
    Database db(kInstance, 0);
    Services services(db);
    int reads = 0;
    for (uint32_t objectID : db.ObjectList()) {
        const SimObject* object = db.Find(objectID);
        ASSERT_NE(object, nullptr);
        const SimObject::PropertyTable table = object->Properties();
        EXPECT_GE(table.count, table.required);
        Writer all;
        for (size_t i = 0; i < table.count; i++) {
            const uint32_t property = table.list[i];
            Writer value;
            const Status s = object->Read(db, property, kNoIndex, value);
            if (property == PROP_LOG_BUFFER) {  // ReadRange's alone
                EXPECT_EQ(s.errorCode, CODE_READ_ACCESS_DENIED);
                continue;
            }
            ASSERT_TRUE(s.ok) << "object " << (objectID >> 22) << "," << (objectID & 0x3FFFFF) << " property "
                              << property << ": " << int(s.errorClass) << "/" << int(s.errorCode);
            // Application-tagged values and constructed ones, to the last octet.
            Received data(value.Octets());
            CBACnetTag in(data.end());
            int len = 0;
            EXPECT_TRUE(SkipTagged(in, data.buf(), len)) << "property " << property;
            reads++;
        }
        // ReadPropertyMultiple ALL: one result per property, no error among them.
        std::vector<unsigned char> request = Hex("02 05 01 0E 0C 00 00 00 00 1E 09 08 1F");
        for (int k = 0; k < 4; k++)
            request[5 + k] = static_cast<unsigned char>(objectID >> (24 - 8 * k));
        Received rpm(request);
        const std::vector<unsigned char> ack = services.Handle(rpm.buf(), 0, rpm.end()).apdu;
        ASSERT_GE(ack.size(), 3u);
        EXPECT_EQ(ack[0], 0x30);
        const std::string text = ToHex(ack);
        size_t results = 0;
        for (size_t at = text.find(" 4E"); at != std::string::npos; at = text.find(" 4E", at + 1))
            results++;
        if (!object->Has(PROP_LOG_BUFFER)) {
            EXPECT_EQ(text.find(" 5E "), std::string::npos) << text;
        }
        EXPECT_GE(results, table.count - (object->Has(PROP_LOG_BUFFER) ? 2 : 1)) << text;  // "4E" may also stand inside a value
    }
    EXPECT_GT(reads, 80);
}

// UTC time synchronisation sets the clock from UTC: the device's local
// date and time are that instant in the local zone.
TEST(SimReads, UtcTimeSynchronizationSetsTheLocalClock)
{
    Database db(kInstance, 0);
    Services services(db);
    Received sync(Hex("10 09 A4 7E 06 11 03 B4 17 1E 00 00"));  // 2026-06-17 23:30 UTC
    EXPECT_EQ(services.Handle(sync.buf(), 0, sync.end()).kind, Outcome::NONE);
    std::tm utc{};
    utc.tm_year = 126;
    utc.tm_mon = 5;
    utc.tm_mday = 17;
    utc.tm_hour = 23;
    utc.tm_min = 30;
    const std::time_t instant = timegm(&utc);
    std::tm local{};
    localtime_r(&instant, &local);
    const unsigned char expected[] = {static_cast<unsigned char>(local.tm_year), static_cast<unsigned char>(local.tm_mon + 1),
                                      static_cast<unsigned char>(local.tm_mday), static_cast<unsigned char>(local.tm_hour)};
    Received date(Hex("02 05 01 0C 0C 02 00 10 E1 19 38"));
    const std::vector<unsigned char> reply = services.Handle(date.buf(), 0, date.end()).apdu;
    ASSERT_EQ(reply.size(), 17u) << ToHex(reply);
    EXPECT_EQ(ToHex(reply.data() + 12, 3), ToHex(expected, 3));
    Received time(Hex("02 05 02 0C 0C 02 00 10 E1 19 39"));
    const std::vector<unsigned char> clock = services.Handle(time.buf(), 0, time.end()).apdu;
    ASSERT_EQ(clock.size(), 17u) << ToHex(clock);
    EXPECT_EQ(clock[12], expected[3]);
}

// A reply goes whole, in segments, or as an Abort, as the requester's max
// APDU, segmentation acceptance and max segments allow.
TEST(SimDelivery, RepliesFitWhatTheRequesterTakes)
{
    struct Case {
        const char* name;
        size_t octets;      // the whole reply APDU
        bool complexAck;
        bool accepted;      // segmented response accepted
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

// The calendar's present value follows its date list on Wednesday,
// 17 June 2026 (an odd day of an even month, in its third week).
TEST(SimReads, CalendarPatternsMatchTheDay)
{
    struct Case {
        const char* name;
        const char* dateList;  // the value written, between 3E and 3F
        const char* today;     // present value: 11 true, 10 false
    } cases[] = {
        {"odd days", "0C FF FF 21 FF", "11"},
        {"even days", "0C FF FF 22 FF", "10"},
        {"last day of the month", "0C FF FF 20 FF", "10"},
        {"odd months", "0C FF 0D FF FF", "10"},
        {"even months", "0C FF 0E FF FF", "11"},
        {"Wednesdays", "0C FF FF FF 03", "11"},
        {"Thursdays", "0C FF FF FF 04", "10"},
        {"the 17th of any year", "0C FF 06 11 FF", "11"},
        {"third Wednesday of June", "2B 06 03 03", "11"},
        {"second week of June", "2B 06 02 FF", "10"},
        {"last seven days of June", "2B 06 06 FF", "10"},
        {"16 to 17 June", "1E A4 7E 06 10 FF A4 7E 06 11 FF 1F", "11"},
        {"18 to 19 June", "1E A4 7E 06 12 FF A4 7E 06 13 FF 1F", "10"},
        {"empty", "", "10"},
    };
    Database db(kInstance, 0);
    Services services(db);
    Received sync(Hex("10 06 A4 7E 06 11 03 B4 0A 00 00 00"));
    services.Handle(sync.buf(), 0, sync.end());
    for (const Case& c : cases) {
        Received write("02 05 01 0F 0C 01 80 00 01 19 17 3E " + std::string(c.dateList) + " 3F");
        EXPECT_EQ(ToHex(services.Handle(write.buf(), 0, write.end()).apdu), "20 01 0F") << c.name;
        Received read(Hex("02 05 02 0C 0C 01 80 00 01 19 55"));
        EXPECT_EQ(ToHex(services.Handle(read.buf(), 0, read.end()).apdu),
                  "30 02 0C 0C 01 80 00 01 19 55 3E " + std::string(c.today) + " 3F")
            << c.name;
    }
}

}  // namespace
