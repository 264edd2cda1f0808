// The tool's commands against the simulated device on the in-memory
// network: every command end to end, a segmented read with a segment lost,
// polling with a change, and the failures reported in the library's words.
// No sockets and no real waiting; the demo alone runs on loopback UDP.
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
const bacnet::Endpoint kNobody(0x0A000003, 47808);

class DeviceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_net = new bacnet::MemoryNetwork;
        s_sim = new SimDevice(*s_net, kSimAt, SimOptions());
        s_target = kSimAt.ToString();
    }
    static void TearDownTestSuite()
    {
        delete s_sim;
        delete s_net;
        s_sim = nullptr;
        s_net = nullptr;
    }

    static ToolRun Run(std::vector<std::string> words)
    {
        words.insert(words.end(), {"--timeout", "0.5"});
        return ToolOn(*s_net, words);
    }
    static ToolRun Read(const std::string& object, const std::string& property, const std::string& extra = "")
    {
        std::vector<std::string> words = {"read", s_target, object, property};
        if (!extra.empty())
            words.push_back(extra);
        return Run(words);
    }

    static bacnet::MemoryNetwork* s_net;
    static SimDevice* s_sim;
    static std::string s_target;
};

bacnet::MemoryNetwork* DeviceTest::s_net = nullptr;
SimDevice* DeviceTest::s_sim = nullptr;
std::string DeviceTest::s_target;

TEST_F(DeviceTest, DiscoverFindsTheDevice)
{
    ToolRun run = Run({"discover", "--target", s_target});
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.err;
    EXPECT_TRUE(run.Says("Device : 1234  max APDU 1476  segmentation segmented-transmit")) << run.out;
    EXPECT_TRUE(run.Says(s_target)) << run.out;

    run = Run({"discover", "--target", s_target, "--json"});
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.err;
    EXPECT_TRUE(run.Says("\"instance\":1234,\"maxApdu\":1476,\"segmentation\":\"segmented-transmit\"")) << run.out;
}

TEST_F(DeviceTest, DiscoverWithoutAnswerIsATimeOut)
{
    const ToolRun run = Run({"discover", "--target", kNobody.ToString()});
    EXPECT_EQ(run.rc, tool::EXIT_FAILED);
    EXPECT_NE(run.err.find("discover failed: "), std::string::npos) << run.err;
}

