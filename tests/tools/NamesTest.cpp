// Objects and properties as the command line names them.
#include <gtest/gtest.h>

#include "Names.h"
#include "PropertyValues.h"

using namespace tool;

TEST(Names, ObjectsByTheLibrarysCodes)
{
    struct Row {
        const char* text;
        bool ok;
        unsigned type, instance;
    };
    const Row rows[] = {
        {"AI:3", true, 0, 3},          {"ai:3", true, 0, 3},        {"DV:1234", true, 8, 1234},
        {"Device:1234", true, 8, 1234}, {"SC:1", true, 17, 1},       {"AC:7", true, 20, 7},
        {"8:4194303", true, 8, 4194303}, {"AI:4194304", false, 0, 0}, {"XX:1", false, 0, 0},
        {"AI", false, 0, 0},            {"AI:-1", false, 0, 0},      {"21:1", false, 0, 0},
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
    EXPECT_EQ(ToWire(_BACnetObjectID(20, 7)).m_type, 23u);
    EXPECT_EQ(WireObjectText(_BACnetObjectID(23, 7).GetValue()), "AC:7");
    EXPECT_EQ(WireObjectText(_BACnetObjectID(2, 700).GetValue()), "AV:700");
    EXPECT_EQ(WireObjectText(_BACnetObjectID(300, 1).GetValue()), "type300:1");
}

TEST(Names, PropertiesByTheLibrarysNames)
{
    struct Row {
        const char* text;
        int id;
        bool hasIndex;
        unsigned index;
        const char* key;
    };
    const Row rows[] = {
        {"PresentValue", 85, false, 0, ""},    {"presentvalue", 85, false, 0, ""},
        {"priorityarray[8]", 87, true, 8, ""}, {"localdate.year", 56, false, 0, "year"},
        {"weekly-schedule[1]", 123, true, 1, ""}, {"object-list", 76, false, 0, ""},
        {"Scale_Factor", 188, false, 0, ""},   {"85", 85, false, 0, ""},
        {"x[2].hour", -1, false, 0, ""},        {"PresentValue[", -1, false, 0, ""},
    };
    for (const Row& row : rows) {
        PropertyRef ref;
        std::string error;
        const bool ok = ParseProperty(row.text, ref, &error);
        ASSERT_EQ(ok, row.id >= 0) << row.text;
        if (!ok)
            continue;
        EXPECT_EQ(ref.id, row.id) << row.text;
        EXPECT_EQ(ref.hasIndex, row.hasIndex) << row.text;
        EXPECT_EQ(ref.index, row.index) << row.text;
        EXPECT_EQ(ref.key, row.key) << row.text;
    }
    EXPECT_EQ(PropertyName(123), "weekly-schedule");
    EXPECT_EQ(PropertyName(4000), "property4000");
}

TEST(Names, DatesAndTimes)
{
    DWORD date;
    ASSERT_TRUE(ParseDate("2024-12-25", date));
    EXPECT_EQ(date, DWORD(124) << 24 | 12 << 16 | 25 << 8 | 3);  // a Wednesday
    EXPECT_EQ(DateText(date), "2024-12-25 (Wed)");
    EXPECT_EQ(DateText(0xFFFFFFFF), "*-*-*");
    EXPECT_FALSE(ParseDate("2024-13-01", date));
    EXPECT_FALSE(ParseDate("2024-12-25x", date));
    EXPECT_EQ(TimeText(DWORD(8) << 24 | 30 << 16), "08:30:00");
    EXPECT_EQ(TimeText(DWORD(17) << 24 | 5), "17:00:00.05");
}
