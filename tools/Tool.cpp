#include "Command.h"

#include <iomanip>

#include "Names.h"
#include "Output.h"

namespace tool {

const OptionSpec kJsonOption{"json", "", "machine-readable output (JSON, see the README)"};
const OptionSpec kCsvOption{"csv", "", "comma-separated values with a heading row"};

void FailureJson(JsonWriter& json, const Reply& reply)
{
    json.BeginObject().Member("kind", reply.failureKind).Member("text", reply.failure);
    if (reply.failureKind == "error") {
        json.Member("class", BACnetEnumText(BACNET_ENUM_ERROR_CLASS, static_cast<unsigned>(reply.failureClass)))
            .Member("classNumber", static_cast<long long>(reply.failureClass))
            .Member("code", BACnetEnumText(BACNET_ENUM_ERROR_CODE, static_cast<unsigned>(reply.failureCode)))
            .Member("codeNumber", static_cast<long long>(reply.failureCode));
    } else if (reply.failureKind == "reject" || reply.failureKind == "abort") {
        const int names = reply.failureKind == "reject" ? BACNET_ENUM_REJECT_REASON : BACNET_ENUM_ABORT_REASON;
        json.Member("reason", BACnetEnumText(names, static_cast<unsigned>(reply.failureCode)))
            .Member("reasonNumber", static_cast<long long>(reply.failureCode));
    }
    json.EndObject();
}

int ReadRoute(Context& context, CBACnetOBJ& record)
{
    std::string error;
    long dnet;
    if (!context.args.GetInt("dnet", 0, 1, 65534, dnet, error)) {
        context.err << "bacnet-tool: " << error << '\n';
        return EXIT_USAGE;
    }
    if (context.args.Has("dnet") != context.args.Has("dadr")) {
        context.err << "bacnet-tool: --dnet and --dadr go together\n";
        return EXIT_USAGE;
    }
    if (context.args.Has("dnet")) {
        std::vector<unsigned char> mac;
        if (!ParseHex(context.args.Get("dadr"), mac) || mac.empty() || mac.size() > BACNET_MAC_MAX_ACCEPTED) {
            context.err << "bacnet-tool: --dadr wants 1 to 23 octets in hex\n";
            return EXIT_USAGE;
        }
        SetRoute(record, static_cast<uint16_t>(dnet), mac);
    }
    return EXIT_OK;
}

std::vector<OptionSpec> NetworkOptions()
{
    return {
        {"bind", "ADDR[:PORT]", "local address to bind (default 0.0.0.0, any free port)"},
        {"broadcast", "ADDR[:PORT]", "broadcast address (default 255.255.255.255:47808)"},
        {"port", "N", "device port when a target names none (default 47808)"},
        {"timeout", "SECONDS", "wait for a reply, per attempt (default 3)"},
        {"retries", "N", "attempts after the first (default 2)"},
        {"max-apdu", "OCTETS", "the device's max APDU, instead of what it announces"},
        {"verbose", "", "show every datagram sent and received, in hex, on stderr"},
        {"bbmd", "HOST[:PORT]", "register as a foreign device with this BBMD; broadcasts go through it"},
        {"ttl", "SECONDS", "the registration's time to live (default 60)"},
        {"dnet", "N", "the target is behind a router, on network N"},
        {"dadr", "HEX", "the target's MAC address on that network"},
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
        for (auto group : {DiscoveryCommands, ReadCommands, PollCommands, WatchCommands, TrendCommands, WriteCommands, CodecCommands,
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
    out << "\nObjects are TYPE:INSTANCE: analog-input:1, analog-input,1, AI:1 or 0:1 (the BACnet type number).\n"
           "Properties by standard name (present-value, priority-array[8]), by the library\n"
           "catalogue's name (PresentValue) or by number (85).\n"
           "Exit status: 0 success, 1 the device refused or did not answer, 2 usage error.\n"
           "bacnet-tool --version prints the library's version.\n";
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

int RunTool(const std::vector<std::string>& words, std::ostream& out, std::ostream& err, const LinkOpener& open)
{
    // The terminal speaks UTF-8: host strings convert through it, not Windows-1252.
    HostSetCodePage(HOST_CP_UTF8);
    if (!words.empty() && (words[0] == "--version" || words[0] == "version")) {
        out << "bacnet-tool " << bacnetcodec_version() << '\n';
        return EXIT_OK;
    }
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
        Context context{Args(), out, err, open};
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

int Session::Open(bool broadcasts)
{
    NetOptions& options = m_client.Options();
    const Args& args = m_context.args;
    std::string error;
    long port, retries, maxApdu, timeout, ttl;
    bool ok = args.GetInt("port", kDefaultBacnetPort, 1, 65535, port, error) &&
              args.GetInt("retries", 2, 0, 10, retries, error) &&
              args.GetInt("max-apdu", 0, 50, 1476, maxApdu, error) && args.GetMillis("timeout", 3, timeout, error) &&
              args.GetInt("ttl", 60, 1, 65535, ttl, error);
    if (ok) {
        options.port = static_cast<uint16_t>(port);
        options.retries = static_cast<int>(retries);
        options.maxApdu = args.Has("max-apdu") ? static_cast<int>(maxApdu) : 0;
        options.timeoutMs = static_cast<int>(timeout);
        options.ttlSeconds = static_cast<int>(ttl);
        options.bindGiven = args.Has("bind");
        options.trace = args.Has("verbose") ? &m_context.err : nullptr;
        ok = ParseEndpoint(args.Get("bind", "0.0.0.0"), broadcasts ? kDefaultBacnetPort : 0, options.bind, &error) &&
             ParseEndpoint(args.Get("broadcast", "255.255.255.255"), options.port, options.broadcast, &error);
        if (ok && args.Has("bbmd")) {
            Endpoint bbmd;
            ok = ParseEndpoint(args.Get("bbmd"), kDefaultBacnetPort, bbmd, &error);
            options.bbmd = bbmd;
        }
    }
    if (!ok)
        return Usage(error);
    if (!m_client.Open(m_context.open, &error)) {
        m_context.err << "bacnet-tool: " << error << '\n';
        return EXIT_FAILED;
    }
    return EXIT_OK;
}

int Session::OpenDevice(const std::string& target, Device& device, bool resolve)
{
    std::string error;
    if (!ParseEndpoint(target, m_client.Options().port, device.endpoint, &error))
        return Usage(error);
    SetHostKey(device.record, device.endpoint);
    if (int rc = ReadRoute(m_context, device.record))
        return rc;
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
        json.BeginObject().Key("error");
        FailureJson(json, reply);
        json.EndObject();
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
