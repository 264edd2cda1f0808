// What the encoders keep between calls: a device's request header octets
// and a bound tag's read access specification follow every change of the
// fields they come from; the ReadPropertyMultiple request built into a
// caller's buffer is the request the service's own buffer gets.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "Devices.h"
#include "Hex.h"
#include "InvokeID.h"
#include "host/Arrays.h"
#include "property/PropertyID.h"
#include "service/CreateObjService.h"
#include "service/ReadMultiService.h"
#include "service/ReadPropertyService.h"

namespace {

void SetRouted(CBACnetOBJ& device, unsigned char network, std::vector<unsigned char> mac)
{
    device.m_address.m_network[0] = 0;
    device.m_address.m_network[1] = network;
    device.m_address.m_macLength = static_cast<unsigned char>(mac.size());
    std::copy(mac.begin(), mac.end(), device.m_address.m_mac);
}

void SetLocal(CBACnetOBJ& device)
{
    device.m_address.m_network[0] = device.m_address.m_network[1] = 0xFF;
    device.m_address.m_macLength = 0;
}

std::string ReadPropertyOctets(CBACnetReadPropertyService& service, CBACnetOBJ& device)
{
    CBACnetPropertyID property;
    property.m_objectID = _BACnetObjectID(0, 3);
    unsigned char buf[128];
    int len = 0;
    service.MakeFrame(buf, len, &device, &property);
    return ToHex(buf, len);
}

// One device and one service object through a run of changes to the
// device's address and max APDU: each request carries the device as it is
// at that call, and the service's headers hold what was written.
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
        {"the same again", [](CBACnetOBJ&) {}, "01 04 02 05", 0},
        {"max APDU 480", [](CBACnetOBJ& d) { d.m_maxAPDU = 480; }, "01 04 02 03", 0},
        {"max APDU 50", [](CBACnetOBJ& d) { d.m_maxAPDU = 50; }, "01 04 02 00", 0},
        {"routed, one-octet MAC", [](CBACnetOBJ& d) { SetRouted(d, 5, {0x0A}); }, "01 24 00 05 01 0A FF 02 00", 1},
        {"another MAC octet", [](CBACnetOBJ& d) { d.m_address.m_mac[0] = 0x0B; }, "01 24 00 05 01 0B FF 02 00", 1},
        {"another network", [](CBACnetOBJ& d) { d.m_address.m_network[1] = 6; }, "01 24 00 06 01 0B FF 02 00", 1},
        {"six-octet MAC, 1476", [](CBACnetOBJ& d) { SetRouted(d, 6, {127, 0, 0, 1, 0xBA, 0xC0}); d.m_maxAPDU = 1476; },
         "01 24 00 06 06 7F 00 00 01 BA C0 FF 02 05", 6},
        {"back on the local network", [](CBACnetOBJ& d) { SetLocal(d); }, "01 04 02 05", 0},
        // Above the accepted length the address is not taken: no destination.
        {"MAC length 24", [](CBACnetOBJ& d) { SetRouted(d, 7, std::vector<unsigned char>(24, 0x11)); },
         "01 04 02 05", 0},
        {"max APDU 1024", [](CBACnetOBJ& d) { SetLocal(d); d.m_maxAPDU = 1024; }, "01 04 02 04", 0},
    };
    unsigned char id = 0;
    for (const auto& step : steps) {
        step.change(device);
        const std::string want =
            std::string(step.header) + " " + ToHex(&++id, 1) + " 0C 0C 00 00 00 03 19 55";
        EXPECT_EQ(ReadPropertyOctets(service, device), want) << step.name;
        EXPECT_EQ(service.m_networkHeader.m_dlen, step.dlen) << step.name;
        EXPECT_EQ(service.m_applicationHeader.m_invokeID, id) << step.name;
    }
}

// Two records served in turn by one service object, a copy of a record
// changed on its own, and services of both reply kinds for one record.
TEST(RequestHeaderCache, RecordsAndServicesKeepTheirOwnOctets)
{
    InvokeIDScope scope(0x10);
    CBACnetOBJ local = LocalDevice(480);
    CBACnetOBJ routed = LocalDevice(1476);
    SetRouted(routed, 9, {0x21});
    CBACnetReadPropertyService service;
    for (int round = 0; round < 2; round++) {
        EXPECT_EQ(ReadPropertyOctets(service, local).substr(0, 11), "01 04 02 03");
        EXPECT_EQ(ReadPropertyOctets(service, routed).substr(0, 26), "01 24 00 09 01 21 FF 02 05");
    }

    CBACnetOBJ copy(routed);
    SetRouted(copy, 9, {0x22});
    EXPECT_EQ(ReadPropertyOctets(service, copy).substr(0, 26), "01 24 00 09 01 22 FF 02 05");
    EXPECT_EQ(ReadPropertyOctets(service, routed).substr(0, 26), "01 24 00 09 01 21 FF 02 05");
    copy.CopyObject(local);
    EXPECT_EQ(ReadPropertyOctets(service, copy).substr(0, 11), "01 04 02 03");

    // CreateObject expects no reply: neither flag of the cached header leaks into it.
    CBACnetCreateObjService create;
    _BACnetObjectID id(2, 7);
    unsigned char buf[64];
    int len = 0;
    create.MakeFrame(buf, len, &routed, id);
    EXPECT_EQ(ToHex(buf, 9), "01 20 00 09 01 21 FF 00 05");
    EXPECT_EQ(ReadPropertyOctets(service, routed).substr(0, 26), "01 24 00 09 01 21 FF 02 05");
}

