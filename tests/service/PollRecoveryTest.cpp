// One undecodable result in a ReadPropertyMultiple acknowledgement: the
// entries around it still get their values, the driver sees which entry
// failed and why, and a reply cut short never hands over a value.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Hex.h"
#include "Tags.h"
#include "frame/Tag.h"
#include "host/Arrays.h"
#include "host/String.h"
#include "object/OBJ.h"
#include "object/ObjTypes.h"
#include "service/ReadMultiService.h"

namespace {

using T = CBACnetObjTypes;
using Tag = CBACnetTag;

// Analog inputs 1 to 4: present value, units, present value, present value.
class Poll {
public:
    Poll()
    {
        const wchar_t* names[] = {L"PresentValue", L"Units", L"PresentValue", L"PresentValue"};
        for (unsigned i = 0; i < 4; i++) {
            m_tags.push_back(Bind(0, i + 1, names[i]));
            m_array.Add(m_tags.back().get());
        }
        CBACnetOBJ device;
        int len = 0;
        m_rpm.MakeHeaderFrame(len, &device, 0);
        for (int i = 0; i < 4; i++)
            m_rpm.MakeBodyFrame(len, m_tags[i].get(), i);
    }
    int Read(Received& ack) { return m_rpm.ReadBodyFrame(ack.buf(), ack.end(), m_array); }
    T& operator[](int i) { return *m_tags[i]; }
    CBACnetReadMultiService m_rpm;

private:
    std::vector<std::unique_ptr<T>> m_tags;
    CPtrArray m_array;
};

const std::string kFirst = "0C 00 00 00 01 1E 29 55 4E 44 41 A8 00 00 4F 1F ";   // 21.0
const std::string kUnits = "0C 00 00 00 02 1E 29 75 4E 91 3E 4F 1F ";            // degrees-Celsius
const std::string kThird = "0C 00 00 00 03 1E 29 55 4E 44 42 C8 00 00 4F 1F ";   // 100.0
const std::string kFourth = "0C 00 00 00 04 1E 29 55 4E 44 42 48 00 00 4F 1F";   // 50.0

TEST(PollRecovery, OddResultInTheMiddleBlindsNothingElse)
{
    const struct {
        const char* name;
        std::string second;  // the result for entry 2 (units of AI:2)
        int result;          // entry 2's m_result
        int refusal;
        int errorClass, errorCode;
    } cases[] = {
        {"units as one octet", kUnits, T::RESULT_VALUE, Tag::REFUSAL_NONE, -1, -1},
        {"units 47808 against a one-octet size", "0C 00 00 00 02 1E 29 75 4E 92 BA C0 4F 1F ", T::RESULT_REFUSED,
         Tag::REFUSAL_BAD_LENGTH, -1, -1},
        {"a Double where a Real fits",
         "0C 00 00 00 02 1E 29 75 4E 55 08 40 59 00 00 00 00 00 00 4F 1F ", T::RESULT_REFUSED,
         Tag::REFUSAL_BAD_LENGTH, -1, -1},
        {"a constructed value", "0C 00 00 00 02 1E 29 75 4E 0E 21 01 2E 21 02 2F 0F 4F 1F ", T::RESULT_REFUSED,
         Tag::REFUSAL_WRONG_TYPE, -1, -1},
        {"a result for another object", "0C 00 00 00 07 1E 29 75 4E 91 3E 4F 1F ", T::RESULT_REFUSED,
         Tag::REFUSAL_MISMATCH, -1, -1},
        {"access error with its reason", "0C 00 00 00 02 1E 29 75 5E 91 02 91 20 5F 1F ", T::RESULT_ACCESS_ERROR,
         Tag::REFUSAL_NONE, 2, 32},
        {"two-octet error code", "0C 00 00 00 02 1E 29 75 5E 91 02 92 01 02 5F 1F ", T::RESULT_ACCESS_ERROR,
         Tag::REFUSAL_NONE, 2, 258},
    };
    for (const auto& c : cases) {
        Poll poll;
        Received ack(kFirst + c.second + kThird + kFourth);
        ASSERT_EQ(poll.Read(ack), 1) << c.name;
        EXPECT_EQ(poll.m_rpm.m_decoded, c.result == T::RESULT_REFUSED ? 3 : 4) << c.name;
        const int values[] = {21, -1, 100, 50};
        for (int i : {0, 2, 3}) {
            EXPECT_EQ(poll[i].m_result, T::RESULT_VALUE) << c.name << " entry " << i;
            EXPECT_EQ(poll[i].IsChangeValue(), T::CHANGE_NEW) << c.name << " entry " << i;
            float real;
            memcpy(&real, poll[i].m_value, sizeof real);
            EXPECT_EQ(real, values[i]) << c.name << " entry " << i;
        }
        EXPECT_EQ(poll[1].m_result, c.result) << c.name;
        EXPECT_EQ(poll[1].m_refusal, c.refusal) << c.name;
        EXPECT_EQ(poll[1].m_errorClass, c.errorClass) << c.name;
        EXPECT_EQ(poll[1].m_errorCode, c.errorCode) << c.name;
        EXPECT_EQ(poll[1].IsChangeValue(),
                  c.result == T::RESULT_VALUE ? T::CHANGE_NEW
                  : c.result == T::RESULT_ACCESS_ERROR ? T::CHANGE_NONE
                                                       : T::CHANGE_NO_VALUE)
            << c.name;
    }
}

// A result that cannot even be stepped over: every entry from it on is
// refused with the reason, those before it keep their values.
TEST(PollRecovery, UnwalkableResultRefusesTheRest)
{
    const std::string rest = kThird + kFourth;
    const struct {
        const char* name;
        std::string tail;  // everything after entry 1's result
        int refusal;
    } cases[] = {
        {"cut inside", "0C 00 00 00 02 1E 29 75 4E 92 BA", Tag::REFUSAL_TRUNCATED},
        {"closing tag of another number", "0C 00 00 00 02 1E 29 75 4E 92 BA C0 5F 1F " + rest,
         Tag::REFUSAL_UNEXPECTED_OCTET},
        {"no opening tag 1", "0C 00 00 00 02 29 75 4E 91 3E 4F 1F " + rest, Tag::REFUSAL_UNEXPECTED_OCTET},
        {"nested too deep", "0C 00 00 00 02 1E 29 75 4E 0E 0E 0E 0E 0E 0E 0E 0E 0E 0E 0E 0E 0E 0E 0E 0E 0E 0E " + rest,
         Tag::REFUSAL_TOO_DEEP},
    };
    for (const auto& c : cases) {
        Poll poll;
        Received ack(kFirst + c.tail);
        ASSERT_EQ(poll.Read(ack), 1) << c.name;
        EXPECT_EQ(poll.m_rpm.m_decoded, 1) << c.name;
        EXPECT_EQ(poll[0].m_result, T::RESULT_VALUE) << c.name;
        for (int i = 1; i < 4; i++) {
            EXPECT_EQ(poll[i].m_result, T::RESULT_REFUSED) << c.name << " entry " << i;
            if (i > 1) {  // entry 1 keeps the reason its own decode refused with
                EXPECT_EQ(poll[i].m_refusal, c.refusal) << c.name << " entry " << i;
            }
            EXPECT_EQ(poll[i].IsChangeValue(), T::CHANGE_NO_VALUE) << c.name << " entry " << i;
        }
    }
}

// Every prefix of a whole reply: no entry whose result was cut gets a value
// or a change, and every entry before the cut does.
TEST(PollRecovery, CutReplyHandsOverOnlyWholeResults)
{
    const std::string whole = kFirst + kUnits + kThird + kFourth;
    const std::vector<unsigned char> octets = Hex(whole);
    const size_t ends[] = {Hex(kFirst).size(), Hex(kFirst + kUnits).size(), Hex(kFirst + kUnits + kThird).size(),
                           octets.size()};
    for (size_t n = 0; n <= octets.size(); n++) {
        Poll poll;
        Received ack(octets, n);
        ASSERT_EQ(poll.Read(ack), 1) << n;
        int whole = 0;
        for (int i = 0; i < 4; i++) {
            const bool complete = n >= ends[i];
            whole += complete;
            EXPECT_EQ(poll[i].m_result, complete ? T::RESULT_VALUE : T::RESULT_REFUSED) << "cut at " << n << " entry " << i;
            EXPECT_EQ(poll[i].IsChangeValue(), complete ? T::CHANGE_NEW : T::CHANGE_NO_VALUE)
                << "cut at " << n << " entry " << i;
        }
        EXPECT_EQ(poll.m_rpm.m_decoded, whole) << n;
    }
}

}  // namespace
