// The client library in a few lines: find a device, read a present value,
// write it with a priority, poll it. Start `bacnet-tool simulate` first, or
// name another device: ./client_read [HOST:PORT]
#include <bacnetcodec/client/bacnetclient.h>

#include <iostream>

int main(int argc, char** argv)
{
    using namespace std::chrono_literals;
    // README: begin client
    auto link = bacnet::UdpLink::Open();  // an ephemeral port
    bacnet::Client client(*link);
    auto device = client.FindDevice(*bacnet::Endpoint::Parse(argc > 1 ? argv[1] : "127.0.0.1:47809"), 2s);
    if (!device)
        return std::cerr << "no device: " << device.failure().Text() << '\n', 1;
    const bacnet::ObjectId setpoint(bacnet::ObjectType::AnalogValue, 1);
    auto value = client.ReadProperty(*device, setpoint, bacnet::Property::PresentValue);
    std::cout << "device " << device->m_deviceID.m_instance << ", present value "
              << (value ? value->ToString() : value.failure().Text()) << '\n';
    auto written = client.WriteProperty(*device, setpoint, bacnet::Property::PresentValue, 42.5f, 8);
    std::cout << "write at priority 8: " << (written ? "done" : written.failure().Text()) << '\n';
    bacnet::Poller poller(client, *device);
    poller.Bind(setpoint, bacnet::Property::PresentValue);
    auto changes = poller.Poll();
    if (!changes)
        return std::cerr << "poll failed: " << changes.failure().Text() << '\n', 1;
    for (const auto& change : *changes)
        std::cout << "polled: " << (change.m_value ? change.m_value->ToString() : change.m_value.failure().Text())
                  << '\n';
    return value && written ? 0 : 1;
    // README: end client
}
