// write, create, delete: the confirmed services that change a device.
#include "Command.h"
#include "Plans.h"
#include "Requests.h"

namespace tool {

namespace {

int RunWrite(Context& context)
{
    Session session(context);
    if (int rc = session.Open())
        return rc;
    const std::vector<std::string>& p = context.args.positional;
    std::string error;
    long priority;
    PropertyPlan plan;
    if (!context.args.GetInt("priority", 0, 1, 16, priority, error) ||
        !PlanWrite(p[1], p[2], p[3], static_cast<unsigned short>(priority), plan, error))
        return session.Usage(error);
    Device device;
    if (int rc = session.OpenDevice(p[0], device, false))
        return rc;
    const Request request = BuildWrite(device.record, plan);
    if (request.frame.empty())
        return session.Usage("the library refuses '" + p[3] + "' for " + p[2] + " (wrong kind of value)");
    Reply reply = session.client().Transact(device, request);
    if (!reply.ok)
        return session.Failed("write", reply);
    context.out << "wrote " << ObjectText(plan.object) << ' ' << p[2] << " = " << p[3]
                << (priority ? " at priority " + std::to_string(priority) : "") << '\n';
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
    const Request request = create ? BuildCreateObject(device.record, ToWire(object))
                                   : BuildDeleteObject(device.record, ToWire(object));
    Reply reply = session.client().Transact(device, request);
    if (!reply.ok)
        return session.Failed(create ? "create" : "delete", reply);
    DWORD created;
    if (create && reply.pduType == 3 && ReadCreatedID(reply, created))
        context.out << "created " << WireObjectText(created) << '\n';
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
         "VALUE is a number, active/inactive, null (relinquish a priority-array slot) or\n"
         "a text. ObjectName, Description, PriorityForWriting, effective-period\n"
         "(YYYY-MM-DD..YYYY-MM-DD) and list-of-object-property-reference\n"
         "(AI:1/PresentValue,AV:2/PresentValue) are written by their property codecs;\n"
         "every other property as a host value converted by the library to the\n"
         "property's data type, with --priority when given.\n",
         With(NetworkOptions(), {{"priority", "N", "write priority 1 (highest) to 16"}}), 4, 4, RunWrite},
        {"create", "TARGET OBJECT", "create an object (CreateObject)", "", NetworkOptions(), 2, 2, RunCreate},
        {"delete", "TARGET OBJECT", "delete an object (DeleteObject)", "", NetworkOptions(), 2, 2, RunDelete},
    };
}

}  // namespace tool
