// bacnet-tool against implementations nobody on this team wrote: the
// node-bacnet device (node/device.js --modern) answers the tool's reads and
// writes over loopback, and tshark dissects every request frame the tool's
// generic reads and writes build.
//
//     interop_tool --node /usr/bin/node --device tests/interop/node/device.js
//                  --tshark /usr/bin/tshark [--pcap FILE] [--log FILE]
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Command.h"
#include "Net.h"
#include "Pdml.h"
#include "Process.h"

namespace {

Tally g_tally("tool");

void Result(const std::string& name, bool ok, const std::string& detail = "")
{
    g_tally.Check(name, ok, ok ? "" : detail);
}

struct Run {
    int rc;
    std::string out, err;
    bool Says(const std::string& text) const { return out.find(text) != std::string::npos; }
    std::string Shown() const { return "rc " + std::to_string(rc) + ", out: " + out + " err: " + err; }
};

Run Tool(std::vector<std::string> words)
{
    std::ostringstream out, err;
    const int rc = tool::RunTool(words, out, err);
    return {rc, out.str(), err.str()};
}

class Device {
public:
    std::string target;

    Run Do(std::vector<std::string> words) const
    {
        words.insert(words.begin() + 1, target);
        for (const char* option : {"--bind", "127.0.0.1:0", "--timeout", "2", "--retries", "1"})
            words.push_back(option);
        return Tool(words);
    }
    Run Read(const std::string& object, const std::string& property) const
    {
        return Do({"read", object, property});
    }
};

std::string Slurp(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void Relinquish(const Device& d, const std::string& log)
{
    Run r = d.Do({"write", "AV:1", "present-value", "42.5", "--priority", "8"});
    Result("write AV:1 present-value 42.5 at priority 8", r.rc == 0, r.Shown());
    r = d.Read("AV:1", "priority-array[8]");
    Result("slot 8 holds 42.5", r.Says("analog-value:1 priority-array[8] = 42.5\n"), r.Shown());
    const size_t before = Slurp(log).size();
    r = d.Do({"write", "AV:1", "present-value", "null", "--priority", "8"});
    Result("relinquish AV:1 at priority 8", r.rc == 0 && r.Says("= null at priority 8"), r.Shown());
    // The device logs the written value as node-bacnet decoded it: type 0 is Null.
    const std::string written = Slurp(log).substr(before);
    Result("the device saw a Null", written.find("write-property 2:1 85 [{\"type\":0") != std::string::npos, written);
    r = d.Read("AV:1", "priority-array[8]");
    Result("slot 8 is empty afterwards", r.Says("analog-value:1 priority-array[8] = null\n"), r.Shown());
    r = d.Read("AV:1", "present-value");
    Result("the present value falls back to the relinquish default", r.Says("present-value = 21.5\n"), r.Shown());
    r = d.Do({"write", "AV:1", "present-value", "null"});
    Result("null without a priority is refused before sending", r.rc == tool::EXIT_USAGE, r.Shown());
}

void BinaryPriorityArray(const Device& d)
{
    Run r = d.Do({"write", "BV:2", "present-value", "active", "--priority", "5"});
    Result("write BV:2 active at priority 5", r.rc == 0, r.Shown());
    bool each = true;
    std::string shown;
    for (int slot = 1; slot <= 16; slot++) {
        r = d.Read("BV:2", "priority-array[" + std::to_string(slot) + "]");
        const std::string want = "binary-value:2 priority-array[" + std::to_string(slot) +
                                 "] = " + (slot == 5 ? "active" : "null") + "\n";
        if (r.out != want) {
            each = false;
            shown += r.Shown();
        }
    }
    Result("BV:2 priority array element by element, each by its own tag", each, shown);
    r = d.Read("BV:2", "priority-array");
    Result("BV:2 priority array whole", r.Says("priority-array: 16 values\n") && r.Says("  [5] active\n"), r.Shown());
    r = d.Do({"write", "BV:2", "present-value", "null", "--priority", "5"});
    r = d.Read("BV:2", "priority-array[5]");
    Result("BV:2 slot 5 relinquished", r.out == "binary-value:2 priority-array[5] = null\n", r.Shown());
}

void Utf8Name(const Device& d)
{
    const std::string name = "\xD0\x97\xD0\xBE\xD0\xBD\xD0\xB0 3 \xE5\x8C\x97\xE9\xA3\x8E Caf\xC3\xA9";
    Run r = d.Do({"write", "AV:1", "object-name", name});
    Result("write a non-Latin UTF-8 object name", r.rc == 0, r.Shown());
    r = d.Read("AV:1", "object-name");
    Result("the name reads back the same", r.out == "analog-value:1 object-name = \"" + name + "\"\n", r.Shown());
}

void SupportedLists(const Device& d)
{
    Run r = d.Read("DV:4321", "protocol-object-types-supported");
    Result("a 65-bit protocol-object-types-supported",
           r.out == "device:4321 protocol-object-types-supported = {analog-input, analog-value, binary-value, device, "
                    "color-temperature}\n",
           r.Shown());
    r = d.Read("DV:4321", "protocol-services-supported");
    Result("a 49-bit protocol-services-supported",
           r.out == "device:4321 protocol-services-supported = {read-property, read-property-multiple, "
                    "write-property, write-property-multiple, i-am, who-is}\n",
           r.Shown());
}

void AnyProperty(const Device& d)
{
    // Every property number of every object: a value, or the device's own Error.
    const char* objects[] = {"DV:4321", "AI:0", "AV:1", "BV:2"};
    int values = 0, errors = 0;
    std::string wrong;
    for (const char* object : objects)
        for (int property = 0; property < 200; property++) {
            const Run r = d.Read(object, std::to_string(property));
            if (r.rc == 0)
                values++;
            else if (r.rc == tool::EXIT_FAILED && r.err.find("read failed: property: ") == 0)
                errors++;
            else
                wrong += std::string(object) + " " + std::to_string(property) + ": " + r.Shown();
        }
    Result("every property 0..199 of every object reads or gives the device's Error (" + std::to_string(values) +
               " values, " + std::to_string(errors) + " errors)",
           wrong.empty() && values > 10, wrong);
    Run r = d.Read("AV:1", "units");
    Result("units by name", r.out == "analog-value:1 units = degrees-celsius\n", r.Shown());
    r = d.Read("AV:1", "status-flags");
    Result("status flags by name", r.out == "analog-value:1 status-flags = {fault}\n", r.Shown());
    r = d.Read("DV:4321", "object-list");
    Result("the object list prints in the form the tool reads",
           r.Says("  [1] device:4321\n  [2] analog-input:0\n  [3] analog-value:1\n  [4] binary-value:2\n"), r.Shown());
    r = d.Read("AV:1", "all");
    Result("read all through ReadPropertyMultiple", r.Says("analog-value:1 present-value = "), r.Shown());
    r = d.Read("AI:7", "present-value");
    Result("an unknown object: the device's Error by name", r.err == "read failed: object: unknown-object\n",
           r.Shown());
}

// Every request frame the generic paths build, dissected by tshark.
void Dissect(const std::string& tshark, const std::string& pcap)
{
    const std::vector<std::vector<std::string>> requests = {
        {"read", "AI:1", "present-value"},        {"read", "analog-input,1", "9999"},
        {"read", "18:1", "present-value"},        {"read", "MV:1", "present-value"},
        {"read", "20:1", "log-buffer"},           {"read", "1023:4194303", "4194303"},
        {"read", "DV:1", "object-list[300]"},     {"read", "BV:1", "priority-array"},
        {"readall", "AI:1"},
        {"write", "AO:1", "present-value", "null", "--priority", "8"},
        {"write", "BV:1", "present-value", "active", "--priority", "16"},
        {"write", "MV:1", "present-value", "3", "--priority", "1"},
        {"write", "AI:1", "units", "degrees-fahrenheit"},
        {"write", "AV:1", "object-name", "\xD0\x97\xD0\xBE\xD0\xBD\xD0\xB0 \xE5\x8C\x97"},
        {"write", "AV:1", "9999", "-7", "--tag", "signed"},
        {"write", "AV:1", "9999", "0.1", "--tag", "double"},
        {"write", "AV:1", "9999", "01ab", "--tag", "octets"},
        {"write", "AV:1", "9999", "0101", "--tag", "bits"},
        {"write", "AV:1", "9999", "2025-01-02", "--tag", "date"},
        {"write", "AV:1", "9999", "08:05:01.50", "--tag", "time"},
        {"write", "AV:1", "9999", "analog-input:1", "--tag", "object"},
        {"write", "AV:1", "out-of-service", "true"},
    };
    std::vector<Datagram> datagrams;
    std::vector<std::string> names;
    for (const auto& words : requests) {
        std::vector<std::string> command = {"encode"};
        command.insert(command.end(), words.begin(), words.end());
        const Run r = Tool(command);
        std::string name;
        for (const std::string& w : words)
            name += w + " ";
        if (r.rc != 0) {
            Result("encode " + name, false, r.Shown());
            continue;
        }
        datagrams.push_back({Bvlc(Hex(r.out.substr(0, r.out.find('\n'))), false)});
        names.push_back(name);
    }
    std::vector<PdmlPacket> packets;
    std::string error;
    if (!::Dissect(tshark, pcap, datagrams, packets, &error)) {
        Result("tshark dissects the capture", false, error);
        return;
    }
    for (size_t i = 0; i < names.size(); i++) {
        std::string problems;
        if (packets[i].First("frame.protocols").find("bvlc:bacnet:bacapp") == std::string::npos)
            problems += "not dissected as BACnet; ";
        for (const std::string& flaw : Flaws(packets[i]))
            problems += flaw + "; ";
        Result("tshark reads " + names[i] + "cleanly", problems.empty(), problems);
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
    Device d;
    d.target = "127.0.0.1:" + std::to_string(port);
    Relinquish(d, log);
    BinaryPriorityArray(d);
    Utf8Name(d);
    SupportedLists(d);
    AnyProperty(d);
    device.Stop();
    return g_tally.Close();
}