TEST_F(DeviceTest, ReadsAnyPropertyReadably)
{
    struct Row {
        const char* object;
        const char* property;
        int rc;
        std::vector<const char*> says;
    };
    const Row rows[] = {
        {"DV:1234", "object-name", 0, {"device:1234 object-name = \"Simulated Device 1234\"\n"}},
        {"device,1234", "ObjectName", 0, {"device:1234 object-name = \"Simulated Device 1234\"\n"}},
        {"AI:2", "description", 0, {"analog-input:2 description = \""}},
        {"0:1", "present-value", 0, {"analog-input:1 present-value = 2"}},
        {"AI:1", "units", 0, {"analog-input:1 units = degrees-celsius\n"}},
        {"AI:1", "117", 0, {"analog-input:1 units = degrees-celsius\n"}},
        {"AI:1", "status-flags", 0, {"analog-input:1 status-flags = {"}},
        {"AI:1", "object-type", 0, {"analog-input:1 object-type = analog-input\n"}},
        {"AI:1", "object-identifier", 0, {"analog-input:1 object-identifier = analog-input:1\n"}},
        {"SC:1", "weekly-schedule", 0, {"Day        Time         Value", "Monday     08:00:00     1",
                                        "           18:00:00     0", "Sunday     (no entries)"}},
        {"SC:1", "weekly-schedule[2]", 0, {"Tuesday    08:00:00     1"}},
        {"SC:1", "exception-schedule", 0, {"Event 1: date 2025-07-04, priority 10", "dates 2025-12-24 to 2025-12-31",
                                           "month 1, week 3, day Mon", "calendar calendar:1, priority 16"}},
        {"SC:1", "effective-period", 0, {"schedule:1 effective-period = 2025-01-01 to 2099-12-31\n"}},
        {"SC:1", "list-of-object-property-reference", 0, {"  binary-value:1/present-value"}},
        {"SC:1", "priority-for-writing", 0, {"schedule:1 priority-for-writing = 16\n"}},
        {"DV:1234", "protocol-object-types-supported", 0, {"{analog-input, analog-output, analog-value", "schedule"}},
        {"DV:1234", "protocol-services-supported", 0, {"read-property-multiple", "who-is"}},
        {"DV:1234", "segmentation-supported", 0, {"device:1234 segmentation-supported = segmented-"}},
        {"DV:1234", "object-list[0]", 0, {"device:1234 object-list[0] = 611\n"}},
        {"DV:1234", "object-list[2]", 0, {"device:1234 object-list[2] = analog-input:1\n"}},
        {"DV:1234", "local-date", 0, {"device:1234 local-date = 20"}},
        {"DV:1234", "localdate", 0, {"device:1234 local-date = 20"}},
        {"DV:1234", "local-time", 0, {"device:1234 local-time = "}},
        {"AO:1", "priority-array[16]", 0, {"analog-output:1 priority-array[16] = null\n"}},
        // A whole array without an index, each element by its own tag.
        {"BV:1", "priority-array", 0, {"binary-value:1 priority-array: 16 values\n", "  [16] "}},
        {"MV:1", "present-value", 0, {"multi-state-value:1 present-value = "}},
        {"19:1", "object-name", 0, {"multi-state-value:1 object-name = \"Operating Mode\"\n"}},
        // The device's own Error, by the standard's names.
        {"DV:1234", "9999", 1, {}},
        {"AI:99", "present-value", 1, {}},
    };
    for (const Row& row : rows) {
        const ToolRun run = Read(row.object, row.property);
        EXPECT_EQ(run.rc, row.rc) << row.object << ' ' << row.property << ": " << run.err;
        for (const char* text : row.says)
            EXPECT_TRUE(run.Says(text)) << row.property << ": no \"" << text << "\" in\n" << run.out;
    }
    EXPECT_EQ(Read("DV:1234", "9999").err, "read failed: property: unknown-property\n");
    EXPECT_EQ(Read("AI:99", "present-value").err, "read failed: object: unknown-object\n");
}

// Every property number of every object the device serves: a value or
// the device's Error, never a refusal of the reply.
TEST_F(DeviceTest, EveryPropertyNumberOfEveryObjectReadsOrErrs)
{
    const ToolRun list = Read("DV:1234", "object-list");
    ASSERT_EQ(list.rc, tool::EXIT_OK) << list.err;
    std::vector<std::string> objects;
    for (size_t at = list.out.find("] "); at != std::string::npos && objects.size() < 12; at = list.out.find("] ", at + 1))
        objects.push_back(list.out.substr(at + 2, list.out.find('\n', at) - at - 2));
    ASSERT_GE(objects.size(), 9u) << list.out;
    for (const std::string& object : objects)
        for (int property = 0; property < 520; property += 7) {
            const ToolRun run = Read(object, std::to_string(property));
            const bool value = run.rc == tool::EXIT_OK && run.Says(object + " ");
            const bool deviceError = run.rc == tool::EXIT_FAILED && run.err.rfind("read failed: ", 0) == 0 &&
                                     run.err.find("refused") == std::string::npos &&
                                     run.err.find("time-out") == std::string::npos;
            EXPECT_TRUE(value || deviceError) << object << ' ' << property << ": " << run.out << run.err;
        }
}

TEST_F(DeviceTest, ReadAllUsesReadPropertyMultiple)
{
    ToolRun run = Read("AI:1", "all");
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.err;
    EXPECT_TRUE(run.Says("analog-input:1 object-name = \"Zone Temperature\"\n")) << run.out;
    EXPECT_TRUE(run.Says("analog-input:1 units = degrees-celsius\n")) << run.out;
    run = Read("AI:1", "required", "--json");
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.err;
    EXPECT_TRUE(run.Says("{\"results\":[{\"object\":\"analog-input:1\",\"property\":")) << run.out;
    run = Read("AI:1", "all", "--csv");
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.err;
    EXPECT_TRUE(run.Says("object,property,index,element,value\n")) << run.out;
    EXPECT_TRUE(run.Says("analog-input:1,units,,,degrees-celsius\n")) << run.out;
}

