// The client library in a few lines: find a device, read a present value,
// write it with a priority, poll it. Start `bacnet-tool simulate` first, or
// name another device: ./client_read [HOST:PORT]
#include <bacnetcodec/client/bacnetclient.h>

#include <iostream>

int main(int argc, char** argv)
{
    using namespace std::chrono_literals;
    auto link = bacnet::UdpLink::Open();  // an ephemeral port
    bacnet::Client client(*link);
    auto device = client.FindDevice(*bacnet::Endpoint::Parse(argc > 1 ? argv[1] : "127.0.0.1:47809"), 2s);
    if (!device)
        return std::cerr << "no device: " << device.failure().Text() << '\n', 1;
    const bacnet::ObjectId valve(bacnet::ObjectType::AnalogOutput, 1);
    auto value = client.ReadProperty(*device, valve, bacnet::Property::PresentValue);
    std::cout << "device " << device->m_deviceID.m_instance << ", present value "
              << (value ? value->ToString() : value.failure().Text()) << '\n';
    auto written = client.WriteProperty(*device, valve, bacnet::Property::PresentValue, 42.5f, 8);
    std::cout << "write at priority 8: " << (written ? "done" : written.failure().Text()) << '\n';
    bacnet::Poller poller(client, *device);
    poller.Bind(valve, bacnet::Property::PresentValue);
    for (const auto& change : poller.Poll().value())
        std::cout << "polled: " << change.m_value->ToString() << '\n';
}
