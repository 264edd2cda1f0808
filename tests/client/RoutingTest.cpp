// Where the client's frames go and what they carry: devices behind routers
// (DNET/DADR out, SNET/SADR back), and registration as a foreign device with
// a BBMD.
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
    const bacnet::Device routed = Routed(0x0105, {0x07});
    const struct {
        const char* name;
        std::function<void(Client&)> call;
        Endpoint to;
        std::string frame;
    } rows[] = {
        {"Who-Is to a local device", [](Client& c) { c.Discover(milliseconds(10), kRouter); }, kRouter,
         "81 0A 00 08 01 00 10 08"},
        {"Who-Is to a routed device", [&](Client& c) { c.Discover(milliseconds(10), routed); }, kRouter,
         "81 0A 00 0D 01 20 01 05 01 07 FF 10 08"},
        {"Who-Is with a range to a remote network's broadcast",
         [](Client& c) { c.Discover(milliseconds(10), Routed(5, {}), std::make_pair(1u, 300u)); }, kRouter,
         "81 0A 00 11 01 20 00 05 00 FF 10 08 09 01 1A 01 2C"},
        {"Who-Has to a routed device", [&](Client& c) { c.WhoHas(ObjectId(0, 3), milliseconds(10), routed); }, kRouter,
         "81 0A 00 12 01 20 01 05 01 07 FF 10 07 2C 00 00 00 03"},
        {"raw unconfirmed to a routed device", [&](Client& c) { c.SendUnconfirmed(9, Hex("0C 02 00 00 07"), &routed); },
         kRouter, "81 0A 00 12 01 20 01 05 01 07 FF 10 09 0C 02 00 00 07"},
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

// Unconfirmed requests reach the hook with the network they came from; a
// malformed one is counted, not handed over.
TEST(Routing, UnconfirmedRequestsReachTheHookWithTheirSourceNetwork)
{
    Scripted s;
    std::vector<UnconfirmedRequest> heard;
    std::vector<Bytes> octets;  // the request's octets last only for the call
    s.client.SetUnconfirmedHandler([&](const UnconfirmedRequest& r) {
        heard.push_back(r);
        octets.push_back(r.m_request.ToBytes());
    });
    s.net.Post(kRouter, kClient, Unicast("01 08 00 05 01 07 10 03 09 01"));
    s.net.Post(kDevice, kClient, Wrap(BvlcFunction::OriginalBroadcastNpdu, Hex("01 00 10 05 09 02")));
    s.net.Post(kDevice, kClient, Unicast("01 00 10"));  // no service choice
    s.client.Step(milliseconds(10));
    ASSERT_EQ(heard.size(), 2u);
    EXPECT_TRUE(heard[0].m_from == kRouter && heard[0].Sender().m_network == 5 && heard[0].m_service == 3);
    EXPECT_EQ(heard[0].Sender().m_mac, Bytes{0x07});
    EXPECT_EQ(octets, (std::vector<Bytes>{Hex("09 01"), Hex("09 02")}));
    EXPECT_TRUE(heard[1].m_network == 0 && heard[1].m_service == 5);
    EXPECT_EQ(s.client.Stats().m_malformed, 1u);
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

}  // namespace