TEST_F(DeviceTest, ReadGivesJson)
{
    ToolRun run = Read("SC:1", "weekly-schedule", "--json");
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.err;
    EXPECT_TRUE(run.Says("{\"object\":\"schedule:1\",\"property\":\"weekly-schedule\",\"propertyNumber\":123,"
                         "\"index\":null,\"values\":[{\"context\":0,\"values\":[")) << run.out;
    EXPECT_TRUE(run.Says("]}],\"segments\":0}\n")) << run.out;
    run = Read("AI:1", "units", "--json");
    EXPECT_TRUE(run.Says("\"values\":[{\"enumerated\":62,\"name\":\"degrees-celsius\"}],\"segments\":0}\n")) << run.out;
    run = Read("AI:99", "present-value", "--json");
    EXPECT_EQ(run.rc, tool::EXIT_FAILED);
    EXPECT_EQ(run.out, "{\"error\":{\"kind\":\"error\",\"text\":\"object: unknown-object\",\"class\":\"object\","
                       "\"classNumber\":1,\"code\":\"unknown-object\",\"codeNumber\":31}}\n");
    run = Read("BV:1", "priority-array", "--csv");
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.err;
    EXPECT_TRUE(run.Says("binary-value:1,priority-array,,16,")) << run.out;
}

TEST_F(DeviceTest, SegmentedObjectListSurvivesALostSegment)
{
    // No loss; the second, the last, then the first segment dropped once.
    for (int drop : {0, 2, 3, 1}) {
        s_sim->DropSegmentOnce(drop);
        const ToolRun run = Read("DV:1234", "object-list");
        ASSERT_EQ(run.rc, tool::EXIT_OK) << "drop " << drop << ": " << run.err;
        EXPECT_TRUE(run.Says("device:1234 object-list: 611 values\n")) << "drop " << drop;
        EXPECT_TRUE(run.Says("  [1] device:1234\n  [2] analog-input:1\n")) << "drop " << drop;
        EXPECT_TRUE(run.Says("  [611] ")) << "drop " << drop;
        EXPECT_TRUE(run.Says("(the reply came in 3 segments")) << "drop " << drop << '\n' << run.out;
        // A gap (2) or a missing last segment (3) is asked for again with a
        // negative Segment-ACK; a lost first segment repeats the request.
        EXPECT_EQ(run.Says("1 asked for again)"), drop == 2 || drop == 3) << "drop " << drop << '\n' << run.out;
    }
    const ToolRun run = Read("DV:1234", "object-list", "--json");
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.err;
    EXPECT_TRUE(run.Says("\"segments\":3")) << run.out;
    // 611 identifiers of three members each.
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '{'), 612);
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
    const size_t n = bacnet::Bvlc::Encode(bacnet::BvlcFunction::OriginalUnicastNpdu, write.frame, datagram, sizeof datagram);
    s_net->Post(kNobody, kSimAt, bacnet::ByteView(datagram, n), std::chrono::milliseconds(400));
    const ToolRun run = Run({"poll", s_target, "AV:1000/PresentValue", "AV:1001/PresentValue", "--count", "2",
                             "--interval", "1"});
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.err;
    // First poll: both values; second: only the written one.
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 3) << run.out;
    EXPECT_TRUE(run.Says("  AV:1000/PresentValue = 0\n")) << run.out;
    EXPECT_TRUE(run.Says("  AV:1001/PresentValue = 0\n")) << run.out;
    EXPECT_TRUE(run.Says("  AV:1001/PresentValue = 77.25\n")) << run.out;
}

TEST_F(DeviceTest, PollSplitsRequestsByMaxApdu)
{
    std::vector<std::string> words = {"poll", s_target, "--count", "1", "--max-apdu", "206", "--json"};
    for (int i = 1100; i < 1140; i++)
        words.push_back("AV:" + std::to_string(i) + "/PresentValue");
    words.push_back("DV:1234/localdate.year");
    words.push_back("AI:1/nosuchpropertyid");
    ToolRun run = Run(words);
    EXPECT_EQ(run.rc, tool::EXIT_USAGE) << "an unknown property is refused at binding";
    words.pop_back();
    run = Run(words);
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.err;
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 41) << run.out;
    EXPECT_TRUE(run.Says("\"tag\":\"AV:1139/PresentValue\",\"value\":0}")) << run.out;
    EXPECT_TRUE(run.Says("\"tag\":\"DV:1234/localdate.year\",\"value\":20")) << run.out;
}

