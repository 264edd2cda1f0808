// Where the client's frames go and what they carry: raw requests and the
// unconfirmed hook, devices behind routers (DNET/DADR out, SNET/SADR back),
// routers found, and registration as a foreign device with a BBMD, renewed
// on the virtual clock.
#include <gtest/gtest.h>

#include "ScriptedDevice.h"

using namespace scripted;

namespace {

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
    const struct {
        const char* name;
        std::function<void(Client&)> call;
        Endpoint to;
        std::string frame;  // "...": what follows is not compared
    } rows[] = {
        {"Who-Is to a local device", [](Client& c) { c.Discover(milliseconds(10), kRouter); }, kRouter,
         "81 0A 00 08 01 00 10 08"},
        {"Who-Is to a routed device", [&](Client& c) { c.Discover(milliseconds(10), routed); }, kRouter,
         "81 0A 00 0D 01 20 00 05 01 07 FF 10 08"},
        {"Who-Is with a range to a remote network's broadcast",
         [](Client& c) { c.Discover(milliseconds(10), Routed(5, {}), std::make_pair(1u, 300u)); }, kRouter,
         "81 0A 00 11 01 20 00 05 00 FF 10 08 09 01 1A 01 2C"},
        {"Who-Has to a routed device", [&](Client& c) { c.WhoHas(ObjectId(0, 3), milliseconds(10), routed); }, kRouter,
         "81 0A 00 12 01 20 00 05 01 07 FF 10 07 2C 00 00 00 03"},
        {"TimeSync to a local device: today's date follows",
         [](Client& c) { c.SynchronizeTime(bacnet::Device::At(kRouter)); }, kRouter, "81 0A 00 12 01 00 10 06 A4 ..."},
        {"raw unconfirmed to a routed device", [&](Client& c) { c.SendUnconfirmed(9, Hex("0C 02 00 00 07"), &routed); },
         kRouter, "81 0A 00 12 01 20 00 05 01 07 FF 10 09 0C 02 00 00 07"},
        {"raw unconfirmed to no device: a global broadcast", [](Client& c) { c.SendUnconfirmed(8, ByteView()); },
         kBroadcast, "81 0B 00 0C 01 20 FF FF 00 FF 10 08"},
    };
    for (const auto& row : rows) {
        MemoryNetwork net;
        Peer at(net, {}, row.to);
        MemoryLink link(net, kClient);
        Client client(link);
        row.call(client);
        client.Step(milliseconds(1));  // the network delivers while a link waits
        ASSERT_EQ(at.Received().size(), 1u) << row.name;
        const size_t cut = row.frame.find(" ...");
        EXPECT_EQ(at.Received()[0].m_hex.substr(0, cut), row.frame.substr(0, cut)) << row.name;
    }
}

