#include <gtest/gtest.h>

#include "Devices.h"
#include "Hex.h"
#include "frame/Tag.h"
#include "property/PropertyID.h"
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

TEST(ReadProperty, Requests)
{
    const std::vector<unsigned char> mac = {0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6};
    struct {
        CBACnetOBJ obj;
        CBACnetPropertyID prop;
        const char* frame;
    } cases[] = {
        {CBACnetOBJ(), Property(3, 85, 255), "01 04 02 05 01 0C 0C 00 00 00 03 19 55"},
        {CBACnetOBJ(), Property(3, 85, 0), "01 04 02 05 01 0C 0C 00 00 00 03 19 55 29 00"},
        {RoutedDevice(5, mac, 1476), Property(3, 85, 255),
         "01 24 00 05 06 A1 A2 A3 A4 A5 A6 FF 02 05 01 0C 0C 00 00 00 03 19 55"},
    };
    for (auto& c : cases) {
        InvokeIDScope scope(0);
        CBACnetReadPropertyService service;
        unsigned char buf[64];
        int len = 0;
        EXPECT_EQ(service.MakeFrame(buf, len, &c.obj, &c.prop), 1) << c.frame;
        EXPECT_EQ(ToHex(buf, len), c.frame);
    }
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

    // A describer without a request takes the identifiers the reply names.
    Received frame("0C 00 00 00 03 19 55 3E 44 3F 80 00 00 3F");
    CBACnetPropertyID probe = Property(1, 77, 255);
    int len = 0;
    EXPECT_EQ(CBACnetReadPropertyService().ReadAnyFrame(frame.buf(), len, frame.end(), &probe), 1);
    EXPECT_EQ(len, 7);
    EXPECT_EQ(probe.m_objectID.GetValue(), 3u);
    EXPECT_EQ(probe.m_propertyID, 85);
}

}  // namespace
