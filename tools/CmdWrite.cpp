// write, create, delete: the confirmed services that change a device.
#include "Command.h"
#include "Plans.h"
#include "Requests.h"
#include "WritePlan.h"

namespace tool {

namespace {

int RunCodecWrite(Context& context, Session& session)
{
    const std::vector<std::string>& p = context.args.positional;
    std::string error;
    PropertyPlan plan;
    if (!PlanWrite(p[1], p[2], p[3], 0, plan, error))
        return session.Usage(error);
    if (int rc = session.Open())
        return rc;
    Device device;
    if (int rc = session.OpenDevice(p[0], device, false))
        return rc;
    Reply reply = session.client().Transact(device, BuildWrite(device.record, plan));
    if (!reply.ok)
        return session.Failed("write", reply);
    context.out << "wrote " << ObjectText(plan.object) << ' ' << PropertyName(plan.property.id) << " = " << p[3] << '\n';
    return EXIT_OK;
}

int RunWrite(Context& context)
{
    Session session(context);
    const std::vector<std::string>& p = context.args.positional;
    if (WrittenByCodec(p[2], context.args.Has("tag"), context.args.Has("priority")))
        return RunCodecWrite(context, session);
    std::string error;
    long priority;
    if (!context.args.GetInt("priority", 0, 1, 16, priority, error))
        return session.Usage(error);
    if (int rc = session.Open())
        return rc;
    Device device;
    if (int rc = session.OpenDevice(p[0], device, false))
        return rc;
    // Without a datatype of its own, the value takes the tag of what the device holds.
    const AskDatatype ask = [&](const WritePlan& plan, std::string& why) {
        Reply reply = session.client().Transact(device, BuildReadRequest(device.record, plan.object, plan.property));
        PropertyResult held;
        if (!reply.ok) {
            why = "reading it to learn its datatype failed: " + reply.failure;
            return -1;
        }
        if (!ReadPropertyAck(reply.Data(), reply.Length(), held, why) || held.values.size() != 1 ||
            held.values[0].m_kind > CBACnetTag::TYPE_OBJECT_ID || held.values[0].m_kind == CBACnetTag::TYPE_NULL) {
            why = "the device's value does not show its datatype";
            return -1;
        }
        return held.values[0].m_kind;
    };
    WritePlan plan;
    if (!PlanWriteValue(p[1], p[2], p[3], context.args.Get("tag"), static_cast<unsigned>(priority), ask, plan, error))
        return session.Usage(error);
    const Request request = BuildWrite(device.record, plan);
    if (request.frame.empty())
        return session.Usage("the value does not fit in one request");
    Reply reply = session.client().Transact(device, request);
    if (!reply.ok)
        return session.Failed("write", reply);
    context.out << "wrote " << WriteText(plan) << '\n';
    return EXIT_OK;
}

// The object identifier a CreateObject acknowledgement carries.
bool ReadCreatedID(Reply& reply, DWORD& id)
{
    CBACnetTag tag(reply.Length());
    int len = 0, isNull = 0;
    unsigned char host[4];
    if (!tag.ReadHeaderFrame(reply.Data(), len) ||
        !tag.ReadDataFrame(host, CBACnetTag::TYPE_OBJECT_ID, sizeof host, reply.Data(), len, isNull))
        return false;
    id = DWORD(host[0]) | DWORD(host[1]) << 8 | DWORD(host[2]) << 16 | DWORD(host[3]) << 24;
    return true;
}

int RunCreateOrDelete(Context& context, bool create)
{
    Session session(context);
    if (int rc = session.Open())
        return rc;
    std::string error;
    _BACnetObjectID object;
    if (!ParseObject(context.args.positional[1], object, &error))
        return session.Usage(error);
    Device device;
    if (int rc = session.OpenDevice(context.args.positional[0], device, false))
        return rc;
    const Request request = create ? BuildCreateObject(device.record, object) : BuildDeleteObject(device.record, object);
    Reply reply = session.client().Transact(device, request);
    if (!reply.ok)
        return session.Failed(create ? "create" : "delete", reply);
    DWORD created;
    if (create && reply.pduType == 3 && ReadCreatedID(reply, created))
        context.out << "created " << ObjectText(created) << '\n';
    else
        context.out << (create ? "created " : "deleted ") << ObjectText(object) << '\n';
    return EXIT_OK;
}

int RunCreate(Context& context)
{
    return RunCreateOrDelete(context, true);
}

int RunDelete(Context& context)
{
    return RunCreateOrDelete(context, false);
}

}  // namespace

std::vector<Command> WriteCommands()
{
    return {
        {"write", "TARGET OBJECT PROPERTY VALUE", "write one property (WriteProperty), with a priority if given",
         "VALUE is typed by the property's datatype (the tool's table, or the tag of\n"
         "what the device holds now), or by --tag. `null` is the BACnet Null: with\n"
         "--priority it relinquishes that slot; on a commandable present value it\n"
         "needs a priority. Texts are UTF-8; enumerations take names or numbers\n"
         "(active, degrees-celsius); dates YYYY-MM-DD, times HH:MM:SS, objects\n"
         "analog-input:1, bit strings 0101, octets in hex.\n"
         "effective-period (YYYY-MM-DD..YYYY-MM-DD) and list-of-object-property-reference\n"
         "(AI:1/present-value,AV:2/present-value) are written by their property codecs.\n",
         With(NetworkOptions(), {{"priority", "N", "write priority 1 (highest) to 16"},
                                 {"tag", "TYPE", "null|boolean|unsigned|signed|real|double|octets|text|bits|enumerated|date|time|object"}}),
         4, 4, RunWrite},
        {"create", "TARGET OBJECT", "create an object (CreateObject)", "", NetworkOptions(), 2, 2, RunCreate},
        {"delete", "TARGET OBJECT", "delete an object (DeleteObject)", "", NetworkOptions(), 2, 2, RunDelete},
    };
}

}  // namespace tool
