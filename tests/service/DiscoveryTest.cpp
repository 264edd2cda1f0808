// Finding devices and objects (Who-Is, I-Am, I-Have) and the time broadcast.
#include <gtest/gtest.h>

#include <ctime>
#include <memory>

#include "Devices.h"
#include "Hex.h"
#include "host/Crt.h"
#include "service/IAmService.h"
#include "service/IHaveService.h"
#include "service/TimeSyncService.h"
#include "service/WhoIsService.h"

namespace {

TEST(IAm, DecodesIntoANewRecord)
{
    const struct {
        const char* name;
        const char* params;
        DWORD deviceID;  // 0: refused
        unsigned short maxAPDU = 0;
        unsigned char segmentation = 0;
        unsigned short vendorID = 0;
    } cases[] = {
        {"device 5", "C4 02 00 00 05 22 05 C4 91 00 21 07", 0x02000005, 1476, 0, 7},
        {"context-tagged identifier", "0C 02 00 00 05 22 05 C4 91 03 21 07", 0x02000005, 1476, 3, 7},
        {"one-octet max APDU", "C4 02 3F FF FF 21 32 91 01 22 01 04", 0x023FFFFF, 50, 1, 260},
        {"three-octet max APDU", "C4 02 00 00 05 23 00 05 C4 91 00 21 07", 0},
        {"five-octet identifier", "C5 05 02 00 00 00 05 22 05 C4 91 00 21 07", 0},
        {"five-octet segmentation", "C4 02 00 00 05 22 05 C4 95 05 00 00 00 00 03 21 07", 0},
    };
    for (const auto& c : cases) {
        CBACnetIAmService iAm;
        Received frame(c.params);
        std::unique_ptr<CBACnetOBJ> unbounded(iAm.ReadFrame(frame.buf()));
        std::unique_ptr<CBACnetOBJ> obj(iAm.ReadFrame(frame.buf(), frame.end()));
        ASSERT_EQ(obj != nullptr, c.deviceID != 0) << c.name;
        ASSERT_EQ(unbounded != nullptr, c.deviceID != 0) << c.name;
        EXPECT_EQ(CutsTaken(c.params, [](unsigned char* buf, int&, int end) {
                      return std::unique_ptr<CBACnetOBJ>(CBACnetIAmService().ReadFrame(buf, end)) != nullptr;
                  }), "")
            << c.name;
        if (!obj)
            continue;
        EXPECT_EQ(obj->m_objectID.GetValue(), c.deviceID) << c.name;
        EXPECT_EQ(obj->m_maxAPDU, c.maxAPDU) << c.name;
        EXPECT_EQ(obj->m_segmentation, c.segmentation) << c.name;
        EXPECT_EQ(iAm.m_vendorID, c.vendorID) << c.name;
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
        EXPECT_EQ(CutsTaken(c.params, [](unsigned char* buf, int& len, int end) {
                      return CBACnetWhoIsService().ReadFrame(buf, len, end);
                  }), "0")
            << c.name;
    }

    // Low without high, high before low, high above the largest instance, an octet after the range.
    for (const char* c : {"09 05", "19 05 09 05", "09 05 1C 00 40 00 00", "09 05 1A 03 E8 00"}) {
        Received frame(c);
        int pos = 0;
        EXPECT_EQ(CBACnetWhoIsService().ReadFrame(frame.buf(), pos, frame.end()), 0) << c;
    }
}

TEST(IHave, GivesTheNameToTheRecord)
{
    const struct {
        const char* name;
        const char* params;
        int result;
        const wchar_t* objectName;  // the record's name afterwards
    } cases[] = {
        {"ABC", "C4 02 00 00 05 C4 00 00 00 03 74 00 41 42 43", 1, L"ABC"},
        {"code page text", "C4 02 00 00 05 C4 00 00 00 03 73 00 E9 80", 1, L"\u00e9\u20ac"},
        {"context tags", "0C 02 00 00 05 1C 00 00 00 03 2C 00 41 42 43", 1, L"ABC"},
        {"character set 4", "C4 02 00 00 05 C4 00 00 00 03 74 04 41 42 43", 0, L"old"},
        {"five-octet identifier", "C5 05 02 00 00 00 05 C4 00 00 00 03 71 00", 0, L"old"},
        {"no character set", "C4 02 00 00 05 C4 00 00 00 03 70", 0, L"old"},
    };
    for (const auto& c : cases) {
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
        EXPECT_EQ(CutsTaken(c.params, [](unsigned char* buf, int&, int end) {
                      CBACnetOBJ obj;
                      obj.m_name = L"old";
                      return CBACnetIHaveService().ReadFrame(buf, &obj, end) || !(obj.m_name == L"old");
                  }), "")
            << c.name;
    }
}

__time32_t g_now;

// A clock beyond what the runtime can convert gives unspecified date and time.
TEST(TimeSync, BroadcastsLocalDateAndTime)
{
    const struct {
        int year, month, day, hour, minute, second;
        const char* frame;
    } cases[] = {
        {2026, 12, 6, 23, 59, 59, "01 20 FF FF 00 FF 10 06 A4 7E 0C 06 07 B4 17 3B 3B 00"},
        {0, 0, 0, 0, 0, 0, "01 20 FF FF 00 FF 10 06 A4 FF FF FF FF B4 FF FF FF FF"},
    };
    for (const auto& c : cases) {
        struct tm local = {};
        local.tm_year = c.year - 1900;
        local.tm_mon = c.month - 1;
        local.tm_mday = c.day;
        local.tm_hour = c.hour;
        local.tm_min = c.minute;
        local.tm_sec = c.second;
        local.tm_isdst = -1;
        g_now = c.year ? static_cast<__time32_t>(mktime(&local)) : -1;
        HostSetClock([] { return g_now; });
        unsigned char buf[32];
        int len = 0;
        CBACnetTimeSyncService().MakeFrame(buf, len);
        HostSetClock(nullptr);
        EXPECT_EQ(ToHex(buf, len), c.frame);
    }
}

}  // namespace
