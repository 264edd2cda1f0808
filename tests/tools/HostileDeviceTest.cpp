// bacnet-tool against scripted devices on the in-memory network that answer
// with cut, mismatched, undecodable, forged and endless replies: the tool
// refuses (exit 1, a reason, no value) or names the entry that failed,
// never prints a wrong value as good, and ends on time.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ToolRun.h"
#include "client/ScriptedDevice.h"

using scripted::kAttacker;
using scripted::kBbmd;
const bacnet::Endpoint kDevice = scripted::kDevice;
using scripted::Peer;
using scripted::Sent;

namespace {

using Octets = std::vector<unsigned char>;
// APDUs to answer one confirmed request with (given its APDU); several: segments.
using Frames = std::function<std::vector<Octets>(const Octets& request)>;
using Script = std::function<Octets(const Octets& request)>;

Octets Npdu(const Octets& apdu)
{
    Octets npdu = {0x01, 0x00};
    npdu.insert(npdu.end(), apdu.begin(), apdu.end());
    return npdu;
}

// A device at 10.0.0.2 that answers each confirmed request as `frames` says.
Peer::Script Answering(Frames frames)
{
    return [frames](Peer& d, const Sent& s) {
        if (s.PduType() != 0)
            return;  // only confirmed requests are answered
        for (const Octets& apdu : frames(Octets(s.m_datagram.begin() + 6, s.m_datagram.end())))
            d.Reply(scripted::Wrap(bacnet::BvlcFunction::OriginalUnicastNpdu, Npdu(apdu)), 1);
    };
}
Peer::Script Answering(Script script)
{
    return Answering(Frames([script](const Octets& request) { return std::vector<Octets>{script(request)}; }));
}

// A command against the scripted device at 10.0.0.2, one attempt.
ToolRun Ask(const Peer::Script& device, std::vector<std::string> words)
{
    bacnet::MemoryNetwork net;
    Peer peer(net, device);
    words.insert(words.begin() + 1, kDevice.ToString());
    for (const char* option : {"--timeout", "0.1", "--retries", "0"})
        words.push_back(option);
    return ToolOn(net, words);
}

ToolRun Poll(const Peer::Script& device, std::vector<std::string> tags)
{
    tags.insert(tags.begin(), "poll");
    for (const char* option : {"--count", "1", "--max-apdu", "1476"})
        tags.push_back(option);
    return Ask(device, tags);
}

std::string Said(const ToolRun& run)
{
    return run.Said();
}

// A Complex-ACK to `request` (its invoke ID and service) with `params`.
Octets Ack(const Octets& request, const Octets& params)
{
    Octets apdu = {0x30, request[2], request[3]};
    apdu.insert(apdu.end(), params.begin(), params.end());
    return apdu;
}

Octets Join(std::initializer_list<Octets> parts)
{
    Octets all;
    for (const Octets& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

const Octets kAI1 = {0x0C, 0x00, 0x00, 0x00, 0x01};
const Octets kAI2 = {0x0C, 0x00, 0x00, 0x00, 0x02};
const Octets kAI3 = {0x0C, 0x00, 0x00, 0x00, 0x03};
const Octets kDeviceID = {0x0C, 0x02, 0x00, 0x04, 0xD2};
const Octets kPresentValue = {0x19, 0x55};
const Octets kUnits = {0x19, 0x75};
const Octets kReal21_5 = {0x44, 0x41, 0xAC, 0x00, 0x00};

// A refusal: exit 1, a reason on stderr, and none of the forms a value
// prints in (" = ", a list's count, an empty list) on stdout.
void ExpectRefused(const ToolRun& run, const std::string& name)
{
    EXPECT_EQ(run.rc, tool::EXIT_FAILED) << name << '\n' << Said(run);
    EXPECT_EQ(run.out.find(" = "), std::string::npos) << name << '\n' << Said(run);
    EXPECT_EQ(run.out.find("values"), std::string::npos) << name << '\n' << Said(run);
    EXPECT_EQ(run.out.find("(empty)"), std::string::npos) << name << '\n' << Said(run);
    EXPECT_FALSE(run.err.empty()) << name << '\n' << Said(run);
}

}  // namespace

// Every prefix of a valid ReadProperty acknowledgement, from the bare APDU
// header to one octet short of the closing tag 3, is refused; the whole
// reply prints its value (the script is sound).
TEST(HostileDevice, EveryCutOfAReadReplyIsRefused)
{
    Octets schedule = {0x0E};  // seven days, Monday 08:00 on, 18:00 off, the rest empty
    schedule.insert(schedule.end(), {0xB4, 0x08, 0x00, 0x00, 0x00, 0x91, 0x01, 0xB4, 0x12, 0x00, 0x00, 0x00, 0x91, 0x00});
    schedule.push_back(0x0F);
    for (int day = 1; day < 7; day++)
        schedule.insert(schedule.end(), {0x0E, 0x0F});
    Octets objects;
    for (unsigned char i = 1; i <= 3; i++)
        objects.insert(objects.end(), {0xC4, 0x00, 0x00, 0x00, i});
    struct Row {
        const char* name;
        std::vector<std::string> words;
        Octets params;
        const char* good;
    };
    const Row rows[] = {
        {"a Real present value", {"read", "AI:1", "present-value"},
         Join({kAI1, kPresentValue, {0x3E}, kReal21_5, {0x3F}}), "analog-input:1 present-value = 21.5\n"},
        {"units", {"read", "AI:1", "units"}, Join({kAI1, kUnits, {0x3E, 0x91, 0x3E, 0x3F}}),
         "analog-input:1 units = degrees-celsius\n"},
        {"an object name", {"read", "AI:1", "object-name"},
         Join({kAI1, {0x19, 0x4D, 0x3E, 0x75, 0x05, 0x00, 'Z', 'o', 'n', 'e', 0x3F}}),
         "analog-input:1 object-name = \"Zone\"\n"},
        {"an indexed element", {"read", "AO:1", "priority-array[8]"},
         {0x0C, 0x00, 0x40, 0x00, 0x01, 0x19, 0x57, 0x29, 0x08, 0x3E, 0x44, 0x42, 0x2A, 0x00, 0x00, 0x3F},
         "analog-output:1 priority-array[8] = 42.5\n"},
        {"a weekly schedule", {"read", "SC:1", "weekly-schedule"},
         Join({{0x0C, 0x04, 0x40, 0x00, 0x01, 0x19, 0x7B, 0x3E}, schedule, {0x3F}}), "Monday     08:00:00     1"},
        {"an object list", {"read", "DV:1234", "object-list"}, Join({kDeviceID, {0x19, 0x4C, 0x3E}, objects, {0x3F}}),
         "  [3] analog-input:3\n"},
    };
    int cuts = 0;
    for (const Row& row : rows) {
        // The whole reply first: the script is sound.
        const ToolRun good = Ask(Answering([&](const Octets& request) { return Ack(request, row.params); }), row.words);
        ASSERT_EQ(good.rc, tool::EXIT_OK) << row.name << '\n' << Said(good);
        EXPECT_TRUE(good.Says(row.good)) << row.name << '\n' << Said(good);
        for (size_t keep = 0; keep < row.params.size(); keep++, cuts++) {
            const auto cut = Answering([&](const Octets& request) {
                return Ack(request, Octets(row.params.begin(), row.params.begin() + keep));
            });
            ExpectRefused(Ask(cut, row.words), std::string(row.name) + " cut to " + std::to_string(keep) + " octets");
        }
    }
    // An acknowledgement cut inside its own header is not a reply at all.
    for (size_t keep = 1; keep < 3; keep++, cuts++) {
        const auto cut = Answering([&](const Octets& request) {
            Octets header = Ack(request, {});
            header.resize(keep);
            return header;
        });
        ExpectRefused(Ask(cut, rows[0].words), "the header cut to " + std::to_string(keep) + " octets");
    }
    EXPECT_EQ(cuts, 120);
}

// A reply that answers another object, property or index than was asked is
// refused, by `read` and by both kinds of poll tag.
TEST(HostileDevice, AMismatchedReplyIsRefused)
{
    struct Row {
        const char* name;
        std::vector<std::string> words;  // read ... or poll TAG
        Octets params;                   // a ReadProperty acknowledgement's, or ReadPropertyMultiple's
    };
    const Row rows[] = {
        {"analog-input:3 for analog-input:1", {"read", "AI:1", "present-value"},
         Join({kAI3, kPresentValue, {0x3E}, kReal21_5, {0x3F}})},
        {"units for present-value", {"read", "AI:1", "present-value"}, Join({kAI1, kUnits, {0x3E, 0x91, 0x3E, 0x3F}})},
        {"element 3 for element 8", {"read", "AO:1", "priority-array[8]"},
         {0x0C, 0x00, 0x40, 0x00, 0x01, 0x19, 0x57, 0x29, 0x03, 0x3E, 0x44, 0x42, 0x2A, 0x00, 0x00, 0x3F}},
        {"an element for the whole array", {"read", "AO:1", "priority-array"},
         {0x0C, 0x00, 0x40, 0x00, 0x01, 0x19, 0x57, 0x29, 0x08, 0x3E, 0x44, 0x42, 0x2A, 0x00, 0x00, 0x3F}},
        {"the whole array for an element", {"read", "AO:1", "priority-array[8]"},
         {0x0C, 0x00, 0x40, 0x00, 0x01, 0x19, 0x57, 0x3E, 0x44, 0x42, 0x2A, 0x00, 0x00, 0x3F}},
        {"all of analog-input:3 for analog-input:1", {"read", "AI:1", "all"},
         Join({kAI3, {0x1E, 0x29, 0x55, 0x4E}, kReal21_5, {0x4F, 0x1F}})},
        {"poll: multi-state-value:3 for multi-state-value:1", {"poll", "MV:1/present-value"},
         {0x0C, 0x04, 0xC0, 0x00, 0x03, 0x19, 0x55, 0x3E, 0x21, 0x02, 0x3F}},
        {"poll: analog-input:3 for analog-input:1", {"poll", "AI:1/present-value"},
         Join({kAI3, {0x1E, 0x29, 0x55, 0x4E}, kReal21_5, {0x4F, 0x1F}})},
        {"poll: units for present-value", {"poll", "AI:1/present-value"},
         Join({kAI1, {0x1E, 0x29, 0x75, 0x4E, 0x91, 0x15, 0x4F, 0x1F}})},
    };
    for (const Row& row : rows) {
        const auto device = Answering([&](const Octets& request) { return Ack(request, row.params); });
        if (row.words[0] == "poll") {
            const ToolRun run = Poll(device, {row.words[1]});
            EXPECT_EQ(run.rc, tool::EXIT_FAILED) << row.name << '\n' << Said(run);
            EXPECT_EQ(run.out.find(" = "), std::string::npos) << row.name << '\n' << Said(run);
            EXPECT_TRUE(run.Says(row.words[1] + ": no value (")) << row.name << '\n' << Said(run);
        } else {
            ExpectRefused(Ask(device, row.words), row.name);
        }
    }
}

// One undecodable result in the middle of a poll: the values on either side
// are delivered, the failed tag is named with the library's reason, and
// nothing is printed as its value. Where the odd result hides its own end,
// the next entry is named too, never given a wrong value.
TEST(HostileDevice, AnOddResultInAPollIsNamedAndTheRestDelivered)
{
    struct Row {
        const char* name;
        const char* middleTag;
        Octets middle;     // the middle read access result, object and all
        const char* why;   // in the failed tag's line
        bool lastDelivered;
    };
    const Row rows[] = {
        {"a Double present value", "AI:2/present-value",
         Join({kAI2, {0x1E, 0x29, 0x55, 0x4E, 0x55, 0x08, 0x40, 0x35, 0x80, 0, 0, 0, 0, 0, 0x4F, 0x1F}}),
         "its result is refused: bad length", true},
        {"units 47808 in two octets", "AI:1/units", Join({kAI1, {0x1E, 0x29, 0x75, 0x4E, 0x92, 0xBA, 0xC0, 0x4F, 0x1F}}),
         "its result is refused: bad length", true},
        {"a tag of length 7", "AI:2/present-value",
         Join({kAI2, {0x1E, 0x29, 0x55, 0x4E, 0x47, 0x41, 0xAC, 0, 0, 0, 0, 0, 0x4F, 0x1F}}), "its result is refused: ",
         true},
        {"a Real running into the closing tag", "AI:2/present-value",
         Join({kAI2, {0x1E, 0x29, 0x55, 0x4E, 0x44, 0x41, 0xAC, 0x4F, 0x1F}}), "its result is refused: ", false},
        {"a value with no closing tag", "AI:2/present-value", Join({kAI2, {0x1E, 0x29, 0x55, 0x4E}, kReal21_5, {0x1F}}),
         "its result is refused: ", false},
        {"description for units", "AI:1/units",
         Join({kAI1, {0x1E, 0x29, 0x1C, 0x4E, 0x75, 0x03, 0x00, 'h', 'i', 0x4F, 0x1F}}),
         "its result is refused: not the object or property asked for", true},
        {"another object's result", "AI:2/present-value", Join({kAI3, {0x1E, 0x29, 0x55, 0x4E}, kReal21_5, {0x4F, 0x1F}}),
         "its result is refused: not the object or property asked for", true},
        {"the device's error", "AI:1/units", Join({kAI1, {0x1E, 0x29, 0x75, 0x5E, 0x91, 0x02, 0x91, 0x20, 0x5F, 0x1F}}),
         "error property: unknown-property)", true},
    };
    const Octets first = Join({kAI1, {0x1E, 0x29, 0x55, 0x4E}, kReal21_5, {0x4F, 0x1F}});
    const Octets last = Join({kAI3, {0x1E, 0x29, 0x55, 0x4E, 0x44, 0x40, 0xE8, 0x00, 0x00, 0x4F, 0x1F}});
    for (const Row& row : rows) {
        const auto device = Answering([&](const Octets& request) { return Ack(request, Join({first, row.middle, last})); });
        const ToolRun run = Poll(device, {"AI:1/present-value", row.middleTag, "AI:3/present-value"});
        const std::string middle = row.middleTag;
        EXPECT_TRUE(run.Says("  AI:1/present-value = 21.5\n")) << row.name << '\n' << Said(run);
        EXPECT_TRUE(run.Says("  " + middle + ": no value (" + row.why)) << row.name << '\n' << Said(run);
        EXPECT_FALSE(run.Says("  " + middle + " = ")) << row.name << '\n' << Said(run);
        if (row.lastDelivered)
            EXPECT_TRUE(run.Says("  AI:3/present-value = 7.25\n")) << row.name << '\n' << Said(run);
        else
            EXPECT_TRUE(run.Says("  AI:3/present-value: no value (its result is refused: ")) << row.name << '\n'
                                                                                           << Said(run);
        EXPECT_EQ(run.rc, tool::EXIT_OK) << row.name << '\n' << Said(run);
    }
    const auto device = Answering([&](const Octets& request) { return Ack(request, Join({first, rows[0].middle, last})); });
    const ToolRun json = Poll(device, {"AI:1/present-value", "AI:2/present-value", "AI:3/present-value", "--json"});
    EXPECT_TRUE(json.Says("\"tag\":\"AI:1/present-value\",\"value\":21.5}")) << Said(json);
    EXPECT_TRUE(json.Says("\"tag\":\"AI:2/present-value\",\"error\":\"its result is refused: bad length\"}"))
        << Said(json);
    EXPECT_TRUE(json.Says("\"tag\":\"AI:3/present-value\",\"value\":7.25}")) << Said(json);
}

// A result that turns odd after a good poll: the tag is named on that poll
// (its value is stale), and a good value afterwards is delivered again.
TEST(HostileDevice, AResultTurningOddIsNamedOnThatPoll)
{
    const Octets good = Join({kAI2, {0x1E, 0x29, 0x55, 0x4E}, kReal21_5, {0x4F, 0x1F}});
    const Octets odd = Join({kAI2, {0x1E, 0x29, 0x55, 0x4E, 0x55, 0x08, 0x40, 0x35, 0x80, 0, 0, 0, 0, 0, 0x4F, 0x1F}});
    const Octets better = Join({kAI2, {0x1E, 0x29, 0x55, 0x4E, 0x44, 0x40, 0xE8, 0x00, 0x00, 0x4F, 0x1F}});
    int polls = 0;
    const auto device = Answering([&](const Octets& request) {
        const int n = polls++;
        return Ack(request, n == 0 ? good : n == 1 ? odd : better);
    });
    const ToolRun run =
        Ask(device, {"poll", "AI:2/present-value", "--count", "3", "--interval", "0", "--max-apdu", "1476"});
    const size_t value = run.out.find("AI:2/present-value = 21.5\n");
    const size_t named = run.out.find("AI:2/present-value: no value (its result is refused: bad length)\n");
    const size_t again = run.out.find("AI:2/present-value = 7.25\n");
    EXPECT_TRUE(value < named && named < again && again != std::string::npos) << Said(run);
    EXPECT_EQ(run.rc, tool::EXIT_OK) << Said(run);
}

// Lists cut short: an object list of 300 stopping after 40 (in one reply or
// the last of two segments), and a reply ending on its opening tag 3.
TEST(HostileDevice, ACutListIsNotAShortList)
{
    Octets objects;
    for (unsigned char i = 1; i <= 40; i++)
        objects.insert(objects.end(), {0xC4, 0x00, 0x00, 0x01, i});
    const Octets head = Join({kDeviceID, {0x19, 0x4C, 0x3E}});
    struct Row {
        const char* name;
        std::vector<std::string> words;
        std::vector<Octets> segments;  // one: an unsegmented reply
    };
    const Row rows[] = {
        {"40 of 300 objects", {"read", "DV:1234", "object-list"}, {Join({head, objects})}},
        {"40 of 300 objects, JSON", {"read", "DV:1234", "object-list", "--json"}, {Join({head, objects})}},
        {"40 of 300 objects, CSV", {"read", "DV:1234", "object-list", "--csv"}, {Join({head, objects})}},
        {"40 of 300 objects in two segments", {"read", "DV:1234", "object-list"},
         {Join({head, Octets(objects.begin(), objects.begin() + 100)}), Octets(objects.begin() + 100, objects.end())}},
        {"nothing after the opening tag", {"read", "DV:1234", "object-list"}, {head}},
        {"nothing after the opening tag, a date list", {"read", "CD:1", "date-list"},
         {{0x0C, 0x01, 0x80, 0x00, 0x01, 0x19, 0x17, 0x3E}}},
        {"nothing after the opening tag, a schedule", {"read", "SC:1", "weekly-schedule"},
         {{0x0C, 0x04, 0x40, 0x00, 0x01, 0x19, 0x7B, 0x3E}}},
    };
    for (const Row& row : rows) {
        // Segments: SEG, more-follows on all but the last, window 2.
        const auto device = Answering(Frames([&](const Octets& request) {
            if (row.segments.size() == 1)
                return std::vector<Octets>{Ack(request, row.segments[0])};
            std::vector<Octets> frames;
            for (size_t i = 0; i < row.segments.size(); i++) {
                const bool more = i + 1 < row.segments.size();
                frames.push_back(Join({{static_cast<unsigned char>(more ? 0x3C : 0x38), request[2],
                                        static_cast<unsigned char>(i), 0x02, request[3]},
                                       row.segments[i]}));
            }
            return frames;
        }));
        const ToolRun run = Ask(device, row.words);
        ExpectRefused(run, row.name);
        EXPECT_FALSE(run.Says("40")) << row.name << '\n' << Said(run);
        EXPECT_EQ(run.err.find("read failed: the reply is refused: "), 0u) << row.name << '\n' << Said(run);
    }
    // The same two segments with the closing tag: the script is sound.
    const auto whole = Answering(Frames([&](const Octets& request) {
        return std::vector<Octets>{
            Join({{0x3C, request[2], 0x00, 0x02, request[3]}, head, Octets(objects.begin(), objects.begin() + 100)}),
            Join({{0x38, request[2], 0x01, 0x02, request[3]}, Octets(objects.begin() + 100, objects.end()), {0x3F}})};
    }));
    const ToolRun run = Ask(whole, {"read", "DV:1234", "object-list"});
    EXPECT_TRUE(run.Says("device:1234 object-list: 40 values\n")) << Said(run);
    EXPECT_TRUE(run.Says("  [40] analog-input:296\n(the reply came in 2 segments)\n")) << Said(run);
}

// `read OBJECT all` decodes the acknowledgement itself: an odd result in
// the middle either prints as what the device sent, by the standard's names,
// or the whole reply is refused with the octet it stopped at.
TEST(HostileDevice, AnOddResultInReadAllIsShownAsSentOrRefused)
{
    struct Row {
        const char* name;
        Octets middle;     // property, value
        const char* says;  // printed, or "" for a refusal
    };
    const Row rows[] = {
        {"units 47808 in two octets", {0x29, 0x75, 0x4E, 0x92, 0xBA, 0xC0, 0x4F},
         "analog-input:1 units = standard-cubic-feet-per-day\n"},
        {"a Double present value", {0x29, 0x55, 0x4E, 0x55, 0x08, 0x40, 0x35, 0x80, 0, 0, 0, 0, 0, 0x4F},
         "analog-input:1 present-value = 21.5\n"},
        {"a tag of length 7", {0x29, 0x55, 0x4E, 0x47, 0x41, 0xAC, 0, 0, 0, 0, 0, 0x4F}, ""},
        {"a Real running into the closing tag", {0x29, 0x55, 0x4E, 0x44, 0x41, 0xAC, 0x4F}, ""},
        {"an opening tag and the end", {0x29, 0x1C, 0x4E}, ""},
    };
    const Octets first = Join({kAI1, {0x1E, 0x29, 0x4D, 0x4E, 0x75, 0x03, 0x00, 'h', 'i', 0x4F}});
    const Octets last = {0x29, 0x4B, 0x4E, 0xC4, 0, 0, 0, 1, 0x4F, 0x1F};
    for (const Row& row : rows) {
        const auto device = Answering([&](const Octets& request) { return Ack(request, Join({first, row.middle, last})); });
        const ToolRun run = Ask(device, {"read", "AI:1", "all"});
        if (*row.says) {
            EXPECT_EQ(run.out, std::string("analog-input:1 object-name = \"hi\"\n") + row.says +
                                   "analog-input:1 object-identifier = analog-input:1\n")
                << row.name << '\n' << Said(run);
        } else {
            ExpectRefused(run, row.name);
            EXPECT_TRUE(run.err.find("read failed: the reply is refused: its tags are refused at octet ") == 0)
                << row.name << '\n' << Said(run);
        }
    }
}

// Replies forged by another host, who knows the invoke ID: a Forwarded-NPDU
// naming the device as its originator, or a plain reply from elsewhere,
// arriving before the true one or instead of it. The tool prints the
// device's value or fails; never 666.
TEST(HostileDevice, ForgedRepliesAreDropped)
{
    using bacnet::BvlcFunction;
    struct Row {
        const char* name;
        BvlcFunction function;
        bool deviceAnswers;
    };
    const Row rows[] = {
        {"a Forwarded-NPDU naming the device, then the device", BvlcFunction::ForwardedNpdu, true},
        {"a reply from another address, then the device", BvlcFunction::OriginalUnicastNpdu, true},
        {"a Forwarded-NPDU naming the device, alone", BvlcFunction::ForwardedNpdu, false},
        {"a reply from another address, alone", BvlcFunction::OriginalUnicastNpdu, false},
    };
    for (const Row& row : rows) {
        for (const char* bbmd : {"", "10.0.0.9"}) {  // a BBMD the tool trusts for broadcasts changes nothing
            bacnet::MemoryNetwork net;
            net.Attach(kBbmd, [&net](const bacnet::Endpoint& from, bacnet::ByteView) {
                net.Post(kBbmd, from, Hex("81 00 00 06 00 00"));  // registered
            });
            Peer device(net, [&](Peer& d, const Sent& s) {
                if (s.PduType() != 0)
                    return;
                const bacnet::Bytes forged = scripted::Wrap(row.function, Hex(scripted::ReadAck(s.InvokeID(), true)), kDevice);
                d.Reply(forged, 1, kAttacker);
                d.Reply(forged, 2, kBbmd);
                if (row.deviceAnswers)
                    d.Reply(scripted::Unicast(scripted::ReadAck(s.InvokeID())), 50);
            });
            std::vector<std::string> words = {"read", kDevice.ToString(), "AI:1", "present-value", "--timeout", "1"};
            if (*bbmd)
                words.insert(words.end(), {"--bbmd", bbmd});
            const ToolRun run = ToolOn(net, words);
            EXPECT_EQ(run.out.find("666"), std::string::npos) << row.name << '\n' << run.Said();
            if (row.deviceAnswers)
                EXPECT_EQ(run.out, "analog-input:1 present-value = 21.5\n") << row.name << '\n' << run.Said();
            else
                EXPECT_EQ(run.rc, tool::EXIT_FAILED) << row.name << '\n' << run.Said();
        }
    }
}

// A device that never ends its reply, or sends segment 0 over and over,
// cannot hold the tool past --timeout × (--retries + 1): the command ends
// within 10% of that on the network's virtual clock, and says so.
TEST(HostileDevice, EndlessRepliesEndAtTheDeadline)
{
    struct Row {
        const char* name;
        Peer::Script script;
    };
    const Row rows[] = {
        {"empty segments that never end, each one acknowledged",
         [](Peer& d, const Sent& s) {
             if (s.PduType() == 0)
                 d.Reply(scripted::Unicast(scripted::Segment(s.InvokeID(), 0, true)), 100);
             else if (s.PduType() == 4 && !s.Negative())
                 d.Reply(scripted::Unicast(scripted::Segment(s.InvokeID(), (s.Sequence() + 1) & 0xFF, true)), 100);
         }},
        {"segment 0 over and over",
         [](Peer& d, const Sent& s) {
             if (s.PduType() != 0)
                 return;
             for (int i = 0; i < 500; i++)
                 d.Reply(scripted::Unicast(scripted::Segment(s.InvokeID(), 0, true)), 20 * (i + 1));
         }},
    };
    for (const Row& row : rows)
        for (const auto& [timeout, retries, asked] : {std::make_tuple("2", "1", 4000), std::make_tuple("0.5", "3", 2000)}) {
            bacnet::MemoryNetwork net;
            Peer device(net, row.script);
            const auto start = net.Now();
            const ToolRun run = ToolOn(net, {"read", kDevice.ToString(), "AI:1", "present-value", "--timeout",
                                             timeout, "--retries", retries});
            const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(net.Now() - start).count();
            EXPECT_EQ(run.rc, tool::EXIT_FAILED) << row.name << '\n' << run.Said();
            EXPECT_EQ(run.err.find("read failed: time-out"), 0u) << row.name << '\n' << run.Said();
            EXPECT_GE(took, asked * 9 / 10) << row.name;
            EXPECT_LE(took, asked * 11 / 10) << row.name;
        }
}

// watch: a subscription the device accepts prints each notification as it
// comes (one forged by another host dropped, nothing polled); one it refuses
// falls back to reading the present value, printed only when it changes.
TEST(HostileDevice, WatchPrintsNotificationsAndPollsOnlyWhenRefused)
{
    const std::string values = " 4E 09 55 2E 44 %s 2F 09 6F 2E 82 04 00 2F 4F";
    auto notification = [&](const Sent& subscribe, const char* real) {
        const size_t process = 6 + 4;  // the request's parameters start with the process identifier
        const int n = 1 + (subscribe.m_datagram[process] & 7);
        std::string hex = "01 00 10 02";
        for (int i = 0; i < n; i++)
            hex += " " + scripted::Octet(subscribe.m_datagram[process + i]);
        char list[80];
        snprintf(list, sizeof list, values.c_str(), real);
        return scripted::Unicast(hex + " 1C 02 00 04 D2 2C 00 00 00 01 39 3C" + list);
    };
    struct Row {
        const char* name;
        bool accepted;
        std::vector<std::string> lines;
    };
    const Row rows[] = {
        {"accepted", true,
         {"  analog-input:1  present-value = 21.5  status-flags = {}\n",
          "  analog-input:1  present-value = 22.5  status-flags = {}\n"}},
        {"refused", false,
         {"  analog-input:1  present-value = 21.5  (polled)\n", "  analog-input:1  present-value = 22.5  (polled)\n"}},
    };
    for (const Row& row : rows) {
        bacnet::MemoryNetwork net;
        int reads = 0;
        Peer device(net, [&](Peer& d, const Sent& s) {
            if (s.PduType() != 0)
                return;
            const std::string invoke = scripted::Octet(s.InvokeID());
            if (s.Service() == 5 && !row.accepted) {
                d.Reply(scripted::Unicast("01 00 50 " + invoke + " 05 91 05 91 1D"), 1);
            } else if (s.Service() == 5) {
                d.Reply(scripted::Unicast("01 00 20 " + invoke + " 05"), 1);
                if (s.m_datagram.size() > 14) {  // not the cancellation
                    d.Reply(notification(s, "41 AC 00 00"), 300);
                    d.Reply(notification(s, "44 26 80 00"), 400, kAttacker);
                    d.Reply(notification(s, "41 B4 00 00"), 600);
                }
            } else if (s.Service() == 12) {
                reads++;
                d.Reply(scripted::Unicast(scripted::ReadAck(s.InvokeID(), false)), 1);
                if (reads > 2)  // 22.5 from the third read on
                    d.Reply(scripted::Unicast(std::string("01 00 30 ") + invoke +
                                              " 0C 0C 00 00 00 01 19 55 3E 44 41 B4 00 00 3F"), 0);
            }
        });
        const auto start = net.Now();
        const ToolRun run = ToolOn(net, {"watch", kDevice.ToString(), "AI:1", "--count", "2", "--interval", "0.5"});
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(net.Now() - start).count();
        EXPECT_EQ(run.rc, tool::EXIT_OK) << row.name << '\n' << run.Said();
        size_t at = 0;
        for (const std::string& line : row.lines) {
            at = run.out.find(line, at);
            EXPECT_NE(at, std::string::npos) << row.name << ": no " << line << run.Said();
        }
        EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 2) << row.name << '\n' << run.Said();
        EXPECT_EQ(run.out.find("666"), std::string::npos) << row.name << '\n' << run.Said();
        if (row.accepted) {
            EXPECT_EQ(reads, 0) << "a live subscription is not polled";
            EXPECT_LE(took, 700) << "the second notification is printed as it comes";
        } else {
            EXPECT_NE(run.err.find("analog-input:1 is not subscribed"), std::string::npos) << run.Said();
        }
    }
}
