#include <gtest/gtest.h>

#include "Hex.h"
#include "InvokeID.h"
#include "frame/Tag.h"
#include "object/OBJ.h"
#include "property/PropertyID.h"
#include "service/ReadPropertyService.h"

namespace {

CBACnetOBJ Remote(int macLength)
{
    CBACnetOBJ obj;
    obj.m_address.m_network[0] = 0x00;
    obj.m_address.m_network[1] = 0x05;
    obj.m_address.m_macLength = static_cast<unsigned char>(macLength);
    for (int i = 0; i < 24; i++)
        obj.m_address.m_mac[i] = static_cast<unsigned char>(0xA1 + i);
    return obj;
}

CBACnetPropertyID Property(unsigned type, unsigned instance, unsigned char propertyID, unsigned char index)
{
    CBACnetPropertyID prop;
    prop.m_objectID = _BACnetObjectID(type, instance);
    prop.m_propertyID = propertyID;
    prop.m_arrayIndex = index;
    return prop;
}

TEST(ReadProperty, Requests)
{
    struct Case {
        const char* name;
        CBACnetOBJ obj;
        CBACnetPropertyID prop;
        const char* frame;
    } cases[] = {
        {"local, no index", CBACnetOBJ(), Property(0, 3, 85, 255), "01 04 02 05 01 0C 0C 00 00 00 03 19 55"},
        {"index 0", CBACnetOBJ(), Property(0, 3, 85, 0), "01 04 02 05 01 0C 0C 00 00 00 03 19 55 29 00"},
        {"index 254", CBACnetOBJ(), Property(8, 1001, 76, 254), "01 04 02 05 01 0C 0C 02 00 03 E9 19 4C 29 FE"},
        {"six-octet address", Remote(6), Property(0, 3, 85, 255),
         "01 24 00 05 06 A1 A2 A3 A4 A5 A6 FF 02 05 01 0C 0C 00 00 00 03 19 55"},
        {"address past 23 octets", Remote(24), Property(0, 3, 85, 255), "01 04 02 05 01 0C 0C 00 00 00 03 19 55"},
    };
    for (Case& c : cases) {
        InvokeIDScope scope(0);
        CBACnetReadPropertyService service;
        unsigned char buf[64];
        int len = 0;
        EXPECT_EQ(service.MakeFrame(buf, len, &c.obj, &c.prop), 1) << c.name;
        EXPECT_EQ(ToHex(buf, len), c.frame) << c.name;
    }
}

TEST(ReadProperty, InvokeIDsCountAndWrap)
{
    InvokeIDScope scope(0);
    CBACnetOBJ obj;
    CBACnetPropertyID prop;
    CBACnetReadPropertyService service;
    unsigned char buf[32];
    for (int request = 1; request <= 257; request++) {
        int len = 0;
        const unsigned char id = service.MakeFrame(buf, len, &obj, &prop);
        EXPECT_EQ(id, request % 256) << request;
        EXPECT_EQ(buf[4], id) << request;
    }
}

struct AckCase {
    const char* name;
    unsigned char requestedIndex;
    const char* params;
    int result;
    int consumed;  // octets up to the value's opening tag, or to the failure
    DWORD objectID;
    unsigned char propertyID, arrayIndex;
};

// The request names analog input 3 (or device 1001's object list), and the
// reply must answer for exactly that.
const AckCase kAcks[] = {
    {"present value", 255, "0C 00 00 00 03 19 55 3E 44 3F 80 00 00 3F", 1, 7, 3, 85, 255},
    {"array element", 1, "0C 02 00 03 E9 19 4C 29 01 3E C4 00 00 00 01 3F", 1, 9, 0x020003E9, 76, 1},
    {"index 0", 0, "0C 02 00 03 E9 19 4C 29 00 3E 21 05 3F", 1, 9, 0x020003E9, 76, 0},
    {"two-octet property", 255, "0C 00 00 00 03 1A 01 00 3E", 0, 6, 3, 85, 255},
    {"two-octet index", 1, "0C 02 00 03 E9 19 4C 2A 01 00 3E", 0, 8, 0x020003E9, 76, 1},
    {"five-octet identifier", 255, "0D 05 00 00 00 00 03 19 55 3E", 0, 2, 3, 85, 255},
    // A reply for something else is refused, and the request's identifiers stay.
    {"another object", 255, "0C 00 00 00 01 19 55 3E 44 42 C6 00 00 3F", 0, 7, 3, 85, 255},
    {"another property", 255, "0C 00 00 00 03 19 4D 3E 71 00 3F", 0, 7, 3, 85, 255},
    {"another index", 1, "0C 02 00 03 E9 19 4C 29 02 3E C4 00 00 00 01 3F", 0, 9, 0x020003E9, 76, 1},
    {"an index not asked for", 255, "0C 00 00 00 03 19 55 29 00 3E 21 05 3F", 0, 7, 3, 85, 255},
};

TEST(ReadProperty, AcknowledgementFields)
{
    for (const AckCase& c : kAcks) {
        Received frame(c.params);
        CBACnetReadPropertyService service;
        CBACnetPropertyID prop = Property(c.objectID >> 22, c.objectID & 0x3FFFFF, c.propertyID, c.requestedIndex);
        int len = 0;
        EXPECT_EQ(service.ReadFrame(frame.buf(), len, frame.end(), &prop), c.result) << c.name;
        EXPECT_EQ(len, c.consumed) << c.name;
        EXPECT_EQ(prop.m_objectID.GetValue(), c.objectID) << c.name;
        EXPECT_EQ(prop.m_propertyID, c.propertyID) << c.name;
        EXPECT_EQ(prop.m_arrayIndex, c.arrayIndex) << c.name;
        EXPECT_EQ(prop.m_refusal != CBACnetTag::REFUSAL_NONE, c.result == 0) << c.name;
    }
}

TEST(ReadProperty, EveryTruncatedAcknowledgementIsRefused)
{
    const char* acks[] = {"0C 00 00 00 03 19 55", "0C 02 00 03 E9 19 4C 29 01"};
    const unsigned char indexes[] = {255, 1};
    for (int i = 0; i < 2; i++) {
        EXPECT_EQ(CutsTaken(acks[i], [&](unsigned char* buf, int& len, int end) {
                      CBACnetPropertyID prop = Property(0, 0, 77, indexes[i]);
                      return CBACnetReadPropertyService().ReadFrame(buf, len, end, &prop);
                  }), "")
            << acks[i];
    }
}

}  // namespace

// A describer without a request takes the identifiers the reply names.
TEST(ReadProperty, AnyAcknowledgementCopiesItsIdentifiers)
{
    Received frame("0C 00 00 00 03 19 55 3E 44 3F 80 00 00 3F");
    CBACnetReadPropertyService service;
    CBACnetPropertyID probe = Property(0, 1, 77, 255);
    int len = 0;
    EXPECT_EQ(service.ReadAnyFrame(frame.buf(), len, frame.end(), &probe), 1);
    EXPECT_EQ(len, 7);
    EXPECT_EQ(probe.m_objectID.GetValue(), 3u);
    EXPECT_EQ(probe.m_propertyID, 85);
}
