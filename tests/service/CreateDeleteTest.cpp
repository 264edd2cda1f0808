#include <gtest/gtest.h>

#include "Hex.h"
#include "InvokeID.h"
#include "object/OBJ.h"
#include "service/CreateObjService.h"
#include "service/DeleteObjService.h"

namespace {

CBACnetOBJ Routed()
{
    CBACnetOBJ obj;
    obj.m_address.m_network[0] = 0x00;
    obj.m_address.m_network[1] = 0x05;
    obj.m_address.m_macLength = 1;
    obj.m_address.m_mac[0] = 0x0A;
    obj.m_maxAPDU = 206;
    return obj;
}

TEST(CreateDelete, RequestsWithoutReplyFlags)
{
    struct Case {
        const char* name;
        bool create;
        CBACnetOBJ obj;
        _BACnetObjectID id;
        const char* frame;
    } cases[] = {
        {"delete, local", false, CBACnetOBJ(), _BACnetObjectID(2, 7), "01 00 00 05 01 0B C4 00 80 00 07"},
        {"create, local", true, CBACnetOBJ(), _BACnetObjectID(2, 7), "01 00 00 05 01 0A 0E 1C 00 80 00 07 0F"},
        {"delete, routed", false, Routed(), _BACnetObjectID(17, 1), "01 20 00 05 01 0A FF 00 02 01 0B C4 04 40 00 01"},
        {"create, routed", true, Routed(), _BACnetObjectID(17, 1),
         "01 20 00 05 01 0A FF 00 02 01 0A 0E 1C 04 40 00 01 0F"},
        // Catalogue types 18 to 20 go out as they stand.
        {"create Enthalpy", true, CBACnetOBJ(), _BACnetObjectID(18, 1), "01 00 00 05 01 0A 0E 1C 04 80 00 01 0F"},
    };
    for (Case& c : cases) {
        InvokeIDScope scope(0);
        unsigned char buf[64];
        int len = 0;
        unsigned char id;
        if (c.create) {
            CBACnetCreateObjService service;
            id = service.MakeFrame(buf, len, &c.obj, c.id);
        } else {
            CBACnetDeleteObjService service;
            id = service.MakeFrame(buf, len, &c.obj, c.id);
        }
        EXPECT_EQ(id, 1) << c.name;
        EXPECT_EQ(ToHex(buf, len), c.frame) << c.name;
    }
}

}  // namespace
