#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Hex.h"
#include "host/TagVal.h"
#include "property/ObjectDesc.h"
#include "property/ObjectName.h"
#include "property/PropertyID.h"
#include "property/SchPriority.h"

namespace {

TEST(PropertyBase, DoesNothingAndReportsNothing)
{
    CBACnetPropertyID prop;
    EXPECT_EQ(prop.m_objectID.GetValue(), 0u);
    EXPECT_EQ(prop.m_propertyID, 85);
    EXPECT_EQ(prop.m_arrayIndex, 255);
    EXPECT_EQ(prop.m_changeFlag, 0);

    unsigned char buf[8];
    memset(buf, 0xAA, sizeof buf);
    const unsigned char untouched[8] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
    CTagVal value;
    int len = 2;
    EXPECT_EQ(prop.MakeFrameToMulti(buf, len), 0);
    EXPECT_EQ(prop.ReadFrameToMulti(buf, len), 0);
    EXPECT_EQ(prop.GetValue(value, 0), 0);
    EXPECT_EQ(prop.SetValue(buf, len, value, 0, 1), 0);
    EXPECT_EQ(prop.ReadFrame(buf, len, 8), 0);
    EXPECT_EQ(prop.MakeFrame(buf, len, -1), 0);
    EXPECT_EQ(len, 2);
    EXPECT_EQ(memcmp(buf, untouched, sizeof buf), 0);

    prop.m_changeFlag = 1;
    EXPECT_EQ(prop.IsChangeValue(), 1);
    prop.ResetChangeValue();
    EXPECT_EQ(prop.IsChangeValue(), 0);
}

TEST(PropertyBase, CopiesCarryIdentifiersFlagAndValue)
{
    CBACnetObjectName name;
    name.m_objectID.SetValue(0x00800001);
    name.m_arrayIndex = 3;
    name.m_changeFlag = 1;
    name.m_name = L"Pump";
    CBACnetObjectName copy(name);
    EXPECT_EQ(copy.m_objectID.GetValue(), 0x00800001u);
    EXPECT_EQ(copy.m_propertyID, 77);
    EXPECT_EQ(copy.m_arrayIndex, 3);
    EXPECT_EQ(copy.m_changeFlag, 1);
    EXPECT_TRUE(copy.m_name == L"Pump");

    CBACnetSchPriority a, b;
    a.m_priority = 4;
    b = a;
    EXPECT_EQ(b.m_priority, 4);
}

// Name and description write one character string; a long one takes the
// two-octet length and reads back whole.
TEST(ObjectNameWrite, WritesOneCharacterString)
{
    const struct {
        std::wstring text;
        const char* expected;  // its first octets
    } cases[] = {
        {L"", "71 00"},
        {L"ABC", "74 00 41 42 43"},
        {L"ABCD", "75 05 00 41 42 43 44"},
        {L"\u00E9\u20AC", "73 00 E9 80"},
        {std::wstring(300, L'x'), "75 FE 01 2D 00 78"},
    };
    for (const auto& c : cases) {
        std::vector<unsigned char> buf(400);
        int len = 1;
        CBACnetObjectName name;
        name.m_name = c.text.c_str();
        EXPECT_EQ(name.MakeFrame(buf.data(), len, 255), 1);
        const std::string expected = c.expected;
        EXPECT_EQ(ToHex(buf.data() + 1, static_cast<int>(expected.size() + 1) / 3), expected);

        CBACnetObjectDesc desc, back;
        desc.m_description = c.text.c_str();
        len = 0;
        EXPECT_EQ(desc.MakeFrame(buf.data(), len, -1), 1);
        EXPECT_EQ(ToHex(buf.data(), static_cast<int>(expected.size() + 1) / 3), expected);
        Received in(std::vector<unsigned char>(buf.begin(), buf.begin() + len));
        int at = 0;
        EXPECT_EQ(back.ReadFrameToEnd(in.buf(), at, in.end()), 1);
        EXPECT_EQ(at, len);
        EXPECT_TRUE(back.m_description == desc.m_description) << expected;
    }
}

TEST(SchPriority, WritesOneOctetUnsigned)
{
    unsigned char buf[4];
    int len = 0;
    CBACnetSchPriority prio;
    EXPECT_EQ(prio.MakeFrame(buf, len, 255), 1);
    EXPECT_EQ(ToHex(buf, len), "21 10");
}

}  // namespace
