// discover, whohas, timesync: the unconfirmed services.
#include <algorithm>
#include <optional>

#include "Command.h"
#include "Names.h"
#include "Report.h"
#include "Requests.h"

namespace tool {

namespace {

const OptionSpec kTargetOption{"target", "HOST[:PORT]", "ask one device (unicast) instead of broadcasting"};

// --target (with --dnet/--dadr: a device behind that router; --dnet alone:
// every device on that network), or none: a broadcast. False after telling why.
bool Where(Context& context, Client& client, std::optional<bacnet::Device>& to)
{
    if (!context.args.Has("target"))
        return true;
    Device device;
    std::string error;
    long dnet;
    if (!ParseEndpoint(context.args.Get("target"), client.Options().port, device.endpoint, &error) ||
        !context.args.GetInt("dnet", 0, 1, 65534, dnet, error)) {
        context.err << "bacnet-tool: " << error << '\n';
        return false;
    }
    if (context.args.Has("dnet") && !context.args.Has("dadr")) {
        to = bacnet::Device::At(device.endpoint);
        to->m_network = static_cast<uint16_t>(dnet);
        return true;
    }
    if (ReadRoute(context, device.record) != EXIT_OK)
        return false;
    to = device.Peer();
    return true;
}

int NoAnswer(Context& context, const char* what)
{
    context.err << what << " failed: time-out (no device answered)\n";
    return EXIT_FAILED;
}

int RunDiscover(Context& context)
{
    Session session(context);
    if (int rc = session.Open(!context.args.Has("target")))
        return rc;
    Client& client = session.client();
    std::optional<bacnet::Device> to;
    if (!Where(context, client, to))
        return EXIT_USAGE;
    std::optional<std::pair<uint32_t, uint32_t>> range;
    if (context.args.Has("low") || context.args.Has("high")) {
        std::string error;
        long low, high;
        if (!context.args.GetInt("low", 0, 0, 4194303, low, error) ||
            !context.args.GetInt("high", 4194303, 0, 4194303, high, error))
            return session.Usage(error);
        if (low > high)
            return session.Usage("--low is above --high");
        range = std::make_pair(static_cast<uint32_t>(low), static_cast<uint32_t>(high));
    }
    const std::chrono::milliseconds wait(client.Options().timeoutMs);
    std::vector<bacnet::Device> found =
        to ? client.Api().Discover(wait, *to, range) : client.Api().Discover(wait, std::nullopt, range);
    std::sort(found.begin(), found.end(), [](const bacnet::Device& a, const bacnet::Device& b) {
        return a.m_deviceID.m_instance < b.m_deviceID.m_instance;
    });

    JsonWriter json(context.out);
    if (context.args.Has("json"))
        json.BeginArray();
    for (const bacnet::Device& peer : found) {
        Device d;
        d.Take(peer);
        if (context.args.Has("json"))
            DeviceJson(json, d);
        else
            context.out << DeviceLine(d) << '\n';
    }
    if (context.args.Has("json")) {
        json.EndArray();
        context.out << '\n';
    }
    return found.empty() ? NoAnswer(context, "discover") : EXIT_OK;
}

int RunWhoHas(Context& context)
{
    Session session(context);
    if (int rc = session.Open(!context.args.Has("target")))
        return rc;
    std::string error;
    _BACnetObjectID object;
    if (!ParseObject(context.args.positional[0], object, &error))
        return session.Usage(error);
    Client& client = session.client();
    std::optional<bacnet::Device> to;
    if (!Where(context, client, to))
        return EXIT_USAGE;
    const bacnet::ObjectId asked(static_cast<uint16_t>(object.m_type), object.m_instance);
    const std::chrono::milliseconds wait(client.Options().timeoutMs);
    const std::vector<bacnet::ObjectHolder> holders =
        to ? client.Api().WhoHas(asked, wait, *to) : client.Api().WhoHas(asked, wait);
    for (const bacnet::ObjectHolder& h : holders) {
        CBACnetOBJ found;
        found.m_objectID = _BACnetObjectID(h.m_deviceID.m_type, h.m_deviceID.m_instance);
        CString device;
        found.GetDeviceInfoText(device);
        context.out << Utf8(device) << " at " << h.m_from.ToString() << " has "
                    << ObjectText(_BACnetObjectID(h.m_objectID.m_type, h.m_objectID.m_instance).GetValue()) << " \""
                    << h.m_objectName << "\"\n";
    }
    return holders.empty() ? NoAnswer(context, "whohas") : EXIT_OK;
}

int RunRouters(Context& context)
{
    Session session(context);
    if (int rc = session.Open(true))
        return rc;
    Client& client = session.client();
    const std::vector<bacnet::RouterInfo> routers =
        client.Api().Routers(std::chrono::milliseconds(client.Options().timeoutMs));
    JsonWriter json(context.out);
    if (context.args.Has("json"))
        json.BeginArray();
    for (const bacnet::RouterInfo& r : routers) {
        if (context.args.Has("json")) {
            json.BeginObject().Member("address", r.m_endpoint.ToString()).Key("networks").BeginArray();
            for (uint16_t n : r.m_networks)
                json.Integer(n);
            json.EndArray().EndObject();
            continue;
        }
        context.out << r.m_endpoint.ToString() << "  network" << (r.m_networks.size() == 1 ? "" : "s");
        for (size_t i = 0; i < r.m_networks.size(); i++)
            context.out << (i ? ", " : " ") << r.m_networks[i];
        context.out << '\n';
    }
    if (context.args.Has("json")) {
        json.EndArray();
        context.out << '\n';
    }
    return routers.empty() ? NoAnswer(context, "routers") : EXIT_OK;
}

int RunTimeSync(Context& context)
{
    Session session(context);
    if (int rc = session.Open())
        return rc;
    Client& client = session.client();
    std::optional<bacnet::Device> to;
    if (!Where(context, client, to))
        return EXIT_USAGE;
    client.Link().Watch(to ? to->m_endpoint : client.Options().bbmd ? *client.Options().bbmd : client.Options().broadcast);
    const bacnet::Status sent = to ? client.Api().SynchronizeTime(*to) : client.Api().SynchronizeTime();
    if (!sent) {
        context.err << "timesync failed: " << FailureText(sent.failure()) << '\n';
        return EXIT_FAILED;
    }
    context.out << "sent TimeSynchronization (" << Timestamp() << " local): " << HexOctets(client.Link().LastTo())
                << '\n';
    return EXIT_OK;
}

}  // namespace

std::vector<Command> DiscoveryCommands()
{
    return {
        {"discover", "", "find devices with Who-Is and list their I-Am replies",
         "Broadcasts a Who-Is (or sends it to --target) and collects I-Am replies for\n"
         "--timeout seconds, for every instance or those from --low to --high. One\n"
         "line per device: the record's device text, max APDU, segmentation, vendor,\n"
         "the address it answered from and, behind a router, its network and MAC.\n",
         With(NetworkOptions(), {kTargetOption, kJsonOption, {"low", "N", "lowest device instance asked for"},
                                 {"high", "N", "highest device instance asked for"}}),
         0, 0, RunDiscover},
        {"whohas", "OBJECT", "ask which device holds an object (Who-Has / I-Have)",
         "Broadcasts a Who-Has for OBJECT (e.g. AI:3) and prints each I-Have: the\n"
         "device, the object and its name.\n",
         With(NetworkOptions(), {kTargetOption}), 1, 1, RunWhoHas},
        {"routers", "", "find routers and the networks they reach (Who-Is-Router-To-Network)",
         "Broadcasts a Who-Is-Router-To-Network and lists each router that answers with\n"
         "I-Am-Router-To-Network: its address and the network numbers behind it. A\n"
         "device there is read with --dnet N --dadr MAC through the router's address.\n",
         With(NetworkOptions(), {kJsonOption}), 0, 0, RunRouters},
        {"timesync", "", "broadcast this host's local date and time",
         "Sends a TimeSynchronization with the local date and time (to --target, or\n"
         "broadcast). Devices do not answer it.\n",
         With(NetworkOptions(), {kTargetOption}), 0, 0, RunTimeSync},
    };
}

}  // namespace tool
