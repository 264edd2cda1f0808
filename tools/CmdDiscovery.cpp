// discover, whohas, timesync: the unconfirmed services.
#include <algorithm>
#include <list>

#include "Command.h"
#include "Names.h"
#include "Report.h"
#include "Requests.h"

namespace tool {

namespace {

const OptionSpec kTargetOption{"target", "HOST[:PORT]", "ask one device (unicast) instead of broadcasting"};

// Sends an unconfirmed request to --target, or broadcasts it.
bool SendAround(Context& context, Client& client, const Request& request)
{
    Endpoint to = client.Options().broadcast;
    const bool broadcast = !context.args.Has("target");
    std::string error;
    if (!broadcast && !Endpoint::Parse(context.args.Get("target"), client.Options().port, to, &error)) {
        context.err << "bacnet-tool: " << error << '\n';
        return false;
    }
    if (!client.Send(to, request, broadcast)) {
        context.err << "bacnet-tool: cannot send to " << to.ToString() << '\n';
        return false;
    }
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
    if (int rc = session.Open())
        return rc;
    Client& client = session.client();
    if (!SendAround(context, client, BuildWhoIs()))
        return EXIT_FAILED;

    std::list<Device> devices;  // stable addresses: records are not copyable
    client.Collect(client.Options().timeoutMs, [&](const Datagram& datagram, ReceivedFrame& frame) {
        if (frame.unconfirmed.GetServiceChoice() != 0)  // I-Am
            return true;
        CBACnetIAmService iam;
        std::unique_ptr<CBACnetOBJ> record = ReadIAm(frame, datagram.from, iam);
        if (!record)
            return true;
        for (Device& known : devices)
            if (known.record.CompareObject(*record))
                return true;  // the same device answering twice
        devices.emplace_back();
        devices.back().record.CopyObject(*record);
        devices.back().endpoint = datagram.from;
        devices.back().vendorID = iam.m_vendorID;
        devices.back().announced = true;
        return true;
    });
    devices.sort([](const Device& a, const Device& b) {
        return a.record.m_objectID.m_instance < b.record.m_objectID.m_instance;
    });

    if (context.args.Has("json")) {
        JsonWriter json(context.out);
        json.BeginArray();
        for (Device& d : devices)
            DeviceJson(json, d);
        json.EndArray();
        context.out << '\n';
    } else {
        for (Device& d : devices)
            context.out << DeviceLine(d) << '\n';
    }
    return devices.empty() ? NoAnswer(context, "discover") : EXIT_OK;
}

int RunWhoHas(Context& context)
{
    Session session(context);
    if (int rc = session.Open())
        return rc;
    std::string error;
    _BACnetObjectID object;
    if (!ParseObject(context.args.positional[0], object, &error))
        return session.Usage(error);
    Client& client = session.client();
    CBACnetOBJ local;  // a device on the local network: the Who-Has stays a global broadcast
    if (!SendAround(context, client, BuildWhoHas(local, object)))
        return EXIT_FAILED;

    int answers = 0;
    client.Collect(client.Options().timeoutMs, [&](const Datagram& datagram, ReceivedFrame& frame) {
        if (frame.unconfirmed.GetServiceChoice() != 1)  // I-Have
            return true;
        CBACnetIHaveService ihave;
        CBACnetOBJ found;
        if (!ihave.ReadFrame(frame.Params(), &found, frame.ParamsLength()))
            return true;
        found.m_objectID = ihave.m_deviceID;
        CString device;
        found.GetDeviceInfoText(device);
        context.out << Utf8(device) << " at " << datagram.from.ToString() << " has "
                    << ObjectText(ihave.m_objectID.GetValue()) << " \"" << Utf8(found.m_name) << "\"\n";
        answers++;
        return true;
    });
    return answers ? EXIT_OK : NoAnswer(context, "whohas");
}

int RunTimeSync(Context& context)
{
    Session session(context);
    if (int rc = session.Open())
        return rc;
    const Request request = BuildTimeSync();
    if (!SendAround(context, session.client(), request))
        return EXIT_FAILED;
    context.out << "sent TimeSynchronization (" << Timestamp() << " local): " << HexOctets(request.frame) << '\n';
    return EXIT_OK;
}

}  // namespace

std::vector<Command> DiscoveryCommands()
{
    return {
        {"discover", "", "find devices with Who-Is and list their I-Am replies",
         "Broadcasts a Who-Is (or sends it to --target) and collects I-Am replies for\n"
         "--timeout seconds. One line per device: the record's device text, max APDU,\n"
         "segmentation, vendor and the address it answered from.\n",
         With(NetworkOptions(), {kTargetOption, kJsonOption}), 0, 0, RunDiscover},
        {"whohas", "OBJECT", "ask which device holds an object (Who-Has / I-Have)",
         "Broadcasts a Who-Has for OBJECT (e.g. AI:3) and prints each I-Have: the\n"
         "device, the object and its name.\n",
         With(NetworkOptions(), {kTargetOption}), 1, 1, RunWhoHas},
        {"timesync", "", "broadcast this host's local date and time",
         "Sends a TimeSynchronization with the local date and time (to --target, or\n"
         "broadcast). Devices do not answer it.\n",
         With(NetworkOptions(), {kTargetOption}), 0, 0, RunTimeSync},
    };
}

}  // namespace tool
