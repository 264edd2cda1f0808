// interop_sim: the node-bacnet client (node/sim-client.js) against the
// simulated device, started in this process on a free loopback port; the
// checks read the client's events, one JSON line each.
//
//     interop_sim --node PATH --client node/sim-client.js [--log FILE]
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "Interop.h"
#include "SimDevice.h"

namespace {

// The value of "name" in one JSON line of the client's, a string without its
// quotes; "" when absent. The client's values nest one level at most.
std::string Field(const std::string& line, const std::string& name)
{
    std::smatch m;
    const std::regex value("\"" + name + "\":(\"([^\"]*)\"|\\[[^\\]]*\\]|\\{[^}]*\\}|[^,}]*)");
    return !std::regex_search(line, m, value) ? "" : m[2].matched ? m[2].str() : m[1].str();
}

}  // namespace

int main(int argc, char** argv)
{
    Tally tally("sim interop");
    SimOptions options;
    options.port = 0;
    options.deviceInstance = 4321;
    options.extraObjects = 0;
    SimDevice device(options);
    std::string error, out;
    if (!device.Start(&error))
        return tally.Abort("the simulated device does not start: " + error);
    const bool ran = RunProgram({Arg(argc, argv, "--node", "node"), Arg(argc, argv, "--client"), "--port",
                                 std::to_string(device.Port()), "--local", "0"},
                                std::chrono::seconds(30), out, &error, Arg(argc, argv, "--log"));
    device.Stop();
    tally.Check("the node-bacnet client runs to its end", ran && out.find("\"done\"") != std::string::npos, error);

    std::vector<std::string> events;  // the client's JSON lines
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty() && line[0] == '{')
            events.push_back(line);
    auto find = [&](const std::string& name) {
        for (const std::string& e : events)
            if (Field(e, "event") == name)
                return e;
        return std::string();
    };
    auto ms = [](const std::string& e) { return std::atof(Field(e, "ms").c_str()); };
    for (const char* name : {"subscribed-input", "subscribed-value", "interval-written", "value-written",
                             "cancelled-input"}) {
        const std::string e = find(name);
        tally.Check(std::string("Simple-ACK for ") + name, Field(e, "error") == "null", e.empty() ? "no reply" : e);
    }

    // The input: one notification at once, then one a second.
    const std::string cancelled = find("cancelled-input");
    const double cancelledAt = cancelled.empty() ? 1e9 : ms(cancelled);
    std::vector<std::string> input, value;
    int afterCancel = 0;
    for (const std::string& e : events) {
        if (Field(e, "event") != "notification")
            continue;
        const std::string who = Field(e, "process") + " " + Field(e, "object") + " " + Field(e, "confirmed");
        if (who == "7 0:1 false" && ms(e) > cancelledAt + 100)
            afterCancel++;
        else if (who == "7 0:1 false")
            input.push_back(e);
        else if (who == "9 2:1 true")
            value.push_back(e);
        else
            tally.Check("a notification that was asked for", false, e);
    }
    bool steps = input.size() >= 3 && ms(input[0]) < 500;
    std::string detail;
    for (size_t i = 0; i < input.size(); i++) {
        const std::string& e = input[i];
        const int left = std::atoi(Field(e, "left").c_str());
        steps = steps && Field(e, "device") == "4321" && left >= 55 && left <= 60 &&
                Field(e, "flags").find("[0]") != std::string::npos;
        if (i > 0) {
            const double step = std::atof(Field(e, "value").c_str()) - std::atof(Field(input[i - 1], "value").c_str());
            steps = steps && std::fabs(step) == 0.25 && ms(e) - ms(input[i - 1]) < 1500;
        }
        detail += (i ? ", " : "") + Field(e, "value") + " at " + Field(e, "ms") + " ms";
    }
    tally.Check("unconfirmed notifications of the moving input, 0.25 a second apart", steps, detail);
    tally.Check("none after the cancellation", !cancelled.empty() && afterCancel == 0,
                std::to_string(afterCancel) + " after it");

    // The analog value: its value at subscription, then the written one; an
    // unmatched Simple-ACK would have brought a resend after 4 s.
    const bool confirmed = value.size() == 2 && Field(value[0], "value") == "21" &&
                           Field(value[1], "value") == "42.5" && Field(value[0], "left") == "0";
    tally.Check("confirmed notifications of the written value, each sent once", confirmed,
                std::to_string(value.size()) + " notifications");

    const std::string range = find("range-first-two"), total = find("total-records");
    tally.Check("ReadRange of the trend log by position: two records, the first of more",
                Field(range, "error") == "null" && Field(range, "items") == "2" && Field(range, "flags") == "1" &&
                    Field(range, "octets") == "[14,164]",
                range);
    tally.Check("the log took a record a second", std::atoi(Field(total, "value").c_str()) >= 4, total);
    const std::string input1 = find("range-of-an-input");
    tally.Check("ReadRange of an input's missing log buffer is an Error",
                Field(input1, "error").find("UNKNOWN_PROPERTY") != std::string::npos, input1);

    return tally.Close();
}
