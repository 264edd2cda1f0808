#include <gtest/gtest.h>

#include <functional>

#include "Hex.h"
#include "frame/Tag.h"
#include "host/TagVal.h"
#include "property/Presentvalue.h"

namespace {

CTagVal Number(double v)
{
    CTagVal value;
    value.SetVal(v);
    return value;
}

CTagVal Integer(int v)
{
    CTagVal value;
    value.SetVal(v);
    return value;
}

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

struct ResultCase {
    const char* name;
    const char* hex;
    int result;
    CTagVal value;  // stored afterwards; the stored value starts as Number(7)
    int changed;
};

TEST(Presentvalue, ReadsReadAccessResult)
{
    const ResultCase cases[] = {
        {"real 100", "0C 00 80 00 01 1E 29 55 4E 44 42 C8 00 00 4F 1F", 1, Number(100), 1},
        {"same value", "0C 00 80 00 01 1E 29 55 4E 21 07 4F 1F", 1, Number(7), 0},
        {"null", "0C 00 80 00 01 1E 29 55 4E 00 4F 1F", 1, Invalid(), 1},
        {"enumerated 1", "0C 00 80 00 01 1E 29 55 4E 91 01 4F 1F", 1, Number(1), 1},
        {"boolean true", "0C 00 80 00 01 1E 29 55 4E 11 4F 1F", 1, Integer(1), 1},
        {"signed -1", "0C 00 80 00 01 1E 29 55 4E 31 FF 4F 1F", 1, Number(-1), 1},
        {"unsigned low 32 bits", "0C 00 80 00 01 1E 29 55 4E 25 05 01 00 00 00 02 4F 1F", 1, Number(2), 1},
        {"double", "0C 00 80 00 01 1E 29 55 4E 55 08 40 59 00 00 00 00 00 00 4F 1F", 1, Number(100), 1},
        {"date left as constructed", "0C 00 80 00 01 1E 29 55 4E A4 7C 01 01 01 4F 1F", 1, CTagVal(), 1},
        {"other object", "0C 00 80 00 02 1E 29 55 4E 21 01 4F 1F", 0, Number(7), 0},
        {"other property", "0C 00 80 00 01 1E 29 4D 4E 21 01 4F 1F", 0, Number(7), 0},
        {"access error", "0C 00 80 00 01 1E 29 55 5E 91 02 91 1F 5F 1F", 0, Number(7), 0},
        {"context value", "0C 00 80 00 01 1E 29 55 4E 09 01 4F 1F", 0, Number(7), 0},
        {"string of eight", "0C 00 80 00 01 1E 29 55 4E 75 09 00 41 42 43 44 45 46 47 48 4F 1F", 0, Number(7), 0},
        {"no closing 4: nothing taken", "0C 00 80 00 01 1E 29 55 4E 21 01 1F", 0, Number(7), 0},
        {"no closing 1: nothing taken", "0C 00 80 00 01 1E 29 55 4E 21 01 4F 0F", 0, Number(7), 0},
        {"no value part", "0C 00 80 00 01 1E 29 55 2F 1F", 1, Number(7), 0},
    };
    for (const auto& c : cases) {
        Received in(c.hex);
        CBACnetPresentvalue pv = AnalogValue1();
        pv.m_value = Number(7);
        int len = 0;
        EXPECT_EQ(pv.ReadFrameToMulti(in.buf(), len, in.end()), c.result) << c.name;
        EXPECT_TRUE(pv.m_value == c.value) << c.name;
        EXPECT_EQ(pv.m_changeFlag, c.changed) << c.name;
    }
}

// Each octet of 1E 29 55 is consumed when compared, the mismatching one too;
// a refusal says why.
TEST(Presentvalue, ResultCursorAndReason)
{
    const struct {
        const char* hex;
        int consumed;
        int reason;
    } cases[] = {
        {"0C 00 80 00 02 1E 29 55 4E 21 01 4F 1F", 5, CBACnetTag::REFUSAL_MISMATCH},
        {"0C 00 80 00 01 1F 29 55 4E 21 01 4F 1F", 6, CBACnetTag::REFUSAL_UNEXPECTED_OCTET},
        {"0C 00 80 00 01 1E 39 55 4E 21 01 4F 1F", 7, CBACnetTag::REFUSAL_UNEXPECTED_OCTET},
        {"0C 00 80 00 01 1E 29 4D 4E 21 01 4F 1F", 8, CBACnetTag::REFUSAL_MISMATCH},
        {"0C 00 80 00 01 1E 29 55 4E 09 01 4F 1F", 10, CBACnetTag::REFUSAL_WRONG_TYPE},
        {"0C 00 80 00 01 1E 29 55 4E 21 01 4F", 12, CBACnetTag::REFUSAL_TRUNCATED},
        {"0C 00 80 00 01 1E 29 55 4E 21 01 4F 1F", 13, CBACnetTag::REFUSAL_NONE},
    };
    for (const auto& c : cases) {
        Received in(c.hex);
        CBACnetPresentvalue pv = AnalogValue1();
        int len = 0;
        EXPECT_EQ(pv.ReadFrameToMulti(in.buf(), len, in.end()), c.reason == CBACnetTag::REFUSAL_NONE) << c.hex;
        EXPECT_EQ(len, c.consumed) << c.hex;
        EXPECT_EQ(pv.m_refusal, c.reason) << c.hex;
        // The trusting form reads on past a cut frame, so only whole ones.
        if (c.reason == CBACnetTag::REFUSAL_TRUNCATED)
            continue;
        CBACnetPresentvalue trusting = AnalogValue1();
        len = 0;
        trusting.ReadFrameToMulti(in.buf(), len);
        EXPECT_EQ(len, c.consumed) << c.hex;
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

TEST(Presentvalue, ReadFrameStoresWithoutFlag)
{
    const struct {
        const char* name;
        const char* hex;
        int result;
        CTagVal value;
    } cases[] = {
        {"nested real", "3E 44 42 C8 00 00 3F", 1, Number(100)},
        {"same value stored anyway", "3E 21 07 3F", 1, Number(7)},
        {"string of eight", "3E 75 09 00 41 42 43 44 45 46 47 48 3F", 0, Number(7)},
        {"string of seven", "3E 75 08 00 41 42 43 44 45 46 47 3F", 1, CTagVal()},
        {"reserved tag", "3E D1 00 3F", 0, Number(7)},
        {"real of five octets, low four taken", "3E 45 05 00 00 00 00 00 3F", 1, Number(0)},
    };
    for (const auto& c : cases) {
        Received in(c.hex);
        CBACnetPresentvalue pv;
        pv.m_value = Number(7);
        int len = 0;
        EXPECT_EQ(pv.ReadFrame(in.buf(), len, in.end()), c.result) << c.name;
        EXPECT_TRUE(pv.m_value == c.value) << c.name;
        EXPECT_EQ(pv.m_changeFlag, 0) << c.name;
    }
}

TEST(Presentvalue, WritesValueToWrite)
{
    const struct {
        const char* name;
        CTagVal value;
        unsigned short asEnumerated;
        const char* expected;
    } cases[] = {
        {"enumerated off", Number(0), 1, "91 00"},
        {"enumerated on", Number(3), 1, "91 01"},
        {"real", Number(21.5), 0, "44 41 AC 00 00"},
        {"integer writes nothing", Integer(2), 0, ""},
        {"invalid writes nothing", Invalid(), 0, ""},
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
