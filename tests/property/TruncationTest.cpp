// Every valid encoding used by the codec tests, cut at every position and
// decoded with `end` there: a value cut before its closing tag is refused,
// and no decoder reads or writes past the end (AddressSanitizer) or leaks
// (LeakSanitizer).
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "Hex.h"
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

using Decoder = std::function<int(unsigned char* buf, int& len, int end)>;

// A fresh codec of class T per decode, destroyed through its own class.
template <class T>
Decoder Fresh()
{
    return [](unsigned char* buf, int& len, int end) {
        T codec;
        return codec.ReadFrame(buf, len, end);
    };
}

// The same, taking data that stops at `end` as the whole value.
template <class T>
Decoder ToEnd()
{
    return [](unsigned char* buf, int& len, int end) {
        T codec;
        return codec.ReadFrameToEnd(buf, len, end);
    };
}

struct Valid {
    const char* name;
    Decoder decode;
    std::string hex;
};

TEST(Truncation, EveryPrefixStaysInsideTheData)
{
    const std::string exceptions =
        "0E 0C 7C 0C 19 03 0F 2E B4 08 00 00 00 91 01 2F 39 10 "
        "0E 1E A4 7C 01 01 01 A4 7C 0C 1F 02 1F 0F 2E B4 08 00 00 00 91 01 2F 39 10 "
        "0E 2B 0C 01 01 0F 2E 2F 39 10 "
        "1C 01 80 00 01 2E B4 06 00 00 00 91 00 2F 39 05";
    const Valid cases[] = {
        {"name", Fresh<CBACnetObjectName>(), "3E 74 00 41 42 43 3F"},
        {"name, extended length", Fresh<CBACnetObjectName>(), "3E 75 06 00 41 42 43 44 45 3F"},
        {"description, two strings", ToEnd<CBACnetObjectDesc>(), "71 00 72 00 41"},
        {"priority", Fresh<CBACnetSchPriority>(), "3E 21 10 3F"},
        {"present value", Fresh<CBACnetPresentvalue>(), "3E 44 42 C8 00 00 3F"},
        {"present value, double", Fresh<CBACnetPresentvalue>(), "3E 55 08 40 59 00 00 00 00 00 00 3F"},
        {"present value, result", [](unsigned char* buf, int& len, int end) {
             CBACnetPresentvalue pv;
             pv.m_objectID.SetValue(0x00800001);
             return pv.ReadFrameToMulti(buf, len, end);
         },
         "0C 00 80 00 01 1E 29 55 4E 44 42 C8 00 00 4F 1F"},
        {"weekly schedule", Fresh<CBACnetWeekSchedule>(),
         "3E 0E B4 08 00 00 00 91 01 B4 11 00 00 00 91 00 0F 0E 0F 0E 0F 0E 0F 0E 0F 0E 0F 0E 0F 3F"},
        {"weekly schedule, real value", Fresh<CBACnetWeekSchedule>(), "3E 0E B4 08 00 00 00 44 42 C8 00 00 0F 3F"},
        {"exception schedule", Fresh<CBACnetExpSchedule>(), "3E " + exceptions + " 3F"},
        {"exception schedule, no tag 3", ToEnd<CBACnetExpSchedule>(), exceptions},
        {"date range", Fresh<CBACnetDateRange>(), "3E A4 7C 01 01 01 A4 7C 0C 1F 02 3F"},
        {"references", Fresh<CBACnetObjPropertyRef>(), "3E 0C 00 00 00 01 19 55 0C 00 80 00 02 19 55 3F"},
        {"object list", Fresh<CBACnetObjectList>(), "3E C4 02 00 00 05 C4 00 00 00 01 3F"},
        {"object types", Fresh<CBACnetTypeSupported>(), "3E 84 06 FF FF C0 3F"},
        {"services", Fresh<CBACnetServiceSupported>(), "3E 85 06 03 00 08 00 00 E0 3F"},
    };
    for (const auto& c : cases) {
        const std::vector<unsigned char> data = Hex(c.hex);
        for (size_t n = 0; n <= data.size(); n++) {
            Received in(data, n);
            int len = 0;
            const int result = c.decode(in.buf(), len, in.end());
            EXPECT_TRUE(result == 0 || result == 1) << c.name << " cut at " << n;
            EXPECT_LE(len, in.end()) << c.name << " cut at " << n;
            if (n == data.size()) {
                EXPECT_EQ(result, 1) << c.name;
                EXPECT_EQ(len, in.end()) << c.name;
            } else if (data.back() == 0x3F || data.back() == 0x1F) {
                EXPECT_EQ(result, 0) << c.name << " cut at " << n;  // never a good value
            }
        }
    }
}

// A ReadPropertyMultiple result cut anywhere hands over no value and no
// change: the value held and the change flag stay as they were.
TEST(Truncation, CutResultTakesNothing)
{
    const std::vector<unsigned char> data = Hex("0C 00 80 00 01 1E 29 55 4E 44 42 C8 00 00 4F 1F");
    for (size_t n = 0; n <= data.size(); n++) {
        Received in(data, n);
        CBACnetPresentvalue pv;
        pv.m_objectID.SetValue(0x00800001);
        pv.m_value.SetVal(7.0);
        int len = 0;
        const int result = pv.ReadFrameToMulti(in.buf(), len, in.end());
        EXPECT_EQ(result, n == data.size() ? 1 : 0) << n;
        EXPECT_EQ(pv.m_changeFlag, result) << n;
        EXPECT_EQ(pv.m_value.GetVal(), result ? 100.0 : 7.0) << n;
    }
}

