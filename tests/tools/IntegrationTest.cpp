// The tool's commands against the simulated device on loopback: every
// command end to end, a segmented read with a segment lost, polling with a
// change, and the failures reported in the library's words.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <bacnetcodec/bacnetcodec.h>

#include "Client.h"
#include "Plans.h"
#include "ToolRun.h"
#include "sim/SimDevice.h"

namespace {

class DeviceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        SimOptions options;
        options.port = 0;  // any free port
        s_sim = new SimDevice(options);
        std::string error;
        ASSERT_TRUE(s_sim->Start(&error)) << error;
        s_target = "127.0.0.1:" + std::to_string(s_sim->Port());
    }
    static void TearDownTestSuite()
    {
        delete s_sim;
        s_sim = nullptr;
    }

    // A command aimed at the device from any free loopback port.
    static ToolRun Run(std::vector<std::string> words)
    {
        for (const char* option : {"--bind", "127.0.0.1:0", "--timeout", "0.5"})
            words.push_back(option);
        return Tool(words);
    }
    static ToolRun Read(const std::string& object, const std::string& property, const std::string& extra = "")
    {
        std::vector<std::string> words = {"read", s_target, object, property};
        if (!extra.empty())
            words.push_back(extra);
        return Run(words);
    }

    static SimDevice* s_sim;
    static std::string s_target;
};

SimDevice* DeviceTest::s_sim = nullptr;
std::string DeviceTest::s_target;

TEST_F(DeviceTest, DiscoverFindsTheDevice)
{
    ToolRun run = Run({"discover", "--target", s_target});
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.err;
    EXPECT_TRUE(run.Says("Device : 1234  max APDU 1476  segmentation transmit")) << run.out;
    EXPECT_TRUE(run.Says(s_target)) << run.out;

    run = Run({"discover", "--target", s_target, "--json"});
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.err;
    EXPECT_TRUE(run.Says("\"instance\":1234,\"maxApdu\":1476,\"segmentation\":\"transmit\"")) << run.out;
}

TEST_F(DeviceTest, DiscoverWithoutAnswerIsATimeOut)
{
    const ToolRun run = Tool({"discover", "--target", "127.0.0.1:1", "--bind", "127.0.0.1:0", "--timeout", "0.2"});
    EXPECT_EQ(run.rc, tool::EXIT_FAILED);
    EXPECT_NE(run.err.find("discover failed: Time out "), std::string::npos) << run.err;
}

TEST_F(DeviceTest, ReadsEveryStructuredProperty)
{
    struct Row {
        const char* object;
        const char* property;
        std::vector<const char*> says;
    };
    const Row rows[] = {
        {"DV:1234", "ObjectName", {"DV:1234 ObjectName = \"Simulated Device 1234\""}},
        {"AI:2", "Description", {"AI:2 Description = \""}},
        {"AI:1", "PresentValue", {"AI:1 PresentValue = 2"}},
        {"SC:1", "weekly-schedule", {"Day        Time         Value", "Monday     08:00:00     1", "           18:00:00     0",
                                     "Sunday     (no entries)"}},
        {"SC:1", "weekly-schedule[2]", {"Tuesday    08:00:00     1"}},
        {"SC:1", "exception-schedule", {"Event 1: date 2025-07-04 (Fri), priority 10",
                                        "dates 2025-12-24 (Wed) to 2025-12-31 (Wed)", "month 1, week 3, day Mon",
                                        "calendar CD:1, priority 16"}},
        {"SC:1", "effective-period", {"SC:1 effective-period = 2025-01-01 to 2099-12-31"}},
        {"SC:1", "list-of-object-property-reference", {"  BV:1/PresentValue"}},
        {"SC:1", "PriorityForWriting", {"SC:1 PriorityForWriting = 16"}},
        {"DV:1234", "protocol-services-supported", {"readPropertyMultiple", "who-Is"}},
        {"DV:1234", "object-list[0]", {"array length 610"}},
        {"AO:1", "priorityarray[16]", {"AO:1 priorityarray[16] = null"}},
        {"DV:1234", "localdate.year", {"DV:1234 localdate.year = 20"}},
        {"AI:1", "Units", {"AI:1 Units = 62"}},
    };
    for (const Row& row : rows) {
        const ToolRun run = Read(row.object, row.property);
        EXPECT_EQ(run.rc, tool::EXIT_OK) << row.property << ": " << run.err;
        for (const char* text : row.says)
            EXPECT_TRUE(run.Says(text)) << row.property << ": no \"" << text << "\" in\n" << run.out;
    }
}

