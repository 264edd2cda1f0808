// Reading is in PropertyReadTest: what the schedule writes, and what a read
// leaves for the next one.
#include <gtest/gtest.h>

#include <string>

#include "Hex.h"
#include "property/WeekSchedule.h"

namespace {

DWORD Time(int hour, int minute)
{
    return DWORD(hour) << 24 | DWORD(minute) << 16;
}

void Add(CBACnetWeekSchedule& schedule, int day, DWORD time, unsigned char value)
{
    schedule.m_dayLists[day - 1].Add(new _BACnetTimeValue(time, value));
}

std::string Encode(CBACnetWeekSchedule& schedule, int arrayIndex, int* result = nullptr)
{
    unsigned char buf[256];
    int len = 0;
    const int r = schedule.MakeFrame(buf, len, arrayIndex);
    if (result)
        *result = r;
    return ToHex(buf, len);
}

const std::string kSixEmptyDays = "0E 0F 0E 0F 0E 0F 0E 0F 0E 0F 0E 0F";

TEST(WeekScheduleWrite, WritesDaysByArrayIndex)
{
    CBACnetWeekSchedule empty;
    EXPECT_EQ(Encode(empty, -1), "0E 0F " + kSixEmptyDays);

    CBACnetWeekSchedule schedule;
    Add(schedule, 1, Time(8, 0), 1);
    Add(schedule, 3, Time(17, 30), 0);
    schedule.m_dayLists[2].Add(nullptr);  // empty slots are passed over
    Add(schedule, 3, Time(18, 0) | 0x0105, 1);
    _BACnetTimeValue* real = new _BACnetTimeValue(Time(7, 0), 0);  // 100.0 as a read leaves a Real
    real->m_value[2] = 0xC8;
    real->m_value[3] = 0x42;
    schedule.m_dayLists[6].Add(real);

    const std::string allDays = "0E B4 08 00 00 00 91 01 0F 0E 0F 0E B4 11 1E 00 00 91 00 B4 12 00 01 05 91 01 0F"
                                " 0E 0F 0E 0F 0E 0F 0E B4 07 00 00 00 91 00 0F";
    const struct {
        int arrayIndex;
        int result;
        std::string expected;
    } cases[] = {
        {1, 1, "0E B4 08 00 00 00 91 01 0F"},
        {3, 1, "0E B4 11 1E 00 00 91 00 B4 12 00 01 05 91 01 0F"},
        {6, 1, "0E 0F"},
        {7, 1, "0E B4 07 00 00 00 91 00 0F"},  // only the first value octet goes out
        {-1, 1, allDays},
        {255, 1, allDays},
        {0, 0, ""},
        {8, 0, ""},
        {254, 0, ""},
        {-2, 0, ""},
    };
    for (const auto& c : cases) {
        int result;
        EXPECT_EQ(Encode(schedule, c.arrayIndex, &result), c.expected) << "index " << c.arrayIndex;
        EXPECT_EQ(result, c.result) << "index " << c.arrayIndex;
    }
}

// A read keeps its day counter: the same object refuses a second week, and
// a value it cannot send whole is held as it came.
TEST(WeekScheduleRead, RoundTripAndASecondRead)
{
    CBACnetWeekSchedule schedule;
    Add(schedule, 1, Time(7, 30), 1);
    Add(schedule, 1, Time(12, 0), 0);
    Add(schedule, 4, Time(6, 0) | 0x3B63, 1);
    Add(schedule, 7, Time(23, 59), 0);
    const std::string value = Encode(schedule, -1);

    Received in("3E " + value + " 3F");
    CBACnetWeekSchedule back;
    int len = 0;
    ASSERT_EQ(back.ReadFrame(in.buf(), len, in.end()), 1);
    EXPECT_EQ(Encode(back, -1), value);
    len = 0;
    EXPECT_EQ(back.ReadFrame(in.buf(), len, in.end()), 0);
    EXPECT_EQ(len, 2);

    Received real("0E B4 08 00 00 00 44 42 C8 00 00 0F");
    CBACnetWeekSchedule held;
    len = 0;
    ASSERT_EQ(held.ReadFrameToEnd(real.buf(), len, real.end()), 1);
    EXPECT_EQ(ToHex(static_cast<_BACnetTimeValue*>(held.m_dayLists[0].GetAt(0))->m_value, 4), "00 00 C8 42");
}

}  // namespace
