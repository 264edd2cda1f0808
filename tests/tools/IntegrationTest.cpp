// The tool's commands against the simulated device on the in-memory
// network, as a user runs them: what each command prints, the state writes
// and creations leave behind, and the failures reported in the library's
// words. No sockets and no real waiting; the demo alone runs on loopback UDP.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include <bacnetcodec/bacnetcodec.h>

#include "Hex.h"
#include "Plans.h"
#include "ToolRun.h"
#include "sim/SimDevice.h"

namespace {

const bacnet::Endpoint kSimAt(0x0A000002, 47808);  // 10.0.0.2
const bacnet::Endpoint kNobodyAt(0x0A000003, 47808);
const std::string kSim = kSimAt.ToString(), kNobody = kNobodyAt.ToString();

class DeviceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_net = new bacnet::MemoryNetwork;
        s_sim = new SimDevice(*s_net, kSimAt, SimOptions());
    }
    static void TearDownTestSuite()
    {
        delete s_sim;
        delete s_net;
    }

    static ToolRun Run(std::vector<std::string> words)
    {
        words.insert(words.end(), {"--timeout", "0.5"});
        return ToolOn(*s_net, words);
    }

    static bacnet::MemoryNetwork* s_net;
    static SimDevice* s_sim;
};

bacnet::MemoryNetwork* DeviceTest::s_net = nullptr;
SimDevice* DeviceTest::s_sim = nullptr;

