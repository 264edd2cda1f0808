#include <gtest/gtest.h>

#include "Devices.h"
#include "Hex.h"
#include "InvokeID.h"
#include "host/TagVal.h"
#include "property/ExpSchedule.h"
#include "property/ObjectName.h"
#include "service/ReadPropertyService.h"
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

TEST(WriteProperty, CodecRequests)
{
    const struct {
        const char* name;
        unsigned char index;
        const char* frame;
        int asked;
    } cases[] = {
        {"no index", 255, "01 04 02 05 01 0F 0C 02 00 03 E9 19 4D 3E AA 3F", 255},
        {"index 3", 3, "01 04 02 05 01 0F 0C 02 00 03 E9 19 4D 29 03 3E AA 3F", 3},
    };
    for (const auto& c : cases) {
        InvokeIDScope scope(0);
        CBACnetOBJ device = LocalDevice();
        RecordingProperty prop;
        prop.m_objectID = _BACnetObjectID(8, 1001);
        prop.m_propertyID = 77;
        prop.m_arrayIndex = c.index;
        CBACnetWritePropertyService service;
        unsigned char buf[64];
        int len = 0;
        EXPECT_EQ(service.MakeFrame(buf, len, &device, &prop), 1) << c.name;
        EXPECT_EQ(ToHex(buf, len), c.frame) << c.name;
        EXPECT_EQ(prop.m_askedIndex, c.asked) << c.name;
    }
}

TEST(WriteProperty, ObjectNameCodec)
{
    InvokeIDScope scope(4);
    CBACnetOBJ device = LocalDevice();
    CBACnetObjectName name;
    name.m_objectID = _BACnetObjectID(8, 1001);
    name.m_name = L"AB";
    CBACnetWritePropertyService service;
    unsigned char buf[64];
    int len = 0;
    EXPECT_EQ(service.MakeFrame(buf, len, &device, &name), 5);
    EXPECT_EQ(ToHex(buf, len), "01 04 02 05 05 0F 0C 02 00 03 E9 19 4D 3E 73 00 41 42 3F");
}

TEST(WriteProperty, HostValueRequests)
{
    const struct {
        const char* name;
        unsigned type, instance;
        const wchar_t* property;
        int propertyID;  // -1: as bound
        int arrayIndex;  // -1: as bound
        unsigned short priority;
        const char* parameters;  // after the header 01 04 02 05 64 0F
    } cases[] = {
        {"priority 16", 1, 1, L"PresentValue", -1, -1, 16, "0C 00 40 00 01 19 55 3E 44 41 AC 00 00 3F 49 10"},
        {"priority 1", 1, 1, L"PresentValue", -1, -1, 1, "0C 00 40 00 01 19 55 3E 44 41 AC 00 00 3F 49 01"},
        {"priority 0 writes none", 1, 1, L"PresentValue", -1, -1, 0, "0C 00 40 00 01 19 55 3E 44 41 AC 00 00 3F"},
        {"priority 17 writes none", 1, 1, L"PresentValue", -1, -1, 17, "0C 00 40 00 01 19 55 3E 44 41 AC 00 00 3F"},
        {"property 300", 1, 1, L"PresentValue", 300, -1, 0, "0C 00 40 00 01 1A 01 2C 3E 44 41 AC 00 00 3F"},
        {"array index 5", 1, 1, L"priorityarray[8]", -1, 5, 0, "0C 00 40 00 01 19 57 29 05 3E 44 41 AC 00 00 3F"},
        {"array index 300", 1, 1, L"priorityarray[8]", -1, 300, 0,
         "0C 00 40 00 01 19 57 2A 01 2C 3E 44 41 AC 00 00 3F"},
        {"accumulator as type 23", 20, 0x3F0007, L"PresentValue", -1, -1, 0, "0C 05 C0 00 07 19 55 3E"},
    };
    for (const auto& c : cases) {
        InvokeIDScope scope(9);
        auto tag = Bind(c.type, c.instance, c.property);
        ASSERT_NE(tag, nullptr) << c.name;
        if (c.propertyID >= 0)
            tag->m_propertyID = static_cast<WORD>(c.propertyID);
        if (c.arrayIndex >= 0)
            tag->m_arrayIndex = static_cast<WORD>(c.arrayIndex);
        CBACnetOBJ device = LocalDevice();
        CTagVal value;
        value.SetVal(21.5f);  // a float host value: priority-array elements go out as Real
        CBACnetWritePropertyService service;
        unsigned char buf[96];
        int len = 0;
        EXPECT_EQ(service.MakeFrame(buf, len, &device, tag.get(), value, 0, 0, c.priority), 100) << c.name;
        const std::string frame = ToHex(buf, len);
        EXPECT_EQ(frame.substr(0, 17), "01 04 02 05 64 0F") << c.name;
        // The accumulator's present value is not a Real: only the tags before the value are compared.
        const std::string parameters = frame.size() > 18 ? frame.substr(18) : "";
        EXPECT_EQ(parameters.substr(0, strlen(c.parameters)), c.parameters) << c.name;
        if (c.type != 20) {
            EXPECT_EQ(parameters, c.parameters) << c.name;
        }
        // The host-value write leaves the counter alone.
        EXPECT_EQ(CBACnetPDU::c_invokeID, 9) << c.name;
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

    int cursor = 0;
    CBACnetObjTypes* none = nullptr;
    EXPECT_EQ(service.ReadFrame(buf, cursor, len, none), 1);
    EXPECT_EQ(cursor, 0);
}

TEST(WriteMultiple, Requests)
{
    const struct {
        const char* name;
        unsigned char index;
        const char* body;
    } cases[] = {
        {"no index", 255, "1E 09 4D 2E AA 2F 1F"},
        {"index 3", 3, "1E 09 4D 19 03 2E AA 2F 1F"},
    };
    for (const auto& c : cases) {
        InvokeIDScope scope(0);
        CBACnetOBJ device = LocalDevice();
        CBACnetWriteMultiService service;
        unsigned char buf[64] = {};
        int len = 0;
        EXPECT_EQ(service.MakeHeaderFrame(buf, len, &device), 1) << c.name;
        EXPECT_EQ(ToHex(buf, len), "01 04 02 05 01 10") << c.name;
        RecordingProperty prop;
        prop.m_propertyID = 77;
        prop.m_arrayIndex = c.index;
        const int start = len;
        service.MakeFrame(buf, len, &prop);
        EXPECT_EQ(ToHex(buf + start, len - start), c.body) << c.name;
        EXPECT_EQ(prop.m_askedIndex, -1) << c.name;
    }
}

TEST(WriteMultiple, HeadersTakeConsecutiveInvokeIDs)
{
    InvokeIDScope scope(254);
    CBACnetOBJ device = LocalDevice();
    CBACnetWriteMultiService first, second;
    unsigned char buf[32];
    int len = 0;
    EXPECT_EQ(first.MakeHeaderFrame(buf, len, &device), 255);
    len = 0;
    EXPECT_EQ(second.MakeHeaderFrame(buf, len, &device), 0);
}

}  // namespace
