// The property codecs, both ways. Every decoder is one row per case: the
// result, where the cursor stops and what the codec holds afterwards, each
// row's frame received in a block of exactly its size (AddressSanitizer);
// the fuzz target decodes every cut. The writers are checked octet for
// octet, the schedules also read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "Hex.h"
#include "host/TagVal.h"
#include "object/ValueText.h"
#include "property/DateRange.h"
#include "property/ExpSchedule.h"
#include "property/ObjPropertyRef.h"
#include "property/ObjectDesc.h"
#include "property/ObjectList.h"
#include "property/ObjectName.h"
#include "property/Presentvalue.h"
#include "property/PropertyID.h"
#include "property/SchPriority.h"
#include "property/ServiceSupported.h"
#include "property/TypeSupported.h"
#include "property/WeekSchedule.h"

namespace {

std::string Narrow(const CString& text)
{
    return HostWideToAnsi(text.GetString(), static_cast<size_t>(text.GetLength()));
}

template <size_t N>
std::string Flags(const unsigned char (&flags)[N])
{
    std::string out;
    for (unsigned char f : flags)
        out += static_cast<char>('0' + f);
    return out;
}

// What each codec holds, as text; each starts away from its defaults, so
// that a refusal shows what it left alone.
void Prepare(CBACnetObjectName& c) { c.m_name = L"old"; }
void Prepare(CBACnetObjectDesc& c) { c.m_description = L"old"; }
void Prepare(CBACnetSchPriority& c) { c.m_priority = 9; }
void Prepare(CBACnetTypeSupported& c) { c.m_typeFlags[0] = c.m_typeFlags[1] = 1; }
void Prepare(CBACnetDateRange& c) { c.m_startDate = c.m_endDate = 9; }
void Prepare(CBACnetPresentvalue& c) { c.m_value.SetVal(7.0); }
template <class T>
void Prepare(T&)
{
}

std::string Holds(CBACnetObjectName& c) { return Narrow(c.m_name); }
std::string Holds(CBACnetObjectDesc& c) { return Narrow(c.m_description); }
std::string Holds(CBACnetSchPriority& c) { return std::to_string(c.m_priority); }
std::string Holds(CBACnetTypeSupported& c) { return Flags(c.m_typeFlags); }
std::string Holds(CBACnetServiceSupported& c) { return Flags(c.m_serviceFlags); }
std::string Holds(CBACnetPresentvalue& c) { return Describe(c.m_value); }
std::string Holds(CBACnetDateRange& c)
{
    char text[24];
    snprintf(text, sizeof text, "%08X-%08X", static_cast<unsigned>(c.m_startDate), static_cast<unsigned>(c.m_endDate));
    return text;
}
std::string Holds(CBACnetObjectList& c)
{
    std::string out;
    char id[12];
    for (INT_PTR i = 0; i < c.m_objectIDs.GetSize(); i++) {
        snprintf(id, sizeof id, i ? " %08X" : "%08X", static_cast<unsigned>(c.m_objectIDs.GetAt(i)));
        out += id;
    }
    return out;
}
std::string Holds(CBACnetObjPropertyRef& c)
{
    std::string out;
    for (INT_PTR i = 0; i < c.m_references.GetSize(); i++) {
        const auto* ref = static_cast<_BACnetPropertyRef*>(c.m_references.GetAt(i));
        const _BACnetObjectID& id = ref->m_objectID;
        out += (i ? " " : "") + std::to_string(id.m_type) + ":" + std::to_string(id.m_instance) + "/" +
               std::to_string(ref->m_propertyID);
    }
    return out;
}
// The day reached, then the entries of each day.
std::string Holds(CBACnetWeekSchedule& c)
{
    std::string out = std::to_string(c.m_dayCounter) + ":";
    for (const CPtrArray& day : c.m_dayLists)
        out += " " + std::to_string(day.GetSize());
    return out;
}
// The events, and whether one is left under construction.
std::string Holds(CBACnetExpSchedule& c)
{
    return std::to_string(c.m_specialEvents.GetSize()) + (c.m_currentEvent ? " building" : "");
}

// A fresh codec, started away from its defaults, decodes `data`, received
// in a block of exactly its size: by ReadFrame, which needs the value's
// closing tag, or by ReadFrameToEnd, which takes data that stops at the end
// as whole. Returns what the codec holds.
template <class T, bool ToEnd>
std::string Decode(const std::vector<unsigned char>& data, int& len, int& result)
{
    T codec;
    Prepare(codec);
    Received in(data);
    result = ToEnd ? codec.ReadFrameToEnd(in.buf(), len, in.end()) : codec.ReadFrame(in.buf(), len, in.end());
    return Holds(codec) + (codec.m_changeFlag ? " changed" : "");
}

using Codec = std::string (*)(const std::vector<unsigned char>&, int&, int&);
template <class T>
constexpr Codec kStrict = Decode<T, false>;
template <class T>
constexpr Codec kToEnd = Decode<T, true>;

// Special events: on a date, in a date range, on a week-n-day, and on a
// calendar's days with two times.
const std::string kDateEvent = "0E 0C 7C 0C 19 03 0F 2E B4 08 00 00 00 91 01 2F 39 10";
const std::string kRangeEvent = "0E 1E A4 7C 01 01 01 A4 7C 0C 1F 02 1F 0F 2E B4 08 00 00 00 91 01 2F 39 10";
const std::string kWeekNDayEvent = "0E 2B 0C 01 01 0F 2E 2F 39 10";
const std::string kReferenceEvent = "1C 01 80 00 01 2E B4 06 00 00 00 91 00 B4 16 00 00 00 91 01 2F 39 05";
const std::string kExceptions = kDateEvent + " " + kRangeEvent + " " + kWeekNDayEvent + " " +
                                "1C 01 80 00 01 2E B4 06 00 00 00 91 00 2F 39 05";
const std::string kTwoEvents = kDateEvent + " " + kReferenceEvent;
const std::string kSixEmptyDays = "0E 0F 0E 0F 0E 0F 0E 0F 0E 0F 0E 0F";

struct Row {
    const char* name;
    Codec codec;
    std::string hex;
    int result;
    int len;  // -1: the whole frame
    std::string holds;
};

constexpr Codec kName = kStrict<CBACnetObjectName>;
constexpr Codec kNameToEnd = kToEnd<CBACnetObjectName>;
constexpr Codec kDesc = kStrict<CBACnetObjectDesc>;
constexpr Codec kPriority = kStrict<CBACnetSchPriority>;
constexpr Codec kPriorityToEnd = kToEnd<CBACnetSchPriority>;
constexpr Codec kValue = kStrict<CBACnetPresentvalue>;
constexpr Codec kRefs = kStrict<CBACnetObjPropertyRef>;
constexpr Codec kRefsToEnd = kToEnd<CBACnetObjPropertyRef>;
constexpr Codec kList = kStrict<CBACnetObjectList>;
constexpr Codec kListToEnd = kToEnd<CBACnetObjectList>;
constexpr Codec kTypes = kStrict<CBACnetTypeSupported>;
constexpr Codec kTypesToEnd = kToEnd<CBACnetTypeSupported>;
constexpr Codec kServices = kStrict<CBACnetServiceSupported>;
constexpr Codec kServicesToEnd = kToEnd<CBACnetServiceSupported>;
constexpr Codec kWeek = kStrict<CBACnetWeekSchedule>;
constexpr Codec kWeekToEnd = kToEnd<CBACnetWeekSchedule>;
constexpr Codec kEvents = kStrict<CBACnetExpSchedule>;
constexpr Codec kEventsToEnd = kToEnd<CBACnetExpSchedule>;
constexpr Codec kDates = kStrict<CBACnetDateRange>;
constexpr Codec kDatesToEnd = kToEnd<CBACnetDateRange>;

const Row kRows[] = {
    {"name", kName, "3E 74 00 41 42 43 3F", 1, -1, "ABC"},
    {"name, no closing tag", kName, "74 00 41 42 43", 0, -1, "ABC"},
    {"bare name", kNameToEnd, "74 00 41 42 43", 1, -1, "ABC"},
    {"name, nothing, taken whole", kNameToEnd, "", 1, 0, "old"},
    {"name, set 4", kNameToEnd, "75 05 04 41 00 42 00", 0, 3, "old"},
    {"name, last of two stands", kNameToEnd, "71 00 72 00 41", 1, -1, "A"},
    {"name, opening of any number nests", kNameToEnd, "5E 72 00 41 5F", 1, -1, "A"},
    {"name, closing of any number ends", kNameToEnd, "72 00 41 1F 72 00 42", 1, 4, "A"},
    {"name, length beyond the data", kNameToEnd, "75 09 00 41 42", 0, 2, "old"},
    {"name, tag number 255", kNameToEnd, "F9 FF", 0, 2, "old"},
    {"description of 2^31 - 1", kDesc, "75 FF 7F FF FF FF 00", 0, 6, "old"},
    {"priority", kPriority, "3E 21 10 3F", 1, -1, "16"},
    {"priority of two octets", kPriorityToEnd, "22 00 08", 0, 1, "9"},
    {"priority, enumerated taken as is", kPriorityToEnd, "91 02", 1, -1, "2"},
    {"present value", kValue, "3E 44 42 C8 00 00 3F", 1, -1, "100"},
    {"present value, string of eight", kValue, "3E 75 09 00 41 42 43 44 45 46 47 48 3F", 0, 3, "7"},
    {"present value, string of seven", kValue, "3E 75 08 00 41 42 43 44 45 46 47 3F", 1, -1, "empty"},
    {"present value, reserved tag", kValue, "3E D1 00 3F", 0, 2, "7"},
    {"present value, real of five octets", kValue, "3E 45 05 00 00 00 00 00 3F", 1, -1, "0"},
    {"references", kRefs, "3E 0C 00 00 00 01 19 55 0C 00 80 00 02 19 55 3F", 1, -1, "0:1/85 2:2/85"},
    {"reference, any context tag begins one", kRefsToEnd, "2C 00 00 00 01 19 55", 1, -1, "0:1/85"},
    {"reference, two-octet property", kRefsToEnd, "0C 00 00 00 01 1A 00 55", 0, 5, ""},
    {"reference, property missing", kRefsToEnd, "0C 00 00 00 01 19", 0, 6, ""},
    {"reference, array index follows", kRefsToEnd, "0C 00 00 00 01 19 55 29 01", 0, 9, "0:1/85"},
    {"reference, application value", kRefsToEnd, "3E 21 01 3F", 0, 2, ""},
    {"reference, identifier of five octets", kRefsToEnd, "0D 05 00 00 00 00 01 19 55", 0, 2, ""},
    {"reference, nested in any opening tag", kRefsToEnd,
     "5E 0C 00 00 00 01 19 55 5F 0C 00 00 00 02 19 55", 1, 9, "0:1/85"},
    {"object list", kList, "3E C4 02 00 00 05 C4 00 00 00 01 3F", 1, -1, "02000005 00000001"},
    {"object list, array length", kListToEnd, "21 07", 1, -1, "00000007"},
    {"object list, kept before a failure", kListToEnd, "C4 02 00 00 05 C5 05 00 00 00 00 01", 0, 7, "02000005"},
    {"object list, closing ends", kListToEnd, "C4 02 00 00 05 3F C4 00 00 00 01", 1, 6, "02000005"},
    {"object types", kTypes, "3E 84 06 FF FF C0 3F", 1, -1, "111111111111111111"},
    {"object types, bare", kTypes, "84 06 FF FF C0", 0, -1, "111111111111111111"},
    {"object types, five octets", kTypesToEnd, "85 06 00 FF FF FF FF FF", 0, 2, "110000000000000000"},
    {"services", kServices, "3E 85 06 03 00 08 00 00 E0 3F", 1, -1, "00000000000010000000000000000000111"},
    {"services, four octets clear 32 to 34", kServicesToEnd, "85 05 00 FF FF FF FF", 1, -1,
     "11111111111111111111111111111111000"},
    {"services, seven octets", kServicesToEnd, "85 08 00 00 00 00 00 00 00", 0, 2,
     "11111111111111111111111111111111111"},
    {"week", kWeek,
     "3E 0E B4 08 00 00 00 91 01 B4 11 00 00 00 91 00 0F " + kSixEmptyDays + " 3F", 1, -1, "7: 2 0 0 0 0 0 0"},
    {"week, six days of seven", kWeek, "3E " + kSixEmptyDays, 0, -1, "6: 0 0 0 0 0 0 0"},
    {"week, taken whole", kWeekToEnd, "0E B4 08 00 00 00 91 01 0F", 1, -1, "1: 1 0 0 0 0 0 0"},
    {"week, closing tag 3 ends the read", kWeek, "3E 0E 0F 3F 0E 0F", 1, 4, "1: 0 0 0 0 0 0 0"},
    {"week, eighth day", kWeek, "3E 0E 0F " + kSixEmptyDays + " 0E 0F 3F", 0, 16, "8: 0 0 0 0 0 0 0"},
    {"week, entry before any day", kWeek, "3E B4 08 00 00 00 91 01 3F", 0, 2, "0: 0 0 0 0 0 0 0"},
    {"week, double value", kWeek, "3E 0E B4 08 00 00 00 55 08 40 59 00 00 00 00 00 00 0F 3F", 0, 9, "1: 0 0 0 0 0 0 0"},
    {"week, string of four", kWeek, "3E 0E B4 08 00 00 00 75 05 00 41 42 43 44 0F 3F", 0, 9, "1: 0 0 0 0 0 0 0"},
    {"week, string of three", kWeek, "3E 0E B4 08 00 00 00 74 00 41 42 43 0F 3F", 1, -1, "1: 1 0 0 0 0 0 0"},
    {"week, time of five octets", kWeek, "3E 0E B5 05 08 00 00 00 00 91 01 0F 3F", 0, 4, "1: 0 0 0 0 0 0 0"},
    {"week, entries kept before a failure", kWeek,
     "3E 0E B4 08 00 00 00 91 01 B4 09 00 00 00 D1 00 0F 3F", 0, 15, "1: 1 0 0 0 0 0 0"},
    {"exceptions", kEvents, "3E " + kExceptions + " 3F", 1, -1, "4"},
    {"exceptions from inside their tags", kEventsToEnd, kTwoEvents + " 3F", 1, -1, "2"},
    {"exceptions, data runs out", kEventsToEnd, kTwoEvents, 1, -1, "1 building"},
    {"exception, reference with no times", kEventsToEnd, "1C 01 80 00 01 2E 2F 39 05 3F", 1, -1, "1"},
    {"exception, application value", kEventsToEnd, "3E 21 01 3F", 0, 2, "0"},
    {"exception, priority before any period", kEventsToEnd, "3E 39 10 3F", 0, 2, "0"},
    {"exception, opening tag in the times", kEventsToEnd,
     "3E 0E 0C 7C 0C 19 03 0F 2E 0E 0F 2F 39 10 3F", 0, 10, "0 building"},
    {"exception, date outside a range", kEventsToEnd, "3E 0E A4 7C 0C 19 03 0F 3F", 0, 3, "0 building"},
    {"exception, week-n-day of five octets", kEventsToEnd, "3E 0E 2D 05 0C 01 01 00 00 0F 3F", 0, 4, "0 building"},
    {"exception, priority of two octets", kEventsToEnd, "3E 1C 01 80 00 01 3A 00 05 3F", 0, 7, "0 building"},
    {"exception, deep nesting in a calendar entry", kEventsToEnd,
     "0E 1E 1E 1E 1E 1E 1E 1E 1E 1F 1F 1F 1F 1F 1F 1F 1F 0F", 0, 6, "0 building"},
    {"exception, other context tags passed over", kEventsToEnd, "3E 49 1C 01 80 00 01 3F", 1, -1, "1"},
    {"date range", kDates, "3E A4 7C 01 01 01 A4 7C 0C 1F 02 3F", 1, -1, "7C010101-7C0C1F02"},
    {"date range, end date missing", kDatesToEnd, "A4 7C 01 01 01", 0, -1, "7C010101-00000009"},
    {"date range, end date too long", kDatesToEnd, "A4 7C 01 01 01 A5 05 7C 0C 1F 02 00", 0, 7, "7C010101-00000009"},
};

TEST(PropertyRead, EveryCodec)
{
    for (const Row& row : kRows) {
        const std::vector<unsigned char> data = Hex(row.hex);
        int len = 0, result = -1;
        EXPECT_EQ(row.holds, row.codec(data, len, result)) << row.name;
        EXPECT_EQ(row.result, result) << row.name;
        const int consumed = row.len < 0 ? static_cast<int>(data.size()) : row.len;
        EXPECT_EQ(consumed, len) << row.name;
    }
}

// A hostile frame of nothing but opening tags: each codec reads to its end
// without a call per level, and refuses it (no closing tag) unless asked to
// take the data as it stands.
TEST(PropertyRead, OpeningTagsOnly)
{
    const struct {
        Codec codec;
        int result;
    } rows[] = {{kName, 0},   {kValue, 0}, {kWeek, 0}, {kWeekToEnd, 1},
                {kEvents, 0}, {kRefs, 0},  {kList, 0}, {kServices, 0}};
    const std::vector<unsigned char> tags(200000, 0x3E);
    for (const auto& row : rows) {
        int len = 0, result = -1;
        const std::string held = row.codec(tags, len, result);
        EXPECT_EQ(row.result, result) << held;
        EXPECT_EQ(200000, len) << held;
    }
}

// The property a codec stands for, its write's result and octets, written
// after an octet already in the buffer; each codec is destroyed through its
// own class.
template <class T>
std::string Written(T& codec, int arrayIndex = -1)
{
    std::vector<unsigned char> buf(400, 0xAA);
    int len = 1;
    const int result = codec.MakeFrame(buf.data(), len, arrayIndex);
    EXPECT_EQ(0xAA, buf[0]);
    EXPECT_EQ(0xAA, buf[len]);
    return std::to_string(codec.m_propertyID) + " " + std::to_string(result) + ":" +
           (len > 1 ? " " + ToHex(buf.data() + 1, std::min(len - 1, 6)) : "");
}

TEST(PropertyWrite, EveryCodec)
{
    const struct {
        const char* name;
        std::function<std::string()> write;
        const char* expected;  // property, result: the first octets written
    } rows[] = {
        {"base", [] { CBACnetPropertyID c; return Written(c); }, "85 0:"},
        {"priority", [] { CBACnetSchPriority c; return Written(c, 255); }, "88 1: 21 10"},
        {"empty name", [] { CBACnetObjectName c; return Written(c, 255); }, "77 1: 71 00"},
        {"name", [] { CBACnetObjectName c; c.m_name = L"ABCD"; return Written(c); }, "77 1: 75 05 00 41 42 43"},
        {"description, code page", [] { CBACnetObjectDesc c; c.m_description = L"\u00E9\u20AC"; return Written(c); },
         "28 1: 73 00 E9 80"},
        {"date range", [] { CBACnetDateRange c; c.m_startDate = 0x7C010101; return Written(c); },
         "32 1: A4 7C 01 01 01 A4"},
        {"references", [] {
             CBACnetObjPropertyRef c;
             c.m_references.Add(nullptr);  // passed over
             c.m_references.Add(new _BACnetPropertyRef(_BACnetObjectID(2, 2), 85));
             return Written(c, 255);
         },
         "54 1: 0C 00 80 00 02 19"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.expected, row.write()) << row.name;
}

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

// Days by array index; the week read back writes the same octets, and the
// read keeps its day counter: the same object refuses a second week.
TEST(WeekSchedule, WritesDaysByArrayIndexAndReadsBack)
{
    CBACnetWeekSchedule empty;
    EXPECT_EQ(Encode(empty, -1), "0E 0F " + kSixEmptyDays);

    CBACnetWeekSchedule schedule;
    Add(schedule, 1, Time(8, 0), 1);
    Add(schedule, 3, Time(17, 30), 0);
    schedule.m_dayLists[2].Add(nullptr);  // empty slots are passed over
    Add(schedule, 3, Time(18, 0) | 0x0105, 1);
    Add(schedule, 7, Time(23, 59), 0);
    const std::string allDays = "0E B4 08 00 00 00 91 01 0F 0E 0F 0E B4 11 1E 00 00 91 00 B4 12 00 01 05 91 01 0F"
                                " 0E 0F 0E 0F 0E 0F 0E B4 17 3B 00 00 91 00 0F";
    const struct {
        int arrayIndex;
        int result;
        std::string expected;
    } cases[] = {
        {1, 1, "0E B4 08 00 00 00 91 01 0F"},
        {3, 1, "0E B4 11 1E 00 00 91 00 B4 12 00 01 05 91 01 0F"},
        {6, 1, "0E 0F"},
        {7, 1, "0E B4 17 3B 00 00 91 00 0F"},
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

    Received in("3E " + allDays + " 3F");
    CBACnetWeekSchedule back;
    int len = 0;
    ASSERT_EQ(back.ReadFrame(in.buf(), len, in.end()), 1);
    EXPECT_EQ(Encode(back, -1), allDays);
    len = 0;
    EXPECT_EQ(back.ReadFrame(in.buf(), len, in.end()), 0);
    EXPECT_EQ(len, 2);

    // A Real is held as it came; only its first octet goes out.
    Received real("0E B4 08 00 00 00 44 42 C8 00 00 0F");
    CBACnetWeekSchedule held;
    len = 0;
    ASSERT_EQ(held.ReadFrameToEnd(real.buf(), len, real.end()), 1);
    EXPECT_EQ(ToHex(static_cast<_BACnetTimeValue*>(held.m_dayLists[0].GetAt(0))->m_value, 4), "00 00 C8 42");
    EXPECT_EQ(Encode(held, 1), "0E B4 08 00 00 00 91 00 0F");
}

// The events of the examples, each as the driver would prepare it.
_BACnetSpecialEvent* NewEvent(DWORD period, DWORD entry, unsigned char priority)
{
    _BACnetSpecialEvent* event = new _BACnetSpecialEvent;
    event->m_periodChoice = period;
    event->m_calendarEntryChoice = entry;
    event->m_eventPriority = priority;
    return event;
}

// A schedule holding one event of each kind, in the order of the constants above.
void FillEveryKind(CBACnetExpSchedule& schedule)
{
    _BACnetSpecialEvent* date = NewEvent(0, 0, 16);
    date->m_date = 0x7C0C1903;  // 2024-12-25, a Wednesday
    date->m_timeValues.Add(new _BACnetTimeValue(0x08000000, 1));
    _BACnetSpecialEvent* range = NewEvent(0, 1, 16);
    range->m_startDate = 0x7C010101;
    range->m_endDate = 0x7C0C1F02;
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

// Every kind of period, written and read back into the schedule that holds
// them: appended. Empty slots are passed over; an unknown choice writes no period.
TEST(ExpSchedule, WritesEveryKindOfPeriodAndReadsBack)
{
    CBACnetExpSchedule schedule;
    FillEveryKind(schedule);
    const std::string value = kDateEvent + " " + kRangeEvent + " " + kWeekNDayEvent + " " + kReferenceEvent;
    EXPECT_EQ(Encode(schedule, 3), value);
    Received in("3E " + value + " 3F");
    int len = 0;
    ASSERT_EQ(schedule.ReadFrame(in.buf(), len, in.end()), 1);
    EXPECT_EQ(len, in.end());
    EXPECT_EQ(schedule.m_currentEvent, nullptr);
    ASSERT_EQ(schedule.m_specialEvents.GetSize(), 8);
    EXPECT_EQ(Encode(schedule, 3), value + " " + value);
    EXPECT_EQ(static_cast<_BACnetSpecialEvent*>(schedule.m_specialEvents[7])->m_timeValues.GetSize(), 2);
    EXPECT_EQ(ToHex(static_cast<_BACnetSpecialEvent*>(schedule.m_specialEvents[6])->m_weekNDay, 3), "0C 01 01");

    CBACnetExpSchedule odd;
    EXPECT_EQ(Encode(odd, 3), "");
    odd.m_specialEvents.Add(nullptr);
    odd.m_specialEvents.Add(NewEvent(0, 7, 16));
    odd.m_specialEvents.Add(NewEvent(4, 0, 3));
    EXPECT_EQ(Encode(odd, 3), "0E 0F 2E 2F 39 10 2E 2F 39 03");
}

}  // namespace
