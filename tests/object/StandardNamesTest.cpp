#include <gtest/gtest.h>

#include <set>
#include <string>

#include "object/StandardNames.h"

namespace {

struct Named {
    int enumeration;
    unsigned value;
    const char* name;
};

// Facts from the standard, both directions.
const Named kNamed[] = {
    {BACNET_ENUM_OBJECT_TYPE, 0, "analog-input"},
    {BACNET_ENUM_OBJECT_TYPE, 8, "device"},
    {BACNET_ENUM_OBJECT_TYPE, 19, "multi-state-value"},
    {BACNET_ENUM_OBJECT_TYPE, 56, "network-port"},
    {BACNET_ENUM_OBJECT_TYPE, 64, "color-temperature"},
    {BACNET_ENUM_PROPERTY_ID, 0, "acked-transitions"},
    {BACNET_ENUM_PROPERTY_ID, 85, "present-value"},
    {BACNET_ENUM_PROPERTY_ID, 111, "status-flags"},
    {BACNET_ENUM_PROPERTY_ID, 371, "property-list"},
    {BACNET_ENUM_PROPERTY_ID, 511, "issuer-certificate-files"},
    {BACNET_ENUM_PROPERTY_ID, 4194304, "max-bvlc-length-accepted"},
    {BACNET_ENUM_ENGINEERING_UNITS, 62, "degrees-celsius"},
    {BACNET_ENUM_ENGINEERING_UNITS, 95, "no-units"},
    {BACNET_ENUM_ENGINEERING_UNITS, 254, "million-standard-cubic-feet-per-minute"},
    {BACNET_ENUM_ENGINEERING_UNITS, 47808, "standard-cubic-feet-per-day"},
    {BACNET_ENUM_ERROR_CLASS, 2, "property"},
    {BACNET_ENUM_ERROR_CODE, 32, "unknown-property"},
    {BACNET_ENUM_ERROR_CODE, 199, "ip-error"},
    {BACNET_ENUM_REJECT_REASON, 9, "unrecognized-service"},
    {BACNET_ENUM_ABORT_REASON, 4, "segmentation-not-supported"},
    {BACNET_ENUM_SEGMENTATION, 3, "no-segmentation"},
    {BACNET_ENUM_EVENT_STATE, 2, "offnormal"},
    {BACNET_ENUM_RELIABILITY, 12, "communication-failure"},
    {BACNET_ENUM_BINARY_PV, 1, "active"},
    {BACNET_ENUM_POLARITY, 1, "reverse"},
    {BACNET_ENUM_DEVICE_STATUS, 1, "operational-read-only"},
    {BACNET_ENUM_CONFIRMED_SERVICE, 12, "read-property"},
    {BACNET_ENUM_UNCONFIRMED_SERVICE, 0, "i-am"},
    {BACNET_ENUM_UNCONFIRMED_SERVICE, 8, "who-is"},
    // Bit numbers are not the service choices.
    {BACNET_ENUM_SERVICES_SUPPORTED, 26, "i-am"},
    {BACNET_ENUM_SERVICES_SUPPORTED, 34, "who-is"},
    {BACNET_ENUM_OBJECT_TYPES_SUPPORTED, 19, "multi-state-value"},
    {BACNET_ENUM_STATUS_FLAGS, 3, "out-of-service"},
    {BACNET_ENUM_BVLC_FUNCTION, 0x09, "distribute-broadcast-to-network"},
    {BACNET_ENUM_BVLC_RESULT, 0x30, "register-foreign-device-nak"},
};

TEST(StandardNames, BothDirections) {
    for (const auto& row : kNamed) {
        const char* name = BACnetEnumName(row.enumeration, row.value);
        ASSERT_NE(name, nullptr) << row.name;
        EXPECT_STREQ(name, row.name);
        EXPECT_EQ(BACnetEnumText(row.enumeration, row.value), row.name);
        unsigned value = 12345;
        EXPECT_EQ(BACnetEnumValue(row.enumeration, row.name, value), 1) << row.name;
        EXPECT_EQ(value, row.value) << row.name;
    }
}

// Every row of every table: well-formed, unique within its table, and found
// again by its name.
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
            EXPECT_NE(name.front(), '-');
            EXPECT_NE(name.back(), '-');
            EXPECT_EQ(name.find("--"), std::string::npos);
            EXPECT_EQ(name.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789-"), std::string::npos);
            EXPECT_FALSE(name.front() >= '0' && name.front() <= '9') << "a name must not read as a number";
            unsigned value = 0;
            EXPECT_EQ(BACnetEnumValue(e, name.c_str(), value), 1);
            EXPECT_EQ(value, rows[i].m_value);
            EXPECT_EQ(BACnetEnumName(e, rows[i].m_value), rows[i].m_name);
        }
    }
}

