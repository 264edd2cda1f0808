#include <gtest/gtest.h>

#include "Devices.h"
#include "Hex.h"
#include "InvokeID.h"
#include "service/CreateObjService.h"
#include "service/DeleteObjService.h"

namespace {

// Neither request expects a reply: no reply flags; catalogue types 18 to
// 20 go out as they stand.
TEST(CreateDelete, RequestsWithoutReplyFlags)
{
    struct {
        bool create;
        CBACnetOBJ obj;
        _BACnetObjectID id;
        const char* frame;
    } cases[] = {
        {false, CBACnetOBJ(), _BACnetObjectID(2, 7), "01 00 00 05 01 0B C4 00 80 00 07"},
        {true, CBACnetOBJ(), _BACnetObjectID(2, 7), "01 00 00 05 01 0A 0E 1C 00 80 00 07 0F"},
        {false, RoutedDevice(5, {0x0A}, 206), _BACnetObjectID(17, 1),
         "01 20 00 05 01 0A FF 00 02 01 0B C4 04 40 00 01"},
        {true, RoutedDevice(5, {0x0A}, 206), _BACnetObjectID(17, 1),
         "01 20 00 05 01 0A FF 00 02 01 0A 0E 1C 04 40 00 01 0F"},
        {true, CBACnetOBJ(), _BACnetObjectID(18, 1), "01 00 00 05 01 0A 0E 1C 04 80 00 01 0F"},
    };
    for (auto& c : cases) {
        InvokeIDScope scope(0);
        unsigned char buf[64];
        int len = 0;
        CBACnetCreateObjService create;
        CBACnetDeleteObjService remove;
        const unsigned char id =
            c.create ? create.MakeFrame(buf, len, &c.obj, c.id) : remove.MakeFrame(buf, len, &c.obj, c.id);
        EXPECT_EQ(id, 1) << c.frame;
        EXPECT_EQ(ToHex(buf, len), c.frame);
    }
}

}  // namespace
