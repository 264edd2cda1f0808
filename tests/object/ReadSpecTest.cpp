// A bound tag keeps its read access specification and its ReadProperty
// parameters between requests; every change of the public fields they come
// from shows in the next request.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "Hex.h"
#include "host/String.h"
#include "object/ObjTypes.h"

namespace {

std::string Multi(CBACnetObjTypes& tag)
{
    unsigned char buf[32];
    int len = 0;
    tag.MakeFrameToMulti(buf, len);
    return ToHex(buf, len);
}

std::string Single(CBACnetObjTypes& tag)
{
    unsigned char buf[32];
    int len = 0;
    tag.MakeFrameToSingle(buf, len);
    return ToHex(buf, len);
}

TEST(ReadSpec, FollowsTheFieldsAcrossCalls)
{
    CBACnetObjTypes tag(_BACnetObjectID(0, 5));
    CString name(L"PresentValue");
    unsigned short subType;
    ASSERT_EQ(tag.CreateProperty(name, subType, 0), 1);
    const struct {
        const char* name;
        std::function<void(CBACnetObjTypes&)> change;
        const char* multi;
        const char* single;
    } steps[] = {
        {"bound", [](CBACnetObjTypes&) {}, "0C 00 00 00 05 1E 09 55 1F", "0C 00 00 00 05 19 55"},
        {"instance", [](CBACnetObjTypes& t) { t.m_objectID = _BACnetObjectID(0, 6); }, "0C 00 00 00 06 1E 09 55 1F", "0C 00 00 00 06 19 55"},
        {"type sent as another number", [](CBACnetObjTypes& t) { t.m_objectID = _BACnetObjectID(18, 6); },
         "0C 25 C0 00 06 1E 09 55 1F", "0C 25 C0 00 06 19 55"},
        {"type back", [](CBACnetObjTypes& t) { t.m_objectID = _BACnetObjectID(2, 6); }, "0C 00 80 00 06 1E 09 55 1F", "0C 00 80 00 06 19 55"},
        {"two-octet property", [](CBACnetObjTypes& t) { t.m_propertyID = 300; }, "0C 00 80 00 06 1E 0A 01 2C 1F", "0C 00 80 00 06 1A 01 2C"},
        {"index ignored without array", [](CBACnetObjTypes& t) { t.m_arrayIndex = 9; }, "0C 00 80 00 06 1E 0A 01 2C 1F", "0C 00 80 00 06 1A 01 2C"},
        {"array", [](CBACnetObjTypes& t) { t.m_isArray = 1; }, "0C 00 80 00 06 1E 0A 01 2C 19 09 1F", "0C 00 80 00 06 1A 01 2C 29 09"},
        {"two-octet index", [](CBACnetObjTypes& t) { t.m_arrayIndex = 256; }, "0C 00 80 00 06 1E 0A 01 2C 1A 01 00 1F", "0C 00 80 00 06 1A 01 2C 2A 01 00"},
        {"one-octet property", [](CBACnetObjTypes& t) { t.m_propertyID = 87; }, "0C 00 80 00 06 1E 09 57 1A 01 00 1F", "0C 00 80 00 06 19 57 2A 01 00"},
        {"no array", [](CBACnetObjTypes& t) { t.m_isArray = 0; }, "0C 00 80 00 06 1E 09 57 1F", "0C 00 80 00 06 19 57"},
    };
    for (const auto& step : steps) {
        step.change(tag);
        EXPECT_EQ(Multi(tag), step.multi) << step.name;
        EXPECT_EQ(Single(tag), step.single) << step.name;
        EXPECT_EQ(Multi(tag), step.multi) << step.name << ", again";
    }

    // Rebinding, copies and assignment: each tag writes its own fields.
    CBACnetObjTypes copy(tag);
    CString array(L"priorityarray[8]");
    copy.m_objectID = _BACnetObjectID(1, 1);
    ASSERT_EQ(copy.CreateProperty(array, subType, 0), 1);
    EXPECT_EQ(Multi(copy), "0C 00 40 00 01 1E 09 57 19 08 1F");
    EXPECT_EQ(Multi(tag), "0C 00 80 00 06 1E 09 57 1F");
    tag = copy;
    EXPECT_EQ(Multi(tag), "0C 00 40 00 01 1E 09 57 19 08 1F");
    copy.m_arrayIndex = 3;
    EXPECT_EQ(Multi(copy), "0C 00 40 00 01 1E 09 57 19 03 1F");
    EXPECT_EQ(Multi(tag), "0C 00 40 00 01 1E 09 57 19 08 1F");
}

}  // namespace
