// Values on the wire through the client's public calls: what WriteProperty
// sends for each kind of value, the same octets read back as the same
// value, and values and ReadPropertyMultiple results refused.
#include <gtest/gtest.h>

#include "ScriptedDevice.h"

using namespace scripted;

namespace {

const ObjectId kAv1(ObjectType::AnalogValue, 1);

TEST(ValueWire, WrittenExactlyReadBackOrRefused)
{
    const struct {
        std::optional<Value> value;  // written as `octets`, and read back from them; none: refused
        const char* octets;
    } rows[] = {
        {Value::Null(), "00"},
        {Value(true), "11"},
        {Value::Unsigned(300), "22 01 2C"},
        {Value::Signed(-200), "32 FF 38"},
        {Value::Real(22.5f), "44 41 B4 00 00"},
        {Value(1.5), "55 08 3F F8 00 00 00 00 00 00"},
        {Value(OctetString{{1, 2}}), "62 01 02"},
        {Value("Zon\xC3\xA9"), "75 06 00 5A 6F 6E C3 A9"},
        {Value(BitString{{true, false, true}}), "82 05 A0"},
        {Value::Enum(3), "91 03"},
        {Value(Date{126, 12, 6, 7}), "A4 7E 0C 06 07"},
        {Value(Time{12, 30, 5, 0}), "B4 0C 1E 05 00"},
        {Value(ObjectId(2, 5)), "C4 00 80 00 05"},
        {Value(Value::List{Value::Unsigned(1), Value::Unsigned(2)}), "21 01 21 02"},
        {Value(RawValue{Hex("1A 00 01")}), "1A 00 01"},                       // context-tagged: its octets
        {std::nullopt, "73 02 41 42"},                                        // a character set not taken
        {std::nullopt, "95 05 01 00 00 00 00"},                               // an Enumerated past 32 bits
        {std::nullopt, "44 41 B4 00"},                                        // a Real cut short
    };
    for (const auto& row : rows) {
        std::string written;  // between the enclosing tags
        Scripted s(Answering([&](Peer&, const Sent& sent) {
            const std::string id = Octet(sent.InvokeID());
            if (sent.Service() != 15)
                return "30 " + id + " 0C 0C 00 80 00 01 19 55 3E " + row.octets + " 3F";
            written = sent.m_hex.substr(sent.m_hex.find("19 55 3E ") + 9);
            written.resize(written.size() - 3);
            return "20 " + id + " 0F";
        }));
        const bacnet::Device device = bacnet::Device::At(kDevice);
        if (row.value) {
            ASSERT_TRUE(s.client.WriteProperty(device, kAv1, Property::PresentValue, *row.value)) << row.octets;
            EXPECT_EQ(written, row.octets);
        }
        const Result<Value> back = s.client.ReadProperty(device, kAv1, Property::PresentValue);
        ASSERT_EQ(bool(back), row.value.has_value()) << row.octets;
        if (!back) {
            EXPECT_EQ(back.failure().m_kind, FailureKind::Refused) << row.octets;
        } else {
            EXPECT_TRUE(*back == *row.value) << row.octets << " read back as " << back->ToString();
        }
    }
}

// A ReadPropertyMultiple reply is taken only whole and only for what was asked.
TEST(ValueWire, ReadPropertyMultipleResultsTakenOnlyWhole)
{
    const struct {
        const char* name;
        const char* results;  // after the Complex-ACK's header
        const char* outcome;
    } rows[] = {
        {"a value", "0C 00 00 00 01 1E 29 55 4E 44 41 B4 00 00 4F 1F", "22.5"},
        {"an error", "0C 00 00 00 01 1E 29 55 5E 91 02 91 20 5F 1F", "error"},
        {"another object", "0C 00 00 00 02 1E 29 55 4E 44 41 B4 00 00 4F 1F", "refused"},
        {"an index not asked for", "0C 00 00 00 01 1E 29 55 39 01 4E 44 41 B4 00 00 4F 1F", "refused"},
        {"a value that does not decode", "0C 00 00 00 01 1E 29 55 4E 44 41 B4 00 4F 1F", "refused"},
        {"an error context-tagged", "0C 00 00 00 01 1E 29 55 5E 99 02 99 20 5F 1F", "refused"},
        {"an error left open", "0C 00 00 00 01 1E 29 55 5E 91 02 91 20 1F", "refused"},
        {"the result closed by another tag", "0C 00 00 00 01 1E 29 55 4E 44 41 B4 00 00 4F 2F", "refused"},
        {"cut short", "0C 00 00 00 01 1E 29 55 4E 44 41 B4", "refused"},
    };
    for (const auto& row : rows) {
        Scripted s(Answering([&](Peer&, const Sent& sent) {
            return "30 " + Octet(sent.InvokeID()) + " 0E " + row.results;
        }));
        const std::vector<ReadAccess> asked = {{ObjectId(0, 1), Property::PresentValue, kNoIndex}};
        const auto results = s.client.ReadPropertyMultiple(bacnet::Device::At(kDevice), asked);
        if (!results) {
            EXPECT_STREQ("refused", row.outcome) << row.name;
            EXPECT_EQ(results.failure().m_kind, FailureKind::Refused) << row.name;
        } else {
            EXPECT_EQ(results->at(0) ? results->at(0)->ToString() : "error", row.outcome) << row.name;
        }
    }
}

}  // namespace
