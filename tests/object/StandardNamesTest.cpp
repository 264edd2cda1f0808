#include <gtest/gtest.h>

#include <set>
#include <string>

#include "object/StandardNames.h"

namespace {

// Every row of every table: well-formed, sorted, unique within its table,
// and found again by its name.
TEST(StandardNames, EveryRowRoundTrips) {
    for (int e = 0; e < BACNET_ENUM_COUNT; ++e) {
        size_t count = 0;
        const BACnetNamedValue* rows = BACnetEnumRows(e, count);
        ASSERT_NE(rows, nullptr) << e;
        ASSERT_GT(count, 1u) << e;
        std::set<std::string> names;
        for (size_t i = 0; i < count; ++i) {
            const std::string name = rows[i].m_name;
            SCOPED_TRACE(std::to_string(e) + " " + name);
            if (i > 0) {
                EXPECT_LT(rows[i - 1].m_value, rows[i].m_value);
            }
            EXPECT_TRUE(names.insert(name).second);
            ASSERT_FALSE(name.empty());
            // Lower case words joined by single hyphens, not read as a number.
            EXPECT_TRUE(name.front() != '-' && name.back() != '-' && name.find("--") == std::string::npos);
            EXPECT_EQ(name.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789-"), std::string::npos);
            EXPECT_FALSE(name.front() >= '0' && name.front() <= '9');
            unsigned value = 0;
            EXPECT_EQ(BACnetEnumValue(e, name.c_str(), value), 1);
            EXPECT_EQ(value, rows[i].m_value);
            EXPECT_EQ(BACnetEnumName(e, rows[i].m_value), rows[i].m_name);
        }
    }
}

// Text to value and back: facts from the standard at the edges of the
// tables; names without regard to case or '-' against '_', decimal numbers up
// to the enumeration's maximum (or beyond it, for a named value), nothing
// else; a refusal leaves the value alone.
TEST(StandardNames, ValuesFromText) {
    const struct {
        int enumeration;
        const char* text;
        int result;
        unsigned value;
        const char* printed;  // null: the text itself
    } rows[] = {
        {BACNET_ENUM_OBJECT_TYPE, "color-temperature", 1, 64, nullptr},
        {BACNET_ENUM_PROPERTY_ID, "present-value", 1, 85, nullptr},
        {BACNET_ENUM_ENGINEERING_UNITS, "standard-cubic-feet-per-day", 1, 47808, nullptr},
        {BACNET_ENUM_CONFIRMED_SERVICE, "read-property", 1, 12, nullptr},
        // Bit numbers are not the service choices.
        {BACNET_ENUM_SERVICES_SUPPORTED, "i-am", 1, 26, nullptr},
        {BACNET_ENUM_SERVICES_SUPPORTED, "who-is", 1, 34, nullptr},
        {BACNET_ENUM_SERVICES_SUPPORTED, "you-are", 1, 48, nullptr},
        {BACNET_ENUM_BVLC_RESULT, "distribute-broadcast-to-network-nak", 1, 0x60, nullptr},
        {BACNET_ENUM_OBJECT_TYPE, "Analog_Input", 1, 0, "analog-input"},
        {BACNET_ENUM_OBJECT_TYPE, "1023", 1, 1023, "1023"},
        {BACNET_ENUM_OBJECT_TYPE, "1024", 0, 777, ""},
        {BACNET_ENUM_PROPERTY_ID, "4194303", 1, 4194303, "4194303"},
        {BACNET_ENUM_PROPERTY_ID, "4194304", 1, 4194304, "max-bvlc-length-accepted"},
        {BACNET_ENUM_PROPERTY_ID, "4194338", 0, 777, ""},
        {BACNET_ENUM_PROPERTY_ID, "99999999999999999999999", 0, 777, ""},
        {BACNET_ENUM_OBJECT_TYPE, " analog-input", 0, 777, ""},
        {BACNET_ENUM_OBJECT_TYPE, "", 0, 777, ""},
        {BACNET_ENUM_OBJECT_TYPE, "present-value", 0, 777, ""},
        {-1, "0", 0, 777, ""},
    };
    for (const auto& row : rows) {
        unsigned value = 777;
        EXPECT_EQ(BACnetEnumValue(row.enumeration, row.text, value), row.result) << '"' << row.text << '"';
        EXPECT_EQ(value, row.value) << row.text;
        if (row.result) {
            EXPECT_EQ(BACnetEnumText(row.enumeration, value), row.printed ? row.printed : row.text) << row.text;
        }
    }
    unsigned value = 777;
    EXPECT_EQ(BACnetEnumValue(BACNET_ENUM_OBJECT_TYPE, nullptr, value), 0);
    EXPECT_EQ(BACnetEnumName(BACNET_ENUM_OBJECT_TYPE, 128), nullptr);
    EXPECT_EQ(BACnetEnumName(-1, 0), nullptr);
    EXPECT_EQ(BACnetEnumText(BACNET_ENUM_COUNT, 7), "7");
    size_t count = 5;
    EXPECT_EQ(BACnetEnumRows(BACNET_ENUM_COUNT, count), nullptr);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(BACnetEnumMax(BACNET_ENUM_COUNT), 0u);
}

}  // namespace
