#include <gtest/gtest.h>

#include <ctime>

#include "Hex.h"
#include "host/Crt.h"
#include "service/TimeSyncService.h"

namespace {

__time32_t g_now;

// A clock beyond what the runtime can convert gives unspecified date and time.
TEST(TimeSync, BroadcastsLocalDateAndTime)
{
    struct Case {
        int year, month, day, hour, minute, second;
        const char* frame;
    } cases[] = {
        {2026, 12, 4, 5, 0, 9, "01 20 FF FF 00 FF 10 06 A4 7E 0C 04 05 B4 05 00 09 00"},
        {2026, 12, 6, 23, 59, 59, "01 20 FF FF 00 FF 10 06 A4 7E 0C 06 07 B4 17 3B 3B 00"},
        {2024, 1, 1, 0, 0, 0, "01 20 FF FF 00 FF 10 06 A4 7C 01 01 01 B4 00 00 00 00"},
        {2025, 12, 31, 12, 30, 0, "01 20 FF FF 00 FF 10 06 A4 7D 0C 1F 03 B4 0C 1E 00 00"},
        {0, 0, 0, 0, 0, 0, "01 20 FF FF 00 FF 10 06 A4 FF FF FF FF B4 FF FF FF FF"},
    };
    for (const Case& c : cases) {
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
        CBACnetTimeSyncService timeSync;
        unsigned char buf[32];
        int len = 0;
        timeSync.MakeFrame(buf, len);
        HostSetClock(nullptr);
        EXPECT_EQ(ToHex(buf, len), c.frame);
    }
}

}  // namespace