TEST(StandardNames, TableSizes) {
    const struct {
        int enumeration;
        size_t atLeast;
        unsigned max;
    } rows[] = {
        {BACNET_ENUM_OBJECT_TYPE, 65, 1023},
        {BACNET_ENUM_PROPERTY_ID, 500, 4194303},
        {BACNET_ENUM_ENGINEERING_UNITS, 255, 65535},
        {BACNET_ENUM_ERROR_CLASS, 8, 65535},
        {BACNET_ENUM_ERROR_CODE, 190, 65535},
        {BACNET_ENUM_REJECT_REASON, 10, 255},
        {BACNET_ENUM_ABORT_REASON, 12, 255},
        {BACNET_ENUM_SEGMENTATION, 4, 3},
        {BACNET_ENUM_EVENT_STATE, 6, 65535},
        {BACNET_ENUM_RELIABILITY, 25, 65535},
        {BACNET_ENUM_BINARY_PV, 2, 1},
        {BACNET_ENUM_POLARITY, 2, 1},
        {BACNET_ENUM_DEVICE_STATUS, 6, 65535},
        {BACNET_ENUM_CONFIRMED_SERVICE, 34, 255},
        {BACNET_ENUM_UNCONFIRMED_SERVICE, 15, 255},
        {BACNET_ENUM_SERVICES_SUPPORTED, 49, 255},
        {BACNET_ENUM_OBJECT_TYPES_SUPPORTED, 65, 1023},
        {BACNET_ENUM_STATUS_FLAGS, 4, 3},
        {BACNET_ENUM_BVLC_FUNCTION, 13, 255},
        {BACNET_ENUM_BVLC_RESULT, 7, 65535},
    };
    ASSERT_EQ(std::size(rows), static_cast<size_t>(BACNET_ENUM_COUNT));
    for (const auto& row : rows) {
        size_t count = 0;
        BACnetEnumRows(row.enumeration, count);
        EXPECT_GE(count, row.atLeast) << row.enumeration;
        EXPECT_EQ(BACnetEnumMax(row.enumeration), row.max) << row.enumeration;
    }
    // The object types every current device may list: 0 to 64, no gap.
    size_t count = 0;
    const BACnetNamedValue* types = BACnetEnumRows(BACNET_ENUM_OBJECT_TYPE, count);
    for (unsigned t = 0; t <= 64; ++t) {
        ASSERT_LT(t, count);
        EXPECT_EQ(types[t].m_value, t);
    }
}

// Numbers without a name: accepted up to the maximum, printed as numbers.
TEST(StandardNames, NumbersBeyondNamedRows) {
    const struct {
        int enumeration;
        const char* text;
        unsigned value;
        const char* printed;
    } rows[] = {
        {BACNET_ENUM_OBJECT_TYPE, "128", 128, "128"},
        {BACNET_ENUM_OBJECT_TYPE, "1023", 1023, "1023"},
        {BACNET_ENUM_OBJECT_TYPE, "0019", 19, "multi-state-value"},
        {BACNET_ENUM_PROPERTY_ID, "85", 85, "present-value"},
        {BACNET_ENUM_PROPERTY_ID, "4194303", 4194303, "4194303"},
        // Beyond the maximum but the standard's own value.
        {BACNET_ENUM_PROPERTY_ID, "4194304", 4194304, "max-bvlc-length-accepted"},
        {BACNET_ENUM_ENGINEERING_UNITS, "65535", 65535, "65535"},
        {BACNET_ENUM_ERROR_CODE, "33", 33, "33"},
        {BACNET_ENUM_SERVICES_SUPPORTED, "49", 49, "49"},
    };
    for (const auto& row : rows) {
        unsigned value = 0;
        ASSERT_EQ(BACnetEnumValue(row.enumeration, row.text, value), 1) << row.text;
        EXPECT_EQ(value, row.value) << row.text;
        EXPECT_EQ(BACnetEnumText(row.enumeration, value), row.printed) << row.text;
    }
    EXPECT_EQ(BACnetEnumName(BACNET_ENUM_OBJECT_TYPE, 128), nullptr);
    EXPECT_EQ(BACnetEnumName(BACNET_ENUM_PROPERTY_ID, 4294967295u), nullptr);
}

