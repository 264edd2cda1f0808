// Every property codec's decoder, one row per case: the result, where the
// cursor stops and what the codec holds afterwards. Each row's frame is
// received in a block of exactly its size (AddressSanitizer), and every good
// frame is also decoded cut at each position short of what it consumed: a
// codec that needs its closing tag refuses the cut, and none reads past it.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "Hex.h"
#include "object/ValueText.h"
#include "property/DateRange.h"
#include "property/ExpSchedule.h"
#include "property/ObjPropertyRef.h"
#include "property/ObjectDesc.h"
#include "property/ObjectList.h"
#include "property/ObjectName.h"
#include "property/Presentvalue.h"
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

struct Probe {
    virtual ~Probe() = default;
    virtual int Read(unsigned char* buf, int& len, int end) = 0;
    virtual std::string Held() = 0;
    virtual bool TakesEnd() = 0;
};

template <class T, bool ToEnd>
struct CodecProbe : Probe {
    T codec;
    CodecProbe() { Prepare(codec); }
    int Read(unsigned char* buf, int& len, int end) override
    {
        return ToEnd ? codec.ReadFrameToEnd(buf, len, end) : codec.ReadFrame(buf, len, end);
    }
    std::string Held() override { return Holds(codec) + (codec.m_changeFlag ? " changed" : ""); }
    bool TakesEnd() override { return ToEnd; }
};

using Make = std::unique_ptr<Probe> (*)();

// A fresh codec read by ReadFrame, which needs the value's closing tag...
template <class T>
std::unique_ptr<Probe> Strict()
{
    return std::make_unique<CodecProbe<T, false>>();
}

// ... or by ReadFrameToEnd, which takes data that stops at `end` as whole.
template <class T>
std::unique_ptr<Probe> ToEnd()
{
    return std::make_unique<CodecProbe<T, true>>();
}

const std::string kExceptions = "0E 0C 7C 0C 19 03 0F 2E B4 08 00 00 00 91 01 2F 39 10 "
                                "0E 1E A4 7C 01 01 01 A4 7C 0C 1F 02 1F 0F 2E B4 08 00 00 00 91 01 2F 39 10 "
                                "0E 2B 0C 01 01 0F 2E 2F 39 10 "
                                "1C 01 80 00 01 2E B4 06 00 00 00 91 00 2F 39 05";
const std::string kTwoEvents = "0E 0C 7C 0C 19 03 0F 2E B4 08 00 00 00 91 01 2F 39 10 "
                               "1C 01 80 00 01 2E B4 06 00 00 00 91 00 B4 16 00 00 00 91 01 2F 39 05";
const std::string kSixEmptyDays = "0E 0F 0E 0F 0E 0F 0E 0F 0E 0F 0E 0F";

struct Row {
    const char* name;
    Make make;
    std::string hex;
    int result;
    int len;  // -1: the whole frame
    std::string holds;
};

const Make kName = Strict<CBACnetObjectName>;
const Make kNameToEnd = ToEnd<CBACnetObjectName>;
const Make kDesc = Strict<CBACnetObjectDesc>;
const Make kDescToEnd = ToEnd<CBACnetObjectDesc>;
const Make kPriority = Strict<CBACnetSchPriority>;
const Make kPriorityToEnd = ToEnd<CBACnetSchPriority>;
const Make kValue = Strict<CBACnetPresentvalue>;
const Make kRefs = Strict<CBACnetObjPropertyRef>;
const Make kRefsToEnd = ToEnd<CBACnetObjPropertyRef>;
const Make kList = Strict<CBACnetObjectList>;
const Make kListToEnd = ToEnd<CBACnetObjectList>;
const Make kTypes = Strict<CBACnetTypeSupported>;
const Make kTypesToEnd = ToEnd<CBACnetTypeSupported>;
const Make kServices = Strict<CBACnetServiceSupported>;
const Make kServicesToEnd = ToEnd<CBACnetServiceSupported>;
const Make kWeek = Strict<CBACnetWeekSchedule>;
const Make kWeekToEnd = ToEnd<CBACnetWeekSchedule>;
const Make kEvents = Strict<CBACnetExpSchedule>;
const Make kEventsToEnd = ToEnd<CBACnetExpSchedule>;
const Make kDates = Strict<CBACnetDateRange>;
const Make kDatesToEnd = ToEnd<CBACnetDateRange>;

