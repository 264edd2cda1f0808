// The simulated device and a client on one in-memory network: no socket, no
// thread, no waiting. Tests are built this way.
#include <bacnetcodec/client/bacnetclient.h>

#include <iostream>

#include "sim/SimDevice.h"

int main()
{
    using namespace std::chrono_literals;
    // README: begin memory
    bacnet::MemoryNetwork net;
    SimDevice device(net, bacnet::Endpoint::Loopback(47808), SimOptions());
    bacnet::MemoryLink link(net, bacnet::Endpoint::Loopback(40000));
    bacnet::Client client(link);                 // reads, writes, discovery: all in memory
    // README: end memory
    auto found = client.FindDevice(bacnet::Endpoint::Loopback(47808), 1s);
    if (!found)
        return std::cerr << "no device: " << found.failure().Text() << '\n', 1;
    auto value = client.ReadProperty(*found, {bacnet::ObjectType::AnalogValue, 1}, bacnet::Property::ObjectName);
    if (!value)
        return std::cerr << "no value: " << value.failure().Text() << '\n', 1;
    std::cout << "device " << found->m_deviceID.m_instance << ": analog-value 1 is " << value->ToString() << '\n';
    return 0;
}
