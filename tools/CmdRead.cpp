// read: ReadProperty of any property of any object, printed through the
// generic value codec with the standard's names (schedules as tables through
// their property codecs); `all`, `required` and `optional` through
// ReadPropertyMultiple.
#include <strings.h>

#include "Command.h"
#include "PropertyAccess.h"
#include "PropertyValues.h"
#include "Values.h"

namespace tool {

namespace {

enum class Format { TEXT, JSON, CSV };

Format FormatOf(const Context& context)
{
    return context.args.Has("json") ? Format::JSON : context.args.Has("csv") ? Format::CSV : Format::TEXT;
}

std::string IndexText(const PropertyResult& r)
{
    return r.hasIndex ? "[" + std::to_string(r.index) + "]" : "";
}

// The schedules, the effective period and the reference list print
// through their property codecs (tables, "2025-01-01 to 2099-12-31").
bool PrintedByCodec(const PropertyResult& r)
{
    return (r.property == 123 || r.property == 38 || r.property == 32 || r.property == 54) &&
           (!r.hasIndex || r.index < 255);
}

// Text: "analog-input:1 present-value = 21.5", a list one element a line.
void PrintResult(std::ostream& out, const PropertyResult& r, const unsigned char* reply, int end)
{
    const std::string heading = ObjectText(r.object) + " " + PropertyName(r.property) + IndexText(r);
    const ValueContext where{r.object.m_type, r.property};
    if (r.failed) {
        out << heading << ": error " << ErrorText(r.errorClass, r.errorCode) << '\n';
        return;
    }
    if (reply && r.valueAt >= 0 && PrintedByCodec(r)) {
        std::unique_ptr<PropertyValue> table = MakePropertyValue(static_cast<unsigned>(r.property));
        CBACnetPropertyID& codec = table->Codec();
        codec.m_arrayIndex = static_cast<unsigned char>(r.hasIndex ? r.index : unsigned(CBACnetPropertyID::NO_ARRAY_INDEX));
        int len = r.valueAt;
        if (codec.ReadFrame(const_cast<unsigned char*>(reply), len, end)) {
            out << heading << (table->Table() ? ":\n" : " = ");
            table->Print(out);
            return;
        }
    }
    if (r.values.size() == 1) {
        out << heading << " = " << ValueText(r.values[0], where) << '\n';
        return;
    }
    out << heading << ": " << r.values.size() << (r.values.size() == 1 ? " value\n" : " values\n");
    for (size_t i = 0; i < r.values.size(); i++)
        out << "  [" << i + 1 << "] " << ValueText(r.values[i], where) << '\n';
}

// `segments` >= 0: the reply's segment count as a member too.
void ResultJson(JsonWriter& json, const PropertyResult& r, int segments = -1)
{
    json.BeginObject().Member("object", ObjectText(r.object)).Member("property", PropertyName(r.property));
    json.Member("propertyNumber", static_cast<long long>(r.property)).Key("index");
    if (r.hasIndex)
        json.Integer(static_cast<long long>(r.index));
    else
        json.Null();
    if (r.failed) {
        json.Key("error")
            .BeginObject()
            .Member("kind", "error")
            .Member("class", BACnetEnumText(BACNET_ENUM_ERROR_CLASS, r.errorClass))
            .Member("classNumber", r.errorClass)
            .Member("code", BACnetEnumText(BACNET_ENUM_ERROR_CODE, r.errorCode))
            .Member("codeNumber", r.errorCode)
            .EndObject();
    } else {
        const ValueContext where{r.object.m_type, r.property};
        json.Key("values").BeginArray();
        for (const CBACnetValue& v : r.values)
            ValueJson(json, v, where);
        json.EndArray();
    }
    if (segments >= 0)
        json.Member("segments", segments);
    json.EndObject();
}

// CSV: object,property,index,element,value, one row per element.
void CsvRows(std::ostream& out, const PropertyResult& r)
{
    const std::string lead = ObjectText(r.object) + "," + PropertyName(r.property) + "," +
                             (r.hasIndex ? std::to_string(r.index) : std::string()) + ",";
    if (r.failed) {
        out << lead << ",error " << CsvCell(ErrorText(r.errorClass, r.errorCode)) << '\n';
        return;
    }
    const ValueContext where{r.object.m_type, r.property};
    for (size_t i = 0; i < r.values.size(); i++)
        out << lead << (r.values.size() > 1 ? std::to_string(i + 1) : std::string()) << ','
            << CsvCell(PlainValueText(r.values[i], where)) << '\n';
}

void Show(Context& context, const std::vector<PropertyResult>& results, Reply& reply, bool multiple)
{
    switch (FormatOf(context)) {
    case Format::JSON: {
        JsonWriter json(context.out);
        if (multiple) {
            json.BeginObject().Key("results").BeginArray();
            for (const PropertyResult& r : results)
                ResultJson(json, r);
            json.EndArray().Member("segments", reply.segments).EndObject();
        } else {
            ResultJson(json, results[0], reply.segments);
        }
        context.out << '\n';
        break;
    }
    case Format::CSV:
        context.out << "object,property,index,element,value\n";
        for (const PropertyResult& r : results)
            CsvRows(context.out, r);
        break;
    case Format::TEXT:
        for (const PropertyResult& r : results)
            PrintResult(context.out, r, multiple ? nullptr : reply.Data(), reply.Length());
        if (reply.segments)
            context.out << "(the reply came in " << reply.segments << " segments"
                        << (reply.naks ? ", " + std::to_string(reply.naks) + " asked for again" : std::string())
                        << ")\n";
        break;
    }
}

bool MultipleWord(const std::string& word, unsigned long& property)
{
    if (strcasecmp(word.c_str(), "all") == 0)
        property = PROPERTY_ALL;
    else if (strcasecmp(word.c_str(), "required") == 0)
        property = PROPERTY_REQUIRED;
    else if (strcasecmp(word.c_str(), "optional") == 0)
        property = PROPERTY_OPTIONAL;
    else
        return false;
    return true;
}

int RunRead(Context& context)
{
    Session session(context);
    const std::vector<std::string>& p = context.args.positional;
    std::string error;
    PropertyResult asked;
    PropertyRef property;
    unsigned long group = 0;
    const bool multiple = MultipleWord(p[2], group);
    if (!ParseObject(p[1], asked.object, &error) || (!multiple && !ParseProperty(p[2], property, &error)))
        return session.Usage(error);
    if (!property.key.empty())
        return session.Usage("'." + property.key + "' picks a part of a value for a host tag; use it with poll");
    if (int rc = session.Open())
        return rc;
    Device device;
    if (int rc = session.OpenDevice(p[0], device, false))
        return rc;
    const Request request = multiple ? BuildReadMultipleRequest(device.record, asked.object, {group})
                                     : BuildReadRequest(device.record, asked.object, property);
    Reply reply = session.client().Transact(device, request);
    if (!reply.ok)
        return session.Failed("read", reply);
    std::vector<PropertyResult> results;
    std::string why;
    bool decoded;
    if (multiple) {
        decoded = ReadMultipleAck(reply.Data(), reply.Length(), results, why);
        for (const PropertyResult& r : results)
            if (decoded && r.object.GetValue() != asked.object.GetValue()) {
                why = "the reply is for " + ObjectText(r.object) + ", not what was asked";
                decoded = false;
            }
    } else {
        asked.property = static_cast<unsigned long>(property.id);
        asked.hasIndex = property.hasIndex;
        asked.index = property.index;
        results.resize(1);
        decoded = ReadPropertyAck(reply.Data(), reply.Length(), results[0], why) && Matches(asked, results[0], why);
    }
    if (!decoded) {
        context.err << "read failed: the reply is refused: " << why << '\n';
        return EXIT_FAILED;
    }
    Show(context, results, reply, multiple);
    return EXIT_OK;
}

}  // namespace

std::vector<Command> ReadCommands()
{
    return {
        {"read", "TARGET OBJECT PROPERTY", "read one property (ReadProperty), or all of an object's",
         "TARGET is HOST[:PORT]. OBJECT is TYPE:INSTANCE or TYPE,INSTANCE, the type by the\n"
         "standard's name (analog-input), a short name (AI) or its number (0:1).\n"
         "PROPERTY is a standard name (present-value), a library catalogue name\n"
         "(PresentValue) or a number up to 4194303, with an optional [index]; without\n"
         "an index an array is read whole. `all`, `required` or `optional` read that\n"
         "set of the object's properties with ReadPropertyMultiple.\n"
         "Values print with the standard's names; the schedules print as tables.\n",
         With(NetworkOptions(), {kJsonOption, kCsvOption}), 3, 3, RunRead},
    };
}

}  // namespace tool
