// simulate, demo: the simulated device, alone or walked through the road
// of one poll in the same process.
#include <csignal>
#include <iomanip>
#include <sstream>
#include <thread>

#include "Command.h"
#include "Plans.h"
#include "Poller.h"
#include "Report.h"
#include "Requests.h"
#include "sim/SimDevice.h"
#include "sim/SimRouter.h"

namespace tool {

namespace {

SimDevice* g_serving = nullptr;

void StopServing(int)
{
    if (g_serving)
        g_serving->Stop();
}

// --bdt HOST[:PORT],... into the BBMD's peers.
bool ParsePeers(const std::string& text, std::vector<bacnet::Endpoint>& peers, std::string& error)
{
    std::stringstream list(text);
    std::string item;
    while (std::getline(list, item, ',')) {
        const std::optional<bacnet::Endpoint> peer =
            item.empty() ? std::nullopt : bacnet::Endpoint::Parse(item);
        if (!peer || peer->m_address == 0) {
            error = "--bdt: not an address: '" + item + "'";
            return false;
        }
        peers.push_back(*peer);
    }
    if (peers.empty())
        error = "--bdt: no address";
    return !peers.empty();
}

int RunSimulate(Context& context)
{
    std::string error;
    long port, instance, objects, router, routed;
    if (!context.args.GetInt("port", kDefaultBacnetPort + 1, 0, 65535, port, error) ||
        !context.args.GetInt("instance", 1234, 0, 4194302, instance, error) ||
        !context.args.GetInt("objects", 600, 0, 100000, objects, error) ||
        !context.args.GetInt("router", 0, 1, 65534, router, error) ||
        !context.args.GetInt("routed", 1, 1, bacnetsim::Router::kMaxDevices, routed, error)) {
        context.err << "bacnet-tool: " << error << '\n';
        return EXIT_USAGE;
    }
    if (context.args.Has("routed") && !context.args.Has("router")) {
        context.err << "bacnet-tool: --routed needs --router NET\n";
        return EXIT_USAGE;
    }
    // --bind ADDR[:PORT] as every command takes it; --port stays for the port alone.
    Endpoint bind;
    if (!ParseEndpoint(context.args.Get("bind", "127.0.0.1"), static_cast<uint16_t>(port), bind, &error)) {
        context.err << "bacnet-tool: " << error << '\n';
        return EXIT_USAGE;
    }
    SimOptions options;
    const std::string shown = bind.ToString();
    options.bindAddress = shown.substr(0, shown.rfind(':'));
    options.port = bind.m_port;
    options.deviceInstance = static_cast<uint32_t>(instance);
    options.extraObjects = static_cast<int>(objects);
    options.verbose = context.args.Has("verbose");
    options.routerNetwork = static_cast<uint16_t>(router);
    options.routedDevices = static_cast<int>(routed);
    options.bbmd = context.args.Has("bbmd") || context.args.Has("bdt");
    if (context.args.Has("bdt") && !ParsePeers(context.args.Get("bdt"), options.bdt, error)) {
        context.err << "bacnet-tool: " << error << '\n';
        return EXIT_USAGE;
    }
    SimDevice device(options);
    g_serving = &device;
    std::signal(SIGINT, StopServing);
    std::signal(SIGTERM, StopServing);
    // The port is known once Serve has bound it (port 0: any free port).
    std::thread announce([&] {
        for (int i = 0; i < 200 && device.Port() == 0; i++)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (device.Port() == 0)
            return;
        std::ostringstream text;
        text << "simulated Device " << instance << " serving on " << options.bindAddress << ':' << device.Port()
             << " (Ctrl-C stops)\n";
        if (options.bbmd) {
            text << "  BBMD: broadcast distribution table " << options.bindAddress << ':' << device.Port();
            for (const bacnet::Endpoint& peer : options.bdt)
                text << ", " << peer.ToString();
            text << "; up to " << options.maxForeignDevices << " foreign devices\n";
        }
        if (router != 0) {
            text << "  router to network " << router << ":";
            for (long i = 1; i <= routed; i++)
                text << (i > 1 ? "," : "") << " Device " << instance + i << " (MAC " << i << ")";
            text << '\n';
        }
        context.out << text.str() << std::flush;
    });
    const int rc = device.Serve(&error);
    announce.join();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    g_serving = nullptr;
    if (rc != 0) {
        context.err << "bacnet-tool: " << error << '\n';
        return EXIT_FAILED;
    }
    return EXIT_OK;
}

// The demo's narration: numbered steps, octets indented under them.
class Narrator {
public:
    explicit Narrator(std::ostream& out) : m_out(out) {}
    void Step(const std::string& title) { m_out << '\n' << ++m_step << ". " << title << '\n'; }
    void Line(const std::string& text) { m_out << "   " << text << '\n'; }
    void Octets(const char* label, const std::vector<unsigned char>& octets)
    {
        m_out << "   " << std::left << std::setw(9) << label << HexOctets(octets) << '\n';
    }
    // Each line of a block (a table, a trace), indented.
    void Block(const std::string& text)
    {
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);)
            Line(line);
    }

private:
    std::ostream& m_out;
    int m_step = 0;
};

