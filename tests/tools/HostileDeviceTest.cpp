// bacnet-tool against scripted devices on the in-memory network that answer
// with cut, mismatched, undecodable, forged and endless replies: the tool
// refuses (exit 1, a reason, no value) or names the entry that failed,
// never prints a wrong value as good, and ends on time.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ToolRun.h"
#include "client/ScriptedDevice.h"

using namespace scripted;

namespace {

// A Complex-ACK to the request `s`, with `params`.
std::string Ack(const Sent& s, const std::string& params)
{
    return "30 " + Octet(s.InvokeID()) + " " + Octet(s.Service()) + " " + params;
}
// A device at 10.0.0.2 that acknowledges every confirmed request with `params`.
Peer::Script Acking(const std::string& params)
{
    return Answering([params](Peer&, const Sent& s) { return Ack(s, params); });
}

// A command against the device at 10.0.0.2 (put after the command's name), one attempt.
ToolRun Ask(const Peer::Script& device, std::vector<std::string> words)
{
    bacnet::MemoryNetwork net;
    Peer peer(net, device);
    words.insert(words.begin() + 1, kDevice.ToString());
    words.insert(words.end(), {"--timeout", "0.1", "--retries", "0"});
    if (words[0] == "poll")
        words.insert(words.end(), {"--max-apdu", "1476"});
    return ToolOn(net, words);
}

// A refusal: exit 1, a reason on stderr, and none of the forms a value
// prints in (" = ", a list's count, an empty list) on stdout.
void ExpectRefused(const ToolRun& run, const std::string& name)
{
    EXPECT_EQ(run.rc, tool::EXIT_FAILED) << name << '\n' << run.Said();
    for (const char* value : {" = ", "values", "(empty)"})
        EXPECT_EQ(run.out.find(value), std::string::npos) << name << '\n' << run.Said();
    EXPECT_FALSE(run.err.empty()) << name << '\n' << run.Said();
}

}  // namespace

// A ReadProperty acknowledgement that answers another object, property or
// index than was asked is refused; so is every prefix of a good one, from the
// bare APDU header to one octet short of the closing tag 3, while the whole
// reply prints its value (the script is sound).
TEST(HostileDevice, CutOrMismatchedReadRepliesAreRefused)
{
    struct Row {
        const char* name;
        std::vector<std::string> words;
        std::string params;
        const char* good;  // "": a mismatch, refused whole
    };
    const Row rows[] = {
        {"a Real present value", {"read", "AI:1", "present-value"}, "0C 00 00 00 01 19 55 3E 44 41 AC 00 00 3F",
         "analog-input:1 present-value = 21.5\n"},
        {"an indexed element", {"read", "AO:1", "priority-array[8]"}, "0C 00 40 00 01 19 57 29 08 3E 44 42 2A 00 00 3F",
         "analog-output:1 priority-array[8] = 42.5\n"},
        {"a weekly schedule", {"read", "SC:1", "weekly-schedule"},
         "0C 04 40 00 01 19 7B 3E 0E B4 08 00 00 00 91 01 B4 12 00 00 00 91 00 0F 0E 0F 0E 0F 0E 0F 0E 0F 0E 0F "
         "0E 0F 3F",
         "Monday     08:00:00     1"},
        {"an object list", {"read", "DV:1234", "object-list"},
         "0C 02 00 04 D2 19 4C 3E C4 00 00 00 01 C4 00 00 00 02 C4 00 00 00 03 3F", "  [3] analog-input:3\n"},
        {"analog-input:3 for analog-input:1", {"read", "AI:1", "present-value"},
         "0C 00 00 00 03 19 55 3E 44 41 AC 00 00 3F", ""},
        {"units for present-value", {"read", "AI:1", "present-value"}, "0C 00 00 00 01 19 75 3E 91 3E 3F", ""},
        {"element 3 for element 8", {"read", "AO:1", "priority-array[8]"},
         "0C 00 40 00 01 19 57 29 03 3E 44 42 2A 00 00 3F", ""},
        {"an element for the whole array", {"read", "AO:1", "priority-array"},
         "0C 00 40 00 01 19 57 29 08 3E 44 42 2A 00 00 3F", ""},
        {"the whole array for an element", {"read", "AO:1", "priority-array[8]"},
         "0C 00 40 00 01 19 57 3E 44 42 2A 00 00 3F", ""},
        {"all of analog-input:3 for analog-input:1", {"read", "AI:1", "all"},
         "0C 00 00 00 03 1E 29 55 4E 44 41 AC 00 00 4F 1F", ""},
    };
    for (const Row& row : rows) {
        if (!*row.good) {
            ExpectRefused(Ask(Acking(row.params), row.words), row.name);
            continue;
        }
        const ToolRun good = Ask(Acking(row.params), row.words);
        EXPECT_TRUE(good.rc == tool::EXIT_OK && good.Says(row.good)) << row.name << '\n' << good.Said();
        const std::vector<unsigned char> params = Hex(row.params);
        for (int keep = 0; keep < static_cast<int>(params.size()); keep++)
            ExpectRefused(Ask(Acking(ToHex(params.data(), keep)), row.words),
                          std::string(row.name) + " cut to " + std::to_string(keep) + " octets");
    }
}

