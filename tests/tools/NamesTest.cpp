// Objects, properties and values as the command line names them, and the
// text they print as, which must read back.
#include <gtest/gtest.h>

#include "Names.h"
#include "Output.h"
#include "PropertyValues.h"
#include "Values.h"

using namespace tool;

TEST(Names, ObjectsInEveryForm)
{
    struct Row {
        const char* text;
        bool ok;
        unsigned type, instance;  // the BACnet object type
    };
    const Row rows[] = {
        {"Analog-Input:1", true, 0, 1},   {"ai,3", true, 0, 3},            {"0:1", true, 0, 1},
        {"device:4194303", true, 8, 4194303},
        {"AnalogInput:2", true, 0, 2},    // the catalogue's long name
        {"AC:7", true, 23, 7},            {"EN:1", true, 151, 1},          {"PC:1", true, 152, 1},
        {"1024:1", false, 0, 0},          {"AI:4194304", false, 0, 0},     {"XX:1", false, 0, 0},
        {"AI", false, 0, 0},              {"AI:-1", false, 0, 0},          {"AI:", false, 0, 0},
        {":1", false, 0, 0},              {"AI:1x", false, 0, 0},
    };
    for (const Row& row : rows) {
        _BACnetObjectID id;
        std::string error;
        ASSERT_EQ(ParseObject(row.text, id, &error), row.ok) << row.text;
        if (row.ok) {
            EXPECT_EQ(id.m_type, row.type) << row.text;
            EXPECT_EQ(id.m_instance, row.instance) << row.text;
        } else {
            EXPECT_FALSE(error.empty()) << row.text;
        }
    }
}

TEST(Names, EveryObjectTypePrintsAsItReadsBack)
{
    for (unsigned type = 0; type < 1024; type++) {
        const _BACnetObjectID id(type, 4194303 - type);
        const std::string text = ObjectText(id);
        _BACnetObjectID back;
        ASSERT_TRUE(ParseObject(text, back, nullptr)) << text;
        EXPECT_EQ(back.GetValue(), id.GetValue()) << text;
    }
    EXPECT_EQ(ObjectText(_BACnetObjectID(0, 1)), "analog-input:1");
    EXPECT_EQ(ObjectText(_BACnetObjectID(19, 1)), "multi-state-value:1");
    EXPECT_EQ(ObjectText(_BACnetObjectID(300, 1)), "300:1");
}

TEST(Names, PropertiesByStandardNameCatalogueNameOrNumber)
{
    struct Row {
        const char* text;
        long id;
        bool hasIndex;
        unsigned long index;
        const char* key;
    };
    const Row rows[] = {
        {"present-value", 85, false, 0, ""},       {"PRESENT_VALUE", 85, false, 0, ""},
        {"PresentValue", 85, false, 0, ""},        {"presentvalue", 85, false, 0, ""},
        {"priority-array[8]", 87, true, 8, ""},    {"priorityarray[0]", 87, true, 0, ""},
        {"local-date.year", 56, false, 0, "year"}, {"localdate.year", 56, false, 0, "year"},
        {"9999", 9999, false, 0, ""},              {"4194303", 4194303, false, 0, ""},
        {"object-list[4294967294]", 76, true, 4294967294UL, ""},
        {"4194304", 4194304, false, 0, ""},        // max-bvlc-length-accepted, named above the vendors' range
        {"4194400", -1, false, 0, ""},             {"object-list[4294967295]", -1, false, 0, ""},
        {"x[2].hour", -1, false, 0, ""},           {"present-value[", -1, false, 0, ""},
        {"present-value[1]x", -1, false, 0, ""},   {"", -1, false, 0, ""},
    };
    for (const Row& row : rows) {
        PropertyRef ref;
        std::string error;
        const bool ok = ParseProperty(row.text, ref, &error);
        ASSERT_EQ(ok, row.id >= 0) << row.text;
        if (!ok) {
            EXPECT_FALSE(error.empty()) << row.text;
            continue;
        }
        EXPECT_EQ(ref.id, row.id) << row.text;
        EXPECT_EQ(ref.hasIndex, row.hasIndex) << row.text;
        EXPECT_EQ(ref.index, row.index) << row.text;
        EXPECT_EQ(ref.key, row.key) << row.text;
    }
    EXPECT_EQ(PropertyName(4000000), "4000000");
}

TEST(Names, DatesAndTimesInIso8601)
{
    DWORD date;
    ASSERT_TRUE(ParseDate("2024-12-25", date));
    EXPECT_EQ(date, DWORD(124) << 24 | 12 << 16 | 25 << 8 | 3);  // a Wednesday
    EXPECT_EQ(DateText(date), "2024-12-25");
    EXPECT_EQ(DateText(0xFFFFFFFF), "*-*-*");
    EXPECT_EQ(DateText(0xFFFFFF01), "*-*-* (Mon)");
    EXPECT_FALSE(ParseDate("2024-13-01", date));
    EXPECT_FALSE(ParseDate("2024-12-25x", date));
    EXPECT_EQ(CsvCell("Zone 1"), "Zone 1");
    EXPECT_EQ(CsvCell("a,\"b\""), "\"a,\"\"b\"\"\"");
}