TEST_F(DeviceTest, ReadGivesJson)
{
    ToolRun run = Read("SC:1", "weekly-schedule", "--json");
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.err;
    EXPECT_TRUE(run.Says("{\"object\":\"SC:1\",\"property\":\"weekly-schedule\",\"index\":null,\"value\":[{\"day\":"
                         "\"Monday\",\"entries\":[{\"time\":\"08:00:00\",\"value\":\"1\"}"))
        << run.out;
    run = Read("AI:99", "PresentValue", "--json");
    EXPECT_EQ(run.rc, tool::EXIT_FAILED);
    EXPECT_TRUE(run.Says("{\"error\":\"error : objectunknown object\",\"status\":5}")) << run.out;
}

TEST_F(DeviceTest, SegmentedObjectListSurvivesALostSegment)
{
    // No loss; the second, the last, then the first segment dropped once.
    for (int drop : {0, 2, 3, 1}) {
        s_sim->DropSegmentOnce(drop);
        const ToolRun run = Read("DV:1234", "object-list");
        ASSERT_EQ(run.rc, tool::EXIT_OK) << "drop " << drop << ": " << run.err;
        EXPECT_TRUE(run.Says("610 objects")) << "drop " << drop;
        EXPECT_TRUE(run.Says("      1  DV:1234\n      2  AI:1\n")) << "drop " << drop;
        EXPECT_TRUE(run.Says("    610  ")) << "drop " << drop;
        EXPECT_TRUE(run.Says("(the reply came in 3 segments")) << "drop " << drop << '\n' << run.out;
        // A gap (2) or a missing last segment (3) is asked for again with a
        // negative Segment-ACK; a lost first segment repeats the request.
        EXPECT_EQ(run.Says("1 asked for again)"), drop == 2 || drop == 3) << "drop " << drop << '\n' << run.out;
    }
    // Small segments: many windows.
    const ToolRun run = Run({"read", s_target, "DV:1234", "object-list", "--max-apdu", "206", "--json"});
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.err;
    EXPECT_TRUE(run.Says("\"segments\":16")) << run.out;
    // 609 commas between the 610 identifiers, five between the members.
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), ','), 614);
}