// Commands in order on one device: each exit code, the texts on stdout, and
// the text on stderr.
TEST_F(DeviceTest, CommandsPrintWhatTheDeviceHolds)
{
    const std::string cafe = "Caf\xC3\xA9";
    struct Row {
        std::vector<std::string> words;
        int rc;
        std::vector<std::string> out;
        std::string err;
    };
    const Row rows[] = {
        {{"discover", "--target", kSim}, 0,
         {"Device : 1234  max APDU 1476  segmentation segmented-transmit", kSim}, ""},
        {{"discover", "--target", kSim, "--json"}, 0,
         {"\"instance\":1234,\"maxApdu\":1476,\"segmentation\":\"segmented-transmit\""}, ""},
        {{"discover", "--target", kNobody}, 1, {}, "discover failed: "},
        {{"whohas", "AI:2", "--target", kSim}, 0,
         {"Device : 1234 at " + kSim + " has analog-input:2 \"Outside Air Temperature\""}, ""},
        {{"timesync", "--target", kSim}, 0, {": 01 00 10 06 A4"}, ""},
        {{"read", kSim, "device,1234", "ObjectName"}, 0, {"device:1234 object-name = \"Simulated Device 1234\"\n"}, ""},
        {{"read", kSim, "SC:1", "weekly-schedule"}, 0,
         {"Day        Time         Value", "Monday     08:00:00     1", "           18:00:00     0",
          "Sunday     (no entries)"}, ""},
        {{"read", kSim, "SC:1", "exception-schedule"}, 0,
         {"Event 1: date 2025-07-04, priority 10", "dates 2025-12-24 to 2025-12-31", "month 1, week 3, day Mon",
          "calendar calendar:1, priority 16"}, ""},
        {{"read", kSim, "SC:1", "effective-period"}, 0,
         {"schedule:1 effective-period = 2025-01-01 to 2099-12-31\n"}, ""},
        {{"read", kSim, "SC:1", "list-of-object-property-reference"}, 0, {"  binary-value:1/present-value"}, ""},
        {{"read", kSim, "CD:1", "date-list"}, 0,
         {"  [1] date *-01-01\n  [2] dates 2025-12-24 to 2025-12-26\n  [3] month 11, week 4, weekday 4\n"}, ""},
        {{"read", kSim, "DV:1234", "object-list[0]"}, 0, {"device:1234 object-list[0] = 611\n"}, ""},
        {{"read", kSim, "BV:1", "priority-array"}, 0, {"binary-value:1 priority-array: 16 values\n", "  [16] "}, ""},
        {{"read", kSim, "DV:1234", "object-list"}, 0,
         {"device:1234 object-list: 611 values\n  [1] device:1234\n  [2] analog-input:1\n", "  [611] ",
          "(the reply came in 3 segments"}, ""},
        {{"read", kSim, "DV:1234", "9999"}, 1, {}, "read failed: property: unknown-property\n"},
        {{"read", kSim, "AI:99", "present-value"}, 1, {}, "read failed: object: unknown-object\n"},
        {{"read", kSim, "AI:99", "present-value", "--json"}, 1,
         {"{\"error\":{\"kind\":\"error\",\"text\":\"object: unknown-object\",\"class\":\"object\","
          "\"classNumber\":1,\"code\":\"unknown-object\",\"codeNumber\":31}}\n"}, ""},
        {{"read", kNobody, "AI:1", "PresentValue", "--retries", "1"}, 1, {},
         "read failed: time-out (no reply after 2 attempts)\n"},
        {{"read", kSim, "AI:1", "all"}, 0,
         {"analog-input:1 object-name = \"Zone Temperature\"\n", "analog-input:1 units = degrees-celsius\n"}, ""},
        {{"read", kSim, "AI:1", "required", "--json"}, 0,
         {"{\"results\":[{\"object\":\"analog-input:1\",\"property\":"}, ""},
        {{"read", kSim, "AI:1", "all", "--csv"}, 0,
         {"object,property,index,element,value\n", "analog-input:1,units,,,degrees-celsius\n"}, ""},
        {{"read", kSim, "SC:1", "weekly-schedule", "--json"}, 0,
         {"{\"object\":\"schedule:1\",\"property\":\"weekly-schedule\",\"propertyNumber\":123,"
          "\"index\":null,\"values\":[{\"context\":0,\"values\":[", "]}],\"segments\":0}\n"}, ""},
        {{"read", kSim, "AI:1", "units", "--json"}, 0,
         {"\"values\":[{\"enumerated\":62,\"name\":\"degrees-celsius\"}],\"segments\":0}\n"}, ""},
        // Commanded and relinquished: the slot empties and the value falls back.
        {{"write", kSim, "AO:1", "present-value", "33.5", "--priority", "9"}, 0,
         {"wrote analog-output:1 present-value = 33.5 at priority 9\n"}, ""},
        {{"read", kSim, "AO:1", "present-value"}, 0, {"analog-output:1 present-value = 33.5\n"}, ""},
        {{"write", kSim, "AO:1", "present-value", "null", "--priority", "9"}, 0,
         {"wrote analog-output:1 present-value = null at priority 9\n"}, ""},
        {{"read", kSim, "AO:1", "priority-array[9]"}, 0, {"analog-output:1 priority-array[9] = null\n"}, ""},
        {{"read", kSim, "AO:1", "present-value"}, 0, {"analog-output:1 present-value = 0\n"}, ""},
        {{"write", kSim, "BV:1", "present-value", "active", "--priority", "8"}, 0, {}, ""},
        {{"read", kSim, "BV:1", "priority-array[8]"}, 0, {"binary-value:1 priority-array[8] = active\n"}, ""},
        {{"poll", kSim, "BV:1/priorityarray[8]", "--count", "1"}, 0, {"  BV:1/priorityarray[8] = 1\n"}, ""},
        {{"write", kSim, "BV:1", "present-value", "null", "--priority", "8"}, 0, {}, ""},
        {{"write", kSim, "AI:1", "present-value", "5"}, 1, {}, "write failed: property: write-access-denied\n"},
        // Text goes in and out as UTF-8.
        {{"write", kSim, "AV:1003", "object-name", cafe}, 0, {}, ""},
        {{"read", kSim, "AV:1003", "object-name"}, 0, {"analog-value:1003 object-name = \"" + cafe + "\"\n"}, ""},
        // A date range goes through the library's own codec.
        {{"write", kSim, "SC:1", "effective-period", "2024-01-01..2024-12-31"}, 0, {"wrote schedule:1 "}, ""},
        {{"read", kSim, "SC:1", "effective-period"}, 0,
         {"schedule:1 effective-period = 2024-01-01 to 2024-12-31\n"}, ""},
        {{"create", kSim, "AV:5000"}, 0, {"created analog-value:5000\n"}, ""},
        {{"read", kSim, "AV:5000", "ObjectName"}, 0, {"\"Analog Value 5000\""}, ""},
        {{"create", kSim, "AV:5000"}, 1, {}, "create failed: object: "},
        {{"delete", kSim, "AV:5000"}, 0, {"deleted analog-value:5000\n"}, ""},
        {{"read", kSim, "AV:5000", "ObjectName"}, 1, {}, "read failed: object: unknown-object\n"},
        // reinitializeDevice, which the device does not offer, and a cut ReadProperty: Rejects.
        {{"send", kSim, "01 04 02 05 07 14"}, 1, {"Reject, invoke ID ", ", reason unrecognized-service"},
         "send failed: reject: unrecognized-service\n"},
        {{"send", kSim, "01 04 02 05 08 0C 0C 00 00"}, 1, {}, "send failed: reject: "},
        // poll reads by ReadPropertyMultiple what the catalogue binds, the rest by ReadProperty.
        {{"poll", kSim, "MV:1/present-value", "AI:1/present-value", "BV:1/priority-array", "DV:1234/9999", "--count",
          "1"}, 0,
         {"  MV:1/present-value = ", "  AI:1/present-value = ", "  BV:1/priority-array = [null, ",
          "  DV:1234/9999: no value (property: unknown-property)\n"}, ""},
        {{"poll", kSim, "multi-state-value:1/object-name", "DV:1234/localdate.year", "--count", "1", "--json"}, 0,
         {"\"tag\":\"multi-state-value:1/object-name\",\"value\":\"Operating Mode\"}\n",
          "\"tag\":\"DV:1234/localdate.year\",\"value\":20"}, ""},
        {{"poll", kSim, "analog-input:1/present-value", "AO:1/priority-array[8]", "--count", "1", "--csv"}, 0,
         {"time,tag,value,error\n", ",AO:1/priority-array[8],null,\n"}, ""},
        {{"poll", kSim, "AI:99/present-value", "--count", "1"}, 1, {}, "no tag got a value"},
        // A calendar reports no changes: watch falls back to polling it.
        {{"watch", kSim, "CD:1", "--count", "1"}, 0, {"  calendar:1  present-value = false  (polled)\n"},
         "calendar:1 is not subscribed"},
        {{"poll", kNobody, "AI:1/present-value", "--count", "1", "--retries", "0", "--max-apdu", "480"}, 1, {},
         "poll failed: time-out"},
    };
    for (const Row& row : rows) {
        const ToolRun run = Run(row.words);
        const std::string name = row.words[0] + " " + row.words[row.words.size() > 3 ? 2 : 1] + " " +
                                 row.words[std::min<size_t>(3, row.words.size() - 1)];
        EXPECT_EQ(run.rc, row.rc) << name << '\n' << run.Said();
        for (const std::string& text : row.out)
            EXPECT_TRUE(run.Says(text)) << name << ": no \"" << text << "\"\n" << run.Said();
        EXPECT_NE(run.err.find(row.err), std::string::npos) << name << '\n' << run.Said();
    }
}

