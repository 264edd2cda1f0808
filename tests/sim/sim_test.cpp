// The simulated device's request handlers, APDU in and APDU out: what each
// service answers, the state that writes, commands and creations leave
// behind, the device's clock and calendar, and the requests it refuses.
#include <gtest/gtest.h>

#include <string>

#include "sim/SimClient.h"

using namespace bacnetsim;

namespace {

// Rows run in order on one database; an empty reply: none is sent. Reads, subscriptions and ReadRange's refusals too.
TEST(SimRequests, RepliesOnTheWire)
{
    struct Case {
        const char* name;
        const char* request;
        const char* reply;
    } cases[] = {
        {"object name", "02 05 01 0C 0C 00 80 00 01 19 4D",
         "30 01 0C 0C 00 80 00 01 19 4D 3E 75 0E 00 5A 6F 6E 65 20 53 65 74 70 6F 69 6E 74 3F"},
        {"state 5 of 4", "02 05 01 0C 0C 04 C0 00 01 19 6E 29 05", "50 01 0C 91 02 91 2A"},
        {"multi-state relinquish default", "02 05 01 0C 0C 04 C0 00 01 19 68",
         "30 01 0C 0C 04 C0 00 01 19 68 3E 21 01 3F"},
        {"last priority slot", "02 05 01 0C 0C 04 C0 00 01 19 57 29 10",
         "30 01 0C 0C 04 C0 00 01 19 57 29 10 3E 00 3F"},
        {"index on number of states", "02 05 01 0C 0C 04 C0 00 01 19 4A 29 01", "50 01 0C 91 02 91 32"},
        {"multi-state property list", "02 05 01 0C 0C 04 C0 00 01 1A 01 73",
         "30 01 0C 0C 04 C0 00 01 1A 01 73 3E 91 55 91 6F 91 24 91 51 91 4A 91 1C 91 67 91 6E 91 57 91 68 3F"},
        {"weekly schedule counted", "02 05 01 0C 0C 04 40 00 01 19 7B 29 00",
         "30 01 0C 0C 04 40 00 01 19 7B 29 00 3E 21 07 3F"},
        {"an input's wildcard is no device", "02 05 01 0C 0C 00 3F FF FF 19 4B", "50 01 0C 91 01 91 1F"},
        {"the wildcard device is this one", "02 05 01 0C 0C 02 3F FF FF 19 4B",
         "30 01 0C 0C 02 00 10 E1 19 4B 3E C4 02 00 10 E1 3F"},
        {"binary value out of range", "02 05 0C 0F 0C 01 40 00 01 19 55 3E 91 02 3F", "50 0C 0F 91 02 91 25"},
        {"output commanded at 8", "02 05 29 0F 0C 00 40 00 01 19 55 3E 44 42 2A 00 00 3F 49 08", "20 29 0F"},
        {"and at 4, which wins", "02 05 2A 0F 0C 00 40 00 01 19 55 3E 44 41 20 00 00 3F 49 04", "20 2A 0F"},
        {"output at 10", "02 05 2B 0C 0C 00 40 00 01 19 55", "30 2B 0C 0C 00 40 00 01 19 55 3E 44 41 20 00 00 3F"},
        {"4 relinquished", "02 05 2C 0F 0C 00 40 00 01 19 55 3E 00 3F 49 04", "20 2C 0F"},
        {"output back at 42.5", "02 05 2D 0C 0C 00 40 00 01 19 55",
         "30 2D 0C 0C 00 40 00 01 19 55 3E 44 42 2A 00 00 3F"},
        {"slot 4 empty", "02 05 2E 0C 0C 00 40 00 01 19 57 29 04", "30 2E 0C 0C 00 40 00 01 19 57 29 04 3E 00 3F"},
        {"service beyond the table", "02 05 13 1E", "60 13 09"},
        {"missing property", "02 05 14 0C 0C 00 00 00 01", "60 14 05"},
        {"wrong tag", "02 05 15 0C 1C 00 00 00 01 19 55", "60 15 04"},
        {"too many arguments", "02 05 16 0C 0C 00 00 00 01 19 55 49 01", "60 16 07"},
        {"priority out of range", "02 05 17 0F 0C 00 80 00 01 19 55 3E 00 3F 49 11", "60 17 06"},
        {"segmented request", "0A 05 18 00 01 0C 0C 00 00 00 01 19 55", "71 18 04"},
        {"output not deletable", "02 05 19 0B C4 00 40 00 01", "50 19 0B 91 01 91 17"},
        {"create an input", "02 05 1C 0A 0E 09 00 0F", "50 1C 0A 0E 91 01 91 04 0F 19 00"},
        {"create with a name", "02 05 1D 0A 0E 1C 00 80 07 D0 0F 1E 09 4D 2E 75 04 00 4E 65 77 2F 1F",
         "30 1D 0A C4 00 80 07 D0"},
        {"created object's name", "02 05 1E 0C 0C 00 80 07 D0 19 4D",
         "30 1E 0C 0C 00 80 07 D0 19 4D 3E 74 00 4E 65 77 3F"},
        {"create failing an initial value", "02 05 1F 0A 0E 1C 00 80 07 D1 0F 1E 09 55 2E 71 00 2F 1F",
         "50 1F 0A 0E 91 02 91 09 0F 19 01"},
        {"delete created", "02 05 20 0B C4 00 80 07 D0", "20 20 0B"},
        {"create by type", "02 05 22 0A 0E 09 05 0F", "30 22 0A C4 01 40 00 02"},
        {"write multiple, second fails", "02 05 23 10 0C 00 80 00 01 1E 09 1C 2E 71 00 2F 09 4F 2E 91 00 2F 1F",
         "50 23 10 0E 91 02 91 28 0F 1E 0C 00 80 00 01 19 4F 1F"},
        {"multiple read: value and slot", "02 05 24 0E 0C 00 80 00 01 1E 09 55 09 57 19 10 1F",
         "30 24 0E 0C 00 80 00 01 1E 29 55 4E 44 41 A8 00 00 4F 29 57 39 10 4E 00 4F 1F"},
        {"multiple read: unknown object", "02 05 25 0E 0C 00 00 00 63 1E 09 55 1F",
         "30 25 0E 0C 00 00 00 63 1E 29 55 5E 91 01 91 1F 5F 1F"},
        {"multiple read: optional of an input", "02 05 26 0E 0C 00 00 00 03 1E 09 50 1F",
         "30 26 0E 0C 00 00 00 03 1E 29 1C 4E 71 00 4F 29 67 4E 91 00 4F 29 16 4E 44 3D CC CC CD 4F 1F"},
        {"multiple read: empty list", "02 05 27 0E 0C 00 00 00 01 1E 1F", "60 27 04"},
        {"multiple read: the wildcard device", "02 05 02 0E 0C 02 3F FF FF 1E 09 62 1F",
         "30 02 0E 0C 02 00 10 E1 1E 29 62 4E 21 01 4F 1F"},
        {"who is, the device alone", "10 08 0A 10 E1 1A 10 E1", "10 00 C4 02 00 10 E1 22 05 C4 91 01 22 03 E7"},
        {"who is, range below", "10 08 09 01 19 05", ""},
        {"who is, low limit alone", "10 08 0A 10 E1", ""},
        {"who has a name", "10 07 3D 09 00 48 6F 6C 69 64 61 79 73",
         "10 01 C4 02 00 10 E1 C4 01 80 00 01 75 09 00 48 6F 6C 69 64 61 79 73"},
        {"who has what is not there", "10 07 2C 00 00 00 63", ""},
        {"subscribe", "00 05 01 05 09 07 1C 00 80 00 01 29 00 39 3C", "20 01 05"},
        {"cancel one that does not exist", "00 05 02 05 09 08 1C 00 80 00 01", "20 02 05"},
        {"unknown object", "00 05 03 05 09 07 1C 00 80 00 63 29 00 39 3C", "50 03 05 91 01 91 1F"},
        {"an object without changes to report", "00 05 04 05 09 07 1C 01 80 00 01 29 00 39 3C",
         "50 04 05 91 01 91 2D"},
        {"issue-confirmed without lifetime", "00 05 05 05 09 07 1C 00 80 00 01 29 00", "60 05 05"},
        {"truncated inside a value", "00 05 06 05 09 07 1C 00 80", "60 06 04"},
        {"one property", "00 05 07 1C 09 07 1C 00 00 00 01 29 01 39 3C 4E 09 55 4F 5C 3F 00 00 00", "20 07 1C"},
        {"a property the object lacks", "00 05 08 1C 09 07 1C 00 00 00 01 29 01 39 3C 4E 09 57 4F",
         "50 08 1C 91 02 91 20"},
        {"a negative increment", "00 05 09 1C 09 07 1C 00 00 00 01 29 01 39 3C 4E 09 55 4F 5C BF 80 00 00",
         "50 09 1C 91 02 91 25"},
        {"read range of a property that is no list", "00 05 0A 1A 0C 00 00 00 01 19 55",
         "50 0A 1A 91 02 91 16"},
        {"read range of an unknown object", "00 05 0B 1A 0C 05 00 00 07 19 83", "50 0B 1A 91 01 91 1F"},
        {"read range counting 0", "00 05 0C 1A 0C 05 00 00 01 19 83 3E 21 01 31 00 3F", "60 0C 06"},
        {"log buffer by read property", "00 05 0D 0C 0C 05 00 00 01 19 83", "50 0D 0C 91 02 91 1B"},
    };
    Handlers d;
    for (const Case& c : cases)
        EXPECT_EQ(d.Ask(c.request), ToHex(Hex(c.reply))) << c.name;
    EXPECT_EQ(d.services.Subscriptions().Count(), 2u);  // the subscription to an object and to one property
}

// Writes checked against each property's datatype and range, rows in order
// on one database. After 02 05 01 0F: the object, property, value and
// priority; the reply is an Error (class property, 91 02) with its code, or
// a Simple-ACK.
TEST(SimRequests, EachWriteIsCheckedAgainstItsPropertysDatatypeAndRange)
{
    struct Case {
        const char* name;
        const char* write;
        const char* code;  // the error code, "" for a Simple-ACK
    } cases[] = {
        {"name with a NUL", "0C 00 80 00 01 19 4D 3E 75 05 00 41 00 42 43 3F", "25"},
        {"name in UCS-2", "0C 00 80 00 01 19 4D 3E 75 05 04 00 41 00 42 3F", "29"},
        {"name overlong UTF-8", "0C 00 80 00 01 19 4D 3E 75 03 00 C0 AF 3F", "25"},
        {"name empty", "0C 00 80 00 01 19 4D 3E 75 01 00 3F", "25"},
        {"name another object has",
         "0C 00 80 00 01 19 4D 3E 75 11 00 5A 6F 6E 65 20 54 65 6D 70 65 72 61 74 75 72 65 3F", "30"},
        {"name in UTF-8", "0C 00 80 00 01 19 4D 3E 75 06 00 43 61 66 C3 A9 3F", ""},
        {"units 99999", "0C 00 80 00 01 19 75 3E 93 01 86 9F 3F", "25"},
        {"units 65535", "0C 00 80 00 01 19 75 3E 92 FF FF 3F", ""},
        {"effective period backwards", "0C 04 40 00 01 19 20 3E A4 7E 0C 1F FF A4 7E 01 01 FF 3F", "25"},
        {"effective period open-ended", "0C 04 40 00 01 19 20 3E A4 7E 01 01 FF A4 FF FF FF FF 3F", ""},
        {"date list with a range backwards", "0C 01 80 00 01 19 17 3E 1E A4 7E 02 05 FF A4 7E 02 01 FF 1F 3F", "25"},
        {"date list with weekday 8", "0C 01 80 00 01 19 17 3E 0C 7E 01 01 08 3F", "25"},
        {"a day at 25 o'clock", "0C 04 40 00 01 19 7B 29 01 3E 0E B4 19 00 00 00 91 01 0F 3F", "25"},
        {"a day at 59 past", "0C 04 40 00 01 19 7B 29 01 3E 0E B4 07 3B 00 00 91 01 0F 3F", ""},
        {"exception by a non-calendar", "0C 04 40 00 01 19 26 3E 1C 00 00 00 01 2E B4 08 00 00 00 91 01 2F 39 10 3F",
         "25"},
        {"exception at priority 17", "0C 04 40 00 01 19 26 3E 1C 01 80 00 01 2E 2F 39 11 3F", "25"},
        {"state 5 of 4", "0C 04 C0 00 01 19 55 3E 21 05 3F 49 08", "25"},
        {"state 0", "0C 04 C0 00 01 19 55 3E 21 00 3F 49 08", "25"},
        {"setpoint relinquish default Null", "0C 00 80 00 01 19 68 3E 00 3F", "09"},
        {"property list", "0C 00 80 00 01 1A 01 73 29 01 3E 91 55 3F", "28"},
        {"unknown property 9999", "0C 00 80 00 01 1A 27 0F 3E 21 01 3F", "20"},
        {"index on a plain property", "0C 00 80 00 01 19 1C 29 01 3E 75 02 00 41 3F", "32"},
        {"priority slot 6", "0C 00 80 00 01 19 55 3E 44 00 00 00 00 3F 49 06", "28"},
        {"two values for one", "0C 00 80 00 01 19 51 3E 10 10 3F", "09"},
        {"schedule default as Double", "0C 04 40 00 01 19 AE 3E 55 08 40 09 21 FB 54 44 2D 18 3F", ""},
    };
    Handlers d;
    for (const Case& c : cases)
        EXPECT_EQ(d.Ask(std::string("02 05 01 0F ") + c.write), *c.code ? "50 01 0F 91 02 91 " + std::string(c.code)
                                                                          : std::string("20 01 0F"))
            << c.name;
    // What was taken reads back as written.
    EXPECT_EQ(d.ValueOf("00 80 00 01", "4D"), "75 06 00 43 61 66 C3 A9");
    EXPECT_EQ(d.ValueOf("04 40 00 01", "20"), "A4 7E 01 01 FF A4 FF FF FF FF");
    EXPECT_EQ(d.ValueOf("04 40 00 01", "AE"), "55 08 40 09 21 FB 54 44 2D 18");
}

// Time synchronisation moves the clock, and the schedule (on Monday to
// Friday 08:00 to 18:00) and calendar (holidays) follow it.
TEST(SimClock, TimeSynchronizationMovesTheClockTheScheduleFollows)
{
    struct Case {
        const char* name;
        const char* dateTime;  // application date and time
        const char* schedule;  // present value of the schedule
        const char* calendar;  // present value of the calendar
    } cases[] = {
        {"a Monday morning", "A4 82 06 11 01 B4 0A 00 00 00", "91 01", "10"},
        {"the same Monday at eight exactly", "A4 82 06 11 01 B4 08 00 00 00", "91 01", "10"},
        {"a moment before", "A4 82 06 11 01 B4 07 3B 3B 63", "91 00", "10"},
        {"the same Monday night", "A4 82 06 11 01 B4 14 00 00 00", "91 00", "10"},
        {"a Saturday", "A4 82 06 0F 06 B4 0A 00 00 00", "91 00", "10"},
        {"Thanksgiving, a Thursday", "A4 82 0B 1C 04 B4 0A 00 00 00", "91 00", "11"},
        {"New Year's Day", "A4 82 01 01 02 B4 0A 00 00 00", "91 00", "11"},
        {"the third Monday of January", "A4 82 01 15 01 B4 0A 00 00 00", "91 00", "10"},
    };
    Handlers d;
    for (const Case& c : cases) {
        EXPECT_EQ(d.Ask(std::string("10 06 ") + c.dateTime), "") << c.name;
        EXPECT_EQ(d.ValueOf("02 00 10 E1", "38"), ToHex(Hex(c.dateTime).data(), 5)) << c.name;  // local date
        EXPECT_EQ(d.ValueOf("04 40 00 01", "55"), c.schedule) << c.name;
        EXPECT_EQ(d.ValueOf("01 80 00 01", "55"), c.calendar) << c.name;
    }
}

// The calendar's present value follows its date list on Wednesday,
// 17 June 2026 (an odd day of an even month, in its third week).
TEST(SimClock, CalendarPatternsMatchTheDay)
{
    struct Case {
        const char* name;
        const char* dateList;  // the value written, between 3E and 3F
        const char* today;     // present value: 11 true, 10 false
        const char* date = "A4 7E 06 11 03";
    } cases[] = {
        {"odd days", "0C FF FF 21 FF", "11"},
        {"even days", "0C FF FF 22 FF", "10"},
        {"last day of the month", "0C FF FF 20 FF", "10"},
        {"odd months", "0C FF 0D FF FF", "10"},
        {"even months", "0C FF 0E FF FF", "11"},
        {"Wednesdays", "0C FF FF FF 03", "11"},
        {"Thursdays", "0C FF FF FF 04", "10"},
        {"the 17th of any year", "0C FF 06 11 FF", "11"},
        {"third Wednesday of June", "2B 06 03 03", "11"},
        {"second week of June", "2B 06 02 FF", "10"},
        {"last seven days of June", "2B 06 06 FF", "10"},
        {"16 to 17 June", "1E A4 7E 06 10 FF A4 7E 06 11 FF 1F", "11"},
        {"18 to 19 June", "1E A4 7E 06 12 FF A4 7E 06 13 FF 1F", "10"},
        {"even days, on Tuesday the 16th", "0C FF FF 22 FF", "11", "A4 7E 06 10 02"},
        {"empty", "", "10"},
    };
    Handlers d;
    for (const Case& c : cases) {
        d.Ask("10 06 " + std::string(c.date) + " B4 0A 00 00 00");
        EXPECT_EQ(d.Ask("02 05 01 0F 0C 01 80 00 01 19 17 3E " + std::string(c.dateList) + " 3F"), "20 01 0F")
            << c.name;
        EXPECT_EQ(d.ValueOf("01 80 00 01", "55"), c.today) << c.name;
    }
}

}  // namespace
