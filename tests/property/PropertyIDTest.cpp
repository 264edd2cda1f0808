#include <gtest/gtest.h>

#include <cstring>
#include <string>

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

// Reads `hex` into a fresh name whose text is "old", from octet `start`.
struct TextCase {
    const char* name;
    const char* hex;
    int start;
    int result;
    const wchar_t* text;
    int len;  // where the cursor stops
};

TEST(ObjectNameRead, ScansValuesAndNesting)
{
    const TextCase cases[] = {
        {"cursor at end", "", 0, 1, L"old", 0},
        {"nested in tag 3", "3E 74 00 41 42 43 3F", 0, 1, L"ABC", 7},
        {"just inside tag 3", "3E 74 00 41 42 43 3F", 1, 1, L"ABC", 7},
        {"character set 4", "75 05 04 41 00 42 00", 0, 0, L"old", 3},
        {"last of two stands", "71 00 72 00 41", 0, 1, L"A", 5},
        {"empty string", "71 00", 0, 1, L"", 2},
        {"opening of any number nests", "5E 72 00 41 5F", 0, 1, L"A", 5},
        {"closing of any number ends", "72 00 41 1F 72 00 42", 0, 1, L"A", 4},
        {"context content not skipped", "19 72 00 41", 0, 1, L"A", 4},
        {"code page text", "73 00 E9 80", 0, 1, L"\u00E9\u20AC", 4},
        {"extended length", "75 06 00 41 42 43 44 45", 0, 1, L"ABCDE", 8},
        {"length beyond the data", "75 09 00 41 42", 0, 0, L"old", 2},
        {"any application tag read as a string", "21 00", 0, 1, L"", 2},
        {"tag number 255", "F9 FF", 0, 0, L"old", 2},
    };
    for (const auto& c : cases) {
        Received in(c.hex);
        CBACnetObjectName name;
        name.m_name = L"old";
        int len = c.start;
        EXPECT_EQ(name.ReadFrameToEnd(in.buf(), len, in.end()), c.result) << c.name;
        EXPECT_TRUE(name.m_name == c.text) << c.name;
        EXPECT_EQ(len, c.len) << c.name;
        EXPECT_EQ(name.m_changeFlag, 0) << c.name;
    }
}

TEST(ObjectNameWrite, WritesOneCharacterString)
{
    const struct {
        const wchar_t* text;
        const char* expected;
    } cases[] = {
        {L"", "71 00"},
        {L"ABC", "74 00 41 42 43"},
        {L"ABCD", "75 05 00 41 42 43 44"},
        {L"\u00E9\u20AC", "73 00 E9 80"},
    };
    for (const auto& c : cases) {
        unsigned char buf[32];
        int len = 1;
        CBACnetObjectName name;
        name.m_name = c.text;
        EXPECT_EQ(name.MakeFrame(buf, len, 255), 1);
        EXPECT_EQ(ToHex(buf + 1, len - 1), c.expected) << c.expected;

        CBACnetObjectDesc desc;
        desc.m_description = c.text;
        len = 0;
        EXPECT_EQ(desc.MakeFrame(buf, len, -1), 1);
        EXPECT_EQ(ToHex(buf, len), c.expected) << c.expected;
    }
}

TEST(ObjectNameWrite, LongTextTakesTwoOctetLength)
{
    CBACnetObjectDesc desc;
    desc.m_description = std::wstring(300, L'x').c_str();
    std::vector<unsigned char> buf(400);
    int len = 0;
    desc.MakeFrame(buf.data(), len, -1);
    EXPECT_EQ(len, 305);
    EXPECT_EQ(ToHex(buf.data(), 5), "75 FE 01 2D 00");

    CBACnetObjectDesc back;
    Received in(std::vector<unsigned char>(buf.begin(), buf.begin() + len));
    int at = 0;
    EXPECT_EQ(back.ReadFrameToEnd(in.buf(), at, in.end()), 1);
    EXPECT_TRUE(back.m_description == desc.m_description);
}

TEST(SchPriority, ReadsOneOctetValues)
{
    const struct {
        const char* name;
        const char* hex;
        int result;
        int priority;
    } cases[] = {
        {"unsigned 5", "21 05", 1, 5},
        {"nested", "3E 21 07 3F", 1, 7},
        {"two octets", "22 00 08", 0, 9},
        {"character string", "71 00", 0, 9},
        {"last stands", "21 03 21 0A", 1, 10},
        {"enumerated taken as is", "91 02", 1, 2},
    };
    for (const auto& c : cases) {
        Received in(c.hex);
        CBACnetSchPriority prio;
        prio.m_priority = 9;
        int len = 0;
        EXPECT_EQ(prio.ReadFrameToEnd(in.buf(), len, in.end()), c.result) << c.name;
        EXPECT_EQ(prio.m_priority, c.priority) << c.name;
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