// The codecs' reading of data that stops at `end`: refused by ReadFrame,
// the whole value for ReadFrameToEnd; whole replies decode alike in both.
TEST(Truncation, EndOfDataIsNoClosingTag)
{
    const struct {
        const char* name;
        Decoder strict, toEnd;
        const char* hex;
        int whole;  // 1: enclosed in its tags
    } cases[] = {
        {"empty name", Fresh<CBACnetObjectName>(), ToEnd<CBACnetObjectName>(), "", 0},
        {"bare name", Fresh<CBACnetObjectName>(), ToEnd<CBACnetObjectName>(), "74 00 41 42 43", 0},
        {"bare object list", Fresh<CBACnetObjectList>(), ToEnd<CBACnetObjectList>(), "C4 02 00 00 05", 0},
        {"opened, never closed", Fresh<CBACnetObjectList>(), ToEnd<CBACnetObjectList>(), "3E C4 02 00 00 05", 0},
        {"bare flags", Fresh<CBACnetTypeSupported>(), ToEnd<CBACnetTypeSupported>(), "84 06 FF FF C0", 0},
        {"flags, nested list open", Fresh<CBACnetTypeSupported>(), ToEnd<CBACnetTypeSupported>(),
         "3E 0E 84 06 FF FF C0 0F", 0},
        {"six days of seven", Fresh<CBACnetWeekSchedule>(), ToEnd<CBACnetWeekSchedule>(),
         "3E 0E 0F 0E 0F 0E 0F 0E 0F 0E 0F 0E 0F", 0},
        {"name", Fresh<CBACnetObjectName>(), ToEnd<CBACnetObjectName>(), "3E 74 00 41 42 43 3F", 1},
        {"name from inside", Fresh<CBACnetObjectName>(), ToEnd<CBACnetObjectName>(), "74 00 41 42 43 3F", 1},
        {"flags", Fresh<CBACnetTypeSupported>(), ToEnd<CBACnetTypeSupported>(), "3E 84 06 FF FF C0 3F", 1},
        {"flags from inside", Fresh<CBACnetServiceSupported>(), ToEnd<CBACnetServiceSupported>(),
         "85 06 03 00 08 00 00 E0 3F", 1},
    };
    for (const auto& c : cases) {
        Received in(c.hex);
        int strictLen = 0, toEndLen = 0;
        EXPECT_EQ(c.strict(in.buf(), strictLen, in.end()), c.whole) << c.name;
        EXPECT_EQ(c.toEnd(in.buf(), toEndLen, in.end()), 1) << c.name;
        EXPECT_EQ(toEndLen, in.end()) << c.name;
        if (c.whole) {
            EXPECT_EQ(strictLen, toEndLen) << c.name;
        }
    }
}

// Cut in the middle of a value: a length that points past the end is refused
// before anything is reserved or copied.
TEST(Truncation, LengthsPastTheEndAreRefused)
{
    const struct {
        const char* name;
        Decoder decode;
        const char* hex;
    } cases[] = {
        {"string of 65536", Fresh<CBACnetObjectName>(), "75 FF 00 01 00 00 00 41"},
        {"string of 2^31 - 1", Fresh<CBACnetObjectDesc>(), "75 FF 7F FF FF FF 00"},
        {"schedule time", Fresh<CBACnetWeekSchedule>(), "0E B4 08 00"},
        {"reference property", Fresh<CBACnetObjPropertyRef>(), "0C 00 00 00 01 19"},
        {"calendar reference", Fresh<CBACnetExpSchedule>(), "1C 01 80"},
    };
    for (const auto& c : cases) {
        Received in(c.hex);
        int len = 0;
        EXPECT_EQ(c.decode(in.buf(), len, in.end()), 0) << c.name;
        EXPECT_LE(len, in.end()) << c.name;
    }
}

// A hostile frame of nothing but opening tags: each codec reads to the end
// without a call per level, and refuses it (no closing tag) unless asked to
// take the data as it stands.
TEST(Truncation, DeepNestingCostsNoStack)
{
    const std::vector<unsigned char> openings(200000, 0x3E);
    const struct {
        const char* name;
        Decoder decode;
    } cases[] = {
        {"name", Fresh<CBACnetObjectName>()},
        {"present value", Fresh<CBACnetPresentvalue>()},
        {"weekly schedule", Fresh<CBACnetWeekSchedule>()},
        {"exception schedule", Fresh<CBACnetExpSchedule>()},
        {"references", Fresh<CBACnetObjPropertyRef>()},
        {"object list", Fresh<CBACnetObjectList>()},
        {"services", Fresh<CBACnetServiceSupported>()},
    };
    for (const auto& c : cases) {
        Received in(openings);
        int len = 0;
        EXPECT_EQ(c.decode(in.buf(), len, in.end()), 0) << c.name;
        EXPECT_EQ(len, in.end()) << c.name;
    }
    CBACnetWeekSchedule week;
    Received in(openings);
    int len = 0;
    EXPECT_EQ(week.ReadFrameToEnd(in.buf(), len, in.end()), 1);
    EXPECT_EQ(len, in.end());
}

}  // namespace
