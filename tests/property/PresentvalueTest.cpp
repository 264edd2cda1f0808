// The present value through ReadPropertyMultiple: the request, the result
// (ReadFrame alone is in PropertyCodecTest), the change flag and the write.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Hex.h"
#include "frame/Tag.h"
#include "host/TagVal.h"
#include "property/Presentvalue.h"

namespace {

template <class T>
CTagVal Val(T v)
{
    CTagVal value;
    value.SetVal(v);
    return value;
}
CTagVal Number(double v) { return Val(v); }
CTagVal Integer(int v) { return Val(v); }

CTagVal Invalid()
{
    CTagVal value;
    value.SetInvalidVal();
    return value;
}

CBACnetPresentvalue AnalogValue1()
{
    CBACnetPresentvalue pv;
    pv.m_objectID = _BACnetObjectID(2, 1);
    return pv;
}

TEST(Presentvalue, WritesReadAccessSpecification)
{
    CBACnetPresentvalue pv = AnalogValue1();
    unsigned char buf[16];
    int len = 0;
    EXPECT_EQ(pv.MakeFrameToMulti(buf, len), 1);
    EXPECT_EQ(ToHex(buf, len), "0C 00 80 00 01 1E 09 55 1F");
    len = 0;
    EXPECT_EQ(pv.MakeFrame(buf, len, -1), 0);
    EXPECT_EQ(len, 0);
}

// Each octet of 1E 29 55 is consumed when compared, the mismatching one too;
// a refusal says why and leaves the stored value (7) and the flag alone. An
// access error is refused; a result with neither value nor error is taken,
// with nothing stored.
TEST(Presentvalue, ReadsReadAccessResult)
{
    const int kWhole = -1;
    const std::string kHead = "0C 00 80 00 01 1E 29 55 4E ";
    const struct {
        const char* name;
        std::string hex;
        int consumed;  // kWhole: taken
        int reason;
        CTagVal value;
        int changed;
    } cases[] = {
        {"real 100", kHead + "44 42 C8 00 00 4F 1F", kWhole, 0, Number(100), 1},
        {"same value", kHead + "21 07 4F 1F", kWhole, 0, Number(7), 0},
        {"null", kHead + "00 4F 1F", kWhole, 0, Invalid(), 1},
        {"boolean true", kHead + "11 4F 1F", kWhole, 0, Integer(1), 1},
        {"unsigned low 32 bits", kHead + "25 05 01 00 00 00 02 4F 1F", kWhole, 0, Number(2), 1},
        {"double", kHead + "55 08 40 59 00 00 00 00 00 00 4F 1F", kWhole, 0, Number(100), 1},
        {"date left as constructed", kHead + "A4 7C 01 01 01 4F 1F", kWhole, 0, CTagVal(), 1},
        {"context value", kHead + "09 01 4F 1F", 10, CBACnetTag::REFUSAL_WRONG_TYPE, Number(7), 0},
        {"string of eight", kHead + "75 09 00 41 42 43 44 45 46 47 48 4F 1F", 11, CBACnetTag::REFUSAL_BAD_LENGTH,
         Number(7), 0},
        {"no closing 4: nothing taken", kHead + "21 01 1F", 11, CBACnetTag::REFUSAL_UNEXPECTED_OCTET, Number(7), 0},
        {"cut after 4F", kHead + "21 01 4F", 12, CBACnetTag::REFUSAL_TRUNCATED, Number(7), 0},
        {"other object", "0C 00 80 00 02 1E 29 55 4E 21 01 4F 1F", 5, CBACnetTag::REFUSAL_MISMATCH, Number(7), 0},
        {"closing, not opening, 1", "0C 00 80 00 01 1F 29 55 4E 21 01 4F 1F", 6, CBACnetTag::REFUSAL_UNEXPECTED_OCTET,
         Number(7), 0},
        {"other property", "0C 00 80 00 01 1E 29 4D 4E 21 01 4F 1F", 8, CBACnetTag::REFUSAL_MISMATCH, Number(7), 0},
        {"access error", "0C 00 80 00 01 1E 29 55 5E 91 02 91 1F 5F 1F", 9, 0, Number(7), 0},
        {"no value part", "0C 00 80 00 01 1E 29 55 2F 1F", kWhole, 0, Number(7), 0},
    };
    for (const auto& c : cases) {
        Received in(c.hex);
        CBACnetPresentvalue pv = AnalogValue1();
        pv.m_value = Number(7);
        int len = 0;
        EXPECT_EQ(pv.ReadFrameToMulti(in.buf(), len, in.end()), c.consumed == kWhole ? 1 : 0) << c.name;
        EXPECT_EQ(len, c.consumed == kWhole ? in.end() : c.consumed) << c.name;
        EXPECT_EQ(pv.m_refusal, c.reason) << c.name;
        EXPECT_TRUE(pv.m_value == c.value) << c.name;
        EXPECT_EQ(pv.m_changeFlag, c.changed) << c.name;
        if (c.consumed != kWhole)
            continue;
        // A result cut anywhere hands over no value and no change.
        EXPECT_EQ("", CutsTaken(c.hex, [](unsigned char* buf, int& at, int end) {
                      CBACnetPresentvalue cut = AnalogValue1();
                      cut.m_value = Number(7);
                      return cut.ReadFrameToMulti(buf, at, end) || cut.m_changeFlag || !(cut.m_value == Number(7));
                  })) << c.name;
    }
}

TEST(Presentvalue, ReportsChangesUntilReset)
{
    Received hundred("0C 00 80 00 01 1E 29 55 4E 44 42 C8 00 00 4F 1F");
    Received fifty("0C 00 80 00 01 1E 29 55 4E 44 42 48 00 00 4F 1F");
    CBACnetPresentvalue pv = AnalogValue1();
    CTagVal out;
    auto read = [&pv](Received& in) {
        int len = 0;
        const int result = pv.ReadFrameToMulti(in.buf(), len);
        EXPECT_EQ(len, in.end());
        return result;
    };

    EXPECT_EQ(pv.GetValue(out, 0), 0);
    ASSERT_EQ(read(hundred), 1);
    EXPECT_EQ(pv.IsChangeValue(), 1);
    EXPECT_EQ(pv.GetValue(out, 0), 1);
    EXPECT_TRUE(out == Number(100));
    EXPECT_EQ(pv.GetValue(out, 0), 1);  // taking the value does not clear the flag

    ASSERT_EQ(read(hundred), 1);        // the same value again: still the old change
    EXPECT_EQ(pv.IsChangeValue(), 1);
    pv.ResetChangeValue();
    ASSERT_EQ(read(hundred), 1);        // unchanged since taken
    EXPECT_EQ(pv.GetValue(out, 0), 0);

    ASSERT_EQ(read(fifty), 1);
    EXPECT_EQ(pv.GetValue(out, 0), 1);
    EXPECT_TRUE(out == Number(50));
}

TEST(Presentvalue, WritesValueToWrite)
{
    const struct {
        const char* name;
        CTagVal value;
        unsigned short asEnumerated;
        const char* expected;
    } cases[] = {
        {"enumerated on", Number(3), 1, "91 01"},
        {"real", Number(21.5), 0, "44 41 AC 00 00"},
        {"integer writes nothing", Integer(2), 0, ""},
    };
    for (auto c : cases) {
        unsigned char buf[8];
        int len = 0;
        CBACnetPresentvalue pv;
        EXPECT_EQ(pv.SetValue(buf, len, c.value, 0, c.asEnumerated), 1) << c.name;
        EXPECT_EQ(ToHex(buf, len), c.expected) << c.name;
    }
}

}  // namespace
