// Where the client's frames go and what they carry: raw requests and the
// unconfirmed hook, devices behind routers (DNET/DADR out, SNET/SADR back),
// routers found, and registration as a foreign device with a BBMD, renewed
// on the virtual clock.
#include <gtest/gtest.h>

#include <cstring>

#include "ScriptedDevice.h"

using namespace scripted;
using std::chrono::milliseconds;
using std::chrono::seconds;

namespace {

const Endpoint kRouter(0x0A000005, 47808);  // 10.0.0.5

// Everything that reaches `at`, as hex.
struct Recorder {
    std::vector<std::string> m_frames;
    std::vector<Endpoint> m_from;
    Recorder(MemoryNetwork& net, const Endpoint& at, std::function<void(const Endpoint&, const Bytes&)> answer = {})
    {
        net.Attach(at, [this, answer](const Endpoint& from, ByteView datagram) {
            m_frames.push_back(ToHex(datagram.data(), static_cast<int>(datagram.size())));
            m_from.push_back(from);
            if (answer)
                answer(from, datagram.ToBytes());
        });
    }
};

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
    const bacnet::Device routed = Routed(5, {0x07});
    const bacnet::Device remoteBroadcast = Routed(5, {});
    const bacnet::Device local = bacnet::Device::At(kRouter);
    const struct {
        const char* name;
        std::function<void(Client&)> call;
        const char* frame;  // as it reaches the router (or the broadcast address)
    } cases[] = {
        {"Who-Is to a local device", [](Client& c) { c.Discover(milliseconds(10), kRouter); }, "81 0A 00 08 01 00 10 08"},
        {"Who-Is to a routed device", [&](Client& c) { c.Discover(milliseconds(10), routed); },
         "81 0A 00 0D 01 20 00 05 01 07 FF 10 08"},
        {"Who-Is with a range to a remote network's broadcast",
         [&](Client& c) { c.Discover(milliseconds(10), remoteBroadcast, std::make_pair(1u, 300u)); },
         "81 0A 00 11 01 20 00 05 00 FF 10 08 09 01 1A 01 2C"},
        {"Who-Has to a routed device", [&](Client& c) { c.WhoHas(ObjectId(0, 3), milliseconds(10), routed); },
         "81 0A 00 12 01 20 00 05 01 07 FF 10 07 2C 00 00 00 03"},
        {"TimeSync to a local device: local header",
         [&](Client& c) { c.SynchronizeTime(local); }, "81 0A 00 12 01 00 10 06 A4"},
        {"raw unconfirmed to a routed device",
         [&](Client& c) { c.SendUnconfirmed(9, Hex("0C 02 00 00 07"), &routed); },
         "81 0A 00 12 01 20 00 05 01 07 FF 10 09 0C 02 00 00 07"},
    };
    for (const auto& c : cases) {
        MemoryNetwork net;
        Recorder router(net, kRouter);
        MemoryLink link(net, kClient);
        Client client(link);
        c.call(client);
        client.Step(milliseconds(1));  // the network delivers while a link waits
        ASSERT_EQ(router.m_frames.size(), 1u) << c.name;
        // TimeSync carries today's date: compare its header only.
        EXPECT_EQ(router.m_frames[0].substr(0, strlen(c.frame)), c.frame) << c.name;
    }

    // No device: a global broadcast to the broadcast address.
    MemoryNetwork net;
    Recorder everyone(net, Endpoint(0x0A0000FE, 47808));
    MemoryLink link(net, kClient);
    Client client(link);
    ASSERT_TRUE(client.SendUnconfirmed(8, ByteView()));
    client.Step(milliseconds(1));
    ASSERT_EQ(everyone.m_frames.size(), 1u);
    EXPECT_EQ(everyone.m_frames[0], "81 0B 00 0C 01 20 FF FF 00 FF 10 08");
}

