#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "object/ObjTypes.h"
#include "object/Types.h"

namespace {

using T = CBACnetTypes;

TEST(PropertyCatalogueTest, NamesByIdentifier)
{
    struct Row {
        int id;
        const char* name;
    };
    const Row rows[] = {
        {0, "ackedtransition"},
        {9, "all-write-ssuccessful"},
        {18, "... deleted property"},
        {46, "Inactivetext"},
        {75, "ObjectID"},
        {83, "event-parametes"},
        {85, "PresentValue"},
        {111, "StatusFlag"},
        {123, "weekly-schedule"},
        {124, "..."},
        {125, ""},
        {176, "Adjust_Value"},
        {182, "Limit_Monitoring_Interval"},
        {186, "Pulse_Rate"},
        {188, "Scale_Factor"},
        {1737, "Input_Type"},
        {1738, "Output_Type"},
        {1830, ""},
        {1831, "Zone_Temp_Reference"},
        {1832, "Zone_Temp_Value"},
        {1833, "Zone_Humi_Reference"},
        {1834, "Zone_Humi_Value"},
        {1835, "Outside_Enthalpy_Ref"},
        {1836, "Outside_Enthalphy"},
        {1837, ""},
        {2500, "User1"},
        {2505, "User6"},
        {2508, "User9"},
        {2509, "User10"},
        {2510, ""},
        {-1, ""},
        {-2147483647 - 1, ""},
        {2147483647, ""},
    };
    for (const Row& row : rows)
        EXPECT_STREQ(row.name, CBACnetObjTypes::GetStr_BACnetPropertyID(row.id)) << row.id;
    for (int id = 0; id < CBACnetObjTypes::PROPERTY_NAME_COUNT; id++)
        EXPECT_EQ(CBACnetObjTypes::str_BACnetPropertyID[id], CBACnetObjTypes::GetStr_BACnetPropertyID(id)) << id;
}

TEST(PropertyCatalogueTest, NamesBeyondTheTableShareOneBuffer)
{
    const char* first = CBACnetObjTypes::GetStr_BACnetPropertyID(2500);
    const char* second = CBACnetObjTypes::GetStr_BACnetPropertyID(182);
    EXPECT_EQ(first, second);
    EXPECT_STREQ("Limit_Monitoring_Interval", first);
}

// Every list by object type code, identifiers in search order.
TEST(PropertyCatalogueTest, ListsHoldTheirPropertiesInOrder)
{
    const char* const lists[CBACnetObjTypes::OBJECT_TYPE_COUNT] = {
        "75 77 79 85 28 31 111 36 103 81 118 117 69 65 106 22 113 17 45 59 25 52 35 0 72 188 176 1737",
        "75 77 79 85 28 31 111 36 103 81 117 69 65 106 87 104 22 113 17 45 59 25 52 35 0 72 1738",
        "75 77 79 85 28 111 36 103 81 117 87 104 22 113 17 45 59 25 52 35 0 72",
        "75 77 79 85 28 31 111 36 103 81 84 46 4 16 15 115 33 114 113 6 35 0 72",
        "75 77 79 85 28 31 111 36 103 81 84 46 4 16 15 115 33 114 66 67 87 104 113 17 40 35 0 72",
        "75 77 79 85 28 111 36 103 81 46 4 16 15 115 33 114 66 67 87 104 113 17 6 35 0 72",
        "75 77 79 28 85",
        "75 77 79 28 85",
        "75 77 79 28 121 120 56 57",
        "75 77 79 28 37 72 36 35 0 17 89 86 51",
        "75 77 79 28",
        "75 77 79 28",
        "75 77 79 85 28 81 2",
        "75 77 79 85 28 31 111 36 103 81 74 110 113 17 7 39 35 0 72",
        "75 77 79 85 28 31 111 36 103 81 74 110 87 104 113 17 40 35 0 72",
        "75 77 79 28 17 86 1",
        "75 77 79 92 90 100 29 91 28 48 111 103 81 2500 2501 2502 2503 2504 2505 2506 2507 2508 2509",
        "75 77 79 85 28 88 81",
        "75 77 79 85 28 1832 1834 1836 117 118 111 36 81 22 113 17 45 59 25 52 35 0 72",
        "75 77 79 85 28 111 36 81 82 21 20 108 2 25 88 113 17 6 35 0 72",
        "75 77 79 85 28 111 36 81 117 65 186 45 59 182 17 113 52 35 0 72",
    };
    const int counts[CBACnetObjTypes::OBJECT_TYPE_COUNT] = {28, 27, 22, 23, 28, 26, 5, 5, 8, 13, 4,
                                                            4,  7,  19, 20, 7,  23, 7, 23, 21, 20};
    int total = 0;
    std::set<int> distinct;
    for (unsigned type = 0; type < CBACnetObjTypes::OBJECT_TYPE_COUNT; type++) {
        int count = -1;
        const _BACnetPropertyDef* list = CBACnetObjTypes::GetPropertyList(type, count);
        ASSERT_NE(nullptr, list) << type;
        EXPECT_EQ(counts[type], count) << "object type " << type;
        std::ostringstream ids;
        for (int i = 0; i < count; i++) {
            ids << (i ? " " : "") << list[i].m_propertyID;
            distinct.insert(list[i].m_propertyID);
        }
        EXPECT_EQ(lists[type], ids.str()) << "object type " << type;
        total += count;
    }
    EXPECT_EQ(340, total);
    EXPECT_EQ(83u, distinct.size());

    int count = -1;
    EXPECT_EQ(nullptr, CBACnetObjTypes::GetPropertyList(21, count));
    EXPECT_EQ(0, count);
    EXPECT_EQ(nullptr, CBACnetObjTypes::GetPropertyList(1023, count));
}

const _BACnetPropertyDef* Find(unsigned type, int id)
{
    int count;
    const _BACnetPropertyDef* list = CBACnetObjTypes::GetPropertyList(type, count);
    for (int i = 0; list && i < count; i++)
        if (list[i].m_propertyID == id)
            return &list[i];
    return nullptr;
}

std::string Describe(const _BACnetPropertyDef* def)
{
    if (!def)
        return "absent";
    std::ostringstream out;
    out << int(def->m_dataType) << ", " << int(def->m_dataSize) << ", " << int(def->m_isArray) << ", "
        << int(def->m_writable) << ", " << int(def->m_textValue);
    return out.str();
}

// Definitions as (data type, size, array, writable, text), including the
// rows that differ for one object type.
TEST(PropertyCatalogueTest, DefinitionRows)
{
    struct Row {
        unsigned type;
        int id;
        const char* definition;
    };
    const Row rows[] = {
        {0, 75, "12, 4, 0, 0, 0"},   // ObjectID
        {0, 77, "7, 81, 0, 0, 1"},   // ObjectName
        {0, 79, "17, 1, 0, 0, 0"},   // ObjectType
        {0, 85, "4, 4, 0, 1, 0"},    // PresentValue
        {0, 28, "7, 81, 0, 1, 1"},   // Description
        {0, 111, "8, 4, 0, 0, 0"},   // StatusFlag
        {0, 36, "18, 1, 0, 0, 0"},   // EventState
        {0, 103, "19, 1, 0, 1, 0"},  // Reliability
        {0, 117, "20, 1, 0, 0, 0"},  // Units
        {0, 52, "8, 2, 0, 1, 0"},    // LimitEnable
        {0, 35, "8, 3, 0, 1, 0"},    // EventEnable
        {0, 0, "8, 3, 0, 1, 0"},     // ackedtransition
        {0, 72, "21, 1, 0, 1, 0"},   // NotifyType
        {0, 17, "2, 4, 0, 1, 0"},    // NotifyClass
        {0, 188, "4, 4, 0, 1, 0"},   // Scale_Factor
        {0, 1737, "9, 1, 0, 1, 0"},  // Input_Type
        {1, 87, "24, 4, 1, 0, 0"},   // priorityarray
        {1, 104, "4, 4, 0, 0, 0"},   // relinquish
        {1, 1738, "9, 1, 0, 1, 0"},  // Output_Type
        {2, 87, "24, 4, 1, 1, 0"},   // writable here
        {2, 104, "4, 4, 0, 1, 0"},
        {3, 85, "16, 1, 0, 1, 0"},
        {3, 84, "22, 1, 0, 0, 0"},   // polarity
        {3, 16, "23, 8, 0, 1, 0"},   // COStime
        {3, 115, "23, 8, 0, 1, 0"},  // TOSreset
        {3, 4, "7, 81, 0, 1, 1"},    // activetext
        {3, 6, "16, 1, 0, 1, 0"},    // alarmValue
        {4, 85, "16, 1, 0, 1, 0"},
        {4, 104, "16, 1, 0, 0, 0"},
        {4, 87, "24, 4, 1, 0, 0"},
        {4, 40, "16, 1, 0, 1, 0"},   // feedbackvalue
        {5, 85, "16, 1, 0, 1, 0"},
        {5, 87, "24, 4, 1, 1, 0"},
        {5, 104, "16, 1, 0, 1, 0"},
        {6, 85, "1, 1, 0, 0, 0"},
        {7, 85, "2, 4, 0, 1, 0"},
        {8, 121, "7, 81, 0, 0, 1"},  // vendorname
        {8, 120, "2, 4, 0, 0, 0"},   // vendorid
        {8, 56, "10, 4, 0, 0, 1"},   // localdate
        {8, 57, "11, 4, 0, 0, 1"},   // localtime
        {9, 35, "8, 3, 0, 0, 0"},
        {9, 0, "8, 3, 0, 0, 0"},
        {9, 37, "9, 1, 0, 0, 0"},    // eventtype
        {9, 86, "2, 4, 0, 1, 0"},
        {9, 51, "1, 1, 0, 1, 0"},    // issueconfirmednotifications
        {12, 2, "9, 1, 0, 1, 0"},    // action
        {12, 85, "4, 4, 0, 1, 0"},
        {13, 85, "2, 4, 0, 1, 0"},
        {13, 110, "7, 81, 1, 1, 1"}, // statetext
        {13, 7, "2, 4, 1, 1, 0"},    // alarmValues
        {13, 39, "2, 4, 1, 1, 0"},   // faultvalues
        {14, 85, "2, 4, 0, 1, 0"},
        {15, 17, "2, 4, 0, 0, 0"},
        {15, 86, "2, 4, 0, 0, 0"},
        {15, 1, "8, 4, 0, 0, 0"},    // ackrequired
        {16, 92, "9, 1, 0, 0, 0"},   // programstate
        {16, 29, "7, 81, 0, 1, 1"},  // descriptionofhalt
        {16, 48, "7, 81, 0, 1, 1"},  // instanceof
        {16, 2500, "4, 1, 0, 1, 0"},
        {16, 2509, "4, 1, 0, 1, 0"},
        {17, 85, "1, 1, 0, 0, 0"},
        {17, 88, "2, 4, 0, 1, 0"},   // PriorityForWriting
        {18, 77, "7, 81, 0, 1, 1"},
        {18, 0, "8, 3, 0, 0, 0"},
        {18, 35, "8, 3, 0, 1, 0"},
        {18, 1832, "4, 4, 0, 0, 0"},
        {18, 1836, "4, 4, 0, 0, 0"},
        {19, 77, "7, 81, 0, 1, 1"},
        {19, 0, "8, 3, 0, 0, 0"},
        {19, 21, "4, 4, 0, 0, 0"},   // controlled-variable-value
        {19, 20, "20, 1, 0, 0, 0"},  // controlled-variable-units
        {19, 82, "20, 1, 0, 1, 0"},  // output-units
        {19, 108, "4, 4, 0, 0, 0"},  // setpoint
        {20, 77, "7, 81, 0, 1, 1"},
        {20, 85, "2, 4, 0, 1, 0"},
        {20, 117, "20, 1, 0, 1, 0"},
        {20, 65, "2, 4, 0, 1, 0"},
        {20, 45, "2, 4, 0, 1, 0"},
        {20, 59, "2, 4, 0, 1, 0"},
        {20, 0, "8, 3, 0, 0, 0"},
        {20, 186, "2, 4, 0, 1, 0"},  // Pulse_Rate
        {20, 182, "2, 4, 0, 1, 0"},  // Limit_Monitoring_Interval
        {20, 52, "8, 2, 0, 1, 0"},
        {10, 85, "absent"},
        {11, 85, "absent"},
        {0, 87, "absent"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.definition, Describe(Find(row.type, row.id))) << "object type " << row.type << ", property " << row.id;
}

TEST(PropertyCatalogueTest, PresentValueAndObjectNameAcrossObjectTypes)
{
    // PresentValue: Real for analog objects and loops, BinaryPV for binary
    // objects, Unsigned for multi-state objects, commands and accumulators,
    // a read-only Boolean for calendars and schedules.
    const char* const presentValue[CBACnetObjTypes::OBJECT_TYPE_COUNT] = {
        "4, 4, 0, 1, 0",  "4, 4, 0, 1, 0",  "4, 4, 0, 1, 0", "16, 1, 0, 1, 0", "16, 1, 0, 1, 0",
        "16, 1, 0, 1, 0", "1, 1, 0, 0, 0",  "2, 4, 0, 1, 0", "absent",         "absent",
        "absent",         "absent",         "4, 4, 0, 1, 0", "2, 4, 0, 1, 0",  "2, 4, 0, 1, 0",
        "absent",         "absent",         "1, 1, 0, 0, 0", "4, 4, 0, 1, 0",  "4, 4, 0, 1, 0",
        "2, 4, 0, 1, 0",
    };
    for (unsigned type = 0; type < CBACnetObjTypes::OBJECT_TYPE_COUNT; type++) {
        EXPECT_EQ(presentValue[type], Describe(Find(type, 85))) << "object type " << type;
        // Every list starts with the identity properties; ObjectName is
        // writable only for the three catalogue-only types.
        const _BACnetPropertyDef* name = Find(type, 77);
        ASSERT_NE(nullptr, name) << type;
        EXPECT_EQ(type >= 18 ? 1 : 0, name->m_writable) << "object type " << type;
        EXPECT_EQ(1, name->m_textValue) << "object type " << type;
    }
}

// Only character strings and the device's date and time have a text form.
TEST(PropertyCatalogueTest, TextFlagFollowsTheDataType)
{
    for (unsigned type = 0; type < CBACnetObjTypes::OBJECT_TYPE_COUNT; type++) {
        int count;
        const _BACnetPropertyDef* list = CBACnetObjTypes::GetPropertyList(type, count);
        for (int i = 0; i < count; i++) {
            const bool text = list[i].m_dataType == T::DT_CHARACTER_STRING ||
                              (type == 8 && (list[i].m_propertyID == 56 || list[i].m_propertyID == 57));
            EXPECT_EQ(text ? 1 : 0, list[i].m_textValue) << "object type " << type << ", property " << list[i].m_propertyID;
        }
    }
}

}  // namespace
