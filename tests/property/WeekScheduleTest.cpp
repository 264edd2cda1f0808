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

_BACnetTimeValue* Entry(CBACnetWeekSchedule& schedule, int day, int i)
{
    return static_cast<_BACnetTimeValue*>(schedule.m_dayLists[day - 1].GetAt(i));
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

    const std::string allDays =
        "0E B4 08 00 00 00 91 01 0F 0E 0F 0E B4 11 1E 00 00 91 00 B4 12 00 01 05 91 01 0F 0E 0F 0E 0F 0E 0F 0E 0F";
    const struct {
        int arrayIndex;
        int result;
        std::string expected;
    } cases[] = {
        {1, 1, "0E B4 08 00 00 00 91 01 0F"},
        {3, 1, "0E B4 11 1E 00 00 91 00 B4 12 00 01 05 91 01 0F"},
        {7, 1, "0E 0F"},
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

TEST(WeekScheduleWrite, SendsFirstValueOctetOnly)
{
    CBACnetWeekSchedule schedule;
    _BACnetTimeValue* real = new _BACnetTimeValue;  // 100.0 as ReadDataFrame leaves a Real
    real->m_value[0] = 0x00;
    real->m_value[1] = 0x00;
    real->m_value[2] = 0xC8;
    real->m_value[3] = 0x42;
    schedule.m_dayLists[0].Add(real);
    EXPECT_EQ(Encode(schedule, 1), "0E B4 00 00 00 00 91 00 0F");
}

TEST(WeekScheduleRead, FillsDaysInOrder)
{
    Received in("3E 0E B4 08 00 00 00 91 01 B4 11 00 00 00 91 00 0F " + kSixEmptyDays + " 3F");
    CBACnetWeekSchedule schedule;
    int len = 0;
    ASSERT_EQ(schedule.ReadFrame(in.buf(), len, in.end()), 1);
    EXPECT_EQ(len, in.end());
    EXPECT_EQ(schedule.m_dayCounter, 7);
    ASSERT_EQ(schedule.m_dayLists[0].GetSize(), 2);
    EXPECT_EQ(Entry(schedule, 1, 0)->m_time, Time(8, 0));
    EXPECT_EQ(Entry(schedule, 1, 0)->m_value[0], 1);
    EXPECT_EQ(Entry(schedule, 1, 1)->m_time, Time(17, 0));
    EXPECT_EQ(Entry(schedule, 1, 1)->m_value[0], 0);
    for (int day = 2; day <= 7; day++)
        EXPECT_EQ(schedule.m_dayLists[day - 1].GetSize(), 0) << day;
}

struct ReadCase {
    const char* name;
    std::string hex;
    int result;
    int dayCounter;
    int entries;  // in list 1
    int len;      // -1: the whole input
};

TEST(WeekScheduleRead, NestingAndRefusals)
{
    const ReadCase cases[] = {
        {"one day, as for an array index", "3E 0E B4 08 00 00 00 91 01 0F 3F", 1, 1, 1, -1},
        {"just inside tag 3", "0E B4 08 00 00 00 91 01 0F 3F", 1, 1, 1, -1},
        {"closing tag 3 ends the read", "3E 0E 0F 3F 0E 0F", 1, 1, 0, 4},
        {"other opening tags nest", "5E 0E B4 08 00 00 00 91 01 0F 5F", 1, 1, 1, -1},
        {"eighth day", "3E 0E 0F " + kSixEmptyDays + " 0E 0F 3F", 0, 8, 0, 16},
        {"entry before any day", "3E B4 08 00 00 00 91 01 3F", 0, 0, 0, 2},
        {"double value", "3E 0E B4 08 00 00 00 55 08 40 59 00 00 00 00 00 00 0F 3F", 0, 1, 0, 9},
        {"string of four characters", "3E 0E B4 08 00 00 00 75 05 00 41 42 43 44 0F 3F", 0, 1, 0, 9},
        {"string of three characters", "3E 0E B4 08 00 00 00 74 00 41 42 43 0F 3F", 1, 1, 1, -1},
        {"real value kept", "3E 0E B4 08 00 00 00 44 42 C8 00 00 0F 3F", 1, 1, 1, -1},
        {"time of five octets", "3E 0E B5 05 08 00 00 00 00 91 01 0F 3F", 0, 1, 0, 4},
        {"entries kept before a failure", "3E 0E B4 08 00 00 00 91 01 B4 09 00 00 00 D1 00 0F 3F", 0, 1, 1, 15},
        {"context header passed over", "3E 0E 19 B4 08 00 00 00 91 01 0F 3F", 1, 1, 1, -1},
    };
    for (const auto& c : cases) {
        Received in(c.hex);
        CBACnetWeekSchedule schedule;
        int len = 0;
        EXPECT_EQ(schedule.ReadFrame(in.buf(), len, in.end()), c.result) << c.name;
        EXPECT_EQ(schedule.m_dayCounter, c.dayCounter) << c.name;
        EXPECT_EQ(schedule.m_dayLists[0].GetSize(), c.entries) << c.name;
        EXPECT_EQ(len, c.len < 0 ? in.end() : c.len) << c.name;
    }
}

TEST(WeekScheduleRead, RealValueHeldInHostOrder)
{
    Received in("0E B4 08 00 00 00 44 42 C8 00 00 0F");
    CBACnetWeekSchedule schedule;
    int len = 0;
    ASSERT_EQ(schedule.ReadFrameToEnd(in.buf(), len, in.end()), 1);
    const _BACnetTimeValue* entry = Entry(schedule, 1, 0);
    EXPECT_EQ(ToHex(entry->m_value, 4), "00 00 C8 42");
    EXPECT_EQ(Encode(schedule, 1), "0E B4 08 00 00 00 91 00 0F");
}

TEST(WeekScheduleRead, SecondReadIntoSameObjectFails)
{
    Received in("3E 0E 0F " + kSixEmptyDays + " 3F");
    CBACnetWeekSchedule schedule;
    int len = 0;
    ASSERT_EQ(schedule.ReadFrame(in.buf(), len, in.end()), 1);
    len = 0;
    EXPECT_EQ(schedule.ReadFrame(in.buf(), len, in.end()), 0);
    EXPECT_EQ(len, 2);
}

TEST(WeekScheduleRead, RoundTrip)
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
}

}  // namespace