const char* TagValTypeName(unsigned short type)
{
    switch (type) {
    case CTagVal::typeInt: return "integer";
    case CTagVal::typeFloat: return "float";
    case CTagVal::typeDouble: return "double";
    case CTagVal::typeText: return "text";
    case CTagVal::typeInvalid: return "invalid";
    default: return "empty";
    }
}

void ShowChanges(Narrator& n, Poller& poller)
{
    for (Binding& binding : poller.Bindings()) {
        CTagVal value;
        if (!TakeValue(binding, value))
            continue;
        std::ostringstream line;
        line << std::left << std::setw(26) << binding.name << std::setw(22) << ValueText(binding, value)
             << "CTagVal " << TagValTypeName(value.GetType());
        n.Line(line.str());
    }
}

// The invoke ID the client gave a request, read back from what went out.
int InvokeID(const std::vector<unsigned char>& npdu)
{
    ReceivedFrame frame;
    return frame.Read(npdu) ? frame.InvokeID() : -1;
}

bool ShowPoll(Narrator& n, Poller& poller, bool octets)
{
    std::vector<Poller::Exchange> exchanges;
    Reply failed;
    const bool ok = poller.PollOnce(failed, &exchanges);
    const std::string& failure = failed.failure;
    for (Poller::Exchange& e : exchanges) {
        if (!octets)
            continue;
        n.Line("ReadPropertyMultiple, invoke ID " + std::to_string(InvokeID(e.reply.sentFrame)) + ", tags " +
               std::to_string(e.first + 1) + " to " + std::to_string(e.last + 1) + ":");
        n.Octets("request", e.reply.sentFrame);
        n.Octets("reply", e.reply.lastFrame);
    }
    if (!ok)
        n.Line("poll failed: " + failure);
    return ok;
}

const char* const kDemoTags[] = {
    "AI:1/PresentValue", "AI:2/PresentValue",  "AO:1/PresentValue",      "AO:1/priorityarray[8]",
    "BV:1/PresentValue", "DV:1234/ObjectName", "DV:1234/localdate.year",
};

int Demo(Context& context, Client& client, Device& device)
{
    Narrator n(context.out);

    n.Step("Discovery: a Who-Is, answered by an I-Am that the library turns into a device record");
    std::ostringstream trace;
    client.SetTrace(&trace);
    const bool found = client.Resolve(device);
    client.SetTrace(nullptr);
    n.Block(trace.str());
    if (!found) {
        n.Line("no I-Am came back");
        return EXIT_FAILED;
    }
    n.Line(DeviceLine(device));

    n.Step("Binding host tags by name (CBACnetObjTypes::CreateProperty and the property catalogue)");
    Poller poller(client, device);
    for (const char* tag : kDemoTags) {
        std::string error;
        if (!poller.Add(tag, error)) {
            n.Line(error);
            return EXIT_FAILED;
        }
        const CBACnetObjTypes& p = *poller.Bindings().back().property;
        std::ostringstream line;
        line << std::left << std::setw(26) << tag << "property " << p.m_propertyID << ", data type "
             << unsigned(p.m_dataType) << ", size " << unsigned(p.m_dataSize)
             << (p.m_isArray ? ", index " + std::to_string(p.m_arrayIndex) : "")
             << (poller.Bindings().back().subType ? ", sub-type " + std::to_string(poller.Bindings().back().subType) : "");
        n.Line(line.str());
    }

    n.Step("One poll: CBACnetReadMultiService builds the request, ReadBodyFrame hands each tag its result");
    if (!ShowPoll(n, poller, true))
        return EXIT_FAILED;
    n.Line("values that changed, taken with GetValue as host values:");
    ShowChanges(n, poller);

    n.Step("A write with priority 8: WriteProperty of AO:1 PresentValue = 42.5, then the next poll");
    std::string error;
    PropertyPlan write;
    if (!PlanWrite("AO:1", "PresentValue", "42.5", 8, write, error)) {
        n.Line(error);
        return EXIT_FAILED;
    }
    const Request request = BuildWrite(device.record, write);
    Reply written = client.Transact(device, request);
    n.Octets("request", written.sentFrame);
    n.Octets("reply", written.lastFrame);
    if (!written.ok) {
        n.Line("write failed: " + written.failure);
        return EXIT_FAILED;
    }
    n.Line("Simple-ACK; the next poll reports only what changed:");
    if (!ShowPoll(n, poller, false))
        return EXIT_FAILED;
    ShowChanges(n, poller);

    n.Step("A structured property: the weekly schedule of SC:1 through CBACnetWeekSchedule");
    PropertyPlan schedule;
    PlanRead("SC:1", "weekly-schedule", schedule, error);
    Reply read = client.Transact(device, BuildRead(device.record, schedule));
    if (!read.ok || !DecodeRead(schedule, read)) {
        n.Line("read failed: " + read.failure);
        return EXIT_FAILED;
    }
    std::ostringstream table;
    schedule.codec->Print(table);
    n.Block(table.str());

    n.Step("A long reply: the device's object list comes in segments, reassembled and decoded whole");
    PropertyPlan list;
    PlanRead("DV:" + std::to_string(device.record.m_objectID.m_instance), "object-list", list, error);
    Reply listed = client.Transact(device, BuildRead(device.record, list));
    if (!listed.ok || !DecodeRead(list, listed)) {
        n.Line("read failed: " + listed.failure);
        return EXIT_FAILED;
    }
    std::ostringstream objects;
    list.codec->Print(objects);
    n.Line(objects.str().substr(0, objects.str().find('\n')) + " in " + std::to_string(listed.segments) +
           " segments of " + std::to_string(listed.Length()) + " octets in all");

    n.Step("A provoked Error: ReadProperty of AI:99, which the device does not have");
    PropertyPlan missing;
    PlanRead("AI:99", "PresentValue", missing, error);
    const Request ask = BuildRead(device.record, missing);
    Reply refused = client.Transact(device, ask);
    n.Octets("request", refused.sentFrame);
    n.Octets("reply", refused.lastFrame);
    if (refused.ok || refused.record.m_status != CMyBACnetBlkData::STATUS_ERROR) {
        n.Line("expected an Error reply");
        return EXIT_FAILED;
    }
    n.Line("CMyBACnetBlkData::GetErrorMsg: \"" + refused.failure + "\"");

    context.out << "\nThe road of one poll, walked: every octet above was built and read by libbacnetcodec.\n";
    return EXIT_OK;
}

