// read: ReadProperty with the fitting property codec, or through the
// catalogue binding for every other property.
#include "Command.h"
#include "Plans.h"

namespace tool {

namespace {

void Heading(Context& context, const PropertyPlan& plan, bool table)
{
    context.out << ObjectText(plan.object) << ' ' << plan.property.text << (table ? ":\n" : " = ");
}

void JsonHeading(JsonWriter& json, const PropertyPlan& plan)
{
    json.BeginObject().Member("object", ObjectText(plan.object)).Member("property", PropertyName(plan.property.id));
    json.Key("index");
    if (plan.property.hasIndex)
        json.Integer(plan.property.index);
    else
        json.Null();
    json.Key("value");
}

void Show(Context& context, PropertyPlan& plan, Reply& reply)
{
    CTagVal value;
    if (!plan.codec)
        TakeValue(plan.binding, value);
    if (context.args.Has("json")) {
        JsonWriter json(context.out);
        JsonHeading(json, plan);
        if (plan.codec)
            plan.codec->Json(json);
        else
            ValueJson(json, plan.binding, value);
        json.Member("segments", reply.segments).Member("naks", reply.naks).EndObject();
        context.out << '\n';
        return;
    }
    Heading(context, plan, plan.codec && plan.codec->Table());
    if (plan.codec)
        plan.codec->Print(context.out);
    else
        context.out << ValueText(plan.binding, value) << '\n';
    if (reply.segments)
        context.out << "(the reply came in " << reply.segments << " segments"
                    << (reply.naks ? ", " + std::to_string(reply.naks) + " asked for again" : std::string()) << ")\n";
}

int RunRead(Context& context)
{
    Session session(context);
    if (int rc = session.Open())
        return rc;
    const std::vector<std::string>& p = context.args.positional;
    PropertyPlan plan;
    std::string error;
    if (!PlanRead(p[1], p[2], plan, error))
        return session.Usage(error);
    Device device;
    if (int rc = session.OpenDevice(p[0], device, false))
        return rc;
    Reply reply = session.client().Transact(device, BuildRead(device.record, plan));
    if (!reply.ok)
        return session.Failed("read", reply);
    if (!DecodeRead(plan, reply)) {
        context.err << "read failed: the reply could not be decoded\n";
        return EXIT_FAILED;
    }
    Show(context, plan, reply);
    return EXIT_OK;
}

}  // namespace

std::vector<Command> ReadCommands()
{
    return {
        {"read", "TARGET OBJECT PROPERTY", "read one property (ReadProperty) and print it readably",
         "TARGET is HOST[:PORT]. OBJECT is TYPE:INSTANCE (AI:3, DV:1234, SC:1). PROPERTY is a\n"
         "library property name with an optional [index] and .key: PresentValue,\n"
         "ObjectName, Description, weekly-schedule, exception-schedule, effective-period,\n"
         "object-list, list-of-object-property-reference, protocol-object-types-supported,\n"
         "protocol-services-supported, priorityarray[8], localdate.year, or a number.\n"
         "Structured values are decoded by the library's property codecs; the others\n"
         "through the property catalogue and handed over as host values.\n",
         With(NetworkOptions(), {kJsonOption}), 3, 3, RunRead},
    };
}

}  // namespace tool
