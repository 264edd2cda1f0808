// poll: the driver's polling loop, printing only the values that changed.
#include <chrono>
#include <thread>

#include "Command.h"
#include "Poller.h"

namespace tool {

namespace {

void PrintChanges(Context& context, Poller& poller, bool firstPoll, bool pollFailed)
{
    const bool json = context.args.Has("json");
    const bool csv = context.args.Has("csv");
    const std::string now = Timestamp();
    for (Binding& binding : poller.Bindings()) {
        CTagVal value;
        const bool changed = TakeValue(binding, value);
        // After the first poll, a tag that got nothing was answered with a
        // property access error (or not at all): say so once.
        const bool missing = !changed && firstPoll && !binding.delivered;
        if (!changed && !missing)
            continue;
        if (json) {
            JsonWriter out(context.out);
            out.BeginObject().Member("time", now).Member("tag", binding.name);
            if (changed) {
                out.Key("value");
                ValueJson(out, binding, value);
            } else {
                out.Member("error", "no value");
            }
            out.EndObject();
            context.out << '\n';
        } else if (csv) {
            context.out << now << ',' << CsvCell(binding.name) << ','
                        << (changed ? CsvCell(ValueText(binding, value)) + "," : ",no value") << '\n';
        } else if (changed) {
            context.out << now << "  " << binding.name << " = " << ValueText(binding, value) << '\n';
        } else {
            context.out << now << "  " << binding.name
                        << (pollFailed ? ": no value (the poll failed)\n"
                                       : ": no value (the device reported a property access error)\n");
        }
    }
    context.out.flush();
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
    for (size_t i = 1; i < context.args.positional.size(); i++)
        if (!poller.Add(context.args.positional[i], error))
            return session.Usage(error);

    if (context.args.Has("csv"))
        context.out << "time,tag,value,error\n";
    bool allOk = true;
    for (long n = 0; count == 0 || n < count; n++) {
        if (n > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(interval));
        Reply failed;
        const bool polled = poller.PollOnce(failed);
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
         "AI:3/present-value, AO:1/priority-array[8], DV:1234/local-date.year. Every\n"
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