const Row kRows[] = {
    {"name", kName, "3E 74 00 41 42 43 3F", 1, -1, "ABC"},
    {"name from inside its tags", kName, "74 00 41 42 43 3F", 1, -1, "ABC"},
    {"name, no closing tag", kName, "74 00 41 42 43", 0, -1, "ABC"},
    {"bare name", kNameToEnd, "74 00 41 42 43", 1, -1, "ABC"},
    {"name, nothing, taken whole", kNameToEnd, "", 1, 0, "old"},
    {"name, set 4", kNameToEnd, "75 05 04 41 00 42 00", 0, 3, "old"},
    {"name, last of two stands", kNameToEnd, "71 00 72 00 41", 1, -1, "A"},
    {"name, opening of any number nests", kNameToEnd, "5E 72 00 41 5F", 1, -1, "A"},
    {"name, closing of any number ends", kNameToEnd, "72 00 41 1F 72 00 42", 1, 4, "A"},
    {"name, length beyond the data", kNameToEnd, "75 09 00 41 42", 0, 2, "old"},
    {"name, tag number 255", kNameToEnd, "F9 FF", 0, 2, "old"},
    {"description, two strings", kDescToEnd, "71 00 72 00 41", 1, -1, "A"},
    {"description of 2^31 - 1", kDesc, "75 FF 7F FF FF FF 00", 0, 6, "old"},
    {"priority", kPriority, "3E 21 10 3F", 1, -1, "16"},
    {"priority, bare", kPriorityToEnd, "21 05", 1, -1, "5"},
    {"priority of two octets", kPriorityToEnd, "22 00 08", 0, 1, "9"},
    {"priority, enumerated taken as is", kPriorityToEnd, "91 02", 1, -1, "2"},
    {"present value", kValue, "3E 44 42 C8 00 00 3F", 1, -1, "100"},
    {"present value, string of eight", kValue, "3E 75 09 00 41 42 43 44 45 46 47 48 3F", 0, 3, "7"},
    {"present value, string of seven", kValue, "3E 75 08 00 41 42 43 44 45 46 47 3F", 1, -1, "empty"},
    {"present value, reserved tag", kValue, "3E D1 00 3F", 0, 2, "7"},
    {"present value, real of five octets", kValue, "3E 45 05 00 00 00 00 00 3F", 1, -1, "0"},
    {"references", kRefs, "3E 0C 00 00 00 01 19 55 0C 00 80 00 02 19 55 3F", 1, -1, "0:1/85 2:2/85"},
    {"references, bare", kRefsToEnd, "0C 00 00 00 01 19 55 0C 00 80 00 02 19 55", 1, -1, "0:1/85 2:2/85"},
    {"reference, any context tag begins one", kRefsToEnd, "2C 00 00 00 01 19 55", 1, -1, "0:1/85"},
    {"reference, two-octet property", kRefsToEnd, "0C 00 00 00 01 1A 00 55", 0, 5, ""},
    {"reference, property missing", kRefsToEnd, "0C 00 00 00 01 19", 0, 6, ""},
    {"reference, array index follows", kRefsToEnd, "0C 00 00 00 01 19 55 29 01", 0, 9, "0:1/85"},
    {"reference, application value", kRefsToEnd, "3E 21 01 3F", 0, 2, ""},
    {"reference, identifier of five octets", kRefsToEnd, "0D 05 00 00 00 00 01 19 55", 0, 2, ""},
    {"reference, nested in any opening tag", kRefsToEnd,
     "5E 0C 00 00 00 01 19 55 5F 0C 00 00 00 02 19 55", 1, 9, "0:1/85"},
    {"object list", kList, "3E C4 02 00 00 05 C4 00 00 00 01 3F", 1, -1, "02000005 00000001"},
    {"object list, never closed", kList, "3E C4 02 00 00 05", 0, -1, "02000005"},
    {"object list, taken whole", kListToEnd, "3E C4 02 00 00 05", 1, -1, "02000005"},
    {"object list, array length", kListToEnd, "21 07", 1, -1, "00000007"},
    {"object list, kept before a failure", kListToEnd, "C4 02 00 00 05 C5 05 00 00 00 00 01", 0, 7, "02000005"},
    {"object list, closing ends", kListToEnd, "C4 02 00 00 05 3F C4 00 00 00 01", 1, 6, "02000005"},
    {"object types", kTypes, "3E 84 06 FF FF C0 3F", 1, -1, "111111111111111111"},
    {"object types, bare", kTypes, "84 06 FF FF C0", 0, -1, "111111111111111111"},
    {"object types, in tag 3", kTypesToEnd, "3E 84 06 80 00 40 3F", 1, -1, "100000000000000001"},
    {"object types, one octet", kTypesToEnd, "82 00 A0", 1, -1, "101000000000000000"},
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
    {"exceptions, bare", kEventsToEnd, kExceptions, 1, -1, "3 building"},
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
    {"date range, bare", kDatesToEnd, "A4 7C 01 01 01 A4 7C 0C 1F 02", 1, -1, "7C010101-7C0C1F02"},
    {"date range, end date missing", kDatesToEnd, "A4 7C 01 01 01", 0, -1, "7C010101-00000009"},
    {"date range, end date too long", kDatesToEnd, "A4 7C 01 01 01 A5 05 7C 0C 1F 02 00", 0, 7, "7C010101-00000009"},
};

