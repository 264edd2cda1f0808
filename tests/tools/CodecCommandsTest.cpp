// encode and decode through the command line: the exact octets the library
// builds, and the words a received frame is described with.
#include <gtest/gtest.h>

#include <algorithm>

#include <bacnetcodec/bacnetcodec.h>

#include "ToolRun.h"
#include "service/Devices.h"

TEST(EncodeCommand, WritesTheLibrarysOctets)
{
    struct Row {
        std::vector<std::string> words;
        const char* octets;  // after the invoke ID counter is set to 0
    };
    const Row rows[] = {
        {{"whois", "--bvlc"}, "81 0B 00 0C 01 20 FF FF 00 FF 10 08"},
        {{"read", "AI:3", "PresentValue"}, "01 04 02 05 01 0C 0C 00 00 00 03 19 55"},
        // Type 18 as itself, never as the catalogue's 151.
        {{"read", "18:1", "present-value"}, "01 04 02 05 01 0C 0C 04 80 00 01 19 55"},
        {{"read", "1023:4194303", "9999"}, "01 04 02 05 01 0C 0C FF FF FF FF 1A 27 0F"},
        {{"read", "DV:1", "object-list[300]"}, "01 04 02 05 01 0C 0C 02 00 00 01 19 4C 2A 01 2C"},
        {{"readall", "AI:1"}, "01 04 02 05 01 0E 0C 00 00 00 01 1E 09 08 1F"},
        // An option's value may follow an equals sign.
        {{"read", "AI:3", "PresentValue", "--dnet", "5", "--dadr", "0A", "--max-apdu=480"},
         "01 24 00 05 01 0A FF 02 03 01 0C 0C 00 00 00 03 19 55"},
        {{"write", "AO:1", "PresentValue", "42.5", "--priority", "8"},
         "01 04 02 05 01 0F 0C 00 40 00 01 19 55 3E 44 42 2A 00 00 3F 49 08"},
        // Relinquish: the Null, never Real -1 or Enumerated 255.
        {{"write", "AO:1", "present-value", "null", "--priority", "8"},
         "01 04 02 05 01 0F 0C 00 40 00 01 19 55 3E 00 3F 49 08"},
        {{"write", "MV:1", "present-value", "3"}, "01 04 02 05 01 0F 0C 04 C0 00 01 19 55 3E 21 03 3F"},
        {{"write", "AO:1", "priorityarray[8]", "null"}, "01 04 02 05 01 0F 0C 00 40 00 01 19 57 29 08 3E 00 3F"},
        {{"write", "AI:1", "units", "degrees-fahrenheit"}, "01 04 02 05 01 0F 0C 00 00 00 01 19 75 3E 91 40 3F"},
        {{"write", "AI:1", "9999", "7", "--tag", "signed"}, "01 04 02 05 01 0F 0C 00 00 00 01 1A 27 0F 3E 31 07 3F"},
        // Text goes as character set 0, UTF-8: "Café" is five octets.
        {{"write", "AI:1", "ObjectName", "Caf\xC3\xA9"},
         "01 04 02 05 01 0F 0C 00 00 00 01 19 4D 3E 75 06 00 43 61 66 C3 A9 3F"},
        {{"write", "SC:1", "effective-period", "2024-01-01..2024-12-31"},
         "01 04 02 05 01 0F 0C 04 40 00 01 19 20 3E A4 7C 01 01 01 A4 7C 0C 1F 02 3F"},
        {{"create", "AV:7"}, "01 00 00 05 01 0A 0E 1C 00 80 00 07 0F"},
        {{"delete", "AV:7"}, "01 00 00 05 01 0B C4 00 80 00 07"},
        {{"whohas", "AI:3"}, "01 20 FF FF 00 FF 10 07 2C 00 00 00 03"},
        {{"rpm", "AI:5/PresentValue"}, "01 04 02 05 01 0E 0C 00 00 00 05 1E 09 55 1F"},
    };
    for (const Row& row : rows) {
        std::vector<std::string> words = row.words;
        words.insert(words.begin(), "encode");
        InvokeIDScope scope(0);
        const ToolRun run = Tool(words);
        EXPECT_EQ(run.rc, tool::EXIT_OK) << row.words[0] << ": " << run.err;
        EXPECT_EQ(run.out, row.octets + std::string("\n")) << row.words[0] << ' ' << row.words[1];
    }
}

TEST(EncodeCommand, SplitsReadPropertyMultipleByMaxApdu)
{
    // A 50-octet device takes one entry per request; 480 octets take 27.
    std::vector<std::string> words = {"encode", "rpm", "--max-apdu", ""};
    for (int i = 1; i <= 30; i++)
        words.push_back("AI:" + std::to_string(i) + "/PresentValue");
    for (const auto& [maxAPDU, requests] : {std::make_pair("480", 2), std::make_pair("50", 30)}) {
        words[3] = maxAPDU;
        const ToolRun run = Tool(words);
        EXPECT_EQ(run.rc, tool::EXIT_OK) << run.err;
        EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), requests) << maxAPDU;
    }
}

