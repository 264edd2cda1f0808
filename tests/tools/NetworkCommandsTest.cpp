// The commands that reach past the local network, against simulated devices
// on the in-memory network: a router with devices behind it, and a BBMD
// through which a device on another subnet is found.
#include <gtest/gtest.h>

#include <memory>

#include "ToolRun.h"
#include "sim/SimDevice.h"

namespace {

const bacnet::Endpoint kRouterAt(0x0A000002, 47808);  // 10.0.0.2
const bacnet::Endpoint kFarAt(0x0A010002, 47808);     // 10.1.0.2: another subnet

SimOptions Small(uint32_t instance)
{
    SimOptions options;
    options.deviceInstance = instance;
    options.extraObjects = 0;
    return options;
}

// Device 1234 routes to network 5, where devices 1235 and 1236 sit at MAC 01 and 02.
TEST(NetworkCommands, RoutedDevicesAreFoundAndRead)
{
    bacnet::MemoryNetwork net;
    SimOptions options = Small(1234);
    options.routerNetwork = 5;
    options.routedDevices = 2;
    SimDevice router(net, kRouterAt, options);
    const std::string at = kRouterAt.ToString();
    struct Row {
        std::vector<std::string> words;
        int rc;
        std::vector<std::string> says;  // each on stdout, in order
        std::vector<std::string> not_;
    };
    const Row rows[] = {
        {{"routers"}, 0, {at + "  network 5\n"}, {}},
        {{"routers", "--json"}, 0, {"[{\"address\":\"" + at + "\",\"networks\":[5]}]"}, {}},
        {{"discover"},
         0,
         {"Device : 1234 ", "Device : 1235 ", at + " (network 5, MAC 01)\n", "Device : 1236 ", "(network 5, MAC 02)\n"},
         {}},
        {{"discover", "--low", "1235", "--high", "1235"}, 0, {"Device : 1235 "}, {"1234", "1236"}},
        {{"discover", "--target", at, "--dnet", "5", "--dadr", "02"}, 0, {"Device : 1236 "}, {"1234", "1235"}},
        {{"discover", "--target", at, "--dnet", "5", "--low", "1236"}, 0, {"Device : 1236 "}, {"1234", "1235"}},
        {{"read", at, "DV:1235", "object-name", "--dnet", "5", "--dadr", "01"}, 0,
         {"device:1235 object-name = \""}, {}},
        {{"read", at, "DV:1236", "object-identifier", "--dnet", "5", "--dadr", "02"}, 0, {"= device:1236\n"}, {}},
        {{"poll", at, "DV:1236/object-name", "--dnet", "5", "--dadr", "02", "--count", "1"}, 0,
         {"DV:1236/object-name = "}, {}},
        {{"read", at, "DV:1235", "object-name"}, 1, {}, {" = "}},  // not without the route
        {{"read", at, "DV:1235", "object-name", "--dnet", "5"}, 2, {}, {}},
        {{"discover", "--low", "9", "--high", "2"}, 2, {}, {}},
    };
    for (const Row& row : rows) {
        std::vector<std::string> words = row.words;
        words.insert(words.end(), {"--timeout", "0.5"});
        const ToolRun run = ToolOn(net, words);
        const std::string name = row.words[0] + " " + (row.words.size() > 1 ? row.words[1] : "");
        EXPECT_EQ(run.rc, row.rc) << name << '\n' << run.Said();
        size_t from = 0;
        for (const std::string& text : row.says) {
            from = run.out.find(text, from);
            EXPECT_NE(from, std::string::npos) << name << ": no \"" << text << "\"\n" << run.Said();
        }
        for (const std::string& text : row.not_)
            EXPECT_EQ(run.out.find(text), std::string::npos) << name << ": \"" << text << "\"\n" << run.Said();
    }
}

// Device 4321 is a BBMD whose table names device 4322 on another subnet. The
// tool registers as a foreign device and finds both; without --bbmd only the
// BBMD's own subnet answers.
TEST(NetworkCommands, DiscoveryThroughABbmdReachesAnotherSubnet)
{
    bacnet::MemoryNetwork net;
    SimOptions options = Small(4321);
    options.bbmd = true;
    options.bdt = {kFarAt};
    options.broadcast = bacnet::Endpoint();  // alone on its subnet
    SimDevice bbmd(net, kRouterAt, options);
    SimDevice far(net, kFarAt, Small(4322));

    ToolRun run = ToolOn(net, {"discover", "--bbmd", kRouterAt.ToString(), "--ttl", "30", "--timeout", "0.5"});
    EXPECT_EQ(run.rc, tool::EXIT_OK) << run.Said();
    EXPECT_TRUE(run.Says("Device : 4321 ")) << run.Said();
    EXPECT_TRUE(run.Says("Device : 4322 ") && run.Says(kFarAt.ToString())) << run.Said();
    EXPECT_EQ(bbmd.ForeignDevices(), 1u);

    run = ToolOn(net, {"whohas", "AI:1", "--bbmd", kRouterAt.ToString(), "--timeout", "0.5"});
    EXPECT_TRUE(run.Says("Device : 4322 at " + kFarAt.ToString() + " has analog-input:1")) << run.Said();

    // A BBMD that refuses: a plain device answers the registration with a NAK.
    run = ToolOn(net, {"discover", "--bbmd", kFarAt.ToString(), "--timeout", "0.5"});
    EXPECT_EQ(run.rc, tool::EXIT_FAILED) << run.Said();
    EXPECT_NE(run.err.find("did not register this tool"), std::string::npos) << run.Said();
}

}  // namespace
