// The codecs' common base, what the simple codecs write, and what their reads
// leave for the next one (the schedules are in their own files, reading in
// PropertyReadTest).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "Hex.h"
#include "host/TagVal.h"
#include "property/DateRange.h"
#include "property/ObjPropertyRef.h"
#include "property/ObjectDesc.h"
#include "property/ObjectList.h"
#include "property/ObjectName.h"
#include "property/PropertyID.h"
#include "property/SchPriority.h"
#include "property/ServiceSupported.h"
#include "property/TypeSupported.h"

namespace {

// The property a codec stands for, its write's result and octets, written
// after an octet already in the buffer; each codec is destroyed through its
// own class.
template <class T>
std::string Written(T& codec, int arrayIndex = -1)
{
    std::vector<unsigned char> buf(400, 0xAA);
    int len = 1;
    const int result = codec.MakeFrame(buf.data(), len, arrayIndex);
    EXPECT_EQ(0xAA, buf[0]);
    EXPECT_EQ(0xAA, buf[len]);
    return std::to_string(codec.m_propertyID) + " " + std::to_string(result) + ":" +
           (len > 1 ? " " + ToHex(buf.data() + 1, std::min(len - 1, 6)) : "");
}

TEST(PropertyWrite, EveryCodec)
{
    const struct {
        const char* name;
        std::function<std::string()> write;
        const char* expected;  // property, result: the first octets written
    } rows[] = {
        {"base", [] { CBACnetPropertyID c; return Written(c); }, "85 0:"},
        {"object list", [] { CBACnetObjectList c; return Written(c); }, "76 0:"},
        {"object types", [] { CBACnetTypeSupported c; return Written(c); }, "96 0:"},
        {"services", [] { CBACnetServiceSupported c; return Written(c); }, "97 0:"},
        {"priority", [] { CBACnetSchPriority c; return Written(c, 255); }, "88 1: 21 10"},
        {"empty name", [] { CBACnetObjectName c; return Written(c, 255); }, "77 1: 71 00"},
        {"name", [] { CBACnetObjectName c; c.m_name = L"ABCD"; return Written(c); }, "77 1: 75 05 00 41 42 43"},
        {"description, code page", [] { CBACnetObjectDesc c; c.m_description = L"\u00E9\u20AC"; return Written(c); },
         "28 1: 73 00 E9 80"},
        {"date range", [] { CBACnetDateRange c; c.m_startDate = 0x7C010101; return Written(c); },
         "32 1: A4 7C 01 01 01 A4"},
        {"references", [] {
             CBACnetObjPropertyRef c;
             c.m_references.Add(nullptr);  // passed over
             c.m_references.Add(new _BACnetPropertyRef(_BACnetObjectID(2, 2), 85));
             return Written(c, 255);
         },
         "54 1: 0C 00 80 00 02 19"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.expected, row.write()) << row.name;
}

// A long text takes the two-octet length and reads back whole.
TEST(PropertyWrite, LongTextReadsBack)
{
    CBACnetObjectDesc desc, back;
    desc.m_description = std::wstring(300, L'x').c_str();
    std::vector<unsigned char> buf(400);
    int len = 0;
    EXPECT_EQ(desc.MakeFrame(buf.data(), len, -1), 1);
    EXPECT_EQ(ToHex(buf.data(), 6), "75 FE 01 2D 00 78");
    Received in(std::vector<unsigned char>(buf.begin(), buf.begin() + len));
    int at = 0;
    EXPECT_EQ(back.ReadFrameToEnd(in.buf(), at, in.end()), 1);
    EXPECT_EQ(at, 305);
    EXPECT_TRUE(back.m_description == desc.m_description);
}

// The base decodes and hands over nothing; the change flag is the driver's
// to read and clear.
TEST(PropertyBase, DecodesNothingAndKeepsTheFlag)
{
    CBACnetPropertyID prop;
    unsigned char buf[8] = {0xAA, 0xAA};
    CTagVal value;
    int len = 2;
    EXPECT_EQ(prop.MakeFrameToMulti(buf, len) + prop.ReadFrameToMulti(buf, len) + prop.GetValue(value, 0) +
                  prop.SetValue(buf, len, value, 0, 1) + prop.ReadFrame(buf, len, 8),
              0);
    EXPECT_EQ(len, 2);
    EXPECT_EQ(ToHex(buf, 2), "AA AA");
    EXPECT_EQ(prop.m_arrayIndex, 255);
    prop.m_changeFlag = 1;
    EXPECT_EQ(prop.IsChangeValue(), 1);
    prop.ResetChangeValue();
    EXPECT_EQ(prop.IsChangeValue(), 0);
}

// Each read appends.
TEST(ObjectList, ReadingAgainAppends)
{
    Received in("3E C4 02 00 00 05 C4 00 00 00 01 3F");
    CBACnetObjectList list;
    for (int pass = 1; pass <= 2; pass++) {
        int len = 0;
        ASSERT_EQ(list.ReadFrame(in.buf(), len, in.end()), 1);
        EXPECT_EQ(list.m_objectIDs.GetSize(), 2 * pass);
    }
    EXPECT_EQ(list.m_objectIDs.GetAt(2), 0x02000005u);
}

}  // namespace
