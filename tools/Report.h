// How the commands show devices: the record's own device texts and the
// address the device answers at.
#pragma once

#include <ostream>
#include <string>

#include "Client.h"
#include "Output.h"

namespace tool {

// "Device : 1234  max APDU 1476  segmentation both  vendor 260  127.0.0.1:47809"
std::string DeviceLine(Device& device);
void DeviceJson(JsonWriter& json, Device& device);
// Where the record says the device is: "local network", or "network 5, MAC 0A".
std::string NetworkText(const CBACnetOBJ& record);

}  // namespace tool
