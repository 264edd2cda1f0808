#include <gtest/gtest.h>

#include <ctime>

#include "Hex.h"
#include "host/Crt.h"
#include "service/TimeSyncService.h"

namespace {

__time32_t g_now;
__time32_t PinnedClock() { return g_now; }

// Pins the host clock to a local date and time while a test runs.
class LocalClock {
public:
    LocalClock(int year, int month, int day, int hour, int minute, int second)
    {
        struct tm local = {};
        local.tm_year = year - 1900;
        local.tm_mon = month - 1;
        local.tm_mday = day;
        local.tm_hour = hour;
        local.tm_min = minute;
        local.tm_sec = second;
        local.tm_isdst = -1;
        g_now = static_cast<__time32_t>(mktime(&local));
        HostSetClock(PinnedClock);
    }
    ~LocalClock() { HostSetClock(nullptr); }
};

std::string Frame()
{
    CBACnetTimeSyncService timeSync;
    unsigned char buf[32];
    int len = 0;
    timeSync.MakeFrame(buf, len);
    return ToHex(buf, len);
}

TEST(TimeSync, BroadcastsLocalDateAndTime)
{
    struct Case {
        const char* name;
        int year, month, day, hour, minute, second;
        const char* frame;
    } cases[] = {
        {"Friday", 2026, 12, 4, 5, 0, 9, "01 20 FF FF 00 FF 10 06 A4 7E 0C 04 05 B4 05 00 09 00"},
        {"Sunday", 2026, 12, 6, 23, 59, 59, "01 20 FF FF 00 FF 10 06 A4 7E 0C 06 07 B4 17 3B 3B 00"},
        {"Monday, January", 2024, 1, 1, 0, 0, 0, "01 20 FF FF 00 FF 10 06 A4 7C 01 01 01 B4 00 00 00 00"},
        {"31 December", 2025, 12, 31, 12, 30, 0, "01 20 FF FF 00 FF 10 06 A4 7D 0C 1F 03 B4 0C 1E 00 00"},
    };
    for (const Case& c : cases) {
        LocalClock clock(c.year, c.month, c.day, c.hour, c.minute, c.second);
        EXPECT_EQ(Frame(), c.frame) << c.name;
    }
}

TEST(TimeSync, ClockBeyondTheRuntimeGivesUnspecifiedDateAndTime)
{
    g_now = -1;
    HostSetClock(PinnedClock);
    EXPECT_EQ(Frame(), "01 20 FF FF 00 FF 10 06 A4 FF FF FF FF B4 FF FF FF FF");
    HostSetClock(nullptr);
}

}  // namespace
