// The client against scripted devices on the in-memory network: values on
// the wire (written exactly, read back, refused), forged and mismatched
// replies dropped and counted, deadlines no device can extend, where frames
// go (devices behind routers, registration with a BBMD), and the reassembly
// of a segmented reply: segments lost, repeated and out of order.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include <bacnetcodec/bacnetcodec.h>

#include "ScriptedDevice.h"
#include "client/detail/Reassembly.h"

using namespace scripted;
using namespace bacnet::detail;

namespace {

const ObjectId kAv1(ObjectType::AnalogValue, 1);

TEST(ValueWire, WrittenExactlyReadBackOrRefused)
{
    const struct {
        std::optional<Value> value;  // written as `octets`, and read back from them; none: refused
        const char* octets;
    } rows[] = {
        {Value::Null(), "00"},
        {Value(true), "11"},
        {Value::Unsigned(300), "22 01 2C"},
        {Value::Signed(-200), "32 FF 38"},
        {Value::Real(22.5f), "44 41 B4 00 00"},
        {Value(1.5), "55 08 3F F8 00 00 00 00 00 00"},
        {Value(OctetString{{1, 2}}), "62 01 02"},
        {Value("Zon\xC3\xA9"), "75 06 00 5A 6F 6E C3 A9"},
        {Value(BitString{{true, false, true}}), "82 05 A0"},
        {Value::Enum(3), "91 03"},
        {Value(Date{126, 12, 6, 7}), "A4 7E 0C 06 07"},
        {Value(Time{12, 30, 5, 0}), "B4 0C 1E 05 00"},
        {Value(ObjectId(2, 5)), "C4 00 80 00 05"},
        {Value(Value::List{Value::Unsigned(1), Value::Unsigned(2)}), "21 01 21 02"},
        {Value(RawValue{Hex("1A 00 01")}), "1A 00 01"},                       // context-tagged: its octets
        {std::nullopt, "73 02 41 42"},                                        // a character set not taken
        {std::nullopt, "95 05 01 00 00 00 00"},                               // an Enumerated past 32 bits
        {std::nullopt, "44 41 B4 00"},                                        // a Real cut short
    };
    for (const auto& row : rows) {
        std::string written;  // between the enclosing tags
        Scripted s(Answering([&](Peer&, const Sent& sent) {
            const std::string id = Octet(sent.InvokeID());
            if (sent.Service() != 15)
                return "30 " + id + " 0C 0C 00 80 00 01 19 55 3E " + row.octets + " 3F";
            written = sent.m_hex.substr(sent.m_hex.find("19 55 3E ") + 9);
            written.resize(written.size() - 3);
            return "20 " + id + " 0F";
        }));
        const bacnet::Device device = bacnet::Device::At(kDevice);
        if (row.value) {
            ASSERT_TRUE(s.client.WriteProperty(device, kAv1, Property::PresentValue, *row.value)) << row.octets;
            EXPECT_EQ(written, row.octets);
        }
        const Result<Value> back = s.client.ReadProperty(device, kAv1, Property::PresentValue);
        ASSERT_EQ(bool(back), row.value.has_value()) << row.octets;
        if (!back) {
            EXPECT_EQ(back.failure().m_kind, FailureKind::Refused) << row.octets;
        } else {
            EXPECT_TRUE(*back == *row.value) << row.octets << " read back as " << back->ToString();
        }
    }
}

// A ReadPropertyMultiple reply is taken only whole and only for what was asked.
TEST(ValueWire, ReadPropertyMultipleResultsTakenOnlyWhole)
{
    const struct {
        const char* name;
        const char* results;  // after the Complex-ACK's header
        const char* outcome;
    } rows[] = {
        {"a value", "0C 00 00 00 01 1E 29 55 4E 44 41 B4 00 00 4F 1F", "22.5"},
        {"an error", "0C 00 00 00 01 1E 29 55 5E 91 02 91 20 5F 1F", "error"},
        {"another object", "0C 00 00 00 02 1E 29 55 4E 44 41 B4 00 00 4F 1F", "refused"},
        {"an index not asked for", "0C 00 00 00 01 1E 29 55 39 01 4E 44 41 B4 00 00 4F 1F", "refused"},
        {"a value that does not decode", "0C 00 00 00 01 1E 29 55 4E 44 41 B4 00 4F 1F", "refused"},
        {"an error context-tagged", "0C 00 00 00 01 1E 29 55 5E 99 02 99 20 5F 1F", "refused"},
        {"the result closed by another tag", "0C 00 00 00 01 1E 29 55 4E 44 41 B4 00 00 4F 2F", "refused"},
        {"cut short", "0C 00 00 00 01 1E 29 55 4E 44 41 B4", "refused"},
    };
    for (const auto& row : rows) {
        Scripted s(Answering([&](Peer&, const Sent& sent) {
            return "30 " + Octet(sent.InvokeID()) + " 0E " + row.results;
        }));
        const std::vector<ReadAccess> asked = {{ObjectId(0, 1), Property::PresentValue, kNoIndex}};
        const auto results = s.client.ReadPropertyMultiple(bacnet::Device::At(kDevice), asked);
        if (!results) {
            EXPECT_STREQ("refused", row.outcome) << row.name;
            EXPECT_EQ(results.failure().m_kind, FailureKind::Refused) << row.name;
        } else {
            EXPECT_EQ(results->at(0) ? results->at(0)->ToString() : "error", row.outcome) << row.name;
        }
    }
}

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
        {"Forwarded-NPDU naming the device, from a host that is not the BBMD", kBbmd, kAttacker, forwarded,
         &ClientStats::m_forgedForwards, 1},
        {"a reply relayed by the real BBMD: replies are never forwarded", kBbmd, kBbmd, forwarded,
         &ClientStats::m_foreignReplies, 1},
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

bacnet::Device Routed(uint16_t network, Bytes mac)
{
    bacnet::Device d = bacnet::Device::At(kRouter, 7);
    d.m_network = network;
    d.m_mac = std::move(mac);
    return d;
}

// Unconfirmed frames aimed at one device carry its address, never a global
// broadcast; with no device, a global broadcast to the broadcast address.
TEST(Routing, UnconfirmedFramesCarryTheirDestination)
{
    const bacnet::Device routed = Routed(0x0105, {0x07});
    const struct {
        const char* name;
        std::function<void(Client&)> call;
        Endpoint to;
        std::string frame;
    } rows[] = {
        {"Who-Is to a routed device", [&](Client& c) { c.Discover(milliseconds(10), routed); }, kRouter,
         "81 0A 00 0D 01 20 01 05 01 07 FF 10 08"},
        {"Who-Is with a range to a remote network's broadcast",
         [](Client& c) { c.Discover(milliseconds(10), Routed(5, {}), std::make_pair(1u, 300u)); }, kRouter,
         "81 0A 00 11 01 20 00 05 00 FF 10 08 09 01 1A 01 2C"},
        {"raw unconfirmed to no device: a global broadcast", [](Client& c) { c.SendUnconfirmed(8, ByteView()); },
         kBroadcast, "81 0B 00 0C 01 20 FF FF 00 FF 10 08"},
    };
    for (const auto& row : rows) {
        Scripted s({}, {}, row.to);
        row.call(s.client);
        s.client.Step(milliseconds(1));  // the network delivers while a link waits
        ASSERT_EQ(s.device.Received().size(), 1u) << row.name;
        EXPECT_EQ(s.device.Received()[0].m_hex, row.frame) << row.name;
    }
}

// A device behind a router: found with its network and MAC, asked through
// the router, and its replies believed only with the same SNET/SADR.
TEST(Routing, RoutedDeviceFoundAndAskedThroughItsRouter)
{
    Scripted s([](Peer& r, const Sent& s) {
        if (s.m_hex.size() >= 5 && s.m_hex.substr(s.m_hex.size() - 5) == "10 08") {
            // I-Am of device 7 behind network 261, MAC 07, twice; device 8 at
            // MAC 08 with a segmentation past the last one there is.
            for (int i = 0; i < 2; i++)
                r.Reply(Unicast("01 08 01 05 01 07 10 00 C4 02 00 00 07 22 01 E0 91 00 21 07"), 5);
            r.Reply(Unicast("01 08 01 05 01 08 10 00 C4 02 00 00 08 22 01 E0 91 05 21 07"), 6);
        } else if (s.m_datagram.size() > 13 && s.m_datagram[11] == 0x02) {
            const std::string tail = ReadAck(s.m_datagram[13]).substr(6);  // after the local network header
            // A reply without SNET, one from another MAC, then the true one.
            r.Reply(Unicast("01 00 " + tail), 5);
            r.Reply(Unicast("01 08 01 05 01 08 " + tail), 6);
            r.Reply(Unicast("01 08 01 05 01 07 " + tail), 7);
        }
    }, {}, kRouter);
    const std::vector<bacnet::Device> found = s.client.Discover(milliseconds(50), Routed(0x0105, {}));
    ASSERT_EQ(found.size(), 2u);  // the repeated I-Am is one device
    EXPECT_TRUE(found[0].m_endpoint == kRouter && found[0].m_network == 0x0105 && found[0].m_mac == Bytes{0x07});
    EXPECT_TRUE(found[0].m_maxApdu == 480 && found[0].m_segmentation == Segmentation::Both);
    EXPECT_TRUE(found[1].m_mac == Bytes{0x08} && found[1].m_segmentation == Segmentation::None);

    const Result<Value> value = s.client.ReadProperty(found[0], ObjectId(0, 1), Property::PresentValue);
    ASSERT_TRUE(value) << value.failure().Text();
    EXPECT_EQ(value->ToString(), "21.5");
    EXPECT_EQ(s.client.Stats().m_foreignReplies, 2u);
    const Sent& request = s.device.Received().back();
    EXPECT_EQ(request.m_hex, "81 0A 00 16 01 24 01 05 01 07 FF 02 05 " + Octet(request.m_datagram[13]) +
                                 " 0C 0C 00 00 00 01 19 55");
}

// Registration at start and every half time-to-live on the virtual clock,
// broadcasts through the BBMD, a NAK reported, and a Result from another
// host not believed.
TEST(Routing, ForeignDeviceRegistersRenewsAndBroadcastsThroughTheBbmd)
{
    for (const uint16_t answer : {0x0000, 0x0030}) {
        ClientOptions options;
        options.m_bbmd = kBbmd;
        options.m_foreignTtl = seconds(60);
        Scripted s([answer](Peer& b, const Sent& s) {
            uint8_t out[6];
            if (s.m_datagram[1] != 0x05 || !Bvlc::EncodeResult(answer, out, sizeof out))
                return;
            b.Reply(Bytes(out, out + 6), 1, kAttacker);  // from anyone but the BBMD: not believed
            b.Reply(Bytes(out, out + 6), 2);
        }, options, kBbmd);
        EXPECT_EQ(bool(s.client.Register()), answer == 0) << answer;
        EXPECT_EQ(s.client.RegistrationState(), answer == 0 ? Registration::Registered : Registration::Refused);
        EXPECT_EQ(s.client.Stats().m_registrationNaks, answer == 0 ? 0u : 1u);
        EXPECT_EQ(s.client.Stats().m_unmatched, 1u);  // the attacker's Result
        s.client.Discover(milliseconds(10));
        while (s.net.Now() < s.device.Received()[0].m_at + seconds(120))
            s.client.Step(seconds(120));
        s.client.Step(milliseconds(1));  // the last one delivered
        const std::vector<Sent>& sent = s.device.Received();
        ASSERT_EQ(sent.size(), 6u) << answer;  // at 0, 30, 60, 90 and 120 s, and the Who-Is
        EXPECT_EQ(sent[0].m_hex, "81 05 00 06 00 3C");
        EXPECT_EQ(sent[1].m_hex, "81 09 00 0C 01 20 FF FF 00 FF 10 08");
        for (size_t i = 2; i < sent.size(); i++)
            EXPECT_TRUE(sent[i].m_hex == sent[0].m_hex && sent[i].m_at - sent[0].m_at == seconds(30 * (i - 1))) << i;
    }
}

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
