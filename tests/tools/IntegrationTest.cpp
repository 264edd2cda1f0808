// The tool's commands against simulated devices on the in-memory network,
// as a user runs them: what each command prints, the state creations leave
// behind, the failures reported in the library's words, and the commands
// that reach through a router or a BBMD. No sockets and no real waiting.
#include <gtest/gtest.h>

#include <algorithm>

#include "Hex.h"
#include "ToolRun.h"
#include "sim/SimDevice.h"

namespace {

const bacnet::Endpoint kSimAt(0x0A000002, 47808);  // 10.0.0.2
const bacnet::Endpoint kNobodyAt(0x0A000003, 47808);
const std::string kSim = kSimAt.ToString(), kNobody = kNobodyAt.ToString();

SimOptions Small(uint32_t instance)
{
    SimOptions options;
    options.deviceInstance = instance;
    options.extraObjects = 0;
    return options;
}

// The simulated device at 10.0.0.2 that the DeviceTest cases share, in
// order: each sees what the ones before it left.
bacnet::MemoryNetwork& Shared()
{
    static bacnet::MemoryNetwork net;
    static SimDevice sim(net, kSimAt, SimOptions());
    return net;
}

ToolRun Command(std::vector<std::string> words, bacnet::MemoryNetwork& net = Shared())
{
    words.insert(words.end(), {"--timeout", "0.5"});
    return ToolOn(net, words);
}

// Commands in order on one device: each exit code, the texts on stdout, and
// the text on stderr.
TEST(DeviceTest, CommandsPrintWhatTheDeviceHolds)
{
    struct Row {
        std::vector<std::string> words;
        int rc;
        std::vector<std::string> out;
        std::string err = "";
    };
    const Row rows[] = {
        {{"discover", "--target", kSim}, 0, {"Device : 1234  max APDU 1476  segmentation segmented-transmit", kSim}},
        {{"discover", "--target", kSim, "--json"}, 0,
         {"\"instance\":1234,\"maxApdu\":1476,\"segmentation\":\"segmented-transmit\""}},
        {{"discover", "--target", kNobody}, 1, {}, "discover failed: "},
        {{"whohas", "AI:2", "--target", kSim}, 0,
         {"Device : 1234 at " + kSim + " has analog-input:2 \"Outside Air Temperature\""}},
        {{"timesync", "--target", kSim}, 0, {": 01 00 10 06 A4"}},
        {{"read", kSim, "SC:1", "weekly-schedule"}, 0,
         {"Day        Time         Value", "Monday     08:00:00     1", "           18:00:00     0",
          "Sunday     (no entries)"}},
        {{"read", kSim, "SC:1", "exception-schedule"}, 0,
         {"Event 1: date 2025-07-04, priority 10", "dates 2025-12-24 to 2025-12-31", "month 1, week 3, day Mon",
          "calendar calendar:1, priority 16"}},
        {{"read", kSim, "SC:1", "list-of-object-property-reference"}, 0, {"  binary-value:1/present-value"}},
        {{"read", kSim, "CD:1", "date-list"}, 0,
         {"  [1] date *-01-01\n  [2] dates 2025-12-24 to 2025-12-26\n  [3] month 11, week 4, weekday 4\n"}},
        {{"read", kSim, "DV:1234", "object-list"}, 0,
         {"device:1234 object-list: 611 values\n  [1] device:1234\n  [2] analog-input:1\n", "  [611] ",
          "(the reply came in 3 segments"}},
        {{"read", kSim, "AI:99", "present-value", "--json"}, 1,
         {"{\"error\":{\"kind\":\"error\",\"text\":\"object: unknown-object\",\"class\":\"object\","
          "\"classNumber\":1,\"code\":\"unknown-object\",\"codeNumber\":31}}\n"}},
        {{"read", kNobody, "AI:1", "PresentValue", "--retries", "1"}, 1, {},
         "read failed: time-out (no reply after 2 attempts)\n"},
        {{"read", kSim, "AI:1", "required", "--json"}, 0,
         {"{\"results\":[{\"object\":\"analog-input:1\",\"property\":"}},
        {{"read", kSim, "AI:1", "all", "--csv"}, 0,
         {"object,property,index,element,value\n", "analog-input:1,units,,,degrees-celsius\n"}},
        {{"read", kSim, "SC:1", "weekly-schedule", "--json"}, 0,
         {"{\"object\":\"schedule:1\",\"property\":\"weekly-schedule\",\"propertyNumber\":123,"
          "\"index\":null,\"values\":[{\"context\":0,\"values\":[", "]}],\"segments\":0}\n"}},
        {{"read", kSim, "AI:1", "units", "--json"}, 0,
         {"\"values\":[{\"enumerated\":62,\"name\":\"degrees-celsius\"}],\"segments\":0}\n"}},
        {{"write", kSim, "AO:1", "present-value", "33.5", "--priority", "9"}, 0,
         {"wrote analog-output:1 present-value = 33.5 at priority 9\n"}},
        // A date range goes through the library's own codec.
        {{"write", kSim, "SC:1", "effective-period", "2024-01-01..2024-12-31"}, 0, {"wrote schedule:1 "}},
        {{"read", kSim, "SC:1", "effective-period"}, 0, {"schedule:1 effective-period = 2024-01-01 to 2024-12-31\n"}},
        {{"write", kSim, "AI:1", "present-value", "5"}, 1, {}, "write failed: property: write-access-denied\n"},
        // A Null without a priority is refused before anything is sent.
        {{"write", kSim, "AV:1", "present-value", "null"}, 2, {}, "null relinquishes a priority slot"},
        {{"create", kSim, "AV:5000"}, 0, {"created analog-value:5000\n"}},
        {{"create", kSim, "AV:5000"}, 1, {}, "create failed: object: "},
        {{"delete", kSim, "AV:5000"}, 0, {"deleted analog-value:5000\n"}},
        {{"read", kSim, "AV:5000", "ObjectName"}, 1, {}, "read failed: object: unknown-object\n"},
        // reinitializeDevice, which the device does not offer.
        {{"send", kSim, "01 04 02 05 07 14"}, 1, {"Reject, invoke ID ", ", reason unrecognized-service"},
         "send failed: reject: unrecognized-service\n"},
        // poll reads by ReadPropertyMultiple what the catalogue binds, the rest by ReadProperty.
        {{"poll", kSim, "MV:1/present-value", "AI:1/present-value", "BV:1/priority-array", "DV:1234/9999", "--count",
          "1"}, 0,
         {"  MV:1/present-value = ", "  BV:1/priority-array = [null, ",
          "  DV:1234/9999: no value (property: unknown-property)\n", "  AI:1/present-value = "}},
        {{"poll", kSim, "multi-state-value:1/object-name", "DV:1234/localdate.year", "--count", "1", "--json"}, 0,
         {"\"tag\":\"multi-state-value:1/object-name\",\"value\":\"Operating Mode\"}\n",
          "\"tag\":\"DV:1234/localdate.year\",\"value\":20"}},
        {{"poll", kSim, "analog-input:1/present-value", "AO:1/priority-array[8]", "--count", "1", "--csv"}, 0,
         {"time,tag,value,error\n", ",AO:1/priority-array[8],null,\n"}},
        {{"poll", kSim, "AI:99/present-value", "--count", "1"}, 1, {}, "no tag got a value"},
        // A calendar reports no changes: watch falls back to polling it.
        {{"watch", kSim, "CD:1", "--count", "1"}, 0, {"  calendar:1  present-value = false  (polled)\n"},
         "calendar:1 is not subscribed"},
        {{"poll", kNobody, "AI:1/present-value", "--count", "1", "--retries", "0", "--max-apdu", "480"}, 1, {},
         "poll failed: time-out"},
    };
    for (const Row& row : rows) {
        const std::string name = row.words[0] + " " + row.words[row.words.size() > 3 ? 2 : 1] + " " +
                                 row.words[std::min<size_t>(3, row.words.size() - 1)];
        ExpectRun(Command(row.words), name, row.rc, row.out, row.err);
    }
}

TEST(DeviceTest, PollPrintsOnlyWhatChanged)
{
    // Another host writes 77.25 to AV:1001 while the poll waits between its two polls.
    const auto write = Hex("81 0A 00 18 01 04 02 05 01 0F 0C 00 80 03 E9 19 55 3E 44 42 9A 80 00 3F");
    Shared().Post(kNobodyAt, kSimAt, write, std::chrono::milliseconds(400));
    const ToolRun run =
        Command({"poll", kSim, "AV:1000/PresentValue", "AV:1001/PresentValue", "--count", "2", "--interval", "1"});
    // First poll: both values; second: only the written one.
    ExpectRun(run, "poll", tool::EXIT_OK,
              {"  AV:1000/PresentValue = 0\n", "  AV:1001/PresentValue = 0\n", "  AV:1001/PresentValue = 77.25\n"});
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 3) << run.out;
}

