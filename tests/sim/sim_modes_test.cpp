// The simulated device as a router with devices behind it and as a BBMD,
// datagram by datagram on an in-memory network.
#include <gtest/gtest.h>

#include "Hex.h"
#include "SimDevice.h"
#include "client/MemoryLink.h"
#include "sim/SimClient.h"

namespace {

using bacnet::Endpoint;

constexpr Endpoint kDeviceAt = Endpoint::Loopback(47808);
constexpr Endpoint kClientAt = Endpoint(0x7F000009, 40000);  // 127.0.0.9
constexpr Endpoint kFarDeviceAt = Endpoint(0x7F000002, 47808);  // 127.0.0.2: another subnet

// Everything that arrives within `ms`, as hex, one string per datagram.
std::vector<std::string> Drain(Client& client, int ms = 100, std::vector<Endpoint>* from = nullptr)
{
    std::vector<std::string> got;
    std::vector<unsigned char> datagram;
    Endpoint sender;
    while (client.ReceiveDatagram(datagram, ms, &sender)) {
        got.push_back(ToHex(datagram));
        if (from)
            from->push_back(sender);
    }
    return got;
}

// One datagram sent (its length filled in) and every datagram it draws.
struct Exchange {
    const char* name;
    const char* function;
    const char* rest;
    std::vector<std::string> replies;
};

// Device `instance` with only its standard objects.
SimOptions Small(uint32_t instance)
{
    SimOptions options;
    options.deviceInstance = instance;
    options.extraObjects = 0;
    return options;
}

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

// Device 4321 routes to network 5, with devices 4322 (MAC 01) and 4323 (MAC 02) behind it.
TEST(SimRouterMode, RequestsReachTheDevicesBehindTheRouter)
{
    bacnet::MemoryNetwork net;
    SimOptions options = Small(4321);
    options.routerNetwork = 5;
    options.routedDevices = 2;
    SimDevice device(net, kDeviceAt, options);
    bacnet::MemoryLink link(net, kClientAt);
    Client client(link, kDeviceAt);

    const Exchange cases[] = {
        {"who is router, any network", "81 0B", "01 80 00", {"81 0A 00 09 01 80 01 00 05"}},
        {"who is router to network 5", "81 0B", "01 80 00 00 05", {"81 0A 00 09 01 80 01 00 05"}},
        {"who is router to network 6", "81 0B", "01 80 00 00 06", {}},
        {"who is router, odd octet", "81 0B", "01 80 00 00", {}},
        {"who is router across another router", "81 0B", "01 A0 00 09 01 07 FF 00", {}},
        {"routed requester asks", "81 0B", "01 88 00 09 01 07 00",
         {"81 0A 00 0E 01 A0 00 09 01 07 FF 01 00 05"}},
        {"read the name of device 4323",
         "81 0A", "01 24 00 05 01 02 FF 02 05 01 0C 0C 02 00 10 E3 19 4B",
         {"81 0A 00 1B 01 08 00 05 01 02 30 01 0C 0C 02 00 10 E3 19 4B 3E C4 02 00 10 E3 3F"}},
        {"device 4322 by its wildcard",
         "81 0A", "01 24 00 05 01 01 FF 02 05 02 0C 0C 02 3F FF FF 19 4B",
         {"81 0A 00 1B 01 08 00 05 01 01 30 02 0C 0C 02 00 10 E2 19 4B 3E C4 02 00 10 E2 3F"}},
        {"requester behind another router",
         "81 0A", "01 2C 00 05 01 01 00 09 01 07 FF 02 05 03 0C 0C 02 3F FF FF 19 4B",
         {"81 0A 00 20 01 28 00 09 01 07 00 05 01 01 FF 30 03 0C 0C 02 00 10 E2 19 4B 3E C4 02 00 10 E2 3F"}},
        {"no device at MAC 3", "81 0A", "01 24 00 05 01 03 FF 02 05 04 0C 0C 02 3F FF FF 19 4B", {}},
        {"another network", "81 0A", "01 24 00 06 01 01 FF 02 05 05 0C 0C 02 3F FF FF 19 4B", {}},
        {"local who is", "81 0B", "01 00 10 08", {IAm("01 00", 0x10E1)}},
        {"remote broadcast on network 5", "81 0B", "01 20 00 05 00 FF 10 08",
         {IAm("01 08 00 05 01 01", 0x10E2), IAm("01 08 00 05 01 02", 0x10E3)}},
        {"global broadcast", "81 0B", "01 20 FF FF 00 FF 10 08",
         {IAm("01 00", 0x10E1), IAm("01 08 00 05 01 01", 0x10E2), IAm("01 08 00 05 01 02", 0x10E3)}},
        {"who is device 4323 alone", "81 0B", "01 20 FF FF 00 FF 10 08 0A 10 E3 1A 10 E3",
         {IAm("01 08 00 05 01 02", 0x10E3)}},
    };
    for (const Exchange& c : cases) {
        client.SendDatagram(Framed(c.function, c.rest));
        EXPECT_EQ(Drain(client), c.replies) << c.name;
    }
}

// Device 4321 at 127.0.0.1 is a BBMD whose table names device 4322 at
// 127.0.0.2, which is not one. A foreign device at 127.0.0.9 registers and
// discovers both: 4322 hears of its Who-Is only through the BBMD.
class SimBbmdMode : public ::testing::Test {
protected:
    void SetUp() override
    {
        SimOptions options = Small(4321);
        options.bbmd = true;
        options.bdt = {kFarDeviceAt};
        options.maxForeignDevices = 2;
        options.broadcast = Endpoint();  // alone on its subnet
        bbmd = std::make_unique<SimDevice>(net, kDeviceAt, options);
        farDevice = std::make_unique<SimDevice>(net, kFarDeviceAt, Small(4322));
    }

