// What the two schedules write, and reading back (the decoders' refusals are
// in PropertyReadTest).
#include <gtest/gtest.h>

#include <string>

#include "Hex.h"
#include "property/ExpSchedule.h"
#include "property/WeekSchedule.h"

namespace {

// The value a schedule writes; without `result`, the write must succeed.
std::string Encode(CBACnetPropertyID& schedule, int arrayIndex, int* result = nullptr)
{
    unsigned char buf[256];
    int len = 0;
    const int r = schedule.MakeFrame(buf, len, arrayIndex);
    if (result)
        *result = r;
    else
        EXPECT_EQ(1, r);
    return ToHex(buf, len);
}

DWORD Time(int hour, int minute)
{
    return DWORD(hour) << 24 | DWORD(minute) << 16;
}

void Add(CBACnetWeekSchedule& schedule, int day, DWORD time, unsigned char value)
{
    schedule.m_dayLists[day - 1].Add(new _BACnetTimeValue(time, value));
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


const DWORD kChristmas2024 = 0x7C0C1903;  // 2024-12-25, a Wednesday
const DWORD kNewYear2024 = 0x7C010101;
const DWORD kNewYearsEve2024 = 0x7C0C1F02;

// The events of the examples, each as the driver would prepare it.
_BACnetSpecialEvent* NewEvent(DWORD period, DWORD entry, unsigned char priority)
{
    _BACnetSpecialEvent* event = new _BACnetSpecialEvent;
    event->m_periodChoice = period;
    event->m_calendarEntryChoice = entry;
    event->m_eventPriority = priority;
    return event;
}

const char* kDateEvent = "0E 0C 7C 0C 19 03 0F 2E B4 08 00 00 00 91 01 2F 39 10";
const char* kRangeEvent = "0E 1E A4 7C 01 01 01 A4 7C 0C 1F 02 1F 0F 2E B4 08 00 00 00 91 01 2F 39 10";
const char* kWeekNDayEvent = "0E 2B 0C 01 01 0F 2E 2F 39 10";
const char* kReferenceEvent = "1C 01 80 00 01 2E B4 06 00 00 00 91 00 B4 16 00 00 00 91 01 2F 39 05";

// A schedule holding one event of each kind, in the order above.
void FillEveryKind(CBACnetExpSchedule& schedule)
{
    _BACnetSpecialEvent* date = NewEvent(0, 0, 16);
    date->m_date = kChristmas2024;
    date->m_timeValues.Add(new _BACnetTimeValue(0x08000000, 1));
    _BACnetSpecialEvent* range = NewEvent(0, 1, 16);
    range->m_startDate = kNewYear2024;
    range->m_endDate = kNewYearsEve2024;
    range->m_timeValues.Add(new _BACnetTimeValue(0x08000000, 1));
    _BACnetSpecialEvent* weekNDay = NewEvent(0, 2, 16);
    weekNDay->m_weekNDay[0] = 12;  // December
    weekNDay->m_weekNDay[1] = 1;   // first week
    weekNDay->m_weekNDay[2] = 1;   // Monday
    _BACnetSpecialEvent* reference = NewEvent(1, 0, 5);
    reference->m_calendarID = _BACnetObjectID(6, 1);
    reference->m_timeValues.Add(new _BACnetTimeValue(0x06000000, 0));
    reference->m_timeValues.Add(nullptr);  // passed over
    reference->m_timeValues.Add(new _BACnetTimeValue(0x16000000, 1));
    for (_BACnetSpecialEvent* event : {date, range, weekNDay, reference})
        schedule.m_specialEvents.Add(event);
}

_BACnetSpecialEvent* Event(CBACnetExpSchedule& schedule, int i)
{
    return static_cast<_BACnetSpecialEvent*>(schedule.m_specialEvents.GetAt(i));
}

// Empty slots are passed over; an unknown choice writes no period.
TEST(ExpScheduleWrite, WritesEveryKindOfPeriod)
{
    CBACnetExpSchedule schedule;
    FillEveryKind(schedule);
    schedule.m_specialEvents.InsertAt(1, nullptr);
    schedule.m_specialEvents.Add(NewEvent(0, 7, 16));
    schedule.m_specialEvents.Add(NewEvent(4, 0, 3));
    EXPECT_EQ(Encode(schedule, 3), std::string(kDateEvent) + " " + kRangeEvent + " " + kWeekNDayEvent + " " +
                                    kReferenceEvent + " 0E 0F 2E 2F 39 10 2E 2F 39 03");
    CBACnetExpSchedule empty;
    EXPECT_EQ(Encode(empty, 3), "");
}

// Read back into a list that already holds the events: appended.
TEST(ExpScheduleRead, RoundTripsEveryKindOfPeriod)
{
    CBACnetExpSchedule schedule;
    FillEveryKind(schedule);
    const std::string value = Encode(schedule, 3);
    Received in("3E " + value + " 3F");
    int len = 0;
    ASSERT_EQ(schedule.ReadFrame(in.buf(), len, in.end()), 1);
    EXPECT_EQ(len, in.end());
    EXPECT_EQ(schedule.m_currentEvent, nullptr);
    ASSERT_EQ(schedule.m_specialEvents.GetSize(), 8);
    EXPECT_EQ(Encode(schedule, 3), value + " " + value);
    EXPECT_EQ(Event(schedule, 7)->m_timeValues.GetSize(), 2);
    EXPECT_EQ(ToHex(Event(schedule, 6)->m_weekNDay, 3), "0C 01 01");
}

}  // namespace
