// Reading is in PropertyReadTest: what the schedule writes, and reading back.
#include <gtest/gtest.h>

#include <string>

#include "Hex.h"
#include "property/ExpSchedule.h"

namespace {

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

std::string Encode(CBACnetPropertyID& prop)
{
    unsigned char buf[256];
    int len = 0;
    EXPECT_EQ(prop.MakeFrame(buf, len, 3), 1);
    return ToHex(buf, len);
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
    EXPECT_EQ(Encode(schedule), std::string(kDateEvent) + " " + kRangeEvent + " " + kWeekNDayEvent + " " +
                                    kReferenceEvent + " 0E 0F 2E 2F 39 10 2E 2F 39 03");
    CBACnetExpSchedule empty;
    EXPECT_EQ(Encode(empty), "");
}

// Read back into a list that already holds the events: appended.
TEST(ExpScheduleRead, RoundTripsEveryKindOfPeriod)
{
    CBACnetExpSchedule schedule;
    FillEveryKind(schedule);
    const std::string value = Encode(schedule);
    Received in("3E " + value + " 3F");
    int len = 0;
    ASSERT_EQ(schedule.ReadFrame(in.buf(), len, in.end()), 1);
    EXPECT_EQ(len, in.end());
    EXPECT_EQ(schedule.m_currentEvent, nullptr);
    ASSERT_EQ(schedule.m_specialEvents.GetSize(), 8);
    EXPECT_EQ(Encode(schedule), value + " " + value);
    EXPECT_EQ(Event(schedule, 7)->m_timeValues.GetSize(), 2);
    EXPECT_EQ(ToHex(Event(schedule, 6)->m_weekNDay, 3), "0C 01 01");
}

}  // namespace
