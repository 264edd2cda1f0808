#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "Hex.h"
#include "property/Value.h"

namespace {

using V = CBACnetValue;

std::vector<unsigned char> Seq(int n)
{
    std::vector<unsigned char> out(n);
    for (int i = 0; i < n; i++)
        out[i] = static_cast<unsigned char>(i);
    return out;
}

std::string Encode(const V& v)
{
    unsigned char buf[512];
    int len = 0;
    EXPECT_EQ(v.MakeFrame(buf, len, sizeof buf), 1);
    return ToHex(buf, len);
}

// Decodes one value from a block of exactly the frame's size.
int Decode(const std::string& hex, V& out, int* stoppedAt = nullptr)
{
    Received in(hex);
    int len = 0;
    const int ok = out.ReadFrame(in.buf(), len, in.end());
    if (stoppedAt)
        *stoppedAt = len;
    if (ok) {
        EXPECT_EQ(len, in.end()) << hex;
    }
    return ok;
}

// Every data type in its one encoding, both ways, then forms a device may
// send that are not the shortest and the character sets other than UTF-8,
// which only decode. Every cut of a frame is refused; the encoder, given
// less room than the frame needs, refuses and writes nothing from the end
// of its room on.
TEST(Value, EveryTypeBothWays)
{
    const struct {
        const char* name;
        V value;
        const char* hex;
        bool decodeOnly;
    } rows[] = {
        {"null", V::Null(), "00", false},
        {"true", V::Boolean(true), "11", false},
        {"unsigned 0", V::Unsigned(0), "21 00", false},
        {"unsigned 255", V::Unsigned(255), "21 FF", false},
        {"unsigned 256", V::Unsigned(256), "22 01 00", false},
        {"unsigned max", V::Unsigned(UINT64_MAX), "25 08 FF FF FF FF FF FF FF FF", false},
        {"signed 127", V::Signed(127), "31 7F", false},
        {"signed 128", V::Signed(128), "32 00 80", false},
        {"signed -129", V::Signed(-129), "32 FF 7F", false},
        {"signed min", V::Signed(INT64_MIN), "35 08 80 00 00 00 00 00 00 00", false},
        {"real 100", V::Real(100.0f), "44 42 C8 00 00", false},
        {"double 100", V::Double(100.0), "55 08 40 59 00 00 00 00 00 00", false},
        {"octets, 5", V::Octets(Seq(5)), "65 05 00 01 02 03 04", false},
        {"text, empty", V::Text(""), "71 00", false},
        {"text, the first two-, three- and four-octet forms", V::Text("\xC2\x80\xE0\xA0\x80\xF0\x90\x80\x80"),
         "75 0A 00 C2 80 E0 A0 80 F0 90 80 80", false},
        {"bits, none", V::Bits({}), "81 00", false},
        {"bits, 1", V::Bits({true}), "82 07 80", false},
        {"bits, 10", V::Bits({1, 0, 0, 0, 0, 0, 0, 1, 1, 1}), "83 06 81 C0", false},
        {"enumerated 62", V::Enumerated(62), "91 3E", false},
        {"date 2024-12-25", V::Date(0x7C0C1903), "A4 7C 0C 19 03", false},
        {"time 08:00", V::Time(0x08000000), "B4 08 00 00 00", false},
        {"object device 1234", V::ObjectID(0x020004D2), "C4 02 00 04 D2", false},
        {"context 2, 6 octets", V::Context(2, Seq(6)), "2D 06 00 01 02 03 04 05", false},
        {"context 15", V::Context(15, {0x2A}), "F9 0F 2A", false},
        {"context 254", V::Context(254, {}), "F8 FE", false},
        {"constructed, nested", V::Constructed(0, {V::Constructed(1, {V::Context(0, {1})}), V::Null()}),
         "0E 1E 09 01 1F 00 0F", false},
        {"constructed 15", V::Constructed(15, {}), "FE 0F FF 0F", false},
        {"constructed 20", V::Constructed(20, {V::Unsigned(1)}), "FE 14 21 01 FF 14", false},
        {"unsigned with a leading zero", V::Unsigned(5), "22 00 05", true},
        {"signed -1 in two octets", V::Signed(-1), "32 FF FF", true},
        {"unused bits set", V::Bits({true, false, false, false}), "82 04 8F", true},
        {"UCS-4", V::Text("C\xF0\x9F\x98\x80"), "75 09 03 00 00 00 43 00 01 F6 00", true},
        {"UCS-2 surrogate pair, then a letter", V::Text("\xF0\x9F\x98\x80" "A"), "75 07 04 D8 3D DE 00 00 41", true},
        {"ISO 8859-1", V::Text("Caf\xC3\xA9 \xC2\xB0"), "75 07 05 43 61 66 E9 20 B0", true},
        {"context 6 octets in the extended form", V::Context(0, Seq(6)), "0D 06 00 01 02 03 04 05", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        V decoded;
        ASSERT_EQ(Decode(row.hex, decoded), 1) << V::RefusalText(decoded.m_refusal);
        EXPECT_EQ(decoded.m_refusal, V::REFUSED_NONE);
        EXPECT_TRUE(decoded == row.value) << Encode(decoded);
        EXPECT_EQ(CutsTaken(row.hex, [](unsigned char* b, int& at, int end) { return V().ReadFrame(b, at, end); }), "");
        if (row.decodeOnly)
            continue;
        EXPECT_EQ(Encode(row.value), row.hex);
        const int size = static_cast<int>(Hex(row.hex).size());
        for (int room = 0; room < size; room++) {
            std::vector<unsigned char> buf(2 + size + 4, 0xA5);
            int len = 2;
            int refusal;
            EXPECT_EQ(row.value.MakeFrame(buf.data(), len, 2 + room, refusal), 0);
            EXPECT_EQ(refusal, V::REFUSED_NO_ROOM);
            EXPECT_EQ(len, 2);
            for (size_t i = 2 + room; i < buf.size(); i++)
                ASSERT_EQ(buf[i], 0xA5) << "written at " << i;
        }
    }
}

TEST(Value, LongLengthsTakeTheExtendedForms)
{
    const struct {
        int size;
        const char* header;
    } rows[] = {{4, "64"}, {253, "65 FD"}, {254, "65 FE 00 FE"}, {65535, "65 FE FF FF"},
                {65536, "65 FF 00 01 00 00"}};
    for (const auto& row : rows) {
        const V value = V::Octets(Seq(row.size));
        std::vector<unsigned char> buf(row.size + 8);
        int len = 0;
        ASSERT_EQ(value.MakeFrame(buf.data(), len, static_cast<int>(buf.size())), 1);
        const int headerSize = static_cast<int>(Hex(row.header).size());
        EXPECT_EQ(ToHex(buf.data(), headerSize), row.header);
        EXPECT_EQ(len, headerSize + row.size);
        Received in(buf, len);
        V decoded;
        int at = 0;
        ASSERT_EQ(decoded.ReadFrame(in.buf(), at, in.end()), 1) << row.size;
        EXPECT_EQ(at, len);
        EXPECT_TRUE(decoded == value) << row.size;
    }
}

TEST(Value, RefusesBadInput)
{
    const struct {
        const char* name;
        const char* hex;
        int refusal;
        int stoppedAt;
    } rows[] = {
        {"nothing", "", V::REFUSED_TRUNCATED, 0},
        {"null with content", "01 00", V::REFUSED_LENGTH, 1},
        {"boolean 2", "12", V::REFUSED_LENGTH, 1},
        {"unsigned of no octets", "20", V::REFUSED_LENGTH, 1},
        {"signed of 9 octets", "35 09 01 02 03 04 05 06 07 08 09", V::REFUSED_LENGTH, 2},
        {"real of 3 octets", "43 01 02 03", V::REFUSED_LENGTH, 1},
        {"application tag 13", "D1 00", V::REFUSED_TYPE, 1},
        {"context tag 255", "F9 FF", V::REFUSED_TYPE, 0},
        {"application opening tag", "26", V::REFUSED_LENGTH, 1},
        {"length 0xFFFFFFFF", "65 FF FF FF FF FF", V::REFUSED_LENGTH, 0},
        {"length 2^31 - 1", "65 FF 7F FF FF FF 00", V::REFUSED_TRUNCATED, 6},
        {"content cut", "44 42 C8 00", V::REFUSED_TRUNCATED, 1},
        {"extended length cut", "65 FE 01", V::REFUSED_TRUNCATED, 0},
        {"character string without its set", "70", V::REFUSED_LENGTH, 1},
        {"character set 1 (DBCS)", "74 01 03 A4 41", V::REFUSED_CHARSET, 1},
        {"UTF-8, bad continuation", "73 00 C3 28", V::REFUSED_TEXT, 1},
        {"UTF-8, above U+10FFFF", "75 05 00 F4 90 80 80", V::REFUSED_TEXT, 2},
        {"UCS-2, odd length", "74 04 00 41 00", V::REFUSED_TEXT, 1},
        {"UCS-2, lone low surrogate", "75 05 04 DE 00 00 41", V::REFUSED_TEXT, 2},
        {"UCS-2, high surrogate then a letter", "75 05 04 D8 3D 00 41", V::REFUSED_TEXT, 2},
        {"UCS-4, length not a multiple of 4", "74 03 00 00 41", V::REFUSED_TEXT, 1},
        {"UCS-4, above U+10FFFF", "75 05 03 00 11 00 00", V::REFUSED_TEXT, 2},
        {"bit string of no octets", "80", V::REFUSED_LENGTH, 1},
        {"8 unused bits", "82 08 FF", V::REFUSED_BITS, 1},
        {"closing tag alone", "3F", V::REFUSED_CLOSING, 0},
        {"mismatched closing tag", "3E 21 01 4F", V::REFUSED_CLOSING, 3},
        {"opening tag never closed", "3E 21 01", V::REFUSED_TRUNCATED, 3},
        {"bad value inside", "3E 1E 72 01 41 1F 3F", V::REFUSED_CHARSET, 3},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        V decoded;
        int stoppedAt = -1;
        EXPECT_EQ(Decode(row.hex, decoded, &stoppedAt), 0);
        EXPECT_EQ(decoded.m_refusal, row.refusal) << V::RefusalText(decoded.m_refusal);
        EXPECT_EQ(stoppedAt, row.stoppedAt);
    }
}

// Opening tags nested to the limit decode, one deeper is refused, both
// ways; a frame of nothing but opening tags is refused at the limit. Inside
// a property value's tags one level fewer is left.
TEST(Value, NestingIsBounded)
{
    auto Tree = [](int depth) {
        V tree = V::Unsigned(1);
        for (int i = 0; i < depth; i++)
            tree = V::Constructed(0, {tree});
        return tree;
    };
    std::string deepest = "21 01";
    for (int i = 0; i < V::MAX_DEPTH; i++)
        deepest = "0E " + deepest + " 0F";
    EXPECT_EQ(Encode(Tree(V::MAX_DEPTH)), deepest);
    V decoded;
    ASSERT_EQ(Decode(deepest, decoded), 1);
    EXPECT_TRUE(decoded == Tree(V::MAX_DEPTH));
    int stoppedAt;
    EXPECT_EQ(Decode("0E " + deepest + " 0F", decoded, &stoppedAt), 0);
    EXPECT_EQ(decoded.m_refusal, V::REFUSED_DEPTH);
    EXPECT_EQ(stoppedAt, V::MAX_DEPTH + 1);

    Received bomb(std::vector<unsigned char>(100000, 0x0E));
    int len = 0;
    EXPECT_EQ(decoded.ReadFrame(bomb.buf(), len, bomb.end()), 0);
    EXPECT_EQ(decoded.m_refusal, V::REFUSED_DEPTH);

    unsigned char buf[128];
    len = 0;
    int refusal;
    EXPECT_EQ(Tree(V::MAX_DEPTH + 1).MakeFrame(buf, len, sizeof buf, refusal), 0);
    EXPECT_EQ(refusal, V::REFUSED_DEPTH);
    EXPECT_EQ(len, 0);

    ASSERT_EQ(V::MakeEnclosedFrame({Tree(V::MAX_DEPTH - 1)}, buf, len, sizeof buf, 3), 1);
    Received enclosed(std::vector<unsigned char>(buf, buf + len));
    std::vector<V> values;
    len = 0;
    EXPECT_EQ(V::ReadEnclosedFrame(enclosed.buf(), len, enclosed.end(), 3, values), 1);
    len = 0;
    EXPECT_EQ(V::MakeEnclosedFrame({Tree(V::MAX_DEPTH)}, buf, len, sizeof buf, 3, refusal), 0);
    EXPECT_EQ(refusal, V::REFUSED_DEPTH);
    EXPECT_EQ(Tree(V::MAX_DEPTH).MakeEnclosedFrame(buf, len, sizeof buf, 3), 0);
}

TEST(Value, EncoderRefusesValuesWithoutAFrame)
{
    V badKind;
    badKind.m_kind = 13;
    V negativeBits = V::Bits({true});
    negativeBits.m_bitCount = -1;
    const struct {
        const char* name;
        V value;
    } rows[] = {
        {"text not UTF-8", V::Text("Caf\xE9")},
        {"context tag 255", V::Context(255, {})},
        {"constructed tag 255", V::Constructed(255, {})},
        {"application type 13", badKind},
        {"negative bit count", negativeBits},
        {"bad value inside", V::Constructed(0, {V::Null(), V::Context(300, {})})},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        unsigned char buf[64];
        int len = 0;
        int refusal;
        EXPECT_EQ(row.value.MakeFrame(buf, len, sizeof buf, refusal), 0);
        EXPECT_EQ(refusal, V::REFUSED_VALUE);
        EXPECT_EQ(len, 0);
    }
}

TEST(Value, BitsReadFromTheFirstOctetsHighBit)
{
    V flags;
    ASSERT_EQ(Decode("82 04 48", flags), 1);  // status flags: fault only, an unused bit set
    EXPECT_EQ(flags.m_bitCount, 4);
    std::string bits;
    for (int i = -1; i <= 4; i++)
        bits += std::to_string(flags.Bit(i));
    EXPECT_EQ(bits, "001000");
    EXPECT_EQ(ToHex(flags.m_octets), "40");  // the unused bits cleared

    // Bits past the octets given go out as 0.
    V short_ = V::Bits({true});
    short_.m_bitCount = 12;
    short_.m_octets = {0xFF};
    EXPECT_EQ(Encode(short_), "83 04 FF 00");

    // A current device's protocol-object-types-supported: 65 bits.
    const std::string hex = "85 0A 07 FF FF FF FF FF FF FF 80 80";
    V types;
    ASSERT_EQ(Decode(hex, types), 1);
    EXPECT_EQ(types.m_bitCount, 65);
    EXPECT_TRUE(types.Bit(56) && !types.Bit(57) && types.Bit(64) && !types.Bit(65));
    EXPECT_EQ(Encode(types), hex);
}

TEST(Value, EqualityComparesWhatTheKindCarries)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_TRUE(V::Real(nan) == V::Real(nan));
    EXPECT_TRUE(V::Real(0.0f) != V::Real(-0.0f));
    EXPECT_TRUE(V::Unsigned(1) != V::Enumerated(1));
    EXPECT_TRUE(V::Context(0, {1}) != V::Context(1, {1}));
    EXPECT_TRUE(V::Context(0, {1}) != V::Octets({1}));
    EXPECT_TRUE(V::Bits({true}) != V::Bits({true, false}));
    EXPECT_TRUE(V::Constructed(0, {V::Null()}) != V::Constructed(0, {V::Null(), V::Null()}));
    V stray = V::Unsigned(3);
    stray.m_text = "ignored";
    EXPECT_TRUE(stray == V::Unsigned(3));
}

// A list of values up to a closing tag, and a property value as WriteProperty
// sends it and a ReadProperty reply carries it.
TEST(Value, ListsAndEnclosedValues)
{
    Received list("21 01 91 02 3F");
    const struct {
        int end, closingTag, result, refusal, len;
    } lists[] = {
        {5, 3, 1, V::REFUSED_NONE, 4},      // stops at the closing tag
        {4, -1, 1, V::REFUSED_NONE, 4},     // or at the end
        {5, 4, 0, V::REFUSED_CLOSING, 4},   // another closing tag
        {5, -1, 0, V::REFUSED_CLOSING, 4},  // a closing tag where none may be
    };
    for (const auto& row : lists) {
        std::vector<V> values = {V::Null()};
        int len = 0, refusal = -1;
        EXPECT_EQ(V::ReadList(list.buf(), len, row.end, row.closingTag, values, refusal), row.result) << row.end;
        EXPECT_EQ(refusal, row.refusal) << row.closingTag;
        EXPECT_EQ(len, row.len) << row.closingTag;
        ASSERT_EQ(values.size(), 3u) << "appended";
        EXPECT_TRUE(values[2] == V::Enumerated(2));
    }

    unsigned char buf[32];
    int len = 0;
    const std::vector<V> two = {V::Real(1.0f), V::Enumerated(1)};
    ASSERT_EQ(V::MakeEnclosedFrame(two, buf, len, sizeof buf, 3), 1);
    EXPECT_EQ(ToHex(buf, len), "3E 44 3F 80 00 00 91 01 3F");
    for (int room = 0; room < len; room++) {
        int at = 0;
        EXPECT_EQ(V::MakeEnclosedFrame(two, buf, at, room, 3), 0);
        EXPECT_EQ(at, 0);
    }

    Received reply("3E 21 10 00 44 42 C8 00 00 3F");
    std::vector<V> values = {V::Null()};
    len = 0;
    ASSERT_EQ(V::ReadEnclosedFrame(reply.buf(), len, reply.end(), 3, values), 1);
    EXPECT_EQ(len, reply.end());
    ASSERT_EQ(values.size(), 3u);  // replaced
    EXPECT_TRUE(values[1] == V::Null());
    len = 0;
    int refusal;
    EXPECT_EQ(V::ReadEnclosedFrame(reply.buf(), len, reply.end(), 4, values, refusal), 0);
    EXPECT_EQ(refusal, V::REFUSED_OPENING);
    EXPECT_EQ(len, 0);
    EXPECT_EQ(CutsTaken(Hex("3E 21 10 00 44 42 C8 00 00 3F"), [&](unsigned char* b, int& at, int end) {
                  return V::ReadEnclosedFrame(b, at, end, 3, values);
              }), "");
}

}  // namespace