TEST(Values, PrintWithTheStandardsNames)
{
    struct Row {
        CBACnetValue value;
        unsigned objectType;
        unsigned long property;
        const char* text;
    };
    std::vector<bool> flags = {false, true, false, true};
    std::vector<bool> services(49, false);
    services[12] = services[14] = services[48] = true;
    const Row rows[] = {
        {CBACnetValue::Enumerated(1), 5, 85, "active"},
        {CBACnetValue::Enumerated(1), 5, 87, "active"},  // a priority-array element of a binary value
        {CBACnetValue::Enumerated(1), 0, 85, "1"},
        {CBACnetValue::Enumerated(70000), 0, 117, "70000"},
        {CBACnetValue::Bits(flags), 0, 111, "{fault, out-of-service}"},
        {CBACnetValue::Bits(services), 8, 97, "{read-property, read-property-multiple, you-are}"},
        {CBACnetValue::Bits(flags), 0, 9999, "B'0101'"},
        {CBACnetValue::Date(DWORD(125) << 24 | 1 << 16 | 2 << 8 | 4), 8, 56, "2025-01-02"},
        {CBACnetValue::Time(DWORD(8) << 24 | 5 << 16 | 1 << 8 | 50), 8, 57, "08:05:01.50"},
        {CBACnetValue::Double(0.1), 46, 85, "0.1"},
        {CBACnetValue::Text("Caf\xC3\xA9 \"1\""), 0, 77, "\"Caf\xC3\xA9 \\\"1\\\"\""},
        {CBACnetValue::Null(), 1, 87, "null"},
        {CBACnetValue::Unsigned(18446744073709551615ull), 19, 85, "18446744073709551615"},
        {CBACnetValue::Signed(-5), 45, 85, "-5"},
        {CBACnetValue::Octets({0x01, 0xAB}), 47, 85, "X'01 AB'"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ValueText(row.value, ValueContext{row.objectType, row.property}), row.text) << row.text;
}

TEST(Values, TextBecomesTheValueOfItsTag)
{
    struct Row {
        const char* text;
        int tag;
        unsigned objectType;
        unsigned long property;
        bool ok;
        const char* printed;  // the value printed back
    };
    using T = CBACnetTag;
    const Row rows[] = {
        {"null", T::TYPE_REAL, 1, 85, true, "null"},
        {"NULL", T::TYPE_ENUMERATED, 5, 85, true, "null"},
        {"42.5", T::TYPE_REAL, 1, 85, true, "42.5"},
        {"active", T::TYPE_ENUMERATED, 5, 85, true, "active"},
        {"1", T::TYPE_ENUMERATED, 5, 85, true, "active"},
        {"degrees-fahrenheit", T::TYPE_ENUMERATED, 0, 117, true, "degrees-fahrenheit"},
        {"warm", T::TYPE_ENUMERATED, 0, 117, false, ""},
        {"3", T::TYPE_UNSIGNED, 19, 85, true, "3"},
        {"-3", T::TYPE_UNSIGNED, 19, 85, false, ""},
        {"18446744073709551616", T::TYPE_UNSIGNED, 19, 85, false, ""},
        {"-9", T::TYPE_SIGNED, 45, 85, true, "-9"},
        {"x", T::TYPE_REAL, 1, 85, false, ""},
        {"true", T::TYPE_BOOLEAN, 0, 81, true, "true"},
        {"maybe", T::TYPE_BOOLEAN, 0, 81, false, ""},
        {"\xD0\x97\xD0\xB0\xD0\xBB", T::TYPE_CHARACTER_STRING, 2, 77, true, "\"\xD0\x97\xD0\xB0\xD0\xBB\""},
        {"2025-01-02", T::TYPE_DATE, 8, 56, true, "2025-01-02"},
        {"2025-02-30x", T::TYPE_DATE, 8, 56, false, ""},
        {"08:05", T::TYPE_TIME, 8, 57, true, "08:05:00"},
        {"24:00", T::TYPE_TIME, 8, 57, false, ""},
        {"analog-input:1", T::TYPE_OBJECT_ID, 8, 9999, true, "analog-input:1"},
        {"0101", T::TYPE_BIT_STRING, 0, 9999, true, "B'0101'"},
        {"01a", T::TYPE_BIT_STRING, 0, 9999, false, ""},
        {"01ab", T::TYPE_OCTET_STRING, 47, 85, true, "X'01 AB'"},
    };
    for (const Row& row : rows) {
        CBACnetValue value;
        std::string error;
        const ValueContext where{row.objectType, row.property};
        ASSERT_EQ(ValueFromText(row.text, row.tag, where, value, error), row.ok) << row.text;
        if (row.ok)
            EXPECT_EQ(ValueText(value, where), row.printed) << row.text;
        else
            EXPECT_FALSE(error.empty()) << row.text;
    }
}
