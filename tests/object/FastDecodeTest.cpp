// The fixed-shape decoder against the general one: the same replies, one
// after another, into two tags bound alike, one decoded each way. Every
// visible result must agree after every reply.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Hex.h"
#include "Tags.h"
#include "host/String.h"
#include "object/ObjTypes.h"

namespace {

// Everything a decode leaves for the driver to see, as one comparable text.
std::string State(const CBACnetObjTypes& p)
{
    return "change " + std::to_string(p.m_changeState) + " null " + std::to_string(p.m_isNull) + " result " +
           std::to_string(p.m_result) + " refusal " + std::to_string(p.m_refusal) + " error " +
           std::to_string(p.m_errorClass) + "/" + std::to_string(p.m_errorCode) + " value " +
           ToHex(p.m_value, p.m_dataSize) + " received " + ToHex(p.m_received, p.m_dataSize);
}

// Decodes `wire` with the fast path on or off; the received data ends at
// the frame's end, and the octet after it is a trap that must not be read.
int Decode(CBACnetObjTypes& p, bool multi, bool fast, const std::vector<unsigned char>& wire, int& len)
{
    std::vector<unsigned char> buf(wire);
    buf.push_back(multi ? 0x1F : 0x3F);
    CBACnetObjTypes::SetFastDecode(fast);
    len = 0;
    const int end = static_cast<int>(wire.size());
    const int result = multi ? p.ReadFrameToMulti(buf.data(), len, end) : p.ReadFrameToSingle(buf.data(), len, end);
    CBACnetObjTypes::SetFastDecode(true);
    return result;
}

struct Step {
    const char* wire;
    int result;
    int len;
};

struct Row {
    const char* name;
    unsigned type, instance;
    const wchar_t* property;
    unsigned wireInstance;  // the instance the reply names
    bool multi;
    std::vector<Step> steps;
};

const Row kRows[] = {
    {"Real present value", 0, 5, L"PresentValue", 5, true,
     {{"1E 29 55 4E 44 42 C8 00 00 4F 1F", 1, 16},
      {"1E 29 55 4E 44 42 C8 00 00 4F 1F", 1, 16},  // unchanged
      {"1E 29 55 4E 00 4F 1F", 1, 12},               // Null
      {"1E 29 55 4E 00 4F 1F", 1, 12},
      {"1E 29 55 4E 44 42 C8 00 00 4F 1F", 1, 16},
      {"1E 29 55 4E 21 07 4F 1F", 1, 13},             // Unsigned into a Real's room
      {"1E 29 55 4E 31 F0 4F 1F", 1, 13},             // Signed, sign-extended
      {"1E 29 55 4E 11 4F 1F", 1, 12},                // Boolean: one octet written
      {"1E 29 55 4E 20 4F 1F", 1, 12},                // Unsigned of no octets
      {"1E 29 55 4E 94 01 02 03 04 4F 1F", 1, 16},    // Enumerated, octets as sent
      {"1E 29 55 4E 55 08 3F F8 00 00 00 00 00 00 4F 1F", 0, 11},  // Double
      {"1E 2A 00 55 4E 44 42 C8 00 00 4F 1F", 1, 17},  // two-octet property form
      {"1E 29 55 5E 91 02 91 20 5F 1F", 1, 15},        // property access error
      {"1E 29 55 4E 44 42 C8 00 00 4F", 0, 15},        // cut before 1F
      {"1E 29 55 4E 44 42 C8 00 00 4F 0C", 0, 15},     // 1F replaced
      {"1E 29 55 4E 44 42 C8 00 00 1F", 0, 14},        // 4F missing
      {"1E 29 55 4E 44 42 C8 00", 0, 10},              // cut inside the value
      {"1E 29 55 4E 44 42 C8 00 00 4F 1F", 1, 16},
      {"1E 29 56 4E 44 42 C8 00 00 4F 1F", 0, 7},      // another property
      {"1E 29 55 4E 0C 42 C8 00 00 4F 1F", 0, 10},     // context-tagged value
      {"1E 29 55 4E 45 04 42 C8 00 00 4F 1F", 1, 17},  // extended length
      {"1E 29 55 1F", 1, 9}}},                         // neither value nor error
    {"Real of another object", 0, 6, L"PresentValue", 5, true,
     {{"1E 29 55 4E 44 42 C8 00 00 4F 1F", 0, 5}}},
    {"Unsigned", 0, 5, L"UpdateInterval", 5, true,
     {{"1E 29 76 4E 22 01 2C 4F 1F", 1, 14},
      {"1E 29 76 4E 24 00 01 00 00 4F 1F", 1, 16},
      {"1E 29 76 4E 21 05 4F 1F", 1, 13},
      {"1E 29 76 4E 21 05 4F 1F", 1, 13},
      {"1E 29 76 4E 25 05 01 02 03 04 05 4F 1F", 0, 11}}},
    {"Enumerated units, one octet of room", 0, 5, L"Units", 5, true,
     {{"1E 29 75 4E 91 3E 4F 1F", 1, 13},
      {"1E 29 75 4E 92 BA C0 4F 1F", 0, 10},  // longer than the room
      {"1E 29 75 4E 91 3E 4F 1F", 1, 13},
      {"1E 29 75 4E 91 3F 4F 1F", 1, 13},
      {"1E 29 75 4E 90 4F 1F", 1, 12}}},
    {"Boolean", 0, 5, L"OutOfService", 5, true,
     {{"1E 29 51 4E 10 4F 1F", 1, 12},
      {"1E 29 51 4E 11 4F 1F", 1, 12},
      {"1E 29 51 4E 12 4F 1F", 1, 12},  // a length the codec keeps as the value
      {"1E 29 51 4E 00 4F 1F", 1, 12},
      {"1E 29 51 4E 11 4F", 0, 11}}},
    {"binary present value", 3, 5, L"PresentValue", 5, true,
     {{"1E 29 55 4E 91 01 4F 1F", 1, 13},
      {"1E 29 55 4E 91 00 4F 1F", 1, 13},
      {"1E 29 55 4E 00 4F 1F", 1, 12},
      {"1E 29 55 4E 91 00 4F 1F", 1, 13}}},
    {"priority array element", 1, 5, L"priorityarray[8]", 5, true,
     {{"1E 29 57 39 08 4E 44 42 C8 00 00 4F 1F", 1, 18},
      {"1E 29 57 39 08 4E 00 4F 1F", 1, 14},
      {"1E 29 57 39 09 4E 00 4F 1F", 0, 9},  // another index
      {"1E 29 57 3A 00 08 4E 00 4F 1F", 1, 15}}},
    {"ReadProperty ack", 0, 5, L"PresentValue", 5, false,
     {{"19 55 3E 44 42 C8 00 00 3F", 1, 14},
      {"19 55 3E 44 42 C8 00 00 3F", 1, 14},
      {"19 55 3E 00 3F", 1, 10},
      {"19 55 44 41 20 00 00", 1, 12},  // bare value
      {"19 55 3E 44 42 C8 00 00", 0, 13},
      {"19 55 3E 44 42 C8 00 00 4F", 0, 13},
      {"19 56 3E 44 42 C8 00 00 3F", 0, 6},
      {"19 55 3E 21 07 3F", 1, 11}}},
};

TEST(FastDecodeTest, SameResultsAsTheGeneralDecoder)
{
    for (const Row& row : kRows) {
        auto fast = Bind(row.type, row.instance, row.property);
        auto general = Bind(row.type, row.instance, row.property);
        ASSERT_TRUE(fast && general) << row.name;
        for (size_t i = 0; i < row.steps.size(); i++) {
            const Step& step = row.steps[i];
            const DWORD id = _BACnetObjectID(row.type, row.wireInstance).GetValue();
            std::vector<unsigned char> wire = {0x0C, BYTE(id >> 24), BYTE(id >> 16), BYTE(id >> 8), BYTE(id)};
            const auto rest = Hex(step.wire);
            wire.insert(wire.end(), rest.begin(), rest.end());
            int fastLen, generalLen;
            const int fastResult = Decode(*fast, row.multi, true, wire, fastLen);
            const int generalResult = Decode(*general, row.multi, false, wire, generalLen);
            const std::string where = std::string(row.name) + " step " + std::to_string(i);
            EXPECT_EQ(step.result, fastResult) << where;
            EXPECT_EQ(step.len, fastLen) << where;
            EXPECT_EQ(generalResult, fastResult) << where;
            EXPECT_EQ(generalLen, fastLen) << where;
            EXPECT_EQ(State(*general), State(*fast)) << where;
            // The driver takes what changed before the next poll, on every other step.
            if (i % 2 == 0) {
                fast->ResetChangeValue();
                general->ResetChangeValue();
            }
        }
    }
}

}  // namespace