int RunDemo(Context& context)
{
    SimOptions options;
    options.port = 0;
    options.verbose = context.args.Has("verbose");
    SimDevice sim(options);
    std::string error;
    if (!sim.Start(&error)) {
        context.err << "bacnet-tool: the simulated device did not start: " << error << '\n';
        return EXIT_FAILED;
    }
    NetOptions net;
    net.bind = Endpoint::Loopback(0);
    net.bindGiven = true;
    net.timeoutMs = 2000;
    Client client(net);
    if (!client.Open(UdpOpener(), &error)) {
        context.err << "bacnet-tool: " << error << '\n';
        return EXIT_FAILED;
    }
    Device device;
    device.endpoint = Endpoint::Loopback(sim.Port());
    SetHostKey(device.record, device.endpoint);
    context.out << "bacnet-tool demo: a driver's road of one poll, against a simulated BACnet/IP device on "
                << device.endpoint.ToString() << '\n';
    const int rc = Demo(context, client, device);
    sim.Stop();
    return rc;
}

}  // namespace

std::vector<Command> DeviceCommands()
{
    return {
        {"simulate", "", "run the simulated BACnet/IP device",
         "Serves a simulated device (analog inputs, an output, values, a calendar, a\n"
         "schedule and --objects extra analog values) until Ctrl-C. As a BBMD it\n"
         "registers foreign devices and passes broadcasts to its --bdt peers; as a\n"
         "router it presents --routed more devices behind network --router.\n",
         {{"bind", "ADDR[:PORT]", "address to serve on (default 127.0.0.1:47809)"},
          {"port", "N", "UDP port (default 47809; 0: any free port)"},
          {"instance", "N", "device instance (default 1234)"},
          {"objects", "N", "extra analog values, for a long object list (default 600)"},
          {"bbmd", "", "act as a BBMD: foreign-device registration, broadcasts passed on"},
          {"bdt", "HOST:PORT,...", "the other BBMDs of the distribution table (implies --bbmd)"},
          {"router", "NET", "act as a router to network NET (1-65534)"},
          {"routed", "N", "devices behind the router, instances after --instance (default 1)"},
          {"verbose", "", "log each request and reply on stderr"}},
         0, 0, RunSimulate},
        {"demo", "", "walk the road of one poll against a simulated device, octets shown",
         "Starts the simulated device in this process on a free loopback port, then\n"
         "discovers it, binds host tags by name, polls them with ReadPropertyMultiple\n"
         "(request and reply in hex), takes the changed values as host values, writes\n"
         "with a priority, reads the weekly schedule and the segmented object list, and\n"
         "provokes an Error to show its text.\n",
         {{"verbose", "", "let the simulated device log its requests on stderr"}},
         0, 0, RunDemo},
    };
}

}  // namespace tool
