// bacnet-tool against implementations nobody on this team wrote: the
// node-bacnet device (node/device.js --modern) answers the tool's reads and
// writes over loopback, and tshark dissects every request frame the tool's
// generic reads and writes build.
//
//     interop_tool --node /usr/bin/node --device tests/interop/node/device.js
//                  --tshark /usr/bin/tshark [--pcap FILE] [--log FILE]
#include <sstream>
#include <string>
#include <vector>

#include "Command.h"
#include "Interop.h"

namespace {

Tally g_tally("tool");

struct Output {
    int rc;
    std::string out, err;
    bool Says(const std::string& text) const { return out.find(text) != std::string::npos; }
    std::string Shown() const { return "rc " + std::to_string(rc) + ", out: " + out + " err: " + err; }
};

Output Tool(std::vector<std::string> words)
{
    std::ostringstream out, err;
    const int rc = tool::RunTool(words, out, err);
    return {rc, out.str(), err.str()};
}

// The tool's command against the device under test.
Output Do(const std::string& target, std::vector<std::string> words)
{
    words.insert(words.begin() + 1, target);
    words.insert(words.end(), {"--bind", "127.0.0.1:0", "--timeout", "2", "--retries", "1"});
    return Tool(words);
}

// One command that must succeed, and a text its output must hold (`exact`:
// be). Each may depend on the commands before it.
struct Step {
    const char* name;
    std::vector<std::string> words;
    std::string says = "";
    bool exact = false;
};

void RunSteps(const std::string& target, const std::vector<Step>& steps)
{
    for (const Step& s : steps) {
        const Output r = Do(target, s.words);
        g_tally.Check(s.name, r.rc == 0 && (s.exact ? r.out == s.says : r.Says(s.says)), r.Shown());
    }
}

// Writes with a priority and their relinquishing, a binary value's priority
// array, a non-Latin name, the supported lists by name.
void Commanding(const std::string& target)
{
    const std::string name = "\xD0\x97\xD0\xBE\xD0\xBD\xD0\xB0 3 \xE5\x8C\x97\xE9\xA3\x8E Caf\xC3\xA9";
    RunSteps(target, {
        {"write AV:1 present-value 42.5 at priority 8", {"write", "AV:1", "present-value", "42.5", "--priority", "8"}},
        {"slot 8 holds 42.5", {"read", "AV:1", "priority-array[8]"}, "analog-value:1 priority-array[8] = 42.5\n"},
        {"relinquish AV:1 at priority 8", {"write", "AV:1", "present-value", "null", "--priority", "8"},
         "= null at priority 8"},
        {"slot 8 is empty afterwards", {"read", "AV:1", "priority-array[8]"},
         "analog-value:1 priority-array[8] = null\n"},
        {"write BV:2 active at priority 5", {"write", "BV:2", "present-value", "active", "--priority", "5"}},
        {"BV:2 priority array whole", {"read", "BV:2", "priority-array"}, "priority-array: 16 values\n  [1] null\n"
         "  [2] null\n  [3] null\n  [4] null\n  [5] active\n"},
        {"write a non-Latin UTF-8 object name", {"write", "AV:1", "object-name", name}},
        {"the name reads back the same", {"read", "AV:1", "object-name"},
         "analog-value:1 object-name = \"" + name + "\"\n", true},
        {"a 65-bit protocol-object-types-supported", {"read", "DV:4321", "protocol-object-types-supported"},
         "device:4321 protocol-object-types-supported = {analog-input, analog-value, binary-value, device, "
         "color-temperature}\n", true},
        {"a 49-bit protocol-services-supported", {"read", "DV:4321", "protocol-services-supported"},
         "device:4321 protocol-services-supported = {read-property, read-property-multiple, write-property, "
         "write-property-multiple, i-am, who-is}\n", true},
        {"units by name", {"read", "AV:1", "units"}, "analog-value:1 units = degrees-celsius\n", true},
        {"status flags by name", {"read", "AV:1", "status-flags"}, "analog-value:1 status-flags = {fault}\n", true},
        {"the object list prints in the form the tool reads", {"read", "DV:4321", "object-list"},
         "  [1] device:4321\n  [2] analog-input:0\n  [3] analog-value:1\n  [4] binary-value:2\n"},
        {"read all through ReadPropertyMultiple", {"read", "AV:1", "all"}, "analog-value:1 present-value = "},
    });
    const Output r = Do(target, {"read", "AI:7", "present-value"});
    g_tally.Check("an unknown object: the device's Error by name", r.err == "read failed: object: unknown-object\n",
                  r.Shown());
}

// Every request frame the generic paths build, dissected by tshark.
void Dissect(const std::string& tshark, const std::string& pcap)
{
    const std::vector<std::vector<std::string>> requests = {
        {"read", "analog-input,1", "9999"},   {"read", "18:1", "present-value"},
        {"read", "MV:1", "present-value"},    {"read", "20:1", "log-buffer"},
        {"read", "1023:4194303", "4194303"},  {"read", "DV:1", "object-list[300]"},
        {"read", "BV:1", "priority-array"},   {"readall", "AI:1"},
        {"write", "AO:1", "present-value", "null", "--priority", "8"},
        {"write", "BV:1", "present-value", "active", "--priority", "16"},
        {"write", "MV:1", "present-value", "3", "--priority", "1"},
        {"write", "AV:1", "object-name", "\xD0\x97\xD0\xBE\xD0\xBD\xD0\xB0 \xE5\x8C\x97"},
        {"write", "AV:1", "9999", "-7", "--tag", "signed"},      {"write", "AV:1", "9999", "0.1", "--tag", "double"},
        {"write", "AV:1", "9999", "01ab", "--tag", "octets"},    {"write", "AV:1", "9999", "0101", "--tag", "bits"},
        {"write", "AV:1", "9999", "2025-01-02", "--tag", "date"},
        {"write", "AV:1", "9999", "08:05:01.50", "--tag", "time"},
        {"write", "AV:1", "9999", "analog-input:1", "--tag", "object"},
        {"write", "AV:1", "out-of-service", "true"},
    };
    std::vector<Datagram> datagrams;
    std::vector<std::string> refused, names;  // what the tool said when it built nothing; the command
    for (auto words : requests) {
        names.emplace_back("tshark reads");
        for (const std::string& w : words)
            names.back() += " " + w;
        words.insert(words.begin(), "encode");
        const Output r = Tool(words);
        datagrams.push_back({Bvlc(Hex(r.out.substr(0, r.out.find('\n'))), false)});
        refused.push_back(r.rc == 0 ? "" : r.Shown() + "; ");
    }
    std::vector<PdmlPacket> packets;
    std::string error;
    if (!::Dissect(tshark, pcap, datagrams, packets, &error))
        return (void)g_tally.Check("tshark dissects the capture", false, error);
    for (size_t i = 0; i < requests.size(); i++) {
        std::string problems = refused[i];
        if (packets[i].First("frame.protocols").find("bvlc:bacnet:bacapp") == std::string::npos)
            problems += "not dissected as BACnet; ";
        for (const std::string& flaw : Flaws(packets[i]))
            problems += flaw + "; ";
        g_tally.Check(names[i] + " cleanly", problems.empty(), problems);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string log = Arg(argc, argv, "--log", "interop-tool.log");
    Dissect(Arg(argc, argv, "--tshark", "tshark"), Arg(argc, argv, "--pcap", "interop-tool.pcap"));
    ChildProcess device;
    std::string error;
    const int port = StartListening(device, {Arg(argc, argv, "--node", "node"), Arg(argc, argv, "--device"),
                                             "--limit", "300", "--modern"},
                                    log, &error);
    if (!port)
        return g_tally.Abort("the node-bacnet device did not start: " + error);
    const std::string target = "127.0.0.1:" + std::to_string(port);
    Commanding(target);
    device.Stop();
    return g_tally.Close();
}