TEST_F(DeviceTest, PollPrintsOnlyWhatChanged)
{
    // The write goes out from another socket while the poll waits between
    // its two polls. It is built before the poll starts: the library's
    // invoke-ID counter is not for two threads at once.
    tool::PropertyPlan plan;
    std::string error;
    ASSERT_TRUE(tool::PlanWrite("AV:1001", "PresentValue", "77.25", 0, plan, error)) << error;
    CBACnetOBJ device;
    const tool::Request write = tool::BuildWrite(device, plan);
    tool::Endpoint any, to;
    ASSERT_TRUE(tool::Endpoint::Parse("127.0.0.1:0", 0, any, nullptr));
    ASSERT_TRUE(tool::Endpoint::Parse(s_target, 0, to, nullptr));
    tool::BipTransport writer;
    ASSERT_TRUE(writer.Open(any, &error)) << error;
    std::thread later([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        writer.Send(to, write.frame.data(), static_cast<int>(write.frame.size()), false);
    });
    const ToolRun run = Run({"poll", s_target, "AV:1000/PresentValue", "AV:1001/PresentValue", "--count", "2",
                             "--interval", "1"});
    later.join();
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

TEST_F(DeviceTest, WriteWithPriorityReadsBack)
{
    ToolRun run = Run({"write", s_target, "AO:1", "PresentValue", "33.5", "--priority", "9"});
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.err;
    EXPECT_EQ(run.out, "wrote AO:1 PresentValue = 33.5 at priority 9\n");
    EXPECT_TRUE(Read("AO:1", "priorityarray[9]").Says("AO:1 priorityarray[9] = 33.5"));
    EXPECT_TRUE(Read("AO:1", "PresentValue").Says("AO:1 PresentValue = 33.5"));

    run = Run({"write", s_target, "AV:1002", "ObjectName", "Return Air Setpoint"});
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.err;
    EXPECT_TRUE(Read("AV:1002", "ObjectName").Says("\"Return Air Setpoint\""));

    run = Run({"write", s_target, "AI:1", "PresentValue", "5"});
    EXPECT_EQ(run.rc, tool::EXIT_FAILED);
    EXPECT_NE(run.err.find("write failed: error : propertywrite access denied"), std::string::npos) << run.err;

    run = Run({"write", s_target, "AO:1", "PresentValue", "warm"});
    EXPECT_EQ(run.rc, tool::EXIT_USAGE);
}

TEST_F(DeviceTest, CreateThenDelete)
{
    ToolRun run = Run({"create", s_target, "AV:5000"});
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.err;
    EXPECT_EQ(run.out, "created AV:5000\n");
    EXPECT_TRUE(Read("AV:5000", "ObjectName").Says("\"Analog Value 5000\""));
    run = Run({"create", s_target, "AV:5000"});
    EXPECT_EQ(run.rc, tool::EXIT_FAILED);
    EXPECT_NE(run.err.find("create failed: error : "), std::string::npos) << run.err;

    run = Run({"delete", s_target, "AV:5000"});
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.err;
    EXPECT_EQ(run.out, "deleted AV:5000\n");
    run = Read("AV:5000", "ObjectName");
    EXPECT_EQ(run.rc, tool::EXIT_FAILED);
    EXPECT_NE(run.err.find("read failed: error : objectunknown object"), std::string::npos) << run.err;
}

TEST_F(DeviceTest, ErrorRejectAndTimeOutInTheLibrarysWords)
{
    ToolRun run = Read("AI:99", "PresentValue");
    EXPECT_EQ(run.rc, tool::EXIT_FAILED);
    EXPECT_EQ(run.err, "read failed: error : objectunknown object\n");

    run = Read("AI:1", "priorityarray[1]");
    EXPECT_EQ(run.rc, tool::EXIT_USAGE) << "the catalogue has no priority array for an input";

    // reinitializeDevice, which the device does not offer: a Reject.
    run = Run({"send", s_target, "01 04 02 05 07 14"});
    EXPECT_EQ(run.rc, tool::EXIT_FAILED);
    EXPECT_TRUE(run.Says("Reject, invoke ID 7, reason 9")) << run.out;
    EXPECT_EQ(run.err, "send failed: reject : unrecognized service\n");

    // A ReadProperty whose object identifier is cut short: a Reject too.
    run = Run({"send", s_target, "01 04 02 05 08 0C 0C 00 00"});
    EXPECT_EQ(run.rc, tool::EXIT_FAILED);
    EXPECT_NE(run.err.find("send failed: reject : "), std::string::npos) << run.err;

    run = Tool({"read", "127.0.0.1:1", "AI:1", "PresentValue", "--bind", "127.0.0.1:0", "--timeout", "0.1",
                "--retries", "1"});
    EXPECT_EQ(run.rc, tool::EXIT_FAILED);
    EXPECT_EQ(run.err, "read failed: Time out \n");
}

TEST_F(DeviceTest, WhoHasAndTimeSync)
{
    ToolRun run = Run({"whohas", "AI:2", "--target", s_target});
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.err;
    EXPECT_TRUE(run.Says("Device : 1234 at " + s_target + " has AI:2 \"Outside Air Temperature\"")) << run.out;
    run = Run({"timesync", "--target", s_target});
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.err;
    EXPECT_TRUE(run.Says("01 20 FF FF 00 FF 10 06 A4")) << run.out;
}

TEST(Demo, WalksTheRoadOfOnePoll)
{
    const ToolRun run = Tool({"demo"});
    ASSERT_EQ(run.rc, tool::EXIT_OK) << run.out << run.err;
    for (const char* text : {"Device : 1234", "AO:1/priorityarray[8]", "ReadPropertyMultiple, invoke ID",
                             "AO:1/PresentValue         42.5", "Monday     08:00:00     1",
                             "610 objects in 3 segments", "\"error : objectunknown object\""})
        EXPECT_TRUE(run.Says(text)) << "no \"" << text << "\" in\n" << run.out;
}

}  // namespace