// Undecodable results and an error in the middle of a poll: each failed
// tag is named with its reason and never printed as a value, and the values
// on either side are delivered, in text and in JSON.
TEST(HostileDevice, AnOddResultInAPollIsNamedAndTheRestDelivered)
{
    const std::string reply = "0C 00 00 00 01 1E 29 55 4E 44 41 AC 00 00 4F 1F "
                              "0C 00 00 00 01 1E 29 75 5E 91 02 91 20 5F 1F "
                              "0C 00 00 00 02 1E 29 55 4E 55 08 40 35 80 00 00 00 00 00 4F 1F "
                              "0C 00 00 00 03 1E 29 55 4E 44 40 E8 00 00 4F 1F";
    std::vector<std::string> words = {"poll", "AI:1/present-value", "AI:1/units", "AI:2/present-value",
                                      "AI:3/present-value", "--count", "1"};
    const ToolRun text = Ask(Acking(reply), words);
    ExpectRun(text, "text", tool::EXIT_OK,
              {"  AI:1/present-value = 21.5\n", "  AI:1/units: no value (error property: unknown-property)",
               "  AI:2/present-value: no value (its result is refused: bad length)\n",
               "  AI:3/present-value = 7.25\n"});
    EXPECT_FALSE(text.Says("AI:1/units = ") || text.Says("AI:2/present-value = ")) << text.Said();
    words.push_back("--json");
    ExpectRun(Ask(Acking(reply), words), "json", tool::EXIT_OK,
              {"\"tag\":\"AI:1/present-value\",\"value\":21.5}",
               "\"tag\":\"AI:2/present-value\",\"error\":\"its result is refused: bad length\"}",
               "\"tag\":\"AI:3/present-value\",\"value\":7.25}"});

    // A result that turns odd after a good poll is named on that poll (its
    // value is stale), and a good value afterwards is delivered again.
    const std::string results[] = {"44 41 AC 00 00", "55 08 40 35 80 00 00 00 00 00", "44 40 E8 00 00"};
    int polls = 0;
    const ToolRun run = Ask(Answering([&](Peer&, const Sent& s) {
                                return Ack(s, "0C 00 00 00 02 1E 29 55 4E " + results[std::min(polls++, 2)] + " 4F 1F");
                            }),
                            {"poll", "AI:2/present-value", "--count", "3", "--interval", "0"});
    ExpectRun(run, "odd after good", tool::EXIT_OK,
              {"AI:2/present-value = 21.5\n", "AI:2/present-value: no value (its result is refused: bad length)\n",
               "AI:2/present-value = 7.25\n"});
}