TEST(EncodeCommand, RefusesWhatTheLibraryRefuses)
{
    const std::vector<std::string> rows[] = {
        {"write", "AI:1", "PresentValue", "warm"},
        {"write", "AI:1", "units", "warm"},
        {"write", "AI:1", "9999", "7"},  // its type is unknown offline
        {"write", "AI:1", "9999", "7", "--tag", "float"},
        {"read", "XX:1", "PresentValue"},
        {"read", "AI:1", "4194400"},
        {"frobnicate"},
        {"read", "AI:1", "PresentValue", "--dnet", "5"},
        // A Null without a priority on a commandable present value would not relinquish anything.
        {"write", "AO:1", "present-value", "null"},
        {"write", "analog-value:1", "present-value", "null"},
    };
    for (std::vector<std::string> words : rows) {
        words.insert(words.begin(), "encode");
        const ToolRun run = Tool(words);
        EXPECT_EQ(run.rc, tool::EXIT_USAGE) << words[1] << ' ' << words.back() << '\n' << run.Said();
        EXPECT_FALSE(run.err.empty()) << words[1] << ' ' << words.back();
    }
    const ToolRun null = Tool({"encode", "write", "BV:1", "present-value", "null"});
    EXPECT_NE(null.err.find("null relinquishes a priority slot"), std::string::npos) << null.Said();
}

TEST(DecodeCommand, DescribesReceivedFrames)
{
    struct Row {
        const char* name;
        const char* frame;
        int rc;
        std::vector<std::string> says;
    };
    const Row rows[] = {
        {"read request", "81 0A 00 11 01 04 02 05 01 0C 0C 00 00 00 03 19 55", 0,
         {"Original-Unicast-NPDU, 17 octets", "expecting reply",
          "Confirmed-Request, invoke ID 1, service read-property (12)",
          "context tag 0: 00 00 00 03"}},
        {"present value", "01 00 30 01 0C 0C 00 00 00 05 19 55 3E 44 42 C8 00 00 3F", 0,
         {"Complex-ACK, invoke ID 1, service read-property", "analog-input:5 present-value = 100\n"}},
        // Priority-array elements by their own tags: Null, Real, Enumerated, Unsigned.
        {"priority array", "01 00 30 02 0C 0C 01 40 00 01 19 57 3E 00 44 41 AC 00 00 91 01 21 10 3F", 0,
         {"binary-value:1 priority-array: 4 values", "[1] null", "[2] 21.5", "[3] active", "[4] 16"}},
        {"rpm ack",
         "01 00 30 03 0E 0C 00 00 00 01 1E 29 55 4E 44 41 AC 00 00 4F 29 4D 4E 72 00 5A 4F 29 4B 5E 91 02 91 20 5F 1F",
         0,
         {"analog-input:1 present-value = 21.5\n", "analog-input:1 object-name = \"Z\"\n",
          "analog-input:1 object-identifier: error property: unknown-property\n"}},
        {"error", "01 00 50 01 0C 91 02 91 20", 0,
         {"Error, invoke ID 1", "error property: unknown-property (class 2, code 32)"}},
        {"abort", "01 00 71 03 04", 0, {"Abort, invoke ID 3, reason segmentation-not-supported"}},
        {"i-am", "81 0B 00 18 01 20 FF FF 00 FF 10 00 C4 02 00 04 D2 22 01 E0 91 03 21 07", 0,
         {"i-am", "Device : 1234, max APDU 480, segmentation no-segmentation, vendor 7"}},
        {"i-have", "01 00 10 01 C4 02 00 00 05 C4 00 00 00 03 74 00 41 42 43", 0,
         {"device device:5 has analog-input:3 \"ABC\""}},
        {"segment", "01 00 3C 05 00 04 0E 0C", 0, {"segment 0 (window 4, more follow)"}},
        {"routed", "01 08 00 05 01 0A 30 01 0C", 1, {"source network 5 MAC 0A"}},
        {"truncated read ack", "01 00 30 01 0C 0C 00 00", 1, {"refused"}},
        {"bad version", "02 00", 1, {"network header refused"}},
        {"bad BACnet/IP length", "81 0A 00 09 01 00", 1, {"BACnet/IP header refused"}},
        {"unknown PDU type", "01 00 80 00", 1, {"APDU header refused"}},
    };
    for (const Row& row : rows)
        ExpectRun(Tool({"decode", row.frame}), row.name, row.rc, row.says);
}

TEST(Help, EveryCommandHasHelp)
{
    for (const tool::Command& c : tool::Commands())
        ExpectRun(Tool({c.name, "--help"}), c.name, tool::EXIT_OK, {std::string("usage: bacnet-tool ") + c.name});
    EXPECT_EQ(Tool({}).rc, tool::EXIT_USAGE);
    EXPECT_EQ(Tool({"nosuchcommand"}).rc, tool::EXIT_USAGE);
    EXPECT_EQ(Tool({"read", "127.0.0.1"}).rc, tool::EXIT_USAGE);
    EXPECT_EQ(Tool({"read", "127.0.0.1", "AI:1", "PresentValue", "--bogus"}).rc, tool::EXIT_USAGE);
    const ToolRun version = Tool({"--version"});
    EXPECT_EQ(version.rc, tool::EXIT_OK);
    EXPECT_EQ(version.out, std::string("bacnet-tool ") + bacnetcodec_version() + "\n");
}