// Flags the driver set on a service's headers itself (a source address,
// segmentation) go out with the device's address, and a plain service for
// the same device afterwards is plain again.
TEST(RequestHeaderCache, DriverFlagsAreKept)
{
    InvokeIDScope scope(0x20);
    CBACnetOBJ device = LocalDevice(1476);
    SetRouted(device, 5, {0x0A});
    CBACnetReadPropertyService flagged;
    unsigned char net[2] = {0, 7}, addr[1] = {0x33};
    flagged.m_networkHeader.MakeSrcNetworkFrame(net, 1, addr);
    flagged.m_applicationHeader.SetSegmentRequest();
    EXPECT_EQ(ReadPropertyOctets(flagged, device), "01 2C 00 05 01 0A 00 07 01 33 FF 0A 05 21 00 01 0C 0C 00 00 00 03 19 55");

    CBACnetReadPropertyService plain;
    EXPECT_EQ(ReadPropertyOctets(plain, device), "01 24 00 05 01 0A FF 02 05 22 0C 0C 00 00 00 03 19 55");
}

// Tags of every entry form (one- and two-octet property identifiers and
// array indexes, types sent under other numbers) in a driver's array.
struct MixedRun {
    std::vector<std::unique_ptr<CBACnetObjTypes>> tags;
    CPtrArray array;

    explicit MixedRun(int n)
    {
        for (int i = 0; i < n; i++) {
            switch (i % 5) {
            case 0: tags.push_back(Bind(0, i, L"PresentValue")); break;
            case 1: tags.push_back(Bind(1, i, L"priorityarray[8]")); break;
            case 2: tags.push_back(Bind(1, i, L"priorityarray[300]")); break;
            case 3: tags.push_back(Bind(19, i, L"PresentValue")); break;
            default:
                tags.push_back(Bind(2, i, L"PresentValue"));
                tags.back()->m_propertyID = 512;  // changed after binding
                break;
            }
            if (!tags.back())
                abort();
            array.Add(tags.back().get());
        }
    }
};

// The request into a caller's buffer is, octet for octet, the request the
// service's own buffer gets, wherever the run starts and whatever ends it.
TEST(ReadMultipleCallerBuffer, SameOctetsAsTheServiceBuffer)
{
    MixedRun run(120);
    CPtrArray& array = run.array;
    CBACnetOBJ routed = LocalDevice(1476);
    SetRouted(routed, 3, {1, 2, 3, 4, 5, 6});
    const struct {
        unsigned short maxAPDU;
        bool routed;
        int first;
    } cases[] = {{1476, false, 0}, {1400, false, 0}, {480, false, 7}, {128, false, 0}, {50, false, 3},
                 {0, false, 0},    {1476, true, 0},  {206, true, 100}, {1476, false, 115}, {1476, false, 120}};
    for (const auto& c : cases) {
        CBACnetOBJ device = c.routed ? routed : LocalDevice();
        device.m_maxAPDU = c.maxAPDU;
        const std::string name = "max APDU " + std::to_string(c.maxAPDU) + (c.routed ? " routed" : "") +
                                 " from " + std::to_string(c.first);

        InvokeIDScope scope(0x40);
        CBACnetReadMultiService own(c.first);
        int len = 0;
        own.MakeHeaderFrame(len, &device, c.first);
        for (int i = c.first; i < array.GetSize(); i++)
            if (!own.MakeBodyFrame(len, run.tags[i].get(), i))
                break;

        CBACnetPDU::c_invokeID = 0x40;
        CBACnetReadMultiService caller(c.first);
        std::vector<unsigned char> buf(CBACnetReadMultiService::REQUEST_ROOM);
        const int n = caller.MakeFrame(buf.data(), static_cast<int>(buf.size()), &device, array);
        EXPECT_EQ(ToHex(buf.data(), n), ToHex(own.m_frame, own.m_frameLength)) << name;
        EXPECT_EQ(caller.m_last, own.m_last) << name;
        EXPECT_EQ(caller.m_invokeID, own.m_invokeID) << name;
        EXPECT_EQ(caller.m_frame, nullptr) << name;
    }
}

// A buffer too small for every entry ends the request early without
// writing past its size; one below the minimum gets nothing.
TEST(ReadMultipleCallerBuffer, StaysInsideTheBuffer)
{
    MixedRun run(100);
    CPtrArray& array = run.array;
    CBACnetOBJ device = LocalDevice(1476);

    InvokeIDScope scope(1);
    CBACnetReadMultiService whole(0);
    std::vector<unsigned char> full(CBACnetReadMultiService::REQUEST_ROOM);
    const int fullLength = whole.MakeFrame(full.data(), static_cast<int>(full.size()), &device, array);

    const int least = CBACnetReadMultiService::REQUEST_ROOM_MIN;
    for (int size : {least - 1, least, 100, 333, 700}) {
        CBACnetPDU::c_invokeID = 1;
        CBACnetReadMultiService service(0);
        // The buffer sits inside a larger block whose other octets must stay untouched.
        std::vector<unsigned char> block(size + 64, 0xA5);
        const int n = service.MakeFrame(block.data() + 32, size, &device, array);
        for (int i = 0; i < 32; i++)
            ASSERT_EQ(block[i], 0xA5) << size;
        for (int i = 32 + std::max(n, 0); i < size + 64; i++)
            ASSERT_EQ(block[i], 0xA5) << size << " at " << i - 32;
        if (size < CBACnetReadMultiService::REQUEST_ROOM_MIN) {
            EXPECT_EQ(n, 0);
            continue;
        }
        EXPECT_LE(n, size);
        EXPECT_LE(n, fullLength);
        EXPECT_GT(n, size - 13 - 1) << size;  // only an entry that might not fit is left out
        EXPECT_EQ(ToHex(block.data() + 32, n), ToHex(full.data(), n)) << size;
        EXPECT_LT(service.m_last, whole.m_last) << size;
    }
}

}  // namespace