// watch prints each change within a second of the device making it (AI:1
// moves a step a second), with no polling: the tool sends the subscriptions
// and their cancellations, nothing else.
TEST(DeviceTest, WatchPrintsChangesAsTheyComeWithoutPolling)
{
    const auto start = Shared().Now();
    const ToolRun run = Command({"watch", kSim, "AI:1", "BV:1", "--count", "5", "--verbose"});
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Shared().Now() - start).count();
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.Said();
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 5) << run.Said();
    EXPECT_TRUE(run.Says("  binary-value:1  present-value = inactive  status-flags = {}\n")) << run.Said();
    EXPECT_LE(took, 4000) << "four changes of AI:1, a second apart";
    int sent = 0;  // "-> ADDR  81 0A ..." in the trace
    for (size_t at = 0; (at = run.err.find("-> ", at)) != std::string::npos; at++)
        sent++;
    EXPECT_EQ(sent, 4) << run.err;
}

// trend reads the last records of the log (AI:1 every few seconds), paged,
// or those after a given time.
TEST(DeviceTest, TrendReadsTheLastRecords)
{
    // Ten minutes pass, with a Who-Is from elsewhere every 5 s to wake the device.
    for (int i = 0; i < 120; i++) {
        Shared().Post(kNobodyAt, kSimAt, Hex("81 0A 00 08 01 00 10 08"));
        Shared().Advance(std::chrono::seconds(5));
    }
    const ToolRun last = Command({"trend", kSim, "TL:1", "--count", "100", "--csv"});
    ASSERT_EQ(last.rc, tool::EXIT_OK) << last.Said();
    EXPECT_EQ(last.out.rfind("time,value,status-flags\n", 0), 0u) << last.Said();
    EXPECT_EQ(std::count(last.out.begin(), last.out.end(), '\n'), 101) << last.Said();
    const std::string first = last.out.substr(24, last.out.find(',', 24) - 24);
    const ToolRun after = Command({"trend", kSim, "trend-log:1", "--count", "2", "--since", first, "--csv"});
    EXPECT_EQ(std::count(after.out.begin(), after.out.end(), '\n'), 3) << after.Said();
    EXPECT_NE(last.out.find(after.out.substr(24)), std::string::npos) << after.out << " in\n" << last.out;
    ExpectRun(Command({"trend", kSim, "TL:1", "--count", "1"}), "text", tool::EXIT_OK, {"  {}\n"});
    ExpectRun(Command({"trend", kSim, "AI:1", "--count", "5"}), "not a log", tool::EXIT_FAILED, {}, "trend failed: ");
}

