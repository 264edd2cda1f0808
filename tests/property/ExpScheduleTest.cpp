#include <gtest/gtest.h>

#include <string>

#include "Hex.h"
#include "property/DateRange.h"
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

TEST(ExpScheduleWrite, WritesEveryKindOfPeriod)
{
    CBACnetExpSchedule schedule;
    FillEveryKind(schedule);
    schedule.m_specialEvents.InsertAt(1, nullptr);  // passed over
    EXPECT_EQ(Encode(schedule), std::string(kDateEvent) + " " + kRangeEvent + " " + kWeekNDayEvent + " " +
                                    kReferenceEvent);

    CBACnetExpSchedule empty;
    EXPECT_EQ(Encode(empty), "");
}

TEST(ExpScheduleWrite, UnknownChoicesWriteNoPeriod)
{
    CBACnetExpSchedule schedule;
    schedule.m_specialEvents.Add(NewEvent(0, 7, 16));
    schedule.m_specialEvents.Add(NewEvent(4, 0, 3));
    EXPECT_EQ(Encode(schedule), "0E 0F 2E 2F 39 10 2E 2F 39 03");
}

TEST(ExpScheduleRead, RoundTripsEveryKindOfPeriod)
{
    CBACnetExpSchedule schedule;
    FillEveryKind(schedule);
    const std::string value = Encode(schedule);

    Received in("3E " + value + " 3F");
    CBACnetExpSchedule back;
    int len = 0;
    ASSERT_EQ(back.ReadFrame(in.buf(), len, in.end()), 1);
    EXPECT_EQ(len, in.end());
    EXPECT_EQ(back.m_currentEvent, nullptr);
    ASSERT_EQ(back.m_specialEvents.GetSize(), 4);
    EXPECT_EQ(Event(back, 0)->m_date, kChristmas2024);
    EXPECT_EQ(Event(back, 1)->m_calendarEntryChoice, 1u);
    EXPECT_EQ(Event(back, 1)->m_startDate, kNewYear2024);
    EXPECT_EQ(Event(back, 1)->m_endDate, kNewYearsEve2024);
    EXPECT_EQ(ToHex(Event(back, 2)->m_weekNDay, 3), "0C 01 01");
    EXPECT_EQ(Event(back, 3)->m_periodChoice, 1u);
    EXPECT_EQ(Event(back, 3)->m_calendarID.GetValue(), 0x01800001u);
    EXPECT_EQ(Event(back, 3)->m_timeValues.GetSize(), 2);
    EXPECT_EQ(Event(back, 3)->m_eventPriority, 5);
    EXPECT_EQ(Encode(back), value);
}

struct ReadCase {
    const char* name;
    std::string hex;
    int result;
    int events;   // in the list
    bool building;  // an event left under construction
    int len;      // -1: the whole input
};

TEST(ExpScheduleRead, NestingAndRefusals)
{
    const std::string two = std::string(kDateEvent) + " " + kReferenceEvent;
    const ReadCase cases[] = {
        {"two events in tag 3", "3E " + two + " 3F", 1, 2, false, -1},
        {"just inside tag 3", two + " 3F", 1, 2, false, -1},
        {"data runs out", two, 1, 1, true, -1},
        {"reference with no times", "1C 01 80 00 01 2E 2F 39 05 3F", 1, 1, false, -1},
        {"application value", "3E 21 01 3F", 0, 0, false, 2},
        {"priority before any period", "3E 39 10 3F", 0, 0, false, 2},
        {"times before any period", "3E 2E 2F 3F", 0, 0, false, 2},
        {"opening tag in the times", "3E 0E 0C 7C 0C 19 03 0F 2E 0E 0F 2F 39 10 3F", 0, 0, true, 10},
        {"date outside a range", "3E 0E A4 7C 0C 19 03 0F 3F", 0, 0, true, 3},
        {"week-n-day of five octets", "3E 0E 2D 05 0C 01 01 00 00 0F 3F", 0, 0, true, 4},
        {"priority of two octets", "3E 1C 01 80 00 01 3A 00 05 3F", 0, 0, true, 7},
        {"reference of five octets", "3E 1D 05 01 80 00 01 00 3F", 0, 0, true, 3},
        {"deep nesting in a calendar entry", "0E 1E 1E 1E 1E 1E 1E 1E 1E 1F 1F 1F 1F 1F 1F 1F 1F 0F", 0, 0, true, 6},
        {"other context tags passed over", "3E 49 1C 01 80 00 01 3F", 1, 1, false, -1},
    };
    for (const auto& c : cases) {
        Received in(c.hex);
        CBACnetExpSchedule schedule;
        int len = 0;
        EXPECT_EQ(schedule.ReadFrameToEnd(in.buf(), len, in.end()), c.result) << c.name;
        EXPECT_EQ(schedule.m_specialEvents.GetSize(), c.events) << c.name;
        EXPECT_EQ(schedule.m_currentEvent != nullptr, c.building) << c.name;
        EXPECT_EQ(len, c.len < 0 ? in.end() : c.len) << c.name;
    }
}

TEST(ExpScheduleRead, ReadsAppendToTheList)
{
    Received in(std::string(kDateEvent) + " 3F");
    CBACnetExpSchedule schedule;
    for (int pass = 1; pass <= 2; pass++) {
        int len = 0;
        ASSERT_EQ(schedule.ReadFrame(in.buf(), len, in.end()), 1);
        EXPECT_EQ(schedule.m_specialEvents.GetSize(), pass);
    }
}

TEST(DateRange, ReadsAndWritesTwoDates)
{
    const char* range = "A4 7C 01 01 01 A4 7C 0C 1F 02";
    const struct {
        const char* name;
        std::string hex;
        int result;
        DWORD start, end;
    } cases[] = {
        {"bare", range, 1, kNewYear2024, kNewYearsEve2024},
        {"in tag 3", std::string("3E ") + range + " 3F", 1, kNewYear2024, kNewYearsEve2024},
        {"end date missing", "A4 7C 01 01 01", 0, kNewYear2024, 9},
        {"end date too long", "A4 7C 01 01 01 A5 05 7C 0C 1F 02 00", 0, kNewYear2024, 9},
        {"start date too long", "A5 05 7C 0C 1F 02 00 A4 7C 01 01 01", 0, 9, 9},
    };
    for (const auto& c : cases) {
        Received in(c.hex);
        CBACnetDateRange dates;
        dates.m_startDate = dates.m_endDate = 9;
        int len = 0;
        EXPECT_EQ(dates.ReadFrameToEnd(in.buf(), len, in.end()), c.result) << c.name;
        EXPECT_EQ(dates.m_startDate, c.start) << c.name;
        EXPECT_EQ(dates.m_endDate, c.end) << c.name;
    }

    CBACnetDateRange dates;
    dates.m_startDate = kNewYear2024;
    dates.m_endDate = kNewYearsEve2024;
    EXPECT_EQ(Encode(dates), range);
    CBACnetDateRange copy(dates);
    EXPECT_EQ(Encode(copy), range);
    EXPECT_EQ(copy.m_propertyID, 32);
}

}  // namespace