TEST_F(DeviceTest, WriteWithPriorityThenRelinquish)
{
    ToolRun run = Run({"write", s_target, "AO:1", "present-value", "33.5", "--priority", "9"});
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.err;
    EXPECT_EQ(run.out, "wrote analog-output:1 present-value = 33.5 at priority 9\n");
    EXPECT_TRUE(Read("AO:1", "priority-array[9]").Says("analog-output:1 priority-array[9] = 33.5\n"));
    EXPECT_TRUE(Read("AO:1", "present-value").Says("analog-output:1 present-value = 33.5\n"));

    // Null relinquishes: the slot is empty again and the value falls back.
    run = Run({"write", s_target, "AO:1", "present-value", "null", "--priority", "9"});
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.err;
    EXPECT_EQ(run.out, "wrote analog-output:1 present-value = null at priority 9\n");
    EXPECT_TRUE(Read("AO:1", "priority-array[9]").Says("analog-output:1 priority-array[9] = null\n"));
    EXPECT_FALSE(Read("AO:1", "present-value").Says("= 33.5"));

    // A binary value: Enumerated by name, then relinquished.
    run = Run({"write", s_target, "BV:1", "present-value", "active", "--priority", "8"});
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.err;
    EXPECT_TRUE(Read("BV:1", "priority-array[8]").Says("binary-value:1 priority-array[8] = active\n"));
    run = Run({"write", s_target, "BV:1", "present-value", "null", "--priority", "8"});
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.err;
    EXPECT_TRUE(Read("BV:1", "priority-array[8]").Says("binary-value:1 priority-array[8] = null\n"));

    run = Run({"write", s_target, "AO:1", "present-value", "null"});
    EXPECT_EQ(run.rc, tool::EXIT_USAGE);
    EXPECT_NE(run.err.find("null relinquishes a priority slot"), std::string::npos) << run.err;

    run = Run({"write", s_target, "AI:1", "present-value", "5"});
    EXPECT_EQ(run.rc, tool::EXIT_FAILED);
    EXPECT_EQ(run.err, "write failed: property: write-access-denied\n");

    run = Run({"write", s_target, "AO:1", "present-value", "warm"});
    EXPECT_EQ(run.rc, tool::EXIT_USAGE);
}

TEST_F(DeviceTest, TextGoesInAndOutAsUtf8)
{
    for (const char* name : {"Caf\xC3\xA9", "\xD0\x97\xD0\xBE\xD0\xBD\xD0\xB0 3", "\xE5\x8C\x97\xE9\xA3\x8E"}) {
        ToolRun run = Run({"write", s_target, "AV:1003", "object-name", name});
        ASSERT_EQ(run.rc, tool::EXIT_OK) << run.err;
        run = Read("AV:1003", "object-name");
        EXPECT_EQ(run.out, std::string("analog-value:1003 object-name = \"") + name + "\"\n");
    }
}

TEST_F(DeviceTest, CreateThenDelete)
{
    ToolRun run = Run({"create", s_target, "AV:5000"});
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.err;
    EXPECT_EQ(run.out, "created analog-value:5000\n");
    EXPECT_TRUE(Read("AV:5000", "ObjectName").Says("\"Analog Value 5000\""));
    run = Run({"create", s_target, "AV:5000"});
    EXPECT_EQ(run.rc, tool::EXIT_FAILED);
    EXPECT_NE(run.err.find("create failed: object: "), std::string::npos) << run.err;

    run = Run({"delete", s_target, "AV:5000"});
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.err;
    EXPECT_EQ(run.out, "deleted analog-value:5000\n");
    run = Read("AV:5000", "ObjectName");
    EXPECT_EQ(run.rc, tool::EXIT_FAILED);
    EXPECT_EQ(run.err, "read failed: object: unknown-object\n");
}

