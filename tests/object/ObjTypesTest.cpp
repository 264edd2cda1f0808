#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Hex.h"
#include "Tags.h"
#include "host/String.h"
#include "object/ObjTypes.h"
#include "object/Types.h"
#include "object/ValueText.h"

namespace {

using T = CBACnetTypes;

// ---------------------------------------------------------------- name grammar

TEST(ObjTypesTest, CreatePropertyNameGrammar)
{
    struct Row {
        unsigned type;
        const wchar_t* name;
        unsigned short hostType;
        int result;
        int propertyID;
        int arrayIndex;
        int subType;
        int dataType;
        const wchar_t* nameAfter;  // the caller's string after the call
    };
    const Row rows[] = {
        {0, L"PresentValue", 0, 1, 85, 0, 0, T::DT_REAL, L"PresentValue"},
        {0, L"presentvalue", 0, 1, 85, 0, 0, T::DT_REAL, L"presentvalue"},
        {0, L"85", 0, 1, 85, 0, 0, T::DT_REAL, L"85"},
        {0, L"085", 0, 1, 85, 0, 0, T::DT_REAL, L"085"},
        {0, L"1737", 0, 1, 1737, 0, 0, T::DT_ENUMERATED, L"1737"},
        {0, L"input_type", 0, 1, 1737, 0, 0, T::DT_ENUMERATED, L"input_type"},
        {0, L"0", 0, 1, 0, 0, 0, T::DT_BIT_STRING, L"0"},
        {0, L"StatusFlag.2", 0, 1, 111, 0, 2, T::DT_BIT_STRING, L"StatusFlag.2"},
        {0, L"ObjectID.instanceno", 0, 1, 75, 0, 1, T::DT_OBJECT_ID, L"ObjectID.instanceno"},
        {0, L"PresentValue.unknown", 0, 1, 85, 0, 0, T::DT_REAL, L"PresentValue.unknown"},
        {1, L"priorityarray[8]", 0, 1, 87, 8, 0, T::DT_PRIORITY_VALUE, L"8]"},
        {1, L"priorityarray[300]", 0, 1, 87, 300, 0, T::DT_PRIORITY_VALUE, L"300]"},
        {1, L"87[3].5", 0, 1, 87, 3, 5, T::DT_PRIORITY_VALUE, L"3].5"},
        {13, L"statetext[2]", T::HOST_TEXT, 1, 110, 2, 0, T::DT_CHARACTER_STRING, L"2]"},
        {8, L"localdate", T::HOST_TEXT, 1, 56, 0, 0, T::DT_DATE, L"localdate"},
        {8, L"localdate.year", 0, 1, 56, 0, 3, T::DT_DATE, L"localdate.year"},
        {8, L"localtime.minute", 0, 1, 57, 0, 2, T::DT_TIME, L"localtime.minute"},
        {3, L"COStime.hour", 0, 1, 16, 0, 7, T::DT_DATE_TIME, L"COStime.hour"},
        {16, L"user6", 0, 1, 2505, 0, 0, T::DT_REAL, L"user6"},
        {18, L"ObjectName", T::HOST_TEXT, 1, 77, 0, 0, T::DT_CHARACTER_STRING, L"ObjectName"},
        // refused
        {0, L"PresentValue", T::HOST_TEXT, 0, 0, 0, 0, 0, L"PresentValue"},
        {1, L"priorityarray", 0, 0, 0, 0, 0, 0, L"priorityarray"},
        {1, L"priorityarray[]", 0, 0, 0, 0, 0, 0, L"]"},
        {1, L"priorityarray[8", 0, 0, 0, 0, 0, 0, L"8"},
        {0, L"Description[1]", 0, 0, 0, 0, 0, 0, L"1]"},
        {0, L"NoSuchProperty", 0, 0, 0, 0, 0, 0, L"NoSuchProperty"},
        {0, L"", 0, 0, 0, 0, 0, 0, L""},
        {0, L"65621", 0, 0, 0, 0, 0, 0, L"65621"},  // 85 + 65536 must not wrap to 85
        {0, L"99999999999999999999", 0, 0, 0, 0, 0, 0, L"99999999999999999999"},
        {1, L"1737", 0, 0, 0, 0, 0, 0, L"1737"},  // not in the analog output list
        {9, L"... deleted property", 0, 0, 0, 0, 0, 0, L"... deleted property"},
        {10, L"PresentValue", 0, 0, 0, 0, 0, 0, L"PresentValue"},
        {1023, L"ObjectID", 0, 0, 0, 0, 0, 0, L"ObjectID"},
    };
    for (const Row& row : rows) {
        const std::string label = std::to_string(row.type) + " '" + HostWideToAnsi(row.name, wcslen(row.name)) + "'";
        CBACnetObjTypes prop(_BACnetObjectID(row.type, 1));
        CString name(row.name);
        unsigned short subType = 0xFFFF;
        ASSERT_EQ(row.result, prop.CreateProperty(name, subType, row.hostType)) << label;
        EXPECT_TRUE(name == row.nameAfter) << label;
        if (!row.result)
            continue;
        EXPECT_EQ(row.propertyID, prop.m_propertyID) << label;
        EXPECT_EQ(row.arrayIndex, prop.m_arrayIndex) << label;
        EXPECT_EQ(row.subType, subType) << label;
        EXPECT_EQ(row.dataType, prop.m_dataType) << label;
        EXPECT_NE(nullptr, prop.m_value) << label;
        EXPECT_NE(nullptr, prop.m_received) << label;
        EXPECT_EQ(-1, prop.IsChangeValue()) << label;
    }
}

// ---------------------------------------------------------------- requests

TEST(ObjTypesTest, RequestWireForms)
{
    struct Row {
        unsigned type;
        unsigned instance;
        const wchar_t* name;
        const char* multi;
        const char* single;
    };
    const Row rows[] = {
        {0, 5, L"PresentValue", "0C 00 00 00 05 1E 09 55 1F", "0C 00 00 00 05 19 55"},
        {2, 1, L"PresentValue", "0C 00 80 00 01 1E 09 55 1F", "0C 00 80 00 01 19 55"},
        {0, 5, L"1737", "0C 00 00 00 05 1E 0A 06 C9 1F", "0C 00 00 00 05 1A 06 C9"},
        {1, 1, L"priorityarray[8]", "0C 00 40 00 01 1E 09 57 19 08 1F", "0C 00 40 00 01 19 57 29 08"},
        {1, 1, L"priorityarray[300]", "0C 00 40 00 01 1E 09 57 1A 01 2C 1F", "0C 00 40 00 01 19 57 2A 01 2C"},
        {8, 0x3FFFFF, L"ObjectID", "0C 02 3F FF FF 1E 09 4B 1F", "0C 02 3F FF FF 19 4B"},
        {18, 70000, L"PresentValue", "0C 25 C0 11 70 1E 09 55 1F", "0C 25 C0 11 70 19 55"},
        {18, 7, L"1836", "0C 25 C0 00 07 1E 0A 07 2C 1F", "0C 25 C0 00 07 1A 07 2C"},
        {20, 0x3F0007, L"PresentValue", "0C 05 C0 00 07 1E 09 55 1F", "0C 05 C0 00 07 19 55"},
        {16, 2, L"User10", "0C 04 00 00 02 1E 0A 09 CD 1F", "0C 04 00 00 02 1A 09 CD"},
    };
    for (const Row& row : rows) {
        auto prop = Bind(row.type, row.instance, row.name);
        ASSERT_TRUE(prop) << row.multi;
        unsigned char buf[32];
        int len = 0;
        EXPECT_EQ(1, prop->MakeFrameToMulti(buf, len));
        EXPECT_EQ(row.multi, ToHex(buf, len));
        len = 0;
        EXPECT_EQ(1, prop->MakeFrameToSingle(buf, len));
        EXPECT_EQ(row.single, ToHex(buf, len));
    }
}

TEST(ObjTypesTest, RequestsAppendAtTheCursor)
{
    auto prop = Bind(0, 5, L"PresentValue");
    unsigned char buf[32] = {0xAA, 0xBB};
    int len = 2;
    prop->MakeFrameToMulti(buf, len);
    prop->MakeFrameToSingle(buf, len);
    EXPECT_EQ("AA BB 0C 00 00 00 05 1E 09 55 1F 0C 00 00 00 05 19 55", ToHex(buf, len));
}

// ---------------------------------------------------------------- replies

enum Decoder { MULTI, SINGLE };

struct ReplyRow {
    const char* name;
    unsigned type;
    unsigned instance;
    const wchar_t* property;
    unsigned short hostType;
    Decoder decoder;
    const char* wire;
    int result;
    int consumed;
    int changeState;
    const char* value;  // GetValue into a tag, or "none" when no value waits
};

const ReplyRow kReplies[] = {
    {"real", 0, 5, L"PresentValue", 0, MULTI,
     "0C 00 00 00 05 1E 29 55 4E 44 42 C8 00 00 4F 1F", 1, 16, 1, "100"},
    {"real, single", 0, 5, L"PresentValue", 0, SINGLE,
     "0C 00 00 00 05 19 55 3E 44 42 C8 00 00 3F", 1, 14, 1, "100"},
    {"real, single, bare value", 0, 5, L"PresentValue", 0, SINGLE,
     "0C 00 00 00 05 19 55 44 42 C8 00 00", 1, 12, 1, "100"},
    {"access error", 0, 5, L"PresentValue", 0, MULTI,
     "0C 00 00 00 05 1E 29 55 5E 91 02 91 20 5F 1F", 1, 15, 0, "none"},
    {"access error, two-octet code", 0, 5, L"PresentValue", 0, MULTI,
     "0C 00 00 00 05 1E 29 55 5E 91 02 92 01 20 5F 1F", 1, 16, 0, "none"},
    {"neither value nor error", 0, 5, L"PresentValue", 0, MULTI,
     "0C 00 00 00 05 1E 29 55 1F", 1, 9, -1, "none"},
    {"two-octet property", 0, 5, L"1737", 0, MULTI,
     "0C 00 00 00 05 1E 2A 06 C9 4E 91 03 4F 1F", 1, 14, 1, "3"},
    {"small property in two octets", 0, 5, L"PresentValue", 0, MULTI,
     "0C 00 00 00 05 1E 2A 00 55 4E 44 42 C8 00 00 4F 1F", 1, 17, 1, "100"},
    {"priority null", 1, 1, L"priorityarray[8]", 0, MULTI,
     "0C 00 40 00 01 1E 29 57 39 08 4E 00 4F 1F", 1, 14, 1, "-1"},
    {"priority null, host type 3", 1, 1, L"priorityarray[8]", 3, MULTI,
     "0C 00 40 00 01 1E 29 57 39 08 4E 00 4F 1F", 1, 14, 1, "0"},
    {"priority unsigned", 1, 1, L"priorityarray[8]", 2, SINGLE,
     "0C 00 40 00 01 19 57 29 08 3E 21 07 3F", 1, 13, 1, "7"},
    {"priority real", 1, 1, L"priorityarray[8]", T::HOST_FLOAT, MULTI,
     "0C 00 40 00 01 1E 29 57 39 08 4E 44 42 C8 00 00 4F 1F", 1, 18, 1, "100"},
    {"two-octet index", 1, 1, L"priorityarray[300]", 2, MULTI,
     "0C 00 40 00 01 1E 29 57 3A 01 2C 4E 21 05 4F 1F", 1, 16, 1, "5"},
    {"binary pv", 3, 2, L"PresentValue", 0, MULTI,
     "0C 00 C0 00 02 1E 29 55 4E 91 01 4F 1F", 1, 13, 1, "1"},
    {"boolean", 17, 2, L"PresentValue", 0, MULTI,
     "0C 04 40 00 02 1E 29 55 4E 11 4F 1F", 1, 12, 1, "1"},
    {"unsigned", 13, 2, L"PresentValue", 0, SINGLE,
     "0C 03 40 00 02 19 55 3E 21 03 3F", 1, 11, 1, "3"},
    {"object name as text", 8, 1, L"ObjectName", T::HOST_TEXT, MULTI,
     "0C 02 00 00 01 1E 29 4D 4E 75 06 00 48 61 6C 6C 6F 4F 1F", 1, 19, 1, "text 'Hallo'"},
    {"long object name is cut", 8, 1, L"ObjectName", T::HOST_TEXT, SINGLE,
     "0C 02 00 00 01 19 4D 3E 75 5A 00"
     " 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41"
     " 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41"
     " 42 42 42 42 42 42 42 42 42 42 42 42 42 42 42 42 42 42 42 42 43 43 43 43 43 43 43 43 43 3F",
     1, 101, 1,
     "text 'AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAABBBBBBBBBBBBBBBBBBBB'"},
    {"local date as text", 8, 1, L"localdate", T::HOST_TEXT, SINGLE,
     "0C 02 00 00 01 19 38 3E A4 6D 03 0F 07 3F", 1, 14, 1, "text '2009/3/15'"},
    {"local time hundredths", 8, 1, L"localtime", 0, MULTI,
     "0C 02 00 00 01 1E 29 39 4E B4 0C 22 38 4E 4F 1F", 1, 16, 1, "78"},
    {"status flags", 0, 5, L"StatusFlag", 0, MULTI,
     "0C 00 00 00 05 1E 29 6F 4E 82 04 40 4F 1F", 1, 14, 1, "0"},
    {"object identifier", 8, 1, L"ObjectID", 0, MULTI,
     "0C 02 00 00 01 1E 29 4B 4E C4 02 00 00 01 4F 1F", 1, 16, 1, "8"},
    {"date-time", 3, 3, L"COStime", T::HOST_TEXT, MULTI,
     "0C 00 C0 00 03 1E 29 10 4E A4 6D 03 0F 07 B4 0C 22 38 4E 4F 1F", 1, 21, 1, "text '2009/3/15 12:34:56'"},
    {"date-time null", 3, 3, L"COStime", 0, MULTI,
     "0C 00 C0 00 03 1E 29 10 4E 00 4F 1F", 1, 12, 1, "0"},
    {"accumulator under its BACnet type", 20, 9, L"PresentValue", 0, SINGLE,
     "0C 05 C0 00 09 19 55 3E 21 2A 3F", 1, 11, 1, "42"},
    {"program user value, a Real wider than its catalogue size", 16, 2, L"User1", 0, SINGLE,
     "0C 04 00 00 02 1A 09 C4 3E 44 42 C8 00 00 3F", 1, 15, 1, "100"},
    // refused
    {"another object", 0, 5, L"PresentValue", 0, MULTI,
     "0C 00 00 00 06 1E 29 55 4E 44 42 C8 00 00 4F 1F", 0, 5, -1, "none"},
    {"another property", 0, 5, L"PresentValue", 0, MULTI,
     "0C 00 00 00 05 1E 29 56 4E 44 42 C8 00 00 4F 1F", 0, 7, -1, "none"},
    {"one-octet form of a large property", 0, 5, L"1737", 0, MULTI,
     "0C 00 00 00 05 1E 29 C9 4E 91 03 4F 1F", 0, 7, -1, "none"},
    {"no opening tag 1", 0, 5, L"PresentValue", 0, MULTI,
     "0C 00 00 00 05 29 55 4E 44 42 C8 00 00 4F 1F", 0, 5, -1, "none"},
    {"another index", 1, 1, L"priorityarray[8]", 0, MULTI,
     "0C 00 40 00 01 1E 29 57 39 09 4E 00 4F 1F", 0, 9, -1, "none"},
    {"index missing", 1, 1, L"priorityarray[8]", 0, MULTI,
     "0C 00 40 00 01 1E 29 57 4E 00 4F 1F", 0, 8, -1, "none"},
    {"short identifier", 0, 5, L"PresentValue", 0, MULTI,
     "0B 00 00 05 1E 29 55 4E 44 42 C8 00 00 4F 1F", 0, 1, -1, "none"},
    {"value too long", 0, 5, L"PresentValue", 0, MULTI,
     "0C 00 00 00 05 1E 29 55 4E 55 08 3F F8 00 00 00 00 00 00 4F 1F", 0, 11, -1, "none"},
    {"context-tagged value", 0, 5, L"PresentValue", 0, SINGLE,
     "0C 00 00 00 05 19 55 3E 0C 42 C8 00 00 3F", 0, 9, -1, "none"},
    {"closing 4F missing takes nothing", 0, 5, L"PresentValue", 0, MULTI,
     "0C 00 00 00 05 1E 29 55 4E 44 42 C8 00 00 1F", 0, 14, -1, "none"},
    {"closing 1F missing takes nothing", 0, 5, L"PresentValue", 0, MULTI,
     "0C 00 00 00 05 1E 29 55 4E 44 42 C8 00 00 4F 0C", 0, 15, -1, "none"},
    {"error without 5F takes nothing", 0, 5, L"PresentValue", 0, MULTI,
     "0C 00 00 00 05 1E 29 55 5E 91 02 91 20 1F", 0, 13, -1, "none"},
    {"error not enumerated", 0, 5, L"PresentValue", 0, MULTI,
     "0C 00 00 00 05 1E 29 55 5E 21 02 91 20 5F 1F", 0, 10, -1, "none"},
    {"date-time without its time", 3, 3, L"COStime", 0, MULTI,
     "0C 00 C0 00 03 1E 29 10 4E A4 6D 03 0F 07 4F 1F", 0, 15, -1, "none"},
    {"date-time starting with a time", 3, 3, L"COStime", 0, MULTI,
     "0C 00 C0 00 03 1E 29 10 4E B4 0C 22 38 4E A4 6D 03 0F 07 4F 1F", 0, 14, -1, "none"},
};

TEST(ObjTypesTest, RepliesDecodeAndRaiseTheChangeState)
{
    for (const ReplyRow& row : kReplies) {
        auto prop = Bind(row.type, row.instance, row.property);
        ASSERT_TRUE(prop) << row.name;
        Received wire(row.wire);
        int len = 0;
        const int result = row.decoder == MULTI ? prop->ReadFrameToMulti(wire.buf(), len, wire.end())
                                                : prop->ReadFrameToSingle(wire.buf(), len, wire.end());
        EXPECT_EQ(row.result, result) << row.name;
        EXPECT_EQ(row.consumed, len) << row.name;
        EXPECT_EQ(row.changeState, prop->IsChangeValue()) << row.name;
        CTagVal value;
        value.SetVal(L"untouched");
        const int got = prop->GetValue(value, row.hostType, 0);
        EXPECT_EQ(row.value, got ? Describe(value) : std::string("none")) << row.name;
    }
}

// The forms without an end give the same results on whole replies.
TEST(ObjTypesTest, UnboundedDecodersMatchOnWholeReplies)
{
    for (const ReplyRow& row : kReplies) {
        auto prop = Bind(row.type, row.instance, row.property);
        Received wire(row.wire);
        int len = 0;
        const int result = row.decoder == MULTI ? prop->ReadFrameToMulti(wire.buf(), len)
                                                : prop->ReadFrameToSingle(wire.buf(), len);
        EXPECT_EQ(row.result, result) << row.name;
        EXPECT_EQ(row.consumed, len) << row.name;
    }
}

// Every prefix of every reply: refused, nothing read past the received
// octets, and the cursor inside them.
TEST(ObjTypesTest, TruncatedRepliesAreRefused)
{
    for (const ReplyRow& row : kReplies) {
        EXPECT_EQ(CutsTaken(row.wire, [&](unsigned char* buf, int& len, int end) {
                      auto prop = Bind(row.type, row.instance, row.property);
                      return row.decoder == MULTI ? prop->ReadFrameToMulti(buf, len, end)
                                                  : prop->ReadFrameToSingle(buf, len, end);
                  }), "")
            << row.name;
    }
}

// A ReadPropertyMultiple acknowledgement holds one result per entry, one
// after the other: each entry starts where the previous one left the cursor.
TEST(ObjTypesTest, ResultsOfARunShareOneCursor)
{
    auto first = Bind(0, 5, L"PresentValue");
    auto second = Bind(1, 1, L"priorityarray[8]");
    auto third = Bind(8, 1, L"ObjectName", T::HOST_TEXT);
    Received wire("0C 00 00 00 05 1E 29 55 4E 44 42 C8 00 00 4F 1F"
                  " 0C 00 40 00 01 1E 29 57 39 08 5E 91 02 91 20 5F 1F"
                  " 0C 02 00 00 01 1E 29 4D 4E 74 00 41 42 43 4F 1F");
    int len = 0;
    EXPECT_EQ(1, first->ReadFrameToMulti(wire.buf(), len, wire.end()));
    EXPECT_EQ(16, len);
    EXPECT_EQ(1, second->ReadFrameToMulti(wire.buf(), len, wire.end()));
    EXPECT_EQ(33, len);
    EXPECT_EQ(1, third->ReadFrameToMulti(wire.buf(), len, wire.end()));
    EXPECT_EQ(wire.end(), len);
    EXPECT_EQ(1, first->IsChangeValue());
    EXPECT_EQ(0, second->IsChangeValue());
    EXPECT_EQ(1, third->IsChangeValue());
}

// ---------------------------------------------------------------- change detection

TEST(ObjTypesTest, ChangeStateAcrossSuccessiveReads)
{
    auto prop = Bind(0, 5, L"PresentValue");
    struct Step {
        const char* wire;
        int changeState;   // after the read
        const char* value; // GetValue, then ResetChangeValue when one was taken
    };
    const Step steps[] = {
        {"0C 00 00 00 05 1E 29 55 4E 44 00 00 00 00 4F 1F", 1, "0"},    // the first value always counts, even 0
        {"0C 00 00 00 05 1E 29 55 4E 44 00 00 00 00 4F 1F", 0, "none"}, // same value after the reset
        {"0C 00 00 00 05 1E 29 55 4E 44 42 C8 00 00 4F 1F", 1, "100"},
        {"0C 00 00 00 05 1E 29 55 4E 44 42 C8 00 00 4F 1F", 0, "none"},
        {"0C 00 00 00 05 1E 29 55 4E 00 4F 1F", 1, "0"},                 // Null differs from 0
        {"0C 00 00 00 05 1E 29 55 4E 00 4F 1F", 0, "none"},
        {"0C 00 00 00 05 1E 29 55 4E 44 00 00 00 00 4F 1F", 1, "0"},     // 0 after Null differs too
        {"0C 00 00 00 05 1E 29 55 4E 44 42 CA 00 00 4F 1F", 1, "101"},
        {"0C 00 00 00 05 1E 29 55 5E 91 02 91 20 5F 1F", 0, "none"},     // an access error clears it
        {"0C 00 00 00 05 1E 29 55 4E 44 42 CA 00 00 4F 1F", 0, "none"},  // unchanged since the error
    };
    int index = 0;
    for (const Step& step : steps) {
        Received wire(step.wire);
        int len = 0;
        ASSERT_EQ(1, prop->ReadFrameToMulti(wire.buf(), len, wire.end())) << "step " << index;
        EXPECT_EQ(step.changeState, prop->IsChangeValue()) << "step " << index;
        CTagVal value;
        if (prop->GetValue(value, 0, 0)) {
            EXPECT_EQ(step.value, Describe(value)) << "step " << index;
            prop->ResetChangeValue();
        } else {
            EXPECT_STREQ(step.value, "none") << "step " << index;
        }
        index++;
    }
}

// ---------------------------------------------------------------- writing

TEST(ObjTypesTest, SetValueEncodesForTheBoundDataType)
{
    struct Row {
        unsigned type;
        const wchar_t* property;
        bool text;
        double number;
        const wchar_t* textValue;
        int result;
        const char* wire;
    };
    const Row rows[] = {
        {0, L"PresentValue", false, 21.5, nullptr, 1, "44 41 AC 00 00"},
        {3, L"PresentValue", false, 1, nullptr, 1, "91 01"},
        {13, L"PresentValue", false, 3, nullptr, 1, "24 00 00 00 03"},
        {0, L"OutOfService", false, 1, nullptr, 1, "11"},
        {1, L"priorityarray[8]", false, -1, nullptr, 1, "00"},
        {0, L"Description", true, 0, L"Hi", 1, "74 00 48 69 00"},
        {0, L"Description", false, 5, nullptr, 1, ""},
        {0, L"PresentValue", true, 0, L"5", 0, ""},
        {8, L"localdate", false, 1, nullptr, 0, ""},
    };
    for (const Row& row : rows) {
        auto prop = Bind(row.type, 1, row.property);
        ASSERT_TRUE(prop);
        CTagVal value;
        if (row.text)
            value.SetVal(row.textValue);
        else
            value.SetVal(row.number);
        unsigned char buf[64];
        int len = 0;
        EXPECT_EQ(row.result, prop->SetValue(buf, len, value, 0, 0)) << row.wire;
        EXPECT_EQ(row.wire, ToHex(buf, len));
    }
}

// A description's scratch buffer holds 84 octets: 83 characters and the 0.
TEST(ObjTypesTest, SetValueNeverWritesPastTheScratchBuffer)
{
    auto prop = Bind(0, 1, L"Description");
    std::vector<unsigned char> buf(300);
    CTagVal value;
    int len = 0;
    value.SetVal(std::wstring(83, L'd').c_str());
    EXPECT_EQ(1, prop->SetValue(buf.data(), len, value, 0, 0));
    EXPECT_EQ(87, len);
    len = 0;
    value.SetVal(std::wstring(200, L'd').c_str());
    EXPECT_EQ(0, prop->SetValue(buf.data(), len, value, 0, 0));
    EXPECT_EQ(0, len);
}

// ---------------------------------------------------------------- ownership

TEST(ObjTypesTest, CopiesOwnTheirBuffers)
{
    auto prop = Bind(0, 5, L"PresentValue");
    Received wire("0C 00 00 00 05 1E 29 55 4E 44 42 C8 00 00 4F 1F");
    int len = 0;
    ASSERT_EQ(1, prop->ReadFrameToMulti(wire.buf(), len, wire.end()));

    CBACnetObjTypes copy(*prop);
    EXPECT_NE(prop->m_value, copy.m_value);
    EXPECT_NE(prop->m_received, copy.m_received);
    EXPECT_EQ(85, copy.m_propertyID);
    EXPECT_EQ(1, copy.IsChangeValue());
    CTagVal value;
    ASSERT_EQ(1, copy.GetValue(value, 0, 0));
    EXPECT_EQ("100", Describe(value));

    CBACnetObjTypes assigned(_BACnetObjectID(8, 1));
    unsigned short subType;
    CString name(L"ObjectName");
    ASSERT_EQ(1, assigned.CreateProperty(name, subType, 0));
    assigned = *prop;
    EXPECT_NE(prop->m_value, assigned.m_value);
    EXPECT_EQ(4, assigned.m_dataSize);
    CBACnetObjTypes& alias = assigned;
    assigned = alias;  // self-assignment keeps everything
    ASSERT_NE(nullptr, assigned.m_value);
    ASSERT_EQ(1, assigned.GetValue(value, 0, 0));
    EXPECT_EQ("100", Describe(value));

    CBACnetObjTypes unbound(_BACnetObjectID(0, 1));
    assigned = unbound;
    EXPECT_EQ(nullptr, assigned.m_value);
    EXPECT_EQ(nullptr, assigned.m_received);
    CBACnetObjTypes unboundCopy(unbound);
    EXPECT_EQ(nullptr, unboundCopy.m_value);
}  // every object releases its own buffers once

TEST(ObjTypesTest, RebindingReplacesTheBuffers)
{
    CBACnetObjTypes prop(_BACnetObjectID(0, 5));
    unsigned short subType;
    CString name(L"PresentValue");
    ASSERT_EQ(1, prop.CreateProperty(name, subType, 0));
    Received wire("0C 00 00 00 05 1E 29 55 4E 44 42 C8 00 00 4F 1F");
    int len = 0;
    ASSERT_EQ(1, prop.ReadFrameToMulti(wire.buf(), len, wire.end()));

    name = L"Description";
    ASSERT_EQ(1, prop.CreateProperty(name, subType, 0));  // the old buffers go (LeakSanitizer)
    EXPECT_EQ(28, prop.m_propertyID);
    EXPECT_EQ(-1, prop.IsChangeValue());

    // Refused after the property was found: the fields describe another
    // size than the buffers, so the object is left unbound.
    name = L"PresentValue[2]";
    EXPECT_EQ(0, prop.CreateProperty(name, subType, 0));
    EXPECT_EQ(85, prop.m_propertyID);
    EXPECT_EQ(nullptr, prop.m_value);
    len = 0;
    EXPECT_EQ(0, prop.ReadFrameToMulti(wire.buf(), len, wire.end()));
    EXPECT_EQ(0, len);

    // Refused before any property was found: the binding stays.
    name = L"Description";
    ASSERT_EQ(1, prop.CreateProperty(name, subType, 0));
    name = L"NoSuchProperty";
    EXPECT_EQ(0, prop.CreateProperty(name, subType, 0));
    EXPECT_EQ(28, prop.m_propertyID);
    EXPECT_NE(nullptr, prop.m_value);
}

TEST(ObjTypesTest, UnboundObjectsDecodeNothing)
{
    CBACnetObjTypes prop(_BACnetObjectID(0, 5));
    EXPECT_EQ(-1, prop.IsChangeValue());
    Received wire("0C 00 00 00 05 19 55 3E 44 42 C8 00 00 3F");
    int len = 0;
    EXPECT_EQ(0, prop.ReadFrameToSingle(wire.buf(), len, wire.end()));
    EXPECT_EQ(0, prop.ReadFrameToMulti(wire.buf(), len, wire.end()));
    EXPECT_EQ(0, len);
    CTagVal value;
    EXPECT_EQ(0, prop.GetValue(value, 0, 0));
    unsigned char buf[16];
    value.SetVal(1.0);
    EXPECT_EQ(0, prop.SetValue(buf, len, value, 0, 0));
}

}  // namespace