TEST(PropertyRead, EveryCodec)
{
    for (const Row& row : kRows) {
        Received in(row.hex);
        auto probe = row.make();
        int len = 0;
        EXPECT_EQ(row.result, probe->Read(in.buf(), len, in.end())) << row.name;
        const int consumed = row.len < 0 ? in.end() : row.len;
        EXPECT_EQ(consumed, len) << row.name;
        EXPECT_EQ(row.holds, probe->Held()) << row.name;
        if (!row.result)
            continue;
        const std::vector<unsigned char> data = Hex(row.hex);
        for (int n = 0; n < consumed; n++) {
            Received cut(data, n);
            auto fresh = row.make();
            int at = 0;
            const int result = fresh->Read(cut.buf(), at, cut.end());
            EXPECT_LE(at, cut.end()) << row.name << " cut at " << n;
            if (!probe->TakesEnd() && (data[consumed - 1] == 0x3F || data[consumed - 1] == 0x1F)) {
                EXPECT_EQ(0, result) << row.name << " cut at " << n;
            }
        }
    }
}

// A hostile frame of nothing but opening tags: each codec reads to its end
// without a call per level, and refuses it (no closing tag) unless asked to
// take the data as it stands.
TEST(PropertyRead, OpeningTagsOnly)
{
    const struct {
        Make make;
        int result;
    } rows[] = {
        {Strict<CBACnetObjectName>, 0},  {Strict<CBACnetPresentvalue>, 0},  {Strict<CBACnetWeekSchedule>, 0},
        {ToEnd<CBACnetWeekSchedule>, 1}, {Strict<CBACnetExpSchedule>, 0},   {Strict<CBACnetObjPropertyRef>, 0},
        {Strict<CBACnetObjectList>, 0},  {Strict<CBACnetServiceSupported>, 0},
    };
    Received in(std::vector<unsigned char>(200000, 0x3E));
    for (const auto& row : rows) {
        auto probe = row.make();
        int len = 0;
        EXPECT_EQ(row.result, probe->Read(in.buf(), len, in.end())) << probe->Held();
        EXPECT_EQ(in.end(), len) << probe->Held();
    }
}

}  // namespace
