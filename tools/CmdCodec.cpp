// encode, decode: the library's encoders and decoders without a network.
#include "Command.h"
#include "Describe.h"
#include "Plans.h"
#include "Poller.h"
#include "PropertyAccess.h"
#include "Requests.h"
#include "WritePlan.h"

namespace tool {

namespace {

// The device record the requests are addressed with.
int MakeDevice(Context& context, Device& device)
{
    std::string error;
    long maxApdu;
    if (!context.args.GetInt("max-apdu", device.record.m_maxAPDU, 50, 1476, maxApdu, error)) {
        context.err << "bacnet-tool: " << error << '\n';
        return EXIT_USAGE;
    }
    device.record.m_maxAPDU = static_cast<unsigned short>(maxApdu);
    return ReadRoute(context, device.record);
}

void Print(Context& context, const Request& request)
{
    if (!context.args.Has("bvlc")) {
        context.out << HexOctets(request.frame) << '\n';
        return;
    }
    unsigned char datagram[bacnet::Bvlc::kMaxDatagram];
    const size_t n = bacnet::Bvlc::Encode(request.unconfirmed ? bacnet::BvlcFunction::OriginalBroadcastNpdu
                                                              : bacnet::BvlcFunction::OriginalUnicastNpdu,
                                          request.frame, datagram, sizeof datagram);
    context.out << HexOctets(datagram, static_cast<int>(n)) << '\n';
}

int Refused(Context& context, const std::string& error)
{
    context.err << "bacnet-tool: " << error << '\n';
    return EXIT_USAGE;
}

// Each request: the words it takes after its name, and how it is built.
int EncodeRequest(Context& context, Device& device, const std::string& what, const std::vector<std::string>& a)
{
    std::string error;
    const auto wants = [&](size_t n) { return a.size() == n; };
    if (what == "whois" && wants(0)) {
        Print(context, BuildWhoIs());
    } else if (what == "timesync" && wants(0)) {
        Print(context, BuildTimeSync());
    } else if ((what == "whohas" || what == "create" || what == "delete") && wants(1)) {
        _BACnetObjectID object;
        if (!ParseObject(a[0], object, &error))
            return Refused(context, error);
        Print(context, what == "whohas"   ? BuildWhoHas(device.record, object)
                       : what == "create" ? BuildCreateObject(device.record, object)
                                          : BuildDeleteObject(device.record, object));
    } else if (what == "read" && wants(2)) {
        _BACnetObjectID object;
        PropertyRef property;
        if (!ParseObject(a[0], object, &error) || !ParseProperty(a[1], property, &error))
            return Refused(context, error);
        Print(context, BuildReadRequest(device.record, object, property));
    } else if (what == "readall" && wants(1)) {
        _BACnetObjectID object;
        if (!ParseObject(a[0], object, &error))
            return Refused(context, error);
        Print(context, BuildReadMultipleRequest(device.record, object, {PROPERTY_ALL}));
    } else if (what == "write" && wants(3) && WrittenByCodec(a[1], context.args.Has("tag"), context.args.Has("priority"))) {
        PropertyPlan plan;
        if (!PlanWrite(a[0], a[1], a[2], 0, plan, error))
            return Refused(context, error);
        Print(context, BuildWrite(device.record, plan));
    } else if (what == "write" && wants(3)) {
        long priority;
        WritePlan plan;
        if (!context.args.GetInt("priority", 0, 1, 16, priority, error) ||
            !PlanWriteValue(a[0], a[1], a[2], context.args.Get("tag"), static_cast<unsigned>(priority), nullptr,
                            plan, error))
            return Refused(context, error);
        const Request request = BuildWrite(device.record, plan);
        if (request.frame.empty())
            return Refused(context, "the value does not fit in one request");
        Print(context, request);
    } else if (what == "rpm" && !a.empty()) {
        Client unopened{NetOptions()};
        Poller poller(unopened, device);
        for (const std::string& tag : a)
            if (!poller.Add(tag, error))
                return Refused(context, error);
        // One line per request: as many as the max APDU needs.
        for (int first = 0; first < static_cast<int>(a.size());) {
            CBACnetReadMultiService rpm(first);
            poller.MakeRun(rpm, first);
            Print(context, TakeRequest(rpm));
            first = rpm.m_last + 1;
        }
    } else {
        return Refused(context, "encode what? (see bacnet-tool encode --help)");
    }
    return EXIT_OK;
}

int RunEncode(Context& context)
{
    Device device;
    if (int rc = MakeDevice(context, device))
        return rc;
    const std::vector<std::string>& p = context.args.positional;
    return EncodeRequest(context, device, p[0], std::vector<std::string>(p.begin() + 1, p.end()));
}

int RunDecode(Context& context)
{
    std::string text;
    for (const std::string& word : context.args.positional)
        text += word;
    std::vector<unsigned char> octets;
    if (!ParseHex(text, octets) || octets.empty()) {
        context.err << "bacnet-tool: decode wants the frame's octets in hex\n";
        return EXIT_USAGE;
    }
    return DescribeFrame(context.out, octets) ? EXIT_OK : EXIT_FAILED;
}

// A confirmed request written by hand (or an edited `encode` line), sent and
// matched like any other; the reply is described in full.
int RunSend(Context& context)
{
    Session session(context);
    if (int rc = session.Open())
        return rc;
    Device device;
    if (int rc = session.OpenDevice(context.args.positional[0], device, false))
        return rc;
    std::string text;
    for (size_t i = 1; i < context.args.positional.size(); i++)
        text += context.args.positional[i];
    Request request;
    ReceivedFrame own;
    if (!ParseHex(text, request.frame) || !own.Read(request.frame) || own.PduType() != 0)
        return session.Usage("send wants a confirmed request in hex, from the network header on");
    request.invokeID = own.confirmed.GetInvokeID();
    request.service = own.confirmed.GetServiceChoice();
    Reply reply = session.client().Transact(device, request);
    if (!reply.lastFrame.empty())
        DescribeFrame(context.out, reply.lastFrame);
    return reply.ok ? EXIT_OK : session.Failed("send", reply);
}

}  // namespace

std::vector<Command> CodecCommands()
{
    return {
        {"encode", "REQUEST [ARGS]", "print a request frame in hex, as the library builds it",
         "REQUEST is one of:\n"
         "  whois                         timesync\n"
         "  whohas OBJECT                 create OBJECT          delete OBJECT\n"
         "  read OBJECT PROPERTY          write OBJECT PROPERTY VALUE [--priority N] [--tag T]\n"
         "  readall OBJECT                (ReadPropertyMultiple of all its properties)\n"
         "  rpm TAG...                    (one line per request the max APDU allows)\n"
         "The frame starts at the network header; --bvlc puts the BACnet/IP header in front.\n"
         "Counted invoke IDs start at 1 in every run of the tool.\n",
         {{"max-apdu", "OCTETS", "the device record's max APDU (default 1400)"},
          {"dnet", "N", "the device is behind a router, on network N"},
          {"dadr", "HEX", "its MAC address on that network"},
          {"priority", "N", "write priority 1 to 16"},
          {"tag", "TYPE", "the written value's application tag (see write --help)"},
          {"bvlc", "", "include the BACnet/IP header"}},
         1, -1, RunEncode},
        {"decode", "HEX", "describe a received frame: headers, service, parameters, failure texts",
         "HEX is the frame's octets (spaces and colons allowed), starting with the\n"
         "BACnet/IP header (81 ..) or with the network header (01 ..).\n",
         {}, 1, -1, RunDecode},
        {"send", "TARGET HEX", "send a confirmed request given in hex and describe the reply",
         "HEX is a confirmed request from the network header on, e.g. an `encode` line\n"
         "edited by hand. Its service and parameters go out under an invoke ID of the\n"
         "client's own; the reply is described as `decode` does, and the exit status\n"
         "says whether the device accepted it.\n",
         NetworkOptions(), 2, -1, RunSend},
    };
}

}  // namespace tool
