// poll: the driver's polling loop, printing only the values that changed.
#include <chrono>
#include <thread>

#include "Command.h"
#include "Poller.h"

namespace tool {

namespace {

void PrintChanges(Context& context, Poller& poller, bool firstPoll)
{
    const bool json = context.args.Has("json");
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
        } else if (changed) {
            context.out << now << "  " << binding.name << " = " << ValueText(binding, value) << '\n';
        } else {
            context.out << now << "  " << binding.name << ": no value (the device reported a property access error)\n";
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

    bool allOk = true;
    for (long n = 0; count == 0 || n < count; n++) {
        if (n > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(interval));
        std::string failure;
        if (!poller.PollOnce(failure)) {
            context.err << Timestamp() << "  poll failed: " << failure << '\n';
            allOk = false;
        }
        PrintChanges(context, poller, n == 0);
    }
    return allOk ? EXIT_OK : EXIT_FAILED;
}

}  // namespace

std::vector<Command> PollCommands()
{
    return {
        {"poll", "TARGET TAG...", "poll tags with ReadPropertyMultiple and print the values that change",
         "Each TAG is OBJECT/PROPERTY with the library's names, bound as a host tag:\n"
         "AI:3/PresentValue, AO:1/priorityarray[8], DV:1234/localdate.year. Every\n"
         "--interval the tags are read in as many ReadPropertyMultiple requests as the\n"
         "device's max APDU needs (learnt from its I-Am, or --max-apdu), and each value\n"
         "that is new or changed is printed with a time stamp.\n",
         With(NetworkOptions(), {{"interval", "SECONDS", "time between polls (default 1)"},
                                 {"count", "N", "stop after N polls (default: poll until stopped)"},
                                 kJsonOption}),
         2, -1, RunPoll},
    };
}

}  // namespace tool
