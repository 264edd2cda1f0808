// poll: the driver's polling loop, printing only the values that changed.
#include <chrono>
#include <thread>

#include <functional>

#include "Command.h"
#include "Poller.h"
#include "PropertyAccess.h"
#include "Values.h"

namespace tool {

namespace {

// One line of output for a tag: its new value, or why it has none.
struct TagLine {
    const std::string& name;
    bool changed;
    std::string text;                            // the value, when changed
    std::function<void(JsonWriter&)> json;       // the value as JSON, when changed
    std::string missing;                         // why there is no value
};

void PrintLine(Context& context, const std::string& now, const TagLine& line)
{
    if (context.args.Has("json")) {
        JsonWriter out(context.out);
        out.BeginObject().Member("time", now).Member("tag", line.name);
        if (line.changed) {
            out.Key("value");
            line.json(out);
        } else {
            out.Member("error", line.missing);
        }
        out.EndObject();
        context.out << '\n';
    } else if (context.args.Has("csv")) {
        context.out << now << ',' << CsvCell(line.name) << ','
                    << (line.changed ? CsvCell(line.text) + "," : "," + CsvCell(line.missing)) << '\n';
    } else if (line.changed) {
        context.out << now << "  " << line.name << " = " << line.text << '\n';
    } else {
        context.out << now << "  " << line.name << ": no value (" << line.missing << ")\n";
    }
}

// Why a tag got no value from this poll, as the library recorded it.
std::string MissingText(const CBACnetObjTypes& p, bool pollFailed)
{
    if (pollFailed)
        return "the poll failed";
    if (p.m_result == CBACnetObjTypes::RESULT_REFUSED)
        return std::string("its result is refused: ") + CBACnetTag::RefusalName(p.m_refusal);
    if (p.m_result == CBACnetObjTypes::RESULT_ACCESS_ERROR && p.m_errorClass >= 0)
        return "error " + ErrorText(static_cast<unsigned>(p.m_errorClass), static_cast<unsigned>(p.m_errorCode));
    return "the device reported a property access error";
}

void PrintChanges(Context& context, Poller& poller, bool firstPoll, bool pollFailed)
{
    const std::string now = Timestamp();
    for (Binding& binding : poller.Bindings()) {
        CTagVal value;
        const bool changed = TakeValue(binding, value);
        // After the first poll, a tag that got nothing was answered with a
        // property access error (or not at all): say so once. A result the
        // library refused is said on every poll: the value held is stale.
        const bool refused = !pollFailed && binding.property->m_result == CBACnetObjTypes::RESULT_REFUSED;
        const bool missing = !changed && ((firstPoll && !binding.delivered) || refused);
        if (!changed && !missing)
            continue;
        PrintLine(context, now,
                  {binding.name, changed, changed ? ValueText(binding, value) : std::string(),
                   [&](JsonWriter& json) { ValueJson(json, binding, value); },
                   MissingText(*binding.property, pollFailed)});
    }
    context.out.flush();
}

// A tag the library catalogue cannot bind (an object type or property it
// does not know) is read with a ReadProperty of its own on every poll.
struct GenericTag {
    std::string name;
    _BACnetObjectID object;
    PropertyRef property;
    std::string last;
    bool delivered = false;
};

bool ParseGenericTag(const std::string& tag, GenericTag& out)
{
    const size_t slash = tag.find('/');
    out.name = tag;
    return slash != std::string::npos && ParseObject(tag.substr(0, slash), out.object, nullptr) &&
           ParseProperty(tag.substr(slash + 1), out.property, nullptr) && out.property.key.empty();
}

// False when a request failed (no answer, or a Reject or Abort).
bool PollGeneric(Context& context, Session& session, Device& device, std::vector<GenericTag>& tags, bool firstPoll,
                 Reply& failed)
{
    bool ok = true;
    const std::string now = Timestamp();
    for (GenericTag& tag : tags) {
        Reply reply = session.client().Transact(device, BuildReadRequest(device.record, tag.object, tag.property));
        PropertyResult result;
        std::string why;
        PropertyResult asked;
        asked.object = tag.object;
        asked.property = static_cast<unsigned long>(tag.property.id);
        asked.hasIndex = tag.property.hasIndex;
        asked.index = tag.property.index;
        if (reply.ok && ReadPropertyAck(reply.Data(), reply.Length(), result, why) && Matches(asked, result, why)) {
            const ValueContext where{tag.object.m_type, static_cast<unsigned long>(tag.property.id)};
            std::string text;
            for (size_t i = 0; i < result.values.size(); i++)
                text += (i ? ", " : "") + ValueText(result.values[i], where);
            if (result.values.size() != 1)
                text = "[" + text + "]";
            if (tag.delivered && text == tag.last)
                continue;
            tag.last = text;
            tag.delivered = true;
            PrintLine(context, now, {tag.name, true, text, [&](JsonWriter& json) {
                          if (result.values.size() == 1) {
                              ValueJson(json, result.values[0], where);
                              return;
                          }
                          json.BeginArray();
                          for (const CBACnetValue& v : result.values)
                              ValueJson(json, v, where);
                          json.EndArray();
                      }, ""});
            continue;
        }
        if (!reply.ok && reply.failureKind != "error") {
            failed = reply;
            ok = false;
        }
        if (firstPoll && !tag.delivered)
            PrintLine(context, now, {tag.name, false, "", nullptr,
                                     reply.ok ? "the reply is refused: " + why : reply.failure});
    }
    context.out.flush();
    return ok;
}

int RunPoll(Context& context)
{
    Session session(context);
    if (int rc = session.Open())
        return rc;
    std::string error;
    long count, interval;
    if (!context.args.GetInt("count", 0, 0, 1000000, count, error) ||
        !context.args.GetMillis("interval", 1, interval, error))
        return session.Usage(error);
    Device device;
    if (int rc = session.OpenDevice(context.args.positional[0], device, !context.args.Has("max-apdu")))
        return rc;
    Poller poller(session.client(), device);
    std::vector<GenericTag> generic;
    for (size_t i = 1; i < context.args.positional.size(); i++) {
        GenericTag tag;
        if (poller.Add(context.args.positional[i], error))
            continue;
        if (!ParseGenericTag(context.args.positional[i], tag))
            return session.Usage(error);
        generic.push_back(tag);
    }

    if (context.args.Has("csv"))
        context.out << "time,tag,value,error\n";
    bool allOk = true;
    for (long n = 0; count == 0 || n < count; n++) {
        if (n > 0)
            session.client().Wait(static_cast<int>(interval));
        Reply failed;
        // Both reads run every cycle, even when the first failed.
        const bool bound = poller.Bindings().empty() || poller.PollOnce(failed);
        const bool generics = PollGeneric(context, session, device, generic, n == 0, failed);
        const bool polled = bound && generics;
        if (!polled) {
            if (context.args.Has("json")) {
                JsonWriter json(context.out);
                json.BeginObject().Member("time", Timestamp()).Key("error");
                FailureJson(json, failed);
                json.EndObject();
                context.out << '\n';
            }
            context.err << Timestamp() << "  poll failed: " << failed.failure << '\n';
            allOk = false;
        }
        PrintChanges(context, poller, n == 0, !polled);
    }
    bool anyValue = false;
    for (const Binding& binding : poller.Bindings())
        anyValue = anyValue || binding.delivered;
    for (const GenericTag& tag : generic)
        anyValue = anyValue || tag.delivered;
    if (!anyValue)
        context.err << "poll: no tag got a value\n";
    return allOk && anyValue ? EXIT_OK : EXIT_FAILED;
}

}  // namespace

std::vector<Command> PollCommands()
{
    return {
        {"poll", "TARGET TAG...", "poll tags with ReadPropertyMultiple and print the values that change",
         "Each TAG is OBJECT/PROPERTY bound as a host tag through the library catalogue:\n"
         "AI:3/present-value, AO:1/priority-array[8], DV:1234/local-date.year; a tag the\n"
         "catalogue does not know (MV:1/present-value) is read with ReadProperty. Every\n"
         "--interval the tags are read in as many ReadPropertyMultiple requests as the\n"
         "device's max APDU needs (learnt from its I-Am, or --max-apdu), and each value\n"
         "that is new or changed is printed with a time stamp. --json prints one JSON\n"
         "document per line. The exit status is 1 when a request failed or no tag got a value.\n",
         With(NetworkOptions(), {{"interval", "SECONDS", "time between polls (default 1)"},
                                 {"count", "N", "stop after N polls (default: poll until stopped)"},
                                 kJsonOption, kCsvOption}),
         2, -1, RunPoll},
    };
}

}  // namespace tool
