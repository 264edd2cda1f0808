// ReadProperty: the acknowledgement checked against its request, and what
// the encoders keep between calls: a device's request header octets follow
// every change of the fields they come from.
#include <gtest/gtest.h>

#include <functional>

#include "Devices.h"
#include "Hex.h"
#include "frame/Tag.h"
#include "property/PropertyID.h"
#include "service/CreateObjService.h"
#include "service/ReadPropertyService.h"

namespace {

CBACnetPropertyID Property(DWORD objectID, unsigned char propertyID, unsigned char index)
{
    CBACnetPropertyID prop;
    prop.m_objectID = _BACnetObjectID(objectID >> 22, objectID & 0x3FFFFF);
    prop.m_propertyID = propertyID;
    prop.m_arrayIndex = index;
    return prop;
}

// The request names analog input 3 (or device 1001's object list), and the
// reply must answer for exactly that; what is refused leaves the request's
// identifiers, and every cut of a good reply is refused.
TEST(ReadProperty, AcknowledgementFields)
{
    const struct {
        const char* name;
        unsigned char requestedIndex;
        const char* params;
        int result;
        int consumed;  // octets up to the value's opening tag, or to the failure
        DWORD objectID;
        unsigned char propertyID, arrayIndex;
    } cases[] = {
        {"present value", 255, "0C 00 00 00 03 19 55 3E 44 3F 80 00 00 3F", 1, 7, 3, 85, 255},
        {"array element", 1, "0C 02 00 03 E9 19 4C 29 01 3E C4 00 00 00 01 3F", 1, 9, 0x020003E9, 76, 1},
        {"index 0", 0, "0C 02 00 03 E9 19 4C 29 00 3E 21 05 3F", 1, 9, 0x020003E9, 76, 0},
        {"two-octet property", 255, "0C 00 00 00 03 1A 01 00 3E", 0, 6, 3, 85, 255},
        {"five-octet identifier", 255, "0D 05 00 00 00 00 03 19 55 3E", 0, 2, 3, 85, 255},
        {"another object", 255, "0C 00 00 00 01 19 55 3E 44 42 C6 00 00 3F", 0, 7, 3, 85, 255},
        {"another property", 255, "0C 00 00 00 03 19 4D 3E 71 00 3F", 0, 7, 3, 85, 255},
        {"another index", 1, "0C 02 00 03 E9 19 4C 29 02 3E C4 00 00 00 01 3F", 0, 9, 0x020003E9, 76, 1},
        {"an index not asked for", 255, "0C 00 00 00 03 19 55 29 00 3E 21 05 3F", 0, 7, 3, 85, 255},
    };
    for (const auto& c : cases) {
        Received frame(c.params);
        CBACnetPropertyID prop = Property(c.objectID, c.propertyID, c.requestedIndex);
        int len = 0;
        EXPECT_EQ(CBACnetReadPropertyService().ReadFrame(frame.buf(), len, frame.end(), &prop), c.result) << c.name;
        EXPECT_EQ(len, c.consumed) << c.name;
        EXPECT_EQ(prop.m_objectID.GetValue(), c.objectID) << c.name;
        EXPECT_EQ(prop.m_propertyID, c.propertyID) << c.name;
        EXPECT_EQ(prop.m_arrayIndex, c.arrayIndex) << c.name;
        EXPECT_EQ(prop.m_refusal != CBACnetTag::REFUSAL_NONE, c.result == 0) << c.name;
        if (!c.result)
            continue;
        const std::vector<unsigned char> whole = Hex(c.params);
        EXPECT_EQ(CutsTaken(std::vector<unsigned char>(whole.begin(), whole.begin() + c.consumed),
                            [&](unsigned char* buf, int& len, int end) {
                                CBACnetPropertyID cut = Property(0, 77, c.requestedIndex);
                                return CBACnetReadPropertyService().ReadFrame(buf, len, end, &cut);
                            }),
                  "")
            << c.name;
    }
}

void SetLocal(CBACnetOBJ& device)
{
    device.m_address.m_network[0] = device.m_address.m_network[1] = 0xFF;
    device.m_address.m_macLength = 0;
}

// The request's octets up to the invoke ID.
std::string Header(CBACnetReadPropertyService& service, CBACnetOBJ& device)
{
    CBACnetPropertyID property;
    property.m_objectID = _BACnetObjectID(0, 3);
    unsigned char buf[128];
    int len = 0;
    service.MakeFrame(buf, len, &device, &property);
    const std::string all = ToHex(buf, len);
    EXPECT_EQ(all.substr(all.size() - 24), " 0C 0C 00 00 00 03 19 55");
    return all.substr(0, all.size() - 24);
}

// One device and one service object through a run of changes to the
// device's address and max APDU: each request carries the device as it is
// at that call.
TEST(RequestHeaderCache, FollowsTheDeviceAcrossCalls)
{
    InvokeIDScope scope(0);
    CBACnetOBJ device = LocalDevice();
    CBACnetReadPropertyService service;
    const struct {
        const char* name;
        std::function<void(CBACnetOBJ&)> change;
        const char* header;  // up to the invoke ID
        unsigned char dlen;  // of the service's network header afterwards
    } steps[] = {
        {"local, 1400", [](CBACnetOBJ&) {}, "01 04 02 05", 0},
        {"max APDU 480", [](CBACnetOBJ& d) { d.m_maxAPDU = 480; }, "01 04 02 03", 0},
        {"routed, one-octet MAC", [](CBACnetOBJ& d) { d = RoutedDevice(5, {0x0A}, 50); }, "01 24 00 05 01 0A FF 02 00",
         1},
        {"another MAC octet", [](CBACnetOBJ& d) { d.m_address.m_mac[0] = 0x0B; }, "01 24 00 05 01 0B FF 02 00", 1},
        {"another network, low octet", [](CBACnetOBJ& d) { d.m_address.m_network[1] = 0x09; },
         "01 24 00 09 01 0B FF 02 00", 1},
        {"six-octet MAC, 1476", [](CBACnetOBJ& d) { d = RoutedDevice(6, {127, 0, 0, 1, 0xBA, 0xC0}); },
         "01 24 00 06 06 7F 00 00 01 BA C0 FF 02 05", 6},
        {"back on the local network", [](CBACnetOBJ& d) { SetLocal(d); }, "01 04 02 05", 0},
        // Above the accepted length the address is not taken: no destination.
        {"MAC length 24", [](CBACnetOBJ& d) { d = RoutedDevice(7, std::vector<unsigned char>(24, 0x11)); },
         "01 04 02 05", 0},
        {"max APDU 1024", [](CBACnetOBJ& d) { SetLocal(d); d.m_maxAPDU = 1024; }, "01 04 02 04", 0},
    };
    unsigned char id = 0;
    for (const auto& step : steps) {
        step.change(device);
        EXPECT_EQ(Header(service, device), std::string(step.header) + " " + ToHex(&++id, 1)) << step.name;
        EXPECT_EQ(service.m_networkHeader.m_dlen, step.dlen) << step.name;
        EXPECT_EQ(service.m_applicationHeader.m_invokeID, id) << step.name;
    }
}

// Two records served in turn by one service object, a copy of a record
// changed on its own, services of both reply kinds for one record, and
// flags the driver set on a service's headers itself.
TEST(RequestHeaderCache, RecordsAndServicesKeepTheirOwnOctets)
{
    InvokeIDScope scope(0x0F);
    CBACnetOBJ local = LocalDevice(480);
    CBACnetOBJ routed = RoutedDevice(9, {0x21});
    CBACnetReadPropertyService service;
    EXPECT_EQ(Header(service, local).substr(0, 11), "01 04 02 03");
    EXPECT_EQ(Header(service, routed).substr(0, 26), "01 24 00 09 01 21 FF 02 05");
    CBACnetOBJ copy(routed);
    copy.m_address.m_mac[0] = 0x22;
    EXPECT_EQ(Header(service, copy).substr(0, 26), "01 24 00 09 01 22 FF 02 05");
    EXPECT_EQ(Header(service, routed).substr(0, 26), "01 24 00 09 01 21 FF 02 05");
    copy.CopyObject(local);
    EXPECT_EQ(Header(service, copy).substr(0, 11), "01 04 02 03");

    // CreateObject expects no reply: neither flag of the cached header leaks into it.
    CBACnetCreateObjService create;
    _BACnetObjectID object(2, 7);
    unsigned char buf[64];
    int len = 0;
    create.MakeFrame(buf, len, &routed, object);
    EXPECT_EQ(ToHex(buf, 9), "01 20 00 09 01 21 FF 00 05");
    EXPECT_EQ(Header(service, routed), "01 24 00 09 01 21 FF 02 05 16");

    // A source address and segmentation go out with the device's address;
    // a plain service for the same device afterwards is plain again.
    CBACnetReadPropertyService flagged, plain;
    unsigned char net[2] = {0, 7}, addr[1] = {0x33};
    flagged.m_networkHeader.MakeSrcNetworkFrame(net, 1, addr);
    flagged.m_applicationHeader.SetSegmentRequest();
    EXPECT_EQ(Header(flagged, routed), "01 2C 00 09 01 21 00 07 01 33 FF 0A 05 17 00 01");
    EXPECT_EQ(Header(plain, routed), "01 24 00 09 01 21 FF 02 05 18");
}

}  // namespace
