// bacnet-tool against a scripted device on loopback that answers with cut,
// mismatched and undecodable replies: the tool refuses (exit 1, a reason, no
// value) or names the entry that failed, and never prints a wrong value as
// good.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "Command.h"
#include "ToolRun.h"

namespace {

using Octets = std::vector<unsigned char>;

// A UDP socket on 127.0.0.1 that answers each confirmed request with the
// APDU its script returns for it (nothing for an empty one), behind a
// BACnet/IP unicast header and a local network header.
class ScriptedDevice {
public:
    using Script = std::function<Octets(const Octets& request)>;
    using Frames = std::function<std::vector<Octets>(const Octets& request)>;  // several APDUs: segments

    explicit ScriptedDevice(const Script& script)
        : ScriptedDevice(Frames([script](const Octets& request) {
              const Octets apdu = script(request);
              return apdu.empty() ? std::vector<Octets>() : std::vector<Octets>{apdu};
          }))
    {
    }
    explicit ScriptedDevice(Frames script) : m_script(std::move(script))
    {
        m_socket = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof at;
        if (m_socket < 0 || bind(m_socket, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 ||
            getsockname(m_socket, reinterpret_cast<sockaddr*>(&at), &size) != 0)
            return;
        m_target = "127.0.0.1:" + std::to_string(ntohs(at.sin_port));
        m_thread = std::thread([this] { Serve(); });
    }
    ~ScriptedDevice()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_socket >= 0)
            close(m_socket);
    }
    const std::string& Target() const { return m_target; }
    int Requests() const { return m_requests; }

private:
    void Serve()
    {
        while (!m_stop) {
            pollfd p{m_socket, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            unsigned char frame[1500];
            sockaddr_in from{};
            socklen_t size = sizeof from;
            const ssize_t got = recvfrom(m_socket, frame, sizeof frame, 0, reinterpret_cast<sockaddr*>(&from), &size);
            const Octets apdu = Apdu(frame, got);
            if (apdu.size() < 4 || (apdu[0] & 0xF0) != 0x00)
                continue;  // only confirmed requests are answered
            m_requests++;
            for (const Octets& reply : m_script(apdu)) {
                Octets out = {0x81, 0x0A, 0, 0, 0x01, 0x00};
                out.insert(out.end(), reply.begin(), reply.end());
                out[2] = static_cast<unsigned char>(out.size() >> 8);
                out[3] = static_cast<unsigned char>(out.size());
                sendto(m_socket, out.data(), out.size(), 0, reinterpret_cast<sockaddr*>(&from), size);
            }
        }
    }
    // The APDU behind the BACnet/IP header and the network header.
    static Octets Apdu(const unsigned char* f, ssize_t got)
    {
        if (got < 6 || f[0] != 0x81 || f[1] != 0x0A || f[4] != 0x01)
            return {};
        ssize_t at = 6;
        const unsigned char control = f[5];
        if (control & 0x20)
            at += 3 + (at + 2 < got ? f[at + 2] : 0);
        if (control & 0x08)
            at += 3 + (at + 2 < got ? f[at + 2] : 0);
        if (control & 0x20)
            at += 1;
        return at < got ? Octets(f + at, f + got) : Octets();
    }

    Frames m_script;
    int m_socket = -1;
    std::string m_target;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_requests{0};
    std::thread m_thread;
};

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

// A command against `device`, short time-out and no retry: a reply the tool
// drops costs 0.1 s.
ToolRun Ask(const ScriptedDevice& device, std::vector<std::string> words)
{
    words.insert(words.begin() + 1, device.Target());
    for (const char* option : {"--bind", "127.0.0.1:0", "--timeout", "0.1", "--retries", "0"})
        words.push_back(option);
    return Tool(words);
}

ToolRun Poll(const ScriptedDevice& device, std::vector<std::string> tags)
{
    tags.insert(tags.begin(), "poll");
    for (const char* option : {"--count", "1", "--max-apdu", "1476"})
        tags.push_back(option);
    return Ask(device, tags);
}

std::string Said(const ToolRun& run)
{
    return "rc " + std::to_string(run.rc) + "\nout:\n" + run.out + "err:\n" + run.err;
}

const Octets kAI1 = {0x0C, 0x00, 0x00, 0x00, 0x01};
const Octets kAI2 = {0x0C, 0x00, 0x00, 0x00, 0x02};
const Octets kAI3 = {0x0C, 0x00, 0x00, 0x00, 0x03};
const Octets kDevice = {0x0C, 0x02, 0x00, 0x04, 0xD2};
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
        {"an object list", {"read", "DV:1234", "object-list"}, Join({kDevice, {0x19, 0x4C, 0x3E}, objects, {0x3F}}),
         "  [3] analog-input:3\n"},
    };
    int cuts = 0;
    for (const Row& row : rows) {
        // The whole reply first: the script is sound.
        ScriptedDevice whole([&](const Octets& request) { return Ack(request, row.params); });
        const ToolRun good = Ask(whole, row.words);
        ASSERT_EQ(good.rc, tool::EXIT_OK) << row.name << '\n' << Said(good);
        EXPECT_TRUE(good.Says(row.good)) << row.name << '\n' << Said(good);
        for (size_t keep = 0; keep < row.params.size(); keep++, cuts++) {
            ScriptedDevice cut([&](const Octets& request) {
                return Ack(request, Octets(row.params.begin(), row.params.begin() + keep));
            });
            ExpectRefused(Ask(cut, row.words), std::string(row.name) + " cut to " + std::to_string(keep) + " octets");
        }
    }
    // An acknowledgement cut inside its own header is not a reply at all.
    for (size_t keep = 1; keep < 3; keep++, cuts++) {
        ScriptedDevice cut([&](const Octets& request) {
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
        ScriptedDevice device([&](const Octets& request) { return Ack(request, row.params); });
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
        ScriptedDevice device([&](const Octets& request) { return Ack(request, Join({first, row.middle, last})); });
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
    ScriptedDevice device([&](const Octets& request) { return Ack(request, Join({first, rows[0].middle, last})); });
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
    std::atomic<int> polls{0};
    ScriptedDevice device([&](const Octets& request) {
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
    const Octets head = Join({kDevice, {0x19, 0x4C, 0x3E}});
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
        ScriptedDevice device(ScriptedDevice::Frames([&](const Octets& request) {
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
    ScriptedDevice whole(ScriptedDevice::Frames([&](const Octets& request) {
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
        ScriptedDevice device([&](const Octets& request) { return Ack(request, Join({first, row.middle, last})); });
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
