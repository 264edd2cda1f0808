#include <gtest/gtest.h>

#include "Devices.h"
#include "Hex.h"
#include "host/TagVal.h"
#include "property/ExpSchedule.h"
#include "property/ObjectName.h"
#include "service/WriteMultiService.h"
#include "service/WritePropertyService.h"

namespace {

// A codec that writes a marker octet and records the index it was asked for.
class RecordingProperty : public CBACnetPropertyID {
public:
    int m_askedIndex = -2;
    int MakeFrame(unsigned char* buf, int& len, int arrayIndex) override
    {
        m_askedIndex = arrayIndex;
        buf[len++] = 0xAA;
        return 1;
    }
};

// Codecs write the value: a WriteProperty asks them for the index it sends,
// a WritePropertyMultiple for the whole value, its index going in the list.
// Invoke IDs count on across both and wrap.
TEST(WriteServices, CodecRequests)
{
    InvokeIDScope scope(254);
    CBACnetOBJ device = LocalDevice();
    CBACnetObjectName name;
    name.m_objectID = _BACnetObjectID(8, 1001);
    name.m_name = L"AB";
    const struct {
        bool multiple;
        unsigned char index;  // 0: the object name codec
        const char* frame;
    } cases[] = {
        {false, 255, "01 04 02 05 FF 0F 0C 02 00 03 E9 19 4D 3E AA 3F"},
        {false, 3, "01 04 02 05 00 0F 0C 02 00 03 E9 19 4D 29 03 3E AA 3F"},
        {false, 0, "01 04 02 05 01 0F 0C 02 00 03 E9 19 4D 3E 73 00 41 42 3F"},
        {true, 255, "01 04 02 05 02 10 1E 09 4D 2E AA 2F 1F"},
        {true, 3, "01 04 02 05 03 10 1E 09 4D 19 03 2E AA 2F 1F"},
    };
    for (const auto& c : cases) {
        RecordingProperty prop;
        prop.m_objectID = _BACnetObjectID(8, 1001);
        prop.m_propertyID = 77;
        prop.m_arrayIndex = c.index;
        unsigned char buf[64] = {};
        int len = 0;
        CBACnetWriteMultiService multiple;
        CBACnetPropertyID* codec = c.index ? static_cast<CBACnetPropertyID*>(&prop) : &name;
        const unsigned char id = c.multiple ? multiple.MakeHeaderFrame(buf, len, &device)
                                            : CBACnetWritePropertyService().MakeFrame(buf, len, &device, codec);
        EXPECT_EQ(id, CBACnetPDU::c_invokeID) << c.frame;
        if (c.multiple)
            multiple.MakeFrame(buf, len, &prop);
        EXPECT_EQ(ToHex(buf, len), c.frame);
        EXPECT_EQ(prop.m_askedIndex, c.multiple ? -1 : c.index ? c.index : -2) << c.frame;
    }
}

// A float host value to analog output 1: the invoke ID the caller gives,
// the counter left alone.
TEST(WriteProperty, HostValueRequests)
{
    const struct {
        const char* property;
        int propertyID, arrayIndex;  // -1: as bound
        unsigned short priority;
        const char* parameters;      // after the header 01 04 02 05 64 0F
    } cases[] = {
        {"PresentValue", -1, -1, 16, "0C 00 40 00 01 19 55 3E 44 41 AC 00 00 3F 49 10"},
        {"PresentValue", -1, -1, 0, "0C 00 40 00 01 19 55 3E 44 41 AC 00 00 3F"},
        {"PresentValue", -1, -1, 17, "0C 00 40 00 01 19 55 3E 44 41 AC 00 00 3F"},
        {"PresentValue", 300, -1, 0, "0C 00 40 00 01 1A 01 2C 3E 44 41 AC 00 00 3F"},
        {"priorityarray[8]", -1, 5, 0, "0C 00 40 00 01 19 57 29 05 3E 44 41 AC 00 00 3F"},
    };
    for (const auto& c : cases) {
        InvokeIDScope scope(9);
        auto tag = Bind(1, 1, CString(c.property));
        ASSERT_NE(tag, nullptr) << c.parameters;
        if (c.propertyID >= 0)
            tag->m_propertyID = static_cast<WORD>(c.propertyID);
        if (c.arrayIndex >= 0)
            tag->m_arrayIndex = static_cast<WORD>(c.arrayIndex);
        CBACnetOBJ device = LocalDevice();
        CTagVal value;
        value.SetVal(21.5f);
        CBACnetWritePropertyService service;
        unsigned char buf[96];
        int len = 0;
        EXPECT_EQ(service.MakeFrame(buf, len, &device, tag.get(), value, 0, 0, c.priority), 100) << c.parameters;
        EXPECT_EQ(ToHex(buf, len), std::string("01 04 02 05 64 0F ") + c.parameters);
        EXPECT_EQ(CBACnetPDU::c_invokeID, 9) << c.parameters;
    }
}

TEST(WriteProperty, ScheduleArraySize)
{
    InvokeIDScope scope(0);
    CBACnetOBJ device = LocalDevice();
    CBACnetExpSchedule schedule;
    schedule.m_objectID = _BACnetObjectID(17, 2);
    schedule.m_arrayIndex = 7;  // not used: element 0 is written
    for (int i = 0; i < 3; i++)
        schedule.m_specialEvents.Add(new _BACnetSpecialEvent);
    CBACnetWritePropertyService service;
    unsigned char buf[64];
    int len = 0;
    EXPECT_EQ(service.MakeScheduleArySize(buf, len, &device, &schedule), 1);
    EXPECT_EQ(ToHex(buf, len), "01 04 02 05 01 0F 0C 04 40 00 02 19 26 29 00 3E 21 03 3F");
}

}  // namespace
