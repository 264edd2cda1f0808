#include <gtest/gtest.h>

#include "Hex.h"
#include "object/OBJ.h"
#include "service/IHaveService.h"
#include "service/WhoHasService.h"

namespace {

CBACnetOBJ RemoteRecord()
{
    CBACnetOBJ obj;
    obj.m_objectID = _BACnetObjectID(0, 3);
    obj.m_address.m_network[0] = 0x00;
    obj.m_address.m_network[1] = 0x05;
    obj.m_address.m_macLength = 6;
    for (int i = 0; i < 6; i++)
        obj.m_address.m_mac[i] = static_cast<unsigned char>(0xA1 + i);
    return obj;
}

TEST(WhoHas, ByObjectIdentifier)
{
    CBACnetOBJ local;
    local.m_objectID = _BACnetObjectID(2, 7);
    CBACnetOBJ remote = RemoteRecord();

    CBACnetWhoHasService whoHas;
    unsigned char buf[64];
    int len = 0;
    whoHas.MakeFrame(buf, len, &local);
    EXPECT_EQ(ToHex(buf, len), "01 20 FF FF 00 FF 10 07 2C 00 80 00 07");

    len = 0;
    whoHas.MakeFrame(buf, len, &remote);
    EXPECT_EQ(ToHex(buf, len), "01 20 00 05 06 A1 A2 A3 A4 A5 A6 FF 10 07 2C 00 00 00 03");

    // Each request takes its record's address afresh; the specifier stays set.
    len = 0;
    whoHas.MakeFrame(buf, len, &local);
    EXPECT_EQ(ToHex(buf, len), "01 20 FF FF 00 FF 10 07 2C 00 80 00 07");
}

struct IHaveCase {
    const char* name;
    const char* params;
    int result;
    const wchar_t* objectName;  // the record's name afterwards
};

const IHaveCase kIHaves[] = {
    {"ABC", "C4 02 00 00 05 C4 00 00 00 03 74 00 41 42 43", 1, L"ABC"},
    {"empty name", "C4 02 00 00 05 C4 00 00 00 03 71 00", 1, L""},
    {"code page text", "C4 02 00 00 05 C4 00 00 00 03 73 00 E9 80", 1, L"\u00e9\u20ac"},
    {"extended length", "C4 02 00 00 05 C4 00 00 00 03 75 04 00 41 42 43", 1, L"ABC"},
    {"context tags", "0C 02 00 00 05 1C 00 00 00 03 2C 00 41 42 43", 1, L"ABC"},
    {"character set 4", "C4 02 00 00 05 C4 00 00 00 03 74 04 41 42 43", 0, L"old"},
    {"five-octet identifier", "C5 05 02 00 00 00 05 C4 00 00 00 03 71 00", 0, L"old"},
    {"no character set", "C4 02 00 00 05 C4 00 00 00 03 70", 0, L"old"},
};

TEST(IHave, GivesTheNameToTheRecord)
{
    for (const IHaveCase& c : kIHaves) {
        for (bool bounded : {false, true}) {
            CBACnetIHaveService iHave;
            CBACnetOBJ obj;
            obj.m_name = L"old";
            Received frame(c.params);
            const int result =
                bounded ? iHave.ReadFrame(frame.buf(), &obj, frame.end()) : iHave.ReadFrame(frame.buf(), &obj);
            EXPECT_EQ(result, c.result) << c.name;
            EXPECT_TRUE(obj.m_name == c.objectName) << c.name;
            if (result) {
                EXPECT_EQ(iHave.m_deviceID.GetValue(), 0x02000005u) << c.name;
                EXPECT_EQ(iHave.m_objectID.GetValue(), 3u) << c.name;
                EXPECT_TRUE(iHave.m_objectName == c.objectName) << c.name;
            }
        }
    }
}

TEST(IHave, EveryTruncationIsRefused)
{
    for (const IHaveCase& c : kIHaves) {
        EXPECT_EQ(CutsTaken(c.params, [](unsigned char* buf, int&, int end) {
                      CBACnetOBJ obj;
                      obj.m_name = L"old";
                      return CBACnetIHaveService().ReadFrame(buf, &obj, end) || !(obj.m_name == L"old");
                  }), "")
            << c.name;
    }
}

TEST(IHave, HostileNameLengthAllocatesNothing)
{
    // A name claiming 2^31 - 1 octets in a short frame: refused before any allocation.
    Received frame("C4 02 00 00 05 C4 00 00 00 03 75 FF 7F FF FF FF 00");
    CBACnetIHaveService iHave;
    CBACnetOBJ obj;
    EXPECT_EQ(iHave.ReadFrame(frame.buf(), &obj, frame.end()), 0);
}

}  // namespace