// A device behind a router: found with its network and MAC, asked through
// the router, and its replies believed only with the same SNET/SADR.
TEST(Routing, RoutedDeviceFoundAndAskedThroughItsRouter)
{
    MemoryNetwork net;
    int invokeID = -1;
    std::string request;
    Recorder router(net, kRouter, [&](const Endpoint&, const Bytes& d) {
        const std::string hex = ToHex(d.data(), static_cast<int>(d.size()));
        if (hex.size() >= 5 && hex.substr(hex.size() - 5) == "10 08") {
            // I-Am of device 7 behind network 5, MAC 07, twice; device 8 at
            // MAC 08 with a segmentation past the last one there is.
            for (int i = 0; i < 2; i++)
                net.Post(kRouter, kClient, Unicast("01 08 00 05 01 07 10 00 C4 02 00 00 07 22 01 E0 91 00 21 07"),
                         milliseconds(5));
            net.Post(kRouter, kClient, Unicast("01 08 00 05 01 08 10 00 C4 02 00 00 08 22 01 E0 91 05 21 07"),
                     milliseconds(6));
            return;
        }
        if (d.size() > 13 && d[11] == 0x02) {
            request = hex;
            invokeID = d[13];
            const std::string tail = ReadAck(invokeID).substr(6);  // after the local network header
            // A reply without SNET, one from another MAC, then the true one.
            net.Post(kRouter, kClient, Unicast("01 00 " + tail), milliseconds(5));
            net.Post(kRouter, kClient, Unicast("01 08 00 05 01 08 " + tail), milliseconds(6));
            net.Post(kRouter, kClient, Unicast("01 08 00 05 01 07 " + tail), milliseconds(7));
        }
    });
    MemoryLink link(net, kClient);
    Client client(link);
    const std::vector<bacnet::Device> found = client.Discover(milliseconds(50), Routed(5, {}));
    ASSERT_EQ(found.size(), 2u);  // the repeated I-Am is one device
    EXPECT_EQ(found[0].m_segmentation, Segmentation::Both);
    EXPECT_EQ(found[1].m_mac, Bytes{0x08});
    EXPECT_EQ(found[1].m_segmentation, Segmentation::None);
    EXPECT_EQ(found[0].m_network, 5);
    EXPECT_EQ(found[0].m_mac, Bytes{0x07});
    EXPECT_EQ(found[0].m_endpoint, kRouter);
    EXPECT_EQ(found[0].m_maxApdu, 480);

    const Result<Value> value = client.ReadProperty(found[0], ObjectId(0, 1), Property::PresentValue);
    ASSERT_TRUE(value) << value.failure().Text();
    EXPECT_EQ(value->ToString(), "21.5");
    EXPECT_EQ(client.Stats().m_foreignReplies, 2u);
    EXPECT_EQ(request, "81 0A 00 16 01 24 00 05 01 07 FF 02 05 " + Octet(invokeID) + " 0C 0C 00 00 00 01 19 55");
}