TEST_F(DeviceTest, ErrorRejectAndTimeOutByName)
{
    // reinitializeDevice, which the device does not offer: a Reject.
    ToolRun run = Run({"send", s_target, "01 04 02 05 07 14"});
    EXPECT_EQ(run.rc, tool::EXIT_FAILED);
    EXPECT_TRUE(run.Says("Reject, invoke ID ")) << run.out;
    EXPECT_TRUE(run.Says(", reason unrecognized-service")) << run.out;
    EXPECT_EQ(run.err, "send failed: reject: unrecognized-service\n");

    // A ReadProperty whose object identifier is cut short: a Reject too.
    run = Run({"send", s_target, "01 04 02 05 08 0C 0C 00 00"});
    EXPECT_EQ(run.rc, tool::EXIT_FAILED);
    EXPECT_NE(run.err.find("send failed: reject: "), std::string::npos) << run.err;

    run = Run({"read", kNobody.ToString(), "AI:1", "PresentValue", "--retries", "1"});
    EXPECT_EQ(run.rc, tool::EXIT_FAILED);
    EXPECT_EQ(run.err, "read failed: time-out (no reply after 2 attempts)\n");
}

TEST_F(DeviceTest, PollExitsNonZeroWhenNoTagGotAValue)
{
    ToolRun run = Run({"poll", kNobody.ToString(), "AI:1/present-value", "--count", "1", "--retries", "0",
                       "--max-apdu", "480"});
    EXPECT_EQ(run.rc, tool::EXIT_FAILED);
    EXPECT_NE(run.err.find("poll failed: time-out"), std::string::npos) << run.err;
    // Answered, but with an error for the only tag.
    run = Run({"poll", s_target, "AI:99/present-value", "--count", "1"});
    EXPECT_EQ(run.rc, tool::EXIT_FAILED) << run.out;
    EXPECT_NE(run.err.find("no tag got a value"), std::string::npos) << run.err;
    run = Run({"poll", s_target, "analog-input:1/present-value", "AO:1/priority-array[8]", "--count", "1", "--csv"});
    EXPECT_EQ(run.rc, tool::EXIT_OK) << run.err;
    EXPECT_TRUE(run.Says("time,tag,value,error\n")) << run.out;
    EXPECT_TRUE(run.Says(",AO:1/priority-array[8],null,\n")) << run.out;
}

TEST_F(DeviceTest, PollReadsWhatTheCatalogueCannotBindWithReadProperty)
{
    ToolRun run = Run({"poll", s_target, "MV:1/present-value", "AI:1/present-value", "BV:1/priority-array",
                       "DV:1234/9999", "--count", "1"});
    EXPECT_EQ(run.rc, tool::EXIT_OK) << run.err;
    EXPECT_TRUE(run.Says("  MV:1/present-value = ")) << run.out;
    EXPECT_TRUE(run.Says("  AI:1/present-value = ")) << run.out;
    EXPECT_TRUE(run.Says("  BV:1/priority-array = [null, ")) << run.out;
    EXPECT_TRUE(run.Says("  DV:1234/9999: no value (property: unknown-property)\n")) << run.out;
    run = Run({"poll", s_target, "multi-state-value:1/object-name", "--count", "1", "--json"});
    EXPECT_EQ(run.rc, tool::EXIT_OK) << run.err;
    EXPECT_TRUE(run.Says("\"tag\":\"multi-state-value:1/object-name\",\"value\":\"Operating Mode\"}\n")) << run.out;
    run = Run({"poll", s_target, "19:1/9999", "--count", "1"});
    EXPECT_EQ(run.rc, tool::EXIT_FAILED) << run.out;
}

TEST_F(DeviceTest, PollReadsBinaryPriorityArrayElementsAsIntegers)
{
    ToolRun run = Run({"write", s_target, "BV:1", "present-value", "active", "--priority", "7"});
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.err;
    run = Run({"poll", s_target, "BV:1/priorityarray[7]", "--count", "1"});
    EXPECT_EQ(run.rc, tool::EXIT_OK) << run.err;
    EXPECT_TRUE(run.Says("  BV:1/priorityarray[7] = 1\n")) << run.out;
    Run({"write", s_target, "BV:1", "present-value", "null", "--priority", "7"});
}