TEST_F(DeviceTest, PollPrintsOnlyWhatChanged)
{
    // Another host writes while the poll waits between its two polls.
    tool::PropertyPlan plan;
    std::string error;
    ASSERT_TRUE(tool::PlanWrite("AV:1001", "PresentValue", "77.25", 0, plan, error)) << error;
    CBACnetOBJ device;
    const tool::Request write = tool::BuildWrite(device, plan);
    uint8_t datagram[bacnet::Bvlc::kMaxDatagram];
    const size_t n =
        bacnet::Bvlc::Encode(bacnet::BvlcFunction::OriginalUnicastNpdu, write.frame, datagram, sizeof datagram);
    s_net->Post(kNobodyAt, kSimAt, bacnet::ByteView(datagram, n), std::chrono::milliseconds(400));
    const ToolRun run =
        Run({"poll", kSim, "AV:1000/PresentValue", "AV:1001/PresentValue", "--count", "2", "--interval", "1"});
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.err;
    // First poll: both values; second: only the written one.
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 3) << run.out;
    for (const char* line :
         {"  AV:1000/PresentValue = 0\n", "  AV:1001/PresentValue = 0\n", "  AV:1001/PresentValue = 77.25\n"})
        EXPECT_TRUE(run.Says(line)) << run.out;
}