// The raw API: request octets in, service data or the reason out, with what
// the transaction took; and unconfirmed requests handed to the hook.
TEST(Routing, RawRequestsAndTheUnconfirmedHook)
{
    const struct {
        const char* name;
        std::function<std::string(int id)> reply;  // after the NPCI; empty: no answer to the first attempt
        bool simple;
        const char* data;
        FailureKind failure;
        int attempts;
    } cases[] = {
        {"Complex-ACK", [](int id) { return "30 " + Octet(id) + " 0F 91 2A"; }, false, "91 2A", FailureKind::Timeout, 1},
        {"Simple-ACK", [](int id) { return "20 " + Octet(id) + " 0F"; }, true, "", FailureKind::Timeout, 1},
        {"Error", [](int id) { return "50 " + Octet(id) + " 0F 91 02 91 20"; }, false, nullptr, FailureKind::Error, 1},
        {"silence, then a Reject", [](int id) { return id < 0 ? "" : "60 " + Octet(id) + " 09"; }, false, nullptr,
         FailureKind::Reject, 2},
    };
    for (const auto& c : cases) {
        MemoryNetwork net;
        int seen = 0;
        Peer device(net, [&](Peer& d, const Sent& s) {
            const std::string reply = c.reply(++seen == 1 && c.attempts == 2 ? -1 : s.InvokeID());
            if (!reply.empty())
                d.Reply(Unicast("01 00 " + reply), 5);
        });
        MemoryLink link(net, kClient);
        ClientOptions options;
        options.m_timeout = milliseconds(100);
        Client client(link, options);
        const RawOutcome outcome = client.Confirmed(bacnet::Device::At(kDevice), 15, Hex("0C 00 00 00 01"));
        EXPECT_EQ(outcome.m_attempts, c.attempts) << c.name;
        EXPECT_EQ(outcome.m_simpleAck, c.simple) << c.name;
        if (c.data) {
            ASSERT_TRUE(outcome.m_reply) << c.name;
            EXPECT_EQ(ToHex(*outcome.m_reply), c.data) << c.name;
        } else {
            ASSERT_FALSE(outcome.m_reply) << c.name;
            EXPECT_EQ(outcome.m_reply.failure().m_kind, c.failure) << c.name;
        }
        ASSERT_FALSE(device.Received().empty());
        EXPECT_EQ(ToHex(device.Received()[0].m_datagram).substr(27), "0F 0C 00 00 00 01") << c.name;
    }

    // The hook sees every unconfirmed request, with its source network.
    MemoryNetwork net;
    MemoryLink link(net, kClient);
    Client client(link);
    std::vector<UnconfirmedRequest> heard;
    std::vector<std::string> octets;
    client.SetUnconfirmedHandler([&](const UnconfirmedRequest& r) {
        heard.push_back(r);
        octets.push_back(ToHex(r.m_request.data(), static_cast<int>(r.m_request.size())));
    });
    net.Post(kRouter, kClient, Unicast("01 08 00 05 01 07 10 03 09 01"));
    net.Post(kDevice, kClient, Wrap(BvlcFunction::OriginalBroadcastNpdu, Hex("01 00 10 05 09 02")));
    net.Post(kDevice, kClient, Unicast("01 00 10"));  // no service choice: malformed
    client.Step(milliseconds(10));
    ASSERT_EQ(heard.size(), 2u);
    EXPECT_EQ(heard[0].m_from, kRouter);
    EXPECT_EQ(heard[0].m_network, 5);
    EXPECT_EQ(heard[0].m_mac, Bytes{0x07});
    EXPECT_EQ(heard[0].m_service, 3);
    EXPECT_EQ(octets[0], "09 01");
    EXPECT_EQ(heard[0].Sender().m_network, 5);
    EXPECT_EQ(heard[1].m_network, 0);
    EXPECT_EQ(heard[1].m_service, 5);
    EXPECT_EQ(client.Stats().m_malformed, 1u);
}

TEST(Routing, RoutersAnswerWhoIsRouterToNetwork)
{
    MemoryNetwork net;
    std::vector<std::string> asked;
    Recorder broadcast(net, Endpoint(0x0A0000FE, 47808), [&](const Endpoint&, const Bytes&) {
        net.Post(kRouter, kClient, Unicast("01 80 01 00 05 00 06"), milliseconds(5));
        net.Post(kRouter, kClient, Unicast("01 80 01 00 06 00 07"), milliseconds(6));
        net.Post(kDevice, kClient, Unicast("01 80 01 00"), milliseconds(7));  // odd octet: dropped
        net.Post(kDevice, kClient, Unicast("01 80 01 01 F4"), milliseconds(8));
    });
    MemoryLink link(net, kClient);
    Client client(link);
    const std::vector<RouterInfo> routers = client.Routers(milliseconds(50));
    ASSERT_EQ(broadcast.m_frames.size(), 1u);
    EXPECT_EQ(broadcast.m_frames[0], "81 0B 00 07 01 80 00");
    ASSERT_EQ(routers.size(), 2u);
    EXPECT_EQ(routers[0].m_endpoint, kRouter);
    EXPECT_EQ(routers[0].m_networks, (std::vector<uint16_t>{5, 6, 7}));
    EXPECT_EQ(routers[1].m_endpoint, kDevice);
    EXPECT_EQ(routers[1].m_networks, (std::vector<uint16_t>{500}));
}