TEST_F(DeviceTest, WhoHasAndTimeSync)
{
    ToolRun run = Run({"whohas", "AI:2", "--target", s_target});
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.err;
    EXPECT_TRUE(run.Says("Device : 1234 at " + s_target + " has analog-input:2 \"Outside Air Temperature\"")) << run.out;
    run = Run({"timesync", "--target", s_target});
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.err;
    EXPECT_TRUE(run.Says(": 01 00 10 06 A4")) << run.out;
}

TEST(Demo, WalksTheRoadOfOnePoll)
{
    const ToolRun run = Tool({"demo"});
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.out << run.err;
    for (const char* text : {"Device : 1234", "AO:1/priorityarray[8]", "ReadPropertyMultiple, invoke ID",
                             "AO:1/PresentValue         42.5", "Monday     08:00:00     1",
                             "611 objects in 3 segments", "\"object: unknown-object\""})
        EXPECT_TRUE(run.Says(text)) << "no \"" << text << "\" in\n" << run.out;
}

}  // namespace

namespace {

// What the tool sent to the device: the service of each confirmed request
// in the --verbose trace ("-> ADDR  81 0A LL LL 01 04 02 05 ID SS ...").
std::vector<std::string> ServicesSent(const std::string& trace)
{
    std::vector<std::string> services;
    std::istringstream lines(trace);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("-> ", 0) == 0 && line.find("  81 0A ") != std::string::npos && line.size() > 50 &&
            line[line.find("  81 0A ") + 20] == '0')
            services.push_back(line.substr(line.find("  81 0A ") + 29, 2));
    return services;
}

}  // namespace

// watch prints each change within a second of the device making it (AI:1
// moves a step a second), with no polling: the trace holds the subscription
// and its cancellation, nothing else.
TEST_F(DeviceTest, WatchPrintsChangesAsTheyComeWithoutPolling)
{
    const auto start = s_net->Now();
    const ToolRun run = Run({"watch", s_target, "AI:1", "BV:1", "--count", "5", "--verbose"});
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(s_net->Now() - start).count();
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.Said();
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 5) << run.Said();
    EXPECT_TRUE(run.Says("  binary-value:1  present-value = inactive  status-flags = {}\n")) << run.Said();
    EXPECT_LE(took, 4000) << "four changes of AI:1, a second apart";
    // Two subscriptions and their cancellations.
    EXPECT_EQ(ServicesSent(run.err), (std::vector<std::string>{"05", "05", "05", "05"})) << run.err;
}

// trend reads the last records of the log (AI:1 every few seconds), paged.
TEST_F(DeviceTest, TrendReadsTheLastRecords)
{
    // Ten minutes pass, with a Who-Is from elsewhere every 5 s to wake the device.
    for (int i = 0; i < 120; i++) {
        s_net->Post(kNobody, kSimAt, Hex("81 0A 00 08 01 00 10 08"));
        s_net->Advance(std::chrono::seconds(5));
    }
    ToolRun run = Read("TL:1", "record-count");
    EXPECT_TRUE(run.Says("trend-log:1 record-count = 1")) << run.Said();
    run = Run({"trend", s_target, "TL:1", "--count", "100", "--csv"});
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.Said();
    EXPECT_EQ(run.out.rfind("time,value,status-flags\n", 0), 0u) << run.Said();
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 101) << run.Said();
    const std::string all = run.out;
    const std::string first = run.out.substr(24, run.out.find('\n', 24) - 24 + 1);

    // From the first of them on, by time: records of the same log, in order.
    const std::string since = first.substr(0, first.find(','));
    run = Run({"trend", s_target, "trend-log:1", "--count", "2", "--since", since});
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.Said();
    std::string asCsv = run.out;
    for (size_t at; (at = asCsv.find("  ")) != std::string::npos;)
        asCsv.replace(at, 2, ",");
    asCsv[10] = 'T';
    asCsv[asCsv.find('\n') + 11] = 'T';
    EXPECT_NE(run.out.find(since.substr(0, 10)), std::string::npos) << run.Said();
    EXPECT_NE(all.find(asCsv), std::string::npos) << asCsv << " in\n" << all;

    run = Run({"trend", s_target, "AI:1", "--count", "5"});
    EXPECT_EQ(run.rc, tool::EXIT_FAILED) << run.Said();
    EXPECT_NE(run.err.find("trend failed: "), std::string::npos) << run.Said();
}
