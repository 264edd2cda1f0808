#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

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
        {85, "PresentValue"},
        {124, "..."},
        {125, ""},
        {188, "Scale_Factor"},
        {1737, "Input_Type"},
        {1830, ""},
        {1836, "Outside_Enthalphy"},
        {1837, ""},
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

// How many properties each object type offers, and nothing past the last type.
TEST(PropertyCatalogueTest, ListSizes)
{
    const int counts[CBACnetObjTypes::OBJECT_TYPE_COUNT] = {28, 27, 22, 23, 28, 26, 5, 5, 8, 13, 4,
                                                            4,  7,  19, 20, 7,  23, 7, 23, 21, 20};
    for (unsigned type = 0; type < CBACnetObjTypes::OBJECT_TYPE_COUNT; type++) {
        int count = -1;
        const _BACnetPropertyDef* list = CBACnetObjTypes::GetPropertyList(type, count);
        ASSERT_NE(nullptr, list) << type;
        EXPECT_EQ(counts[type], count) << "object type " << type;
        std::set<int> ids;
        for (int i = 0; i < count; i++)
            EXPECT_TRUE(ids.insert(list[i].m_propertyID).second) << "object type " << type << " lists "
                                                                  << list[i].m_propertyID << " twice";
    }
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
        {0, 28, "7, 81, 0, 1, 1"},   // Description
        {0, 111, "8, 4, 0, 0, 0"},   // StatusFlag
        {0, 52, "8, 2, 0, 1, 0"},    // LimitEnable
        {0, 1737, "9, 1, 0, 1, 0"},  // Input_Type
        {1, 87, "24, 4, 1, 0, 0"},   // priorityarray, read-only here
        {2, 87, "24, 4, 1, 1, 0"},   // and writable here
        {1, 104, "4, 4, 0, 0, 0"},   // relinquish
        {2, 104, "4, 4, 0, 1, 0"},
        {4, 104, "16, 1, 0, 0, 0"},
        {3, 16, "23, 8, 0, 1, 0"},   // COStime
        {8, 56, "10, 4, 0, 0, 1"},   // localdate
        {8, 57, "11, 4, 0, 0, 1"},   // localtime
        {9, 0, "8, 3, 0, 0, 0"},     // ackedtransition, read-only here
        {18, 35, "8, 3, 0, 1, 0"},   // EventEnable
        {13, 110, "7, 81, 1, 1, 1"}, // statetext
        {15, 1, "8, 4, 0, 0, 0"},    // ackrequired
        {16, 2509, "4, 1, 0, 1, 0"},
        {19, 82, "20, 1, 0, 1, 0"},  // output-units
        {20, 186, "2, 4, 0, 1, 0"},  // Pulse_Rate
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