// Registration at start, renewal halfway through the time-to-live on the
// virtual clock, broadcasts through the BBMD, a NAK reported.
TEST(Routing, ForeignDeviceRegistersRenewsAndBroadcastsThroughTheBbmd)
{
    for (const uint16_t answer : {uint16_t(0x0000), uint16_t(0x0030)}) {
        MemoryNetwork net;
        std::vector<Clock::time_point> registrations;
        Recorder bbmd(net, kBbmd, [&](const Endpoint& from, const Bytes& d) {
            if (d[1] != 0x05)
                return;
            registrations.push_back(net.Now());
            uint8_t out[6];
            Bvlc::EncodeResult(answer, out, sizeof out);
            // A Result from anyone else first: not believed.
            net.Post(kAttacker, from, ByteView(out, 6), milliseconds(1));
            net.Post(kBbmd, from, ByteView(out, 6), milliseconds(2));
        });
        MemoryLink link(net, kClient);
        ClientOptions options;
        options.m_bbmd = kBbmd;
        options.m_foreignTtl = seconds(60);
        const Clock::time_point start = net.Now();
        Client client(link, options);
        EXPECT_EQ(client.RegistrationState(), Registration::Pending);
        const Status registered = client.Register();
        ASSERT_EQ(bbmd.m_frames.size(), 1u);
        EXPECT_EQ(bbmd.m_frames[0], "81 05 00 06 00 3C");
        if (answer == 0) {
            EXPECT_TRUE(registered);
            EXPECT_EQ(client.RegistrationState(), Registration::Registered);
        } else {
            ASSERT_FALSE(registered);
            EXPECT_EQ(registered.failure().m_detail, "registration refused: register-foreign-device-nak");
            EXPECT_EQ(client.RegistrationState(), Registration::Refused);
            EXPECT_EQ(client.Stats().m_registrationNaks, 1u);
        }
        EXPECT_EQ(client.Stats().m_unmatched, 1u);  // the attacker's Result

        // Broadcasts go to the BBMD to be spread.
        client.Discover(milliseconds(10));
        EXPECT_EQ(bbmd.m_frames.back(), "81 09 00 0C 01 20 FF FF 00 FF 10 08");

        // Stepping for two minutes renews every 30 s, and not before.
        while (net.Now() < start + seconds(120))
            client.Step(seconds(120));
        client.Step(milliseconds(1));  // the last one delivered
        ASSERT_EQ(registrations.size(), 5u);  // at 0, 30, 60, 90 and 120 s
        for (size_t i = 1; i < registrations.size(); i++)
            EXPECT_EQ(registrations[i] - registrations[i - 1], seconds(30)) << i;
        EXPECT_LE(registrations.back(), start + seconds(120));
    }

    // No answer at all: NoAnswer, asked again a time-out later.
    MemoryNetwork net;
    Recorder silent(net, kBbmd);
    MemoryLink link(net, kClient);
    ClientOptions options;
    options.m_bbmd = kBbmd;
    options.m_foreignTtl = seconds(60);
    options.m_timeout = milliseconds(500);
    Client client(link, options);
    EXPECT_EQ(client.Register().failure().m_kind, FailureKind::Timeout);
    EXPECT_EQ(client.RegistrationState(), Registration::NoAnswer);
    client.Step(seconds(1));
    client.Step(milliseconds(1));
    EXPECT_EQ(silent.m_frames.size(), 2u);
}

}  // namespace
