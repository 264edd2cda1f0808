#include <gtest/gtest.h>

#include "object/OBJ.h"
#include "property/PropertyID.h"
#include "service/ReadPropertyService.h"

namespace {

// Nothing in this program touches the counter before this test: the first
// request after the library is loaded carries invoke ID 1.
TEST(LoadedLibrary, FirstRequestCarriesInvokeIDOne)
{
    EXPECT_EQ(CBACnetPDU::c_invokeID, 0);
    CBACnetOBJ device;
    CBACnetPropertyID prop;
    CBACnetReadPropertyService read;
    unsigned char buf[32];
    int len = 0;
    EXPECT_EQ(read.MakeFrame(buf, len, &device, &prop), 1);
}

}  // namespace
