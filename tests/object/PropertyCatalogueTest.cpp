// The catalogue's invariants and the edges of its name table; the rows
// themselves are checked where tags bind by them (ObjTypesTest).
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "object/ObjTypes.h"
#include "object/Types.h"

namespace {

TEST(PropertyCatalogueTest, NamesByIdentifier)
{
    const struct {
        int id;
        const char* name;
    } rows[] = {
        {0, "ackedtransition"}, {124, "..."}, {125, ""},     {1737, "Input_Type"}, {1836, "Outside_Enthalphy"},
        {1837, ""},             {2509, "User10"}, {2510, ""}, {-1, ""},            {-2147483647 - 1, ""},
    };
    for (const auto& row : rows)
        EXPECT_STREQ(row.name, CBACnetObjTypes::GetStr_BACnetPropertyID(row.id)) << row.id;
    for (int id = 0; id < CBACnetObjTypes::PROPERTY_NAME_COUNT; id++)
        EXPECT_EQ(CBACnetObjTypes::str_BACnetPropertyID[id], CBACnetObjTypes::GetStr_BACnetPropertyID(id)) << id;
}

// Every list: no identifier twice, ObjectName present (writable only for the
// three catalogue-only types), and a text form exactly for character strings
// and the device's date and time.
TEST(PropertyCatalogueTest, ListInvariants)
{
    for (unsigned type = 0; type < CBACnetObjTypes::OBJECT_TYPE_COUNT; type++) {
        int count = -1;
        const _BACnetPropertyDef* list = CBACnetObjTypes::GetPropertyList(type, count);
        ASSERT_NE(nullptr, list) << type;
        ASSERT_GT(count, 3) << type;
        std::set<int> ids;
        int names = 0;
        for (int i = 0; i < count; i++) {
            const _BACnetPropertyDef& def = list[i];
            const std::string where = std::to_string(type) + ", property " + std::to_string(def.m_propertyID);
            EXPECT_TRUE(ids.insert(def.m_propertyID).second) << where << " twice";
            const bool text = def.m_dataType == CBACnetTypes::DT_CHARACTER_STRING ||
                              (type == 8 && (def.m_propertyID == 56 || def.m_propertyID == 57));
            EXPECT_EQ(text ? 1 : 0, def.m_textValue) << where;
            if (def.m_propertyID == 77) {
                names++;
                EXPECT_EQ(type >= 18 ? 1 : 0, def.m_writable) << where;
            }
        }
        EXPECT_EQ(1, names) << type;
    }
    int count = -1;
    EXPECT_EQ(nullptr, CBACnetObjTypes::GetPropertyList(21, count));
    EXPECT_EQ(0, count);
    EXPECT_EQ(nullptr, CBACnetObjTypes::GetPropertyList(1023, count));
}

}  // namespace
