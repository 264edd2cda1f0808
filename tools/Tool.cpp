#include "Command.h"

#include <iomanip>

#include "Output.h"

namespace tool {

const OptionSpec kJsonOption{"json", "", "machine-readable output (JSON)"};

std::vector<OptionSpec> NetworkOptions()
{
    return {
        {"bind", "ADDR[:PORT]", "local address to bind (default 0.0.0.0:47808, any free port if taken)"},
        {"broadcast", "ADDR[:PORT]", "broadcast address (default 255.255.255.255:47808)"},
        {"port", "N", "device port when a target names none (default 47808)"},
        {"timeout", "SECONDS", "wait for a reply, per attempt (default 3)"},
        {"retries", "N", "attempts after the first (default 2)"},
        {"max-apdu", "OCTETS", "the device's max APDU, instead of what it announces"},
        {"verbose", "", "show every frame sent and received, in hex, on stderr"},
    };
}

std::vector<OptionSpec> With(std::vector<OptionSpec> options, const std::vector<OptionSpec>& more)
{
    options.insert(options.end(), more.begin(), more.end());
    return options;
}

const std::vector<Command>& Commands()
{
    static const std::vector<Command> commands = [] {
        std::vector<Command> all;
        for (auto group : {DiscoveryCommands, ReadCommands, PollCommands, WriteCommands, CodecCommands,
                           DeviceCommands})
            for (Command& c : group())
                all.push_back(c);
        return all;
    }();
    return commands;
}

namespace {

void PrintOverview(std::ostream& out)
{
    out << "bacnet-tool: talks BACnet/IP to devices, every octet built and read by libbacnetcodec.\n\n"
           "usage: bacnet-tool COMMAND [ARGS] [OPTIONS]\n"
           "       bacnet-tool COMMAND --help\n\ncommands:\n";
    for (const Command& c : Commands())
        out << "  " << std::left << std::setw(10) << c.name << c.summary << '\n';
    out << "\nObjects are TYPE:INSTANCE with the library's two-letter codes (AI:3, AO:1, DV:1234, SC:1);\n"
           "properties are the library's property names (PresentValue, priorityarray[8], object-list).\n"
           "Exit status: 0 success, 1 the device refused or did not answer, 2 usage error.\n";
}

void PrintHelp(std::ostream& out, const Command& c)
{
    out << "usage: bacnet-tool " << c.name << (c.usage[0] ? " " : "") << c.usage << " [OPTIONS]\n\n"
        << c.summary << ".\n";
    if (c.details[0])
        out << '\n' << c.details;
    if (!c.options.empty()) {
        out << "\noptions:\n";
        for (const OptionSpec& o : c.options) {
            const std::string left = "--" + o.name + (o.valueName.empty() ? "" : " " + o.valueName);
            out << "  " << std::left << std::setw(24) << left << o.help << '\n';
        }
    }
    out << "  " << std::left << std::setw(24) << "--help" << "this text\n";
}

}  // namespace

int RunTool(const std::vector<std::string>& words, std::ostream& out, std::ostream& err)
{
    if (words.empty() || words[0] == "--help" || words[0] == "-h" || words[0] == "help") {
        PrintOverview(words.empty() ? err : out);
        return words.empty() ? EXIT_USAGE : EXIT_OK;
    }
    for (const Command& c : Commands()) {
        if (words[0] != c.name)
            continue;
        const std::vector<std::string> rest(words.begin() + 1, words.end());
        for (const std::string& w : rest)
            if (w == "--help" || w == "-h") {
                PrintHelp(out, c);
                return EXIT_OK;
            }
        Context context{Args(), out, err};
        std::string error;
        if (!context.args.Parse(rest, c.options, error)) {
            err << "bacnet-tool " << c.name << ": " << error << " (see --help)\n";
            return EXIT_USAGE;
        }
        const int n = static_cast<int>(context.args.positional.size());
        if (n < c.minArgs || (c.maxArgs >= 0 && n > c.maxArgs)) {
            err << "usage: bacnet-tool " << c.name << ' ' << c.usage << " [OPTIONS] (see --help)\n";
            return EXIT_USAGE;
        }
        return c.run(context);
    }
    err << "bacnet-tool: unknown command '" << words[0] << "'\n\n";
    PrintOverview(err);
    return EXIT_USAGE;
}

int Session::Open()
{
    NetOptions& options = m_client.Options();
    const Args& args = m_context.args;
    std::string error;
    long port, retries, maxApdu, timeout;
    bool ok = args.GetInt("port", kDefaultBacnetPort, 1, 65535, port, error) &&
              args.GetInt("retries", 2, 0, 10, retries, error) &&
              args.GetInt("max-apdu", 0, 50, 1476, maxApdu, error) && args.GetMillis("timeout", 3, timeout, error);
    if (ok) {
        options.port = static_cast<uint16_t>(port);
        options.retries = static_cast<int>(retries);
        options.maxApdu = args.Has("max-apdu") ? static_cast<int>(maxApdu) : 0;
        options.timeoutMs = static_cast<int>(timeout);
        options.bindGiven = args.Has("bind");
        options.trace = args.Has("verbose") ? &m_context.err : nullptr;
        ok = Endpoint::Parse(args.Get("bind", "0.0.0.0"), kDefaultBacnetPort, options.bind, &error) &&
             Endpoint::Parse(args.Get("broadcast", "255.255.255.255"), options.port, options.broadcast, &error);
    }
    if (!ok)
        return Usage(error);
    if (!m_client.Open(&error)) {
        m_context.err << "bacnet-tool: " << error << '\n';
        return EXIT_FAILED;
    }
    return EXIT_OK;
}

int Session::OpenDevice(const std::string& target, Device& device, bool resolve)
{
    std::string error;
    if (!Endpoint::Parse(target, m_client.Options().port, device.endpoint, &error))
        return Usage(error);
    SetHostKey(device.record, device.endpoint);
    if (m_client.Options().maxApdu > 0)
        device.record.m_maxAPDU = static_cast<unsigned short>(m_client.Options().maxApdu);
    if (resolve && !m_client.Resolve(device))
        m_context.err << "note: no I-Am from " << device.endpoint.ToString() << "; using max APDU "
                      << device.record.m_maxAPDU << '\n';
    return EXIT_OK;
}

int Session::Failed(const std::string& what, Reply& reply)
{
    if (m_context.args.Has("json")) {
        JsonWriter json(m_context.out);
        json.BeginObject().Member("error", reply.failure).Member("status", reply.record.m_status).EndObject();
        m_context.out << '\n';
    }
    m_context.err << what << " failed: " << reply.failure << '\n';
    return EXIT_FAILED;
}

int Session::Usage(const std::string& message)
{
    m_context.err << "bacnet-tool: " << message << '\n';
    return EXIT_USAGE;
}

}  // namespace tool
