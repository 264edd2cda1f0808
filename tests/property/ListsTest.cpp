#include <gtest/gtest.h>

#include <string>

#include "Hex.h"
#include "property/ObjPropertyRef.h"
#include "property/ObjectList.h"
#include "property/ServiceSupported.h"
#include "property/TypeSupported.h"

namespace {

const char* kTwoRefs = "0C 00 00 00 01 19 55 0C 00 80 00 02 19 55";

TEST(ObjPropertyRef, WritesEveryReference)
{
    CBACnetObjPropertyRef list;
    EXPECT_EQ(list.m_propertyID, 54);
    list.m_references.Add(new _BACnetPropertyRef(_BACnetObjectID(0, 1), 85));
    list.m_references.Add(nullptr);  // passed over
    list.m_references.Add(new _BACnetPropertyRef(_BACnetObjectID(2, 2), 85));
    unsigned char buf[32];
    int len = 0;
    EXPECT_EQ(list.MakeFrame(buf, len, 255), 1);
    EXPECT_EQ(ToHex(buf, len), kTwoRefs);
}

TEST(ObjPropertyRef, ReadsReferences)
{
    const struct {
        const char* name;
        std::string hex;
        int result;
        int refs;
        int len;  // -1: the whole input
    } cases[] = {
        {"two in tag 3", std::string("3E ") + kTwoRefs + " 3F", 1, 2, -1},
        {"bare", kTwoRefs, 1, 2, -1},
        {"any context tag begins one", "2C 00 00 00 01 19 55", 1, 1, -1},
        {"two-octet property", "0C 00 00 00 01 1A 00 55", 0, 0, 5},
        {"property missing", "0C 00 00 00 01 19", 0, 0, 6},
        {"array index follows", "0C 00 00 00 01 19 55 29 01", 0, 1, 9},
        {"application value", "3E 21 01 3F", 0, 0, 2},
        {"identifier of five octets", "0D 05 00 00 00 00 01 19 55", 0, 0, 2},
        {"nested in any opening tag", "5E 0C 00 00 00 01 19 55 5F 0C 00 00 00 02 19 55", 1, 1, 9},
    };
    for (const auto& c : cases) {
        Received in(c.hex);
        CBACnetObjPropertyRef list;
        int len = 0;
        EXPECT_EQ(list.ReadFrameToEnd(in.buf(), len, in.end()), c.result) << c.name;
        EXPECT_EQ(list.m_references.GetSize(), c.refs) << c.name;
        EXPECT_EQ(len, c.len < 0 ? in.end() : c.len) << c.name;
    }
}

TEST(ObjectList, AppendsIdentifiers)
{
    const struct {
        const char* name;
        const char* hex;
        int result;
        std::vector<DWORD> ids;
    } cases[] = {
        {"device and input", "3E C4 02 00 00 05 C4 00 00 00 01 3F", 1, {0x02000005, 0x00000001}},
        {"array length", "21 07", 1, {7}},
        {"five octets", "C5 05 02 00 00 00 05", 0, {}},
        {"kept before a failure", "C4 02 00 00 05 C5 05 00 00 00 00 01", 0, {0x02000005}},
        {"closing ends", "C4 02 00 00 05 3F C4 00 00 00 01", 1, {0x02000005}},
    };
    for (const auto& c : cases) {
        Received in(c.hex);
        CBACnetObjectList list;
        int len = 0;
        EXPECT_EQ(list.ReadFrameToEnd(in.buf(), len, in.end()), c.result) << c.name;
        ASSERT_EQ(list.m_objectIDs.GetSize(), static_cast<INT_PTR>(c.ids.size())) << c.name;
        for (size_t i = 0; i < c.ids.size(); i++)
            EXPECT_EQ(list.m_objectIDs.GetAt(i), c.ids[i]) << c.name;
    }
}

TEST(ObjectList, ReadingAgainAppends)
{
    Received in("3E C4 02 00 00 05 C4 00 00 00 01 3F");
    CBACnetObjectList list;
    for (int pass = 1; pass <= 2; pass++) {
        int len = 0;
        ASSERT_EQ(list.ReadFrame(in.buf(), len, in.end()), 1);
        EXPECT_EQ(list.m_objectIDs.GetSize(), 2 * pass);
    }
    EXPECT_EQ(list.m_objectIDs.GetAt(2), 0x02000005u);
    unsigned char buf[4];
    int len = 0;
    EXPECT_EQ(list.MakeFrame(buf, len, -1), 0);
    EXPECT_EQ(len, 0);
}

// Flags as a string of 0/1, flag 0 first.
template <size_t N>
std::string Flags(const unsigned char (&flags)[N])
{
    std::string out;
    for (unsigned char f : flags)
        out += static_cast<char>('0' + f);
    return out;
}

TEST(SupportedFlags, StartValues)
{
    EXPECT_EQ(Flags(CBACnetTypeSupported().m_typeFlags), std::string(18, '0'));
    EXPECT_EQ(Flags(CBACnetServiceSupported().m_serviceFlags), std::string(35, '1'));
    EXPECT_EQ(CBACnetTypeSupported().m_propertyID, 96);
    EXPECT_EQ(CBACnetServiceSupported().m_propertyID, 97);
}

TEST(SupportedFlags, TypesFromBitString)
{
    const struct {
        const char* name;
        const char* hex;
        int result;
        std::string flags;
    } cases[] = {
        {"all 18", "84 06 FF FF C0", 1, std::string(18, '1')},
        {"in tag 3, closing passed over", "3E 84 06 80 00 40 3F", 1, "100000000000000001"},
        {"one octet", "82 00 A0", 1, "101000000000000000"},
        {"five octets", "85 06 00 FF FF FF FF FF", 0, "110000000000000000"},
        {"last stands", "84 06 FF FF C0 82 00 40", 1, "010000000000000000"},
        {"any application tag is a bit string", "22 00 80", 1, "100000000000000000"},
    };
    for (const auto& c : cases) {
        Received in(c.hex);
        CBACnetTypeSupported types;
        types.m_typeFlags[0] = types.m_typeFlags[1] = 1;
        int len = 0;
        EXPECT_EQ(types.ReadFrameToEnd(in.buf(), len, in.end()), c.result) << c.name;
        EXPECT_EQ(Flags(types.m_typeFlags), c.flags) << c.name;
    }
}

TEST(SupportedFlags, ServicesFromBitString)
{
    const struct {
        const char* name;
        const char* hex;
        int result;
        std::string flags;
    } cases[] = {
        {"12 and 32 to 34", "85 06 03 00 08 00 00 E0", 1, std::string(12, '0') + "1" + std::string(19, '0') + "111"},
        {"four octets clear 32 to 34", "85 05 00 FF FF FF FF", 1, std::string(32, '1') + "000"},
        {"seven octets", "85 08 00 00 00 00 00 00 00", 0, std::string(35, '1')},
    };
    for (const auto& c : cases) {
        Received in(c.hex);
        CBACnetServiceSupported services;
        int len = 0;
        EXPECT_EQ(services.ReadFrameToEnd(in.buf(), len, in.end()), c.result) << c.name;
        EXPECT_EQ(Flags(services.m_serviceFlags), c.flags) << c.name;
    }
    CBACnetServiceSupported a;
    a.m_serviceFlags[3] = 0;
    CBACnetServiceSupported b(a);
    EXPECT_EQ(b.m_serviceFlags[3], 0);
}

}  // namespace
