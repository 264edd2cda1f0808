// A remote BACnet device as the client knows it: what its I-Am said and
// where it answers.
#pragma once

#include <cstdint>
#include <string>

#include "client/Bytes.h"
#include "client/Endpoint.h"
#include "client/Value.h"

namespace bacnet {

enum class Segmentation : uint8_t { Both = 0, Transmit = 1, Receive = 2, None = 3 };

struct Device {
    ObjectId m_deviceID{ObjectType::Device, 0};
    Endpoint m_endpoint;           // the UDP endpoint it (or its router) answers from
    uint16_t m_maxApdu = 480;      // the largest request it takes, in octets
    Segmentation m_segmentation = Segmentation::None;
    uint16_t m_vendorID = 0;
    // Behind a router: the device's network number and MAC address there.
    // 0 and empty for a device on the client's own network.
    uint16_t m_network = 0;
    Bytes m_mac;

    // A device known only by where it is; its I-Am fills in the rest.
    static Device At(const Endpoint& endpoint, uint32_t instance = 0)
    {
        Device d;
        d.m_endpoint = endpoint;
        d.m_deviceID.m_instance = instance;
        return d;
    }
};

// An object found by Who-Has.
struct ObjectHolder {
    ObjectId m_deviceID;
    ObjectId m_objectID;
    std::string m_objectName;  // UTF-8
    Endpoint m_from;
};

}  // namespace bacnet