// A device behind a router: found with its network and MAC, asked through
// the router, and its replies believed only with the same SNET/SADR.
TEST(Routing, RoutedDeviceFoundAndAskedThroughItsRouter)
{
    MemoryNetwork net;
    Peer router(net, [](Peer& r, const Sent& s) {
        if (s.m_hex.size() >= 5 && s.m_hex.substr(s.m_hex.size() - 5) == "10 08") {
            // I-Am of device 7 behind network 5, MAC 07, twice; device 8 at
            // MAC 08 with a segmentation past the last one there is.
            for (int i = 0; i < 2; i++)
                r.Reply(Unicast("01 08 00 05 01 07 10 00 C4 02 00 00 07 22 01 E0 91 00 21 07"), 5);
            r.Reply(Unicast("01 08 00 05 01 08 10 00 C4 02 00 00 08 22 01 E0 91 05 21 07"), 6);
        } else if (s.m_datagram.size() > 13 && s.m_datagram[11] == 0x02) {
            const std::string tail = ReadAck(s.m_datagram[13]).substr(6);  // after the local network header
            // A reply without SNET, one from another MAC, then the true one.
            r.Reply(Unicast("01 00 " + tail), 5);
            r.Reply(Unicast("01 08 00 05 01 08 " + tail), 6);
            r.Reply(Unicast("01 08 00 05 01 07 " + tail), 7);
        }
    }, kRouter);
    MemoryLink link(net, kClient);
    Client client(link);
    const std::vector<bacnet::Device> found = client.Discover(milliseconds(50), Routed(5, {}));
    ASSERT_EQ(found.size(), 2u);  // the repeated I-Am is one device
    EXPECT_EQ(found[0].m_endpoint, kRouter);
    EXPECT_EQ(found[0].m_network, 5);
    EXPECT_EQ(found[0].m_mac, Bytes{0x07});
    EXPECT_EQ(found[0].m_maxApdu, 480);
    EXPECT_EQ(found[0].m_segmentation, Segmentation::Both);
    EXPECT_EQ(found[1].m_mac, Bytes{0x08});
    EXPECT_EQ(found[1].m_segmentation, Segmentation::None);

    const Result<Value> value = client.ReadProperty(found[0], ObjectId(0, 1), Property::PresentValue);
    ASSERT_TRUE(value) << value.failure().Text();
    EXPECT_EQ(value->ToString(), "21.5");
    EXPECT_EQ(client.Stats().m_foreignReplies, 2u);
    const Sent& request = router.Received().back();
    EXPECT_EQ(request.m_hex, "81 0A 00 16 01 24 00 05 01 07 FF 02 05 " + Octet(request.m_datagram[13]) +
                                 " 0C 0C 00 00 00 01 19 55");
}

// The raw API: request octets in, service data or the reason out, with what
// the transaction took; and unconfirmed requests handed to the hook.
TEST(Routing, RawRequestsAndTheUnconfirmedHook)
{
    const struct {
        const char* name;
        std::string reply;  // after the NPCI, "ID" standing for the invoke ID
        bool silentFirst, simple;
        const char* data;  // null: failed with `failure`
        FailureKind failure;
    } rows[] = {
        {"Complex-ACK", "30 ID 0F 91 2A", false, false, "91 2A", FailureKind::Timeout},
        {"Simple-ACK", "20 ID 0F", false, true, "", FailureKind::Timeout},
        {"Error", "50 ID 0F 91 02 91 20", false, false, nullptr, FailureKind::Error},
        {"silence, then a Reject", "60 ID 09", true, false, nullptr, FailureKind::Reject},
    };
    for (const auto& row : rows) {
        ClientOptions options;
        options.m_timeout = milliseconds(100);
        Scripted s(
            [&](Peer& d, const Sent& sent) {
                if (!row.silentFirst || d.Received().size() > 1)
                    d.Reply(Unicast("01 00 " + row.reply.substr(0, 3) + Octet(sent.InvokeID()) + row.reply.substr(5)), 5);
            },
            options);
        const RawOutcome outcome = s.client.Confirmed(bacnet::Device::At(kDevice), 15, Hex("0C 00 00 00 01"));
        EXPECT_EQ(outcome.m_attempts, row.silentFirst ? 2 : 1) << row.name;
        EXPECT_EQ(outcome.m_simpleAck, row.simple) << row.name;
        ASSERT_EQ(bool(outcome.m_reply), row.data != nullptr) << row.name;
        if (row.data) {
            EXPECT_EQ(ToHex(*outcome.m_reply), row.data) << row.name;
        } else {
            EXPECT_EQ(outcome.m_reply.failure().m_kind, row.failure) << row.name;
        }
        EXPECT_EQ(s.device.Received()[0].m_hex.substr(27), "0F 0C 00 00 00 01") << row.name;
    }

    // The hook sees every well-formed unconfirmed request, with its source network.
    Scripted s;
    std::vector<UnconfirmedRequest> heard;
    s.client.SetUnconfirmedHandler([&](const UnconfirmedRequest& r) { heard.push_back(r); });
    s.net.Post(kRouter, kClient, Unicast("01 08 00 05 01 07 10 03 09 01"));
    s.net.Post(kDevice, kClient, Wrap(BvlcFunction::OriginalBroadcastNpdu, Hex("01 00 10 05 09 02")));
    s.net.Post(kDevice, kClient, Unicast("01 00 10"));  // no service choice: malformed
    s.client.Step(milliseconds(10));
    ASSERT_EQ(heard.size(), 2u);
    EXPECT_EQ(heard[0].m_from, kRouter);
    EXPECT_EQ(heard[0].m_network, 5);
    EXPECT_EQ(heard[0].m_mac, Bytes{0x07});
    EXPECT_EQ(heard[0].m_service, 3);
    EXPECT_EQ(heard[0].Sender().m_network, 5);
    EXPECT_EQ(heard[1].m_network, 0);
    EXPECT_EQ(heard[1].m_service, 5);
    EXPECT_EQ(s.client.Stats().m_malformed, 1u);
}

