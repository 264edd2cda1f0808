#include "Report.h"

#include "Names.h"

namespace tool {

std::string NetworkText(const CBACnetOBJ& record)
{
    const CBACnetNPCI_DATA& a = record.m_address;
    if (a.m_macLength == 0)
        return "local network";
    return "network " + std::to_string(a.m_network[0] << 8 | a.m_network[1]) + ", MAC " +
           HexOctets(a.m_mac, a.m_macLength);
}

std::string DeviceLine(Device& device)
{
    CString text;
    device.record.GetDeviceInfoText(text);
    std::string line = Utf8(text) + "  max APDU " + std::to_string(device.record.m_maxAPDU) + "  segmentation " +
                       SegmentationName(device.record.m_segmentation) + "  vendor " +
                       std::to_string(device.vendorID) + "  " + device.endpoint.ToString();
    if (device.record.m_address.m_macLength != 0)
        line += " (" + NetworkText(device.record) + ")";
    return line;
}

void DeviceJson(JsonWriter& json, Device& device)
{
    CString text;
    device.record.GetDeviceText(text);
    json.BeginObject()
        .Member("device", Utf8(text))
        .Member("instance", unsigned(device.record.m_objectID.m_instance))
        .Member("maxApdu", unsigned(device.record.m_maxAPDU))
        .Member("segmentation", SegmentationName(device.record.m_segmentation))
        .Member("vendor", unsigned(device.vendorID))
        .Member("address", device.endpoint.ToString())
        .Member("network", NetworkText(device.record))
        .EndObject();
}

}  // namespace tool
