// The client library past the local link: registered as a foreign device
// with a BBMD (broadcasts then go through it), devices found behind a
// router, a read through the router, a raw request, tags watched by change
// of value (polled where the device refuses a subscription), and a trend
// log read page by page.
//
//     client_beyond BBMD[:PORT]
#include <bacnetcodec/client/bacnetclient.h>

#include <iostream>

using namespace std::chrono_literals;

int main(int argc, char** argv)
{
    // README: begin foreign
    bacnet::ClientOptions options;
    options.m_bbmd = bacnet::Endpoint::Parse(argc > 1 ? argv[1] : "127.0.0.1:47808");
    options.m_foreignTtl = 60s;  // renewed every 30 s from Step and the blocking calls
    options.m_timeout = 500ms;
    auto link = bacnet::UdpLink::Open();
    bacnet::Client client(*link, options);
    auto registered = client.Register();
    std::cout << "foreign device: " << (registered ? "registered" : registered.failure().Text()) << '\n';
    // README: end foreign

    std::optional<bacnet::Device> routed, local;
    for (const bacnet::Device& d : client.Discover(1s)) {  // a Distribute-Broadcast-To-Network
        std::cout << "device " << d.m_deviceID.m_instance << " via " << d.m_endpoint.ToString();
        if (d.m_network)
            std::cout << ", network " << d.m_network << " MAC " << int(d.m_mac.at(0));
        std::cout << '\n';
        if (d.m_network && !routed)
            routed = d;
        if (!d.m_network && !local)
            local = d;
    }
    if (!routed || !local)
        return std::cerr << "no routed device, or none on the BBMD's network\n", 1;
    for (const bacnet::RouterInfo& r : client.Routers(1s))
        for (uint16_t network : r.m_networks)
            std::cout << "router " << r.m_endpoint.ToString() << " to network " << network << '\n';

    const bacnet::ObjectId zone(bacnet::ObjectType::AnalogInput, 1);
    auto value = client.ReadProperty(*routed, zone, bacnet::Property::PresentValue);
    std::cout << "through the router: " << (value ? value->ToString() : value.failure().Text()) << '\n';

    // ReadProperty device,<instance> object-name, as octets built by hand.
    const uint32_t word = routed->m_deviceID.Word();
    const uint8_t request[] = {0x0C, uint8_t(word >> 24), uint8_t(word >> 16), uint8_t(word >> 8), uint8_t(word),
                               0x19, 0x4D};
    bacnet::RawOutcome raw = client.Confirmed(*routed, 12, request);
    std::cout << "raw: " << (raw.m_reply ? std::to_string(raw.m_reply->size()) + " octets" : raw.m_reply.failure().Text())
              << " after " << raw.m_attempts << " attempt(s)\n";

    // Watched on the BBMD's own device: the first value is read, then each
    // change arrives as a notification.
    // README: begin watch
    bacnet::Poller poller(client, *local);
    poller.Bind(zone, bacnet::Property::PresentValue);
    poller.Bind(local->m_deviceID, bacnet::Property::ObjectName);
    std::cout << "watched by change of value: " << poller.Watch() << " of " << poller.Size() << " tag(s)\n";
    auto show = [&](const std::vector<bacnet::Poller::Change>& changes) {
        for (const auto& change : changes)
            std::cout << "tag " << change.m_tag << (poller.Watched(change.m_tag) ? " notified: " : " polled: ")
                      << (change.m_value ? change.m_value->ToString() : change.m_value.failure().Text()) << '\n';
    };
    if (auto changes = poller.Poll())
        show(*changes);
    for (int i = 0; i < 2; i++)
        show(poller.Changes(10s));
    // README: end watch

    auto records = client.ReadTrend(*local, bacnet::ObjectId(20, 1), 5);
    if (!records)
        std::cout << "trend log: " << records.failure().Text() << '\n';
    else
        for (const bacnet::LogRecord& r : *records)
            std::cout << int(r.m_time.m_hour) << ':' << int(r.m_time.m_minute) << ':' << int(r.m_time.m_second) << "  "
                      << (r.m_kind == bacnet::LogRecord::Kind::LogStatus ? "log status " + std::to_string(r.m_logStatus)
                                                                         : r.m_value.ToString())
                      << '\n';
    std::cout << "dropped: " << client.Stats().m_foreignReplies << " foreign replies, "
              << client.Stats().m_foreignNotifications << " foreign notifications\n";
    return 0;
}