// `read OBJECT all` decodes the acknowledgement itself: an odd result in
// the middle either prints as what the device sent, by the standard's names,
// or the whole reply is refused with the octet it stopped at.
TEST(HostileDevice, AnOddResultInReadAllIsShownAsSentOrRefused)
{
    struct Row {
        const char* name;
        const char* middle;  // property, value
        const char* says;    // printed, or "" for a refusal
    } rows[] = {
        {"units 47808 in two octets", "29 75 4E 92 BA C0 4F", "analog-input:1 units = standard-cubic-feet-per-day\n"},
        {"a Real running into the closing tag", "29 55 4E 44 41 AC 4F", ""},
        {"an opening tag and the end", "29 1C 4E", ""},
    };
    for (const Row& row : rows) {
        const ToolRun run = Ask(Acking(std::string("0C 00 00 00 01 1E 29 4D 4E 75 03 00 68 69 4F ") + row.middle +
                                       " 29 4B 4E C4 00 00 00 01 4F 1F"),
                                {"read", "AI:1", "all"});
        if (*row.says) {
            EXPECT_EQ(run.out, std::string("analog-input:1 object-name = \"hi\"\n") + row.says +
                                   "analog-input:1 object-identifier = analog-input:1\n")
                << row.name << '\n' << run.Said();
        } else {
            ExpectRefused(run, row.name);
            EXPECT_EQ(run.err.find("read failed: the reply is refused: its tags are refused at octet "), 0u)
                << row.name << '\n' << run.Said();
        }
    }
}

// Replies forged by another host, who knows the invoke ID: a Forwarded-NPDU
// naming the device as its originator, or a plain reply from elsewhere,
// arriving before the true one or instead of it. The tool prints the
// device's value or fails; never 666.
TEST(HostileDevice, ForgedRepliesAreDropped)
{
    for (BvlcFunction function : {BvlcFunction::ForwardedNpdu, BvlcFunction::OriginalUnicastNpdu})
        for (bool deviceAnswers : {true, false}) {
            const std::string name = std::string(function == BvlcFunction::ForwardedNpdu ? "forwarded" : "unicast") +
                                     (deviceAnswers ? ", then the device" : ", alone");
            bacnet::MemoryNetwork net;
            Peer device(net, [&](Peer& d, const Sent& s) {
                if (s.PduType() != 0)
                    return;
                d.Reply(Wrap(function, Hex(ReadAck(s.InvokeID(), true)), kDevice), 1, kAttacker);
                if (deviceAnswers)
                    d.Reply(Unicast(ReadAck(s.InvokeID())), 50);
            });
            const ToolRun run = ToolOn(net, {"read", kDevice.ToString(), "AI:1", "present-value", "--timeout", "1"});
            if (deviceAnswers)
                EXPECT_EQ(run.out, "analog-input:1 present-value = 21.5\n") << name << '\n' << run.Said();
            else
                ExpectRefused(run, name);
        }
}

// A device that never ends its reply (empty segments, each one
// acknowledged) cannot hold the tool past --timeout × (--retries + 1): the
// command ends within 10% of that on the network's virtual clock, and says so.
TEST(HostileDevice, EndlessRepliesEndAtTheDeadline)
{
    for (const auto& [timeout, retries, asked] : {std::make_tuple("2", "1", 4000), std::make_tuple("0.5", "3", 2000)}) {
        bacnet::MemoryNetwork net;
        Peer device(net, [](Peer& d, const Sent& s) {
            if (s.PduType() == 0)
                d.Reply(Unicast(Segment(s.InvokeID(), 0, true)), 100);
            else if (s.PduType() == 4 && !s.Negative())
                d.Reply(Unicast(Segment(s.InvokeID(), (s.Sequence() + 1) & 0xFF, true)), 100);
        });
        const auto start = net.Now();
        const ToolRun run = ToolOn(
            net, {"read", kDevice.ToString(), "AI:1", "present-value", "--timeout", timeout, "--retries", retries});
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(net.Now() - start).count();
        EXPECT_EQ(run.err.find("read failed: time-out"), 0u) << timeout << '\n' << run.Said();
        EXPECT_GE(took, asked * 9 / 10) << timeout;
        EXPECT_LE(took, asked * 11 / 10) << timeout;
    }
}