TEST(Demo, WalksTheRoadOfOnePoll)
{
    ExpectRun(Tool({"demo"}), "demo", tool::EXIT_OK,
              {"Device : 1234", "AO:1/priorityarray[8]", ", tags 1 to 7:\n", "AO:1/PresentValue         42.5",
               "Monday     08:00:00     1", "611 objects in 3 segments", "\"object: unknown-object\""});
}

// Device 1234 routes to network 5, where devices 1235 and 1236 sit at MAC 01 and 02.
TEST(NetworkCommands, RoutedDevicesAreFoundAndRead)
{
    bacnet::MemoryNetwork net;
    SimOptions options = Small(1234);
    options.routerNetwork = 5;
    options.routedDevices = 2;
    SimDevice router(net, kSimAt, options);
    struct Row {
        std::vector<std::string> words;
        int rc;
        std::vector<std::string> says;  // each on stdout, in order
        std::vector<std::string> absent = {};
    };
    const Row rows[] = {
        {{"routers"}, 0, {kSim + "  network 5\n"}},
        {{"discover"}, 0,
         {"Device : 1234 ", "Device : 1235 ", kSim + " (network 5, MAC 01)\n", "Device : 1236 ",
          "(network 5, MAC 02)\n"}},
        {{"discover", "--low", "1235", "--high", "1235"}, 0, {"Device : 1235 "}, {"1234", "1236"}},
        {{"discover", "--target", kSim, "--dnet", "5", "--dadr", "02"}, 0, {"Device : 1236 "}, {"1234", "1235"}},
        {{"discover", "--target", kSim, "--dnet", "5", "--low", "1236"}, 0, {"Device : 1236 "}, {"1234", "1235"}},
        {{"read", kSim, "DV:1235", "object-name", "--dnet", "5", "--dadr", "01"}, 0, {"device:1235 object-name = \""}},
        {{"poll", kSim, "DV:1236/object-name", "--dnet", "5", "--dadr", "02", "--count", "1"}, 0,
         {"DV:1236/object-name = "}},
        {{"read", kSim, "DV:1235", "object-name"}, 1, {}, {" = "}},  // not without the route
        {{"read", kSim, "DV:1235", "object-name", "--dnet", "5"}, 2, {}},
        {{"discover", "--low", "9", "--high", "2"}, 2, {}},
    };
    for (const Row& row : rows) {
        const ToolRun run = Command(row.words, net);
        ExpectRun(run, row.words[0] + " " + row.words.back(), row.rc, row.says);
        for (const std::string& text : row.absent)
            EXPECT_FALSE(run.Says(text)) << row.words[0] << ": \"" << text << "\"\n" << run.Said();
    }
}

// Device 4321 is a BBMD whose table names device 4322 on another subnet. The
// tool registers as a foreign device and finds both; a plain device answers
// the registration with a NAK.
TEST(NetworkCommands, DiscoveryThroughABbmdReachesAnotherSubnet)
{
    const bacnet::Endpoint farAt(0x0A010002, 47808);  // 10.1.0.2: another subnet
    const std::string far = farAt.ToString();
    bacnet::MemoryNetwork net;
    SimOptions options = Small(4321);
    options.bbmd = true;
    options.bdt = {farAt};
    options.broadcast = bacnet::Endpoint();  // alone on its subnet
    SimDevice bbmd(net, kSimAt, options);
    SimDevice plain(net, farAt, Small(4322));

    ExpectRun(Command({"discover", "--bbmd", kSim, "--ttl", "30"}, net), "discover", 0,
              {"Device : 4321 ", "Device : 4322 ", far});
    EXPECT_EQ(bbmd.ForeignDevices(), 1u);
    ExpectRun(Command({"discover", "--bbmd", far}, net), "refused", tool::EXIT_FAILED, {},
              "did not register this tool");
}

}  // namespace
