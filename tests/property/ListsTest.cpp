// Reading is in PropertyReadTest, writing in PropertyIDTest: the lists'
// defaults, and what a read leaves for the next one.
#include <gtest/gtest.h>

#include <string>

#include "Hex.h"
#include "property/ObjectList.h"
#include "property/ServiceSupported.h"
#include "property/TypeSupported.h"

namespace {

// Each read appends.
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
}

TEST(SupportedFlags, StartValuesAndCopies)
{
    CBACnetTypeSupported types;
    EXPECT_EQ(std::string(types.m_typeFlags, types.m_typeFlags + 18), std::string(18, '\0'));
    EXPECT_EQ(types.m_propertyID, 96);
    CBACnetServiceSupported services;
    EXPECT_EQ(std::string(services.m_serviceFlags, services.m_serviceFlags + 35), std::string(35, '\1'));
    EXPECT_EQ(services.m_propertyID, 97);
    services.m_serviceFlags[3] = 0;
    CBACnetServiceSupported copy(services);
    EXPECT_EQ(copy.m_serviceFlags[3], 0);
}

}  // namespace
