// watch: change-of-value subscriptions, each notification printed as it
// arrives; polling only for an object whose subscription the device refused.
#include "Command.h"
#include "Values.h"

namespace tool {

namespace {

struct Watched {
    _BACnetObjectID object;
    bacnet::ObjectId id;
    std::optional<bacnet::SubscriptionId> subscription;  // none: polled
    std::optional<bacnet::Value> last;                  // polled: the value last printed
};

void Print(Context& context, const Watched& w, const std::vector<bacnet::PropertyValue>& values, const char* how)
{
    const std::string now = Timestamp();
    if (context.args.Has("json")) {
        JsonWriter json(context.out);
        json.BeginObject().Member("time", now).Member("object", ObjectText(w.object.GetValue())).Member("by", how);
        for (const bacnet::PropertyValue& v : values) {
            json.Key(PropertyName(v.m_propertyID));
            ClientValueJson(json, v.m_value, {w.object.m_type, v.m_propertyID});
        }
        json.EndObject();
        context.out << '\n';
        return;
    }
    context.out << now << "  " << ObjectText(w.object.GetValue());
    for (const bacnet::PropertyValue& v : values)
        context.out << "  " << PropertyName(v.m_propertyID) << " = " << ClientValueText(v.m_value, {w.object.m_type, v.m_propertyID});
    context.out << (*how == 'p' ? "  (polled)\n" : "\n");
}

int RunWatch(Context& context)
{
    Session session(context);
    if (int rc = session.Open())
        return rc;
    std::string error;
    long lifetime, count, interval;
    if (!context.args.GetInt("lifetime", 300, 0, 86400, lifetime, error) ||
        !context.args.GetInt("count", 0, 0, 1000000, count, error) ||
        !context.args.GetMillis("interval", 1, interval, error))
        return session.Usage(error);
    std::vector<Watched> watched;
    for (size_t i = 1; i < context.args.positional.size(); i++) {
        Watched w;
        if (!ParseObject(context.args.positional[i], w.object, &error))
            return session.Usage(error);
        w.id = bacnet::ObjectId(static_cast<uint16_t>(w.object.m_type), w.object.m_instance);
        watched.push_back(w);
    }
    Device device;
    if (int rc = session.OpenDevice(context.args.positional[0], device, false))
        return rc;
    Client& client = session.client();
    bacnet::Client& api = client.Api();
    const bacnet::Device peer = device.Peer();

    bacnet::CovOptions options;
    options.m_confirmed = context.args.Has("confirmed");
    options.m_lifetime = std::chrono::seconds(lifetime);
    for (Watched& w : watched) {
        const bacnet::Result<bacnet::SubscriptionId> id = api.Subscribe(peer, w.id, options);
        if (id)
            w.subscription = *id;
        else
            context.err << "note: " << ObjectText(w.object.GetValue()) << " is not subscribed ("
                        << FailureText(id.failure()) << "); polling its present value every " << interval / 1000.0 << " s\n";
    }

    long printed = 0;
    bacnet::Clock::time_point nextPoll = client.Link().Now();
    while (count == 0 || printed < count) {
        bool polledAny = false;
        for (Watched& w : watched) {
            if (w.subscription) {
                for (const bacnet::CovNotification& n : api.TakeNotifications(*w.subscription))
                    if (count == 0 || printed < count) {
                        Print(context, w, n.m_values, n.m_confirmed ? "confirmed" : "unconfirmed");
                        printed++;
                    }
                continue;
            }
            if (client.Link().Now() < nextPoll)
                continue;
            polledAny = true;
            bacnet::Result<bacnet::Value> v = api.ReadProperty(peer, w.id, bacnet::Property::PresentValue);
            if (v && (!w.last || *w.last != *v) && (count == 0 || printed < count)) {
                w.last = *v;
                Print(context, w, {bacnet::PropertyValue{bacnet::Property::PresentValue, bacnet::kNoIndex, *v, 0}},
                      "polled");
                printed++;
            }
        }
        if (polledAny)
            nextPoll = client.Link().Now() + std::chrono::milliseconds(interval);
        if (count != 0 && printed >= count)
            break;
        // Wait for what comes, the renewals and the next poll included.
        bacnet::Clock::time_point until = client.Link().Now() + std::chrono::milliseconds(200);
        if (const auto wake = api.NextWake())
            until = std::min(until, *wake);
        api.Step(until > client.Link().Now() ? until - client.Link().Now() : bacnet::Clock::duration());
    }
    for (Watched& w : watched)
        if (w.subscription)
            api.Unsubscribe(*w.subscription);
    return EXIT_OK;
}

}  // namespace

std::vector<Command> WatchCommands()
{
    return {
        {"watch", "TARGET OBJECT...", "print changes of value as the device sends them (SubscribeCOV)",
         "Subscribes to each OBJECT (e.g. AI:1) and prints every notification as it\n"
         "arrives: the time, the object and the values it reports (present value and\n"
         "status flags). The subscription is renewed halfway through --lifetime and\n"
         "cancelled at the end. An object whose subscription the device refuses has\n"
         "its present value read every --interval instead, and printed when it\n"
         "changes, marked (polled). Runs until Ctrl-C, or --count lines.\n",
         With(NetworkOptions(), {{"lifetime", "SECONDS", "subscription lifetime (default 300; 0: none)"},
                                 {"confirmed", "", "ask for confirmed notifications (acknowledged)"},
                                 {"count", "N", "stop after N lines (default: never)"},
                                 {"interval", "SECONDS", "polling period where not subscribed (default 1)"},
                                 kJsonOption}),
         2, -1, RunWatch},
    };
}

}  // namespace tool