// Registration at start, renewal halfway through the time-to-live on the
// virtual clock, broadcasts through the BBMD; a NAK or silence reported.
TEST(Routing, ForeignDeviceRegistersRenewsAndBroadcastsThroughTheBbmd)
{
    const struct {
        std::optional<uint16_t> answer;
        Registration state;
        size_t registrations;  // in the two minutes after the first
    } rows[] = {
        {0x0000, Registration::Registered, 5},  // at 0, 30, 60, 90 and 120 s
        {0x0030, Registration::Refused, 5},
        {std::nullopt, Registration::NoAnswer, 0},
    };
    for (const auto& row : rows) {
        MemoryNetwork net;
        std::vector<Clock::time_point> registrations;
        Peer bbmd(net, [&](Peer& b, const Sent& s) {
            if (s.m_datagram[1] != 0x05 || !row.answer)
                return;
            registrations.push_back(s.m_at);
            uint8_t out[6];
            Bvlc::EncodeResult(*row.answer, out, sizeof out);
            b.Reply(Bytes(out, out + 6), 1, kAttacker);  // a Result from anyone else first: not believed
            b.Reply(Bytes(out, out + 6), 2);
        }, kBbmd);
        MemoryLink link(net, kClient);
        ClientOptions options;
        options.m_bbmd = kBbmd;
        options.m_foreignTtl = seconds(60);
        options.m_timeout = milliseconds(500);
        const Clock::time_point start = net.Now();
        Client client(link, options);
        EXPECT_EQ(client.RegistrationState(), Registration::Pending);
        const Status registered = client.Register();
        EXPECT_EQ(client.RegistrationState(), row.state);
        ASSERT_EQ(bbmd.Received().size(), 1u);
        EXPECT_EQ(bbmd.Received()[0].m_hex, "81 05 00 06 00 3C");
        if (!row.answer) {
            // Asked again a time-out later.
            EXPECT_EQ(registered.failure().m_kind, FailureKind::Timeout);
            client.Step(seconds(1));
            client.Step(milliseconds(1));
            EXPECT_EQ(bbmd.Received().size(), 2u);
            continue;
        }
        EXPECT_EQ(bool(registered), *row.answer == 0);
        EXPECT_EQ(client.Stats().m_registrationNaks, *row.answer == 0 ? 0u : 1u);
        if (!registered) {
            EXPECT_EQ(registered.failure().m_detail, "registration refused: register-foreign-device-nak");
        }
        EXPECT_EQ(client.Stats().m_unmatched, 1u);  // the attacker's Result

        // Broadcasts go to the BBMD to be spread.
        client.Discover(milliseconds(10));
        EXPECT_EQ(bbmd.Received().back().m_hex, "81 09 00 0C 01 20 FF FF 00 FF 10 08");

        // Stepping for two minutes renews every 30 s, and not before.
        while (net.Now() < start + seconds(120))
            client.Step(seconds(120));
        client.Step(milliseconds(1));  // the last one delivered
        ASSERT_EQ(registrations.size(), row.registrations);
        for (size_t i = 1; i < registrations.size(); i++)
            EXPECT_EQ(registrations[i] - registrations[i - 1], seconds(30)) << i;
        EXPECT_LE(registrations.back(), start + seconds(120));
    }
}

}  // namespace