TEST(StandardNames, Refusals) {
    const struct {
        int enumeration;
        const char* text;
    } rows[] = {
        {BACNET_ENUM_OBJECT_TYPE, "analog-inputx"},
        {BACNET_ENUM_OBJECT_TYPE, " analog-input"},
        {BACNET_ENUM_OBJECT_TYPE, ""},
        {BACNET_ENUM_OBJECT_TYPE, "-1"},
        {BACNET_ENUM_OBJECT_TYPE, "1024"},
        {BACNET_ENUM_OBJECT_TYPE, "present-value"},
        {BACNET_ENUM_PROPERTY_ID, "4194338"},
        {BACNET_ENUM_PROPERTY_ID, "4294967295"},
        {BACNET_ENUM_PROPERTY_ID, "99999999999999999999999"},
        {BACNET_ENUM_PROPERTY_ID, "present-value-"},
        {BACNET_ENUM_BINARY_PV, "2"},
        {BACNET_ENUM_SEGMENTATION, "4"},
        {BACNET_ENUM_ENGINEERING_UNITS, "65536"},
        {-1, "0"},
        {BACNET_ENUM_COUNT, "0"},
    };
    for (const auto& row : rows) {
        unsigned value = 777;
        EXPECT_EQ(BACnetEnumValue(row.enumeration, row.text, value), 0) << '"' << row.text << '"';
        EXPECT_EQ(value, 777u) << "a refusal leaves the value alone: " << row.text;
    }
    unsigned value = 777;
    EXPECT_EQ(BACnetEnumValue(BACNET_ENUM_OBJECT_TYPE, nullptr, value), 0);
    size_t count = 5;
    EXPECT_EQ(BACnetEnumRows(BACNET_ENUM_COUNT, count), nullptr);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(BACnetEnumRows(-1, count), nullptr);
    EXPECT_EQ(BACnetEnumMax(BACNET_ENUM_COUNT), 0u);
    EXPECT_EQ(BACnetEnumName(-1, 0), nullptr);
    EXPECT_EQ(BACnetEnumText(BACNET_ENUM_COUNT, 7), "7");
}

TEST(StandardNames, CaseAndUnderscoreTolerated) {
    const struct {
        int enumeration;
        const char* text;
        unsigned value;
    } rows[] = {
        {BACNET_ENUM_OBJECT_TYPE, "Analog_Input", 0},
        {BACNET_ENUM_OBJECT_TYPE, "MULTI_STATE_VALUE", 19},
        {BACNET_ENUM_PROPERTY_ID, "Present_Value", 85},
        {BACNET_ENUM_PROPERTY_ID, "PROTOCOL-Object-Types_SUPPORTED", 96},
        {BACNET_ENUM_UNCONFIRMED_SERVICE, "I_AM", 0},
    };
    for (const auto& row : rows) {
        unsigned value = 0;
        EXPECT_EQ(BACnetEnumValue(row.enumeration, row.text, value), 1) << row.text;
        EXPECT_EQ(value, row.value) << row.text;
    }
}


// protocol-services-supported: one row per bit, 0 to 48 without a gap, as a
// current device sends them; the names at the edges of the older lists.
TEST(StandardNames, ServicesSupportedBits) {
    size_t count = 0;
    const BACnetNamedValue* rows = BACnetEnumRows(BACNET_ENUM_SERVICES_SUPPORTED, count);
    ASSERT_EQ(count, 49u);
    for (size_t i = 0; i < count; ++i)
        EXPECT_EQ(rows[i].m_value, i);
    const struct {
        unsigned bit;
        const char* name;
    } named[] = {
        {0, "acknowledge-alarm"}, {12, "read-property"}, {25, "request-key"}, {32, "time-synchronization"},
        {39, "get-event-information"}, {40, "write-group"}, {44, "confirmed-audit-notification"}, {47, "who-am-i"},
    };
    for (const auto& n : named)
        EXPECT_STREQ(rows[n.bit].m_name, n.name) << "bit " << n.bit;
}

}  // namespace