    bacnet::MemoryNetwork net;
    std::unique_ptr<SimDevice> bbmd, farDevice;
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
        {"who is for the far device", "81 09", "01 00 10 08 0A 10 E2 1A 10 E2", {IAm("01 00", 0x10E2)}},
        {"register again for 10 s", "81 05", "00 0A", {"81 00 00 06 00 00"}},
        {"the entry follows", "81 06", "", {"81 07 00 0E 7F 00 00 09 9C 40 00 0A 00 28"}},
        {"delete another's entry", "81 08", "7F 00 00 08 9C 40", {"81 00 00 06 00 50"}},
        {"delete our own", "81 08", "7F 00 00 09 9C 40", {"81 00 00 06 00 00"}},
        {"broadcast once deleted", "81 09", "01 00 10 08", {"81 00 00 06 00 60"}},
        {"forged relay claiming the BBMD", "81 04", "7F 00 00 01 BA C0 01 00 10 08", {}},
    };
    for (const Exchange& c : cases) {
        client.SendDatagram(Framed(c.function, c.rest));
        std::vector<Endpoint> from;
        EXPECT_EQ(Drain(client, 100, &from), c.replies) << c.name;
        // The far device answers the originator itself.
        if (c.replies.size() == 2) {
            EXPECT_EQ(from[1], kFarDeviceAt) << c.name;
        }
    }
    // A plain device refuses the table functions.
    Client far(link, kFarDeviceAt);
    for (const char* request : {"81 05 00 06 00 3C", "81 02 00 04", "81 06 00 04", "81 09 00 08 01 00 10 08"}) {
        far.SendDatagram(Hex(request));
        std::vector<unsigned char> reply;
        ASSERT_TRUE(far.ReceiveDatagram(reply, 100)) << request;
        EXPECT_EQ(ToHex(reply).substr(0, 12), "81 00 00 06 ") << request;
        EXPECT_NE(ToHex(reply), "81 00 00 06 00 00") << request;
    }
}

TEST_F(SimBbmdMode, RegistrationsExpireAndTheTableIsBounded)
{
    bacnet::MemoryLink local(net, Endpoint::Loopback(40001)), third(net, Endpoint(0x7F00000A, 40000));
    Client localDevice(local, kDeviceAt), thirdDevice(third, kDeviceAt);
    client.SendDatagram(Hex("81 05 00 06 00 01"));
    localDevice.SendDatagram(Hex("81 05 00 06 00 3C"));
    thirdDevice.SendDatagram(Hex("81 05 00 06 00 3C"));
    EXPECT_EQ(Drain(client), std::vector<std::string>{"81 00 00 06 00 00"});
    EXPECT_EQ(Drain(localDevice), std::vector<std::string>{"81 00 00 06 00 00"});
    EXPECT_EQ(Drain(thirdDevice), std::vector<std::string>{"81 00 00 06 00 30"});  // the table is full
    EXPECT_EQ(bbmd->ForeignDevices(), 2u);

    // A broadcast on the BBMD's link goes to the peer and to every foreign device but its sender.
    localDevice.SendDatagram(Hex("81 0B 00 08 01 00 10 08"));
    EXPECT_EQ(Drain(client), std::vector<std::string>{"81 04 00 0E 7F 00 00 01 9C 41 01 00 10 08"});
    Drain(localDevice);

    // One second to live and thirty of grace: at 31 s the entry is gone.
    net.Advance(std::chrono::seconds(31));
    client.SendDatagram(Hex("81 06 00 04"));
    EXPECT_EQ(Drain(client), std::vector<std::string>{"81 07 00 0E 7F 00 00 01 9C 41 00 3C 00 3B"});
    thirdDevice.SendDatagram(Hex("81 05 00 06 00 3C"));
    EXPECT_EQ(Drain(thirdDevice), std::vector<std::string>{"81 00 00 06 00 00"});
    EXPECT_EQ(bbmd->ForeignDevices(), 2u);
}

}  // namespace