// watch prints each change within a second of the device making it (AI:1
// moves a step a second), with no polling: the trace holds the subscription
// and its cancellation, nothing else.
TEST_F(DeviceTest, WatchPrintsChangesAsTheyComeWithoutPolling)
{
    const auto start = s_net->Now();
    const ToolRun run = Run({"watch", kSim, "AI:1", "BV:1", "--count", "5", "--verbose"});
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(s_net->Now() - start).count();
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.Said();
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 5) << run.Said();
    EXPECT_TRUE(run.Says("  binary-value:1  present-value = inactive  status-flags = {}\n")) << run.Said();
    EXPECT_LE(took, 4000) << "four changes of AI:1, a second apart";
    // The service of each confirmed request in the trace ("-> ADDR  81 0A LL LL 01 04 02 05 ID SS ..."):
    // two subscriptions and their cancellations.
    std::vector<std::string> services;
    std::istringstream lines(run.err);
    for (std::string line; std::getline(lines, line);) {
        const size_t at = line.find("  81 0A ");
        if (line.rfind("-> ", 0) == 0 && at != std::string::npos && line.size() > at + 31 && line[at + 20] == '0')
            services.push_back(line.substr(at + 29, 2));
    }
    EXPECT_EQ(services, (std::vector<std::string>{"05", "05", "05", "05"})) << run.err;
}

// trend reads the last records of the log (AI:1 every few seconds), paged.
TEST_F(DeviceTest, TrendReadsTheLastRecords)
{
    // Ten minutes pass, with a Who-Is from elsewhere every 5 s to wake the device.
    for (int i = 0; i < 120; i++) {
        s_net->Post(kNobodyAt, kSimAt, Hex("81 0A 00 08 01 00 10 08"));
        s_net->Advance(std::chrono::seconds(5));
    }
    ToolRun run = Run({"trend", kSim, "TL:1", "--count", "100", "--csv"});
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.Said();
    EXPECT_EQ(run.out.rfind("time,value,status-flags\n", 0), 0u) << run.Said();
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 101) << run.Said();
    const std::string all = run.out;
    const std::string since = run.out.substr(24, run.out.find(',', 24) - 24);

    // From the first of them on, by time: records of the same log, in order.
    run = Run({"trend", kSim, "trend-log:1", "--count", "2", "--since", since});
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.Said();
    std::string asCsv = run.out;
    for (size_t at; (at = asCsv.find("  ")) != std::string::npos;)
        asCsv.replace(at, 2, ",");
    asCsv[10] = 'T';
    asCsv[asCsv.find('\n') + 11] = 'T';
    EXPECT_NE(all.find(asCsv), std::string::npos) << asCsv << " in\n" << all;

    run = Run({"trend", kSim, "AI:1", "--count", "5"});
    EXPECT_EQ(run.rc, tool::EXIT_FAILED) << run.Said();
    EXPECT_NE(run.err.find("trend failed: "), std::string::npos) << run.Said();
}

TEST(Demo, WalksTheRoadOfOnePoll)
{
    const ToolRun run = Tool({"demo"});
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.out << run.err;
    for (const char* text : {"Device : 1234", "AO:1/priorityarray[8]", ", tags 1 to 7:\n",
                             "AO:1/PresentValue         42.5", "Monday     08:00:00     1",
                             "611 objects in 3 segments", "\"object: unknown-object\""})
        EXPECT_TRUE(run.Says(text)) << "no \"" << text << "\" in\n" << run.out;
}

}  // namespace
