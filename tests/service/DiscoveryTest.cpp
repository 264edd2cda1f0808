#include <gtest/gtest.h>

#include <memory>

#include "Hex.h"
#include "object/OBJ.h"
#include "service/IAmService.h"
#include "service/WhoIsService.h"

namespace {

struct IAmCase {
    const char* name;
    const char* params;
    bool decodes;
    DWORD deviceID;
    unsigned short maxAPDU;
    unsigned char segmentation;
    unsigned short vendorID;
};

const IAmCase kIAms[] = {
    {"device 5", "C4 02 00 00 05 22 05 C4 91 00 21 07", true, 0x02000005, 1476, 0, 7},
    {"context-tagged identifier", "0C 02 00 00 05 22 05 C4 91 03 21 07", true, 0x02000005, 1476, 3, 7},
    {"one-octet max APDU", "C4 02 3F FF FF 21 32 91 01 22 01 04", true, 0x023FFFFF, 50, 1, 260},
    {"two-octet segmentation", "C4 02 00 00 05 22 05 C4 92 00 02 21 07", true, 0x02000005, 1476, 2, 7},
    {"three-octet max APDU", "C4 02 00 00 05 23 00 05 C4 91 00 21 07", false, 0, 0, 0, 0},
    {"five-octet identifier", "C5 05 02 00 00 00 05 22 05 C4 91 00 21 07", false, 0, 0, 0, 0},
    {"five-octet segmentation", "C4 02 00 00 05 22 05 C4 95 05 00 00 00 00 03 21 07", false, 0, 0, 0, 0},
    {"three-octet vendor", "C4 02 00 00 05 22 05 C4 91 00 23 00 00 07", false, 0, 0, 0, 0},
};

TEST(IAm, DecodesIntoANewRecord)
{
    for (const IAmCase& c : kIAms) {
        CBACnetIAmService iAm;
        Received frame(c.params);
        std::unique_ptr<CBACnetOBJ> unbounded(iAm.ReadFrame(frame.buf()));
        std::unique_ptr<CBACnetOBJ> obj(iAm.ReadFrame(frame.buf(), frame.end()));
        ASSERT_EQ(obj != nullptr, c.decodes) << c.name;
        ASSERT_EQ(unbounded != nullptr, c.decodes) << c.name;
        if (!c.decodes)
            continue;
        EXPECT_EQ(obj->m_objectID.GetValue(), c.deviceID) << c.name;
        EXPECT_EQ(obj->m_maxAPDU, c.maxAPDU) << c.name;
        EXPECT_EQ(obj->m_segmentation, c.segmentation) << c.name;
        EXPECT_EQ(iAm.m_vendorID, c.vendorID) << c.name;
        EXPECT_EQ(iAm.m_segmentation, c.segmentation) << c.name;
        // Name and address stay at the defaults for the caller to fill.
        EXPECT_TRUE(obj->m_name.IsEmpty()) << c.name;
        EXPECT_EQ(ToHex(obj->m_address.m_network, 2), "FF FF") << c.name;
        EXPECT_EQ(obj->m_address.m_macLength, 0) << c.name;
    }
}

TEST(IAm, EveryTruncationIsRefused)
{
    for (const IAmCase& c : kIAms) {
        EXPECT_EQ(CutsTaken(c.params, [](unsigned char* buf, int&, int end) {
                      return std::unique_ptr<CBACnetOBJ>(CBACnetIAmService().ReadFrame(buf, end)) != nullptr;
                  }), "")
            << c.name;
    }
}


TEST(WhoIs, InstanceRangeBothWays)
{
    const struct {
        const char* name;
        DWORD low, high;
        const char* params;
        DWORD readLow, readHigh;
    } cases[] = {
        {"one device", 1234, 1234, "0A 04 D2 1A 04 D2", 1234, 1234},
        {"5 to 1000", 5, 1000, "09 05 1A 03 E8", 5, 1000},
        {"everything", 0, 0x3FFFFF, "09 00 1B 3F FF FF", 0, 0x3FFFFF},
        {"limits cut to the largest instance", 0x400000, 0xFFFFFFFF, "0B 3F FF FF 1B 3F FF FF", 0x3FFFFF, 0x3FFFFF},
    };
    for (const auto& c : cases) {
        CBACnetWhoIsService whoIs;
        unsigned char buf[32];
        int len = 0;
        whoIs.MakeFrame(buf, len, c.low, c.high);
        EXPECT_EQ(ToHex(buf, len), std::string("01 20 FF FF 00 FF 10 08 ") + c.params) << c.name;

        Received frame(c.params);
        CBACnetWhoIsService back;
        int at = 0;
        ASSERT_EQ(back.ReadFrame(frame.buf(), at, frame.end()), 1) << c.name;
        EXPECT_EQ(at, frame.end()) << c.name;
        EXPECT_EQ(back.m_hasRange, 1) << c.name;
        EXPECT_EQ(back.m_lowLimit, c.readLow) << c.name;
        EXPECT_EQ(back.m_highLimit, c.readHigh) << c.name;
        EXPECT_EQ(back.IsAsked(c.readLow), 1) << c.name;
        EXPECT_EQ(back.IsAsked(c.readHigh + 1), 0) << c.name;
        // Cut anywhere but before the range: refused.
        const auto bytes = Hex(c.params);
        for (size_t n = 1; n < bytes.size(); n++) {
            Received cut(bytes, n);
            int pos = 0;
            EXPECT_EQ(back.ReadFrame(cut.buf(), pos, cut.end()), 0) << c.name << ", " << n;
        }
    }

    // The plain Who-Is still writes its 8 octets and asks everyone.
    CBACnetWhoIsService plain;
    unsigned char buf[32];
    int len = 0;
    plain.MakeFrame(buf, len);
    plain.MakeFrame(buf, len);  // appends at the cursor
    EXPECT_EQ(ToHex(buf, len), "01 20 FF FF 00 FF 10 08 01 20 FF FF 00 FF 10 08");
    Received none("");
    int at = 0;
    EXPECT_EQ(plain.ReadFrame(none.buf(), at, none.end()), 1);
    EXPECT_EQ(plain.m_hasRange, 0);
    EXPECT_EQ(plain.IsAsked(4194303), 1);
}

TEST(WhoIs, RefusedRanges)
{
    const char* cases[] = {
        "09 05",                 // low without high
        "19 05 09 05",           // high before low
        "09 05 1C 00 40 00 00",  // high above the largest instance
        "21 05 22 03 E8",        // application tags
        "09 05 1D 05 00 00 00 00 01",  // five-octet limit
        "09 05 1A 03 E8 00",     // an octet after the range
    };
    for (const char* c : cases) {
        Received frame(c);
        CBACnetWhoIsService whoIs;
        int len = 0;
        EXPECT_EQ(whoIs.ReadFrame(frame.buf(), len, frame.end()), 0) << c;
    }
}

}  // namespace
