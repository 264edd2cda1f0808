// Objects, properties and values as the command line names them, and the
// text they print as, which must read back.
#include <gtest/gtest.h>

#include "Names.h"
#include "Output.h"
#include "Values.h"

using namespace tool;

// Objects by the standard's name, a short name, the catalogue's name or a
// number; every type prints in a form that reads back.
TEST(Names, ObjectsInEveryFormReadBack)
{
    struct Row {
        const char* text;
        bool ok;
        unsigned type, instance;  // the BACnet object type
    };
    const Row rows[] = {
        {"Analog-Input:1", true, 0, 1}, {"ai,3", true, 0, 3},       {"0:1", true, 0, 1},   {"AC:7", true, 23, 7},
        {"device:4194303", true, 8, 4194303},                       {"AnalogInput:2", true, 0, 2},
        {"EN:1", true, 151, 1},         {"PC:1", true, 152, 1},     {"1024:1", false, 0, 0},
        {"AI:4194304", false, 0, 0},    {"XX:1", false, 0, 0},      {"AI", false, 0, 0},   {"AI:-1", false, 0, 0},
        {"AI:", false, 0, 0},           {":1", false, 0, 0},        {"AI:1x", false, 0, 0},
    };
    for (const Row& row : rows) {
        _BACnetObjectID id;
        std::string error;
        ASSERT_EQ(ParseObject(row.text, id, &error), row.ok) << row.text;
        EXPECT_EQ(error.empty(), row.ok) << row.text;
        if (row.ok) {
            EXPECT_EQ(id.GetValue(), _BACnetObjectID(row.type, row.instance).GetValue()) << row.text;
        }
    }
    for (unsigned type = 0; type < 1024; type++) {
        const _BACnetObjectID id(type, 4194303 - type);
        _BACnetObjectID back;
        ASSERT_TRUE(ParseObject(ObjectText(id), back, nullptr)) << ObjectText(id);
        EXPECT_EQ(back.GetValue(), id.GetValue()) << ObjectText(id);
    }
    EXPECT_EQ(ObjectText(_BACnetObjectID(19, 1)), "multi-state-value:1");
    EXPECT_EQ(ObjectText(_BACnetObjectID(300, 1)), "300:1");
}

TEST(Names, PropertiesByStandardNameCatalogueNameOrNumber)
{
    struct Row {
        const char* text;
        long id;           // -1: refused
        long long index;   // -1: none
        const char* key;
    };
    const Row rows[] = {
        {"present-value", 85, -1, ""},       {"PRESENT_VALUE", 85, -1, ""},      {"PresentValue", 85, -1, ""},
        {"presentvalue", 85, -1, ""},        {"priority-array[8]", 87, 8, ""},   {"priorityarray[0]", 87, 0, ""},
        {"local-date.year", 56, -1, "year"}, {"localdate.year", 56, -1, "year"}, {"9999", 9999, -1, ""},
        {"4194303", 4194303, -1, ""},        {"object-list[4294967294]", 76, 4294967294LL, ""},
        {"4194304", 4194304, -1, ""},  // max-bvlc-length-accepted, named above the vendors' range
        {"4194400", -1, -1, ""},             {"object-list[4294967295]", -1, -1, ""},
        {"x[2].hour", -1, -1, ""},           {"present-value[", -1, -1, ""},     {"present-value[1]x", -1, -1, ""},
        {"", -1, -1, ""},
    };
    for (const Row& row : rows) {
        PropertyRef ref;
        std::string error;
        ASSERT_EQ(ParseProperty(row.text, ref, &error), row.id >= 0) << row.text;
        EXPECT_EQ(error.empty(), row.id >= 0) << row.text;
        if (row.id < 0)
            continue;
        EXPECT_EQ(ref.id, row.id) << row.text;
        EXPECT_EQ(ref.hasIndex, row.index >= 0) << row.text;
        EXPECT_EQ(ref.index, row.index >= 0 ? static_cast<unsigned long>(row.index) : 0) << row.text;
        EXPECT_EQ(ref.key, row.key) << row.text;
    }
    EXPECT_EQ(PropertyName(4000000), "4000000");
}

// A value typed on the command line for a tag, printed back by the
// standard's names where the object and property have them.
TEST(Values, TextBecomesTheValueOfItsTagAndPrintsBack)
{
    struct Row {
        const char* text;
        int tag;
        unsigned objectType;
        unsigned long property;
        const char* printed;  // nullptr: refused
    };
    using T = CBACnetTag;
    const Row rows[] = {
        {"NULL", T::TYPE_REAL, 1, 85, "null"},
        {"42.5", T::TYPE_REAL, 1, 85, "42.5"},
        {"0.1", T::TYPE_DOUBLE, 46, 85, "0.1"},
        {"x", T::TYPE_REAL, 1, 85, nullptr},
        {"active", T::TYPE_ENUMERATED, 5, 85, "active"},
        {"1", T::TYPE_ENUMERATED, 5, 87, "active"},  // a priority-array element of a binary value
        {"1", T::TYPE_ENUMERATED, 0, 85, "1"},
        {"degrees-fahrenheit", T::TYPE_ENUMERATED, 0, 117, "degrees-fahrenheit"},
        {"70000", T::TYPE_ENUMERATED, 0, 117, "70000"},
        {"warm", T::TYPE_ENUMERATED, 0, 117, nullptr},
        {"18446744073709551615", T::TYPE_UNSIGNED, 19, 85, "18446744073709551615"},
        {"-3", T::TYPE_UNSIGNED, 19, 85, nullptr},
        {"18446744073709551616", T::TYPE_UNSIGNED, 19, 85, nullptr},
        {"-9", T::TYPE_SIGNED, 45, 85, "-9"},
        {"true", T::TYPE_BOOLEAN, 0, 81, "true"},
        {"maybe", T::TYPE_BOOLEAN, 0, 81, nullptr},
        {"Caf\xC3\xA9 \"1\"", T::TYPE_CHARACTER_STRING, 2, 77, "\"Caf\xC3\xA9 \\\"1\\\"\""},
        {"2025-01-02", T::TYPE_DATE, 8, 56, "2025-01-02"},
        {"2025-02-30x", T::TYPE_DATE, 8, 56, nullptr},
        {"08:05", T::TYPE_TIME, 8, 57, "08:05:00"},
        {"08:05:01.50", T::TYPE_TIME, 8, 57, "08:05:01.50"},
        {"24:00", T::TYPE_TIME, 8, 57, nullptr},
        {"analog-input:1", T::TYPE_OBJECT_ID, 8, 9999, "analog-input:1"},
        {"0101", T::TYPE_BIT_STRING, 0, 9999, "B'0101'"},
        {"0101", T::TYPE_BIT_STRING, 0, 111, "{fault, out-of-service}"},
        {"01a", T::TYPE_BIT_STRING, 0, 9999, nullptr},
        {"01ab", T::TYPE_OCTET_STRING, 47, 85, "X'01 AB'"},
    };
    for (const Row& row : rows) {
        CBACnetValue value;
        std::string error;
        const ValueContext where{row.objectType, row.property};
        ASSERT_EQ(ValueFromText(row.text, row.tag, where, value, error), row.printed != nullptr) << row.text;
        EXPECT_EQ(error.empty(), row.printed != nullptr) << row.text;
        if (row.printed) {
            EXPECT_EQ(ValueText(value, where), row.printed) << row.text;
        }
    }
    EXPECT_EQ(CsvCell("a,\"b\""), "\"a,\"\"b\"\"\"");
}
