#include <gtest/gtest.h>

#include <functional>

#include "Hex.h"
#include "frame/Tag.h"

namespace {

using Tag = CBACnetTag;
using Encode = std::function<void(Tag&, unsigned char*, int&)>;

// The rarer forms; the common ones show in the octets of every request
// test.
TEST(TagEncode, WritesExactOctets)
{
    static unsigned char one[] = {0x42};
    const struct {
        const char* name;
        Encode encode;
        const char* expected;
    } cases[] = {
        {"context 28, one octet", [](auto& t, auto b, auto& l) { t.MakeArrayFrame(b, l, 1, 28, 1, one); }, "F9 1C 42"},
        {"app length 254", [](auto& t, auto b, auto& l) { t.MakeHeaderFrame(b, l, 0, 2, 254); }, "25 FE 00 FE"},
        {"app tag 13 writes nothing", [](auto& t, auto b, auto& l) { t.MakeHeaderFrame(b, l, 0, 13, 1); }, ""},
        {"class 2 writes nothing", [](auto& t, auto b, auto& l) { t.MakeHeaderFrame(b, l, 2, 1, 1); }, ""},
        {"context 15 length 2", [](auto& t, auto b, auto& l) { t.MakeHeaderFrame(b, l, 1, 15, 2); }, "FA 0F"},
        {"opening 20", [](auto& t, auto b, auto& l) { t.MakeProgramFrame(b, l, 20, 1); }, "FE 14"},
        {"closing 20", [](auto& t, auto b, auto& l) { t.MakeProgramFrame(b, l, 20, 0); }, "FF 14"},
        {"context bool", [](auto& t, auto b, auto& l) { t.MakeBoolFrame(b, l, 1, 2, 1); }, "29 01"},
        {"bit string", [](auto& t, auto b, auto& l) { t.MakeBitStringFrame(b, l, 0, 8, 1, one); }, "82 00 42"},
    };
    for (const auto& c : cases) {
        unsigned char buf[64] = {};
        int len = 0;
        Tag tag;
        c.encode(tag, buf, len);
        EXPECT_EQ(ToHex(buf, len), c.expected) << c.name;
    }
}

TEST(TagDecode, ReadHeaderFrame)
{
    const struct {
        const char* name;
        const char* input;
        int result, cls, tag, lvt, advance, refusal;
    } cases[] = {
        {"opening 3", "3E", 1, 1, 3, 6, 1, Tag::REFUSAL_NONE},
        {"extended opening 20", "FE 14", 1, 1, 20, 6, 2, Tag::REFUSAL_NONE},
        {"extended tag 255 refused", "F9 FF", 0, 1, 255, 1, 2, Tag::REFUSAL_UNEXPECTED_OCTET},
        {"two-octet length", "25 FE 01 2C", 1, 0, 2, 300, 4, Tag::REFUSAL_NONE},
        {"four-octet length", "75 FF 00 01 00 00", 1, 0, 7, 65536, 6, Tag::REFUSAL_NONE},
        {"application tag 15 not extended", "F1", 1, 0, 15, 1, 1, Tag::REFUSAL_NONE},
        {"empty input", "", 0, 0, 0, 0, 0, Tag::REFUSAL_TRUNCATED},
        {"missing extended tag", "F9", 0, 1, 15, 1, 1, Tag::REFUSAL_TRUNCATED},
        {"missing length octet", "25", 0, 0, 2, 5, 1, Tag::REFUSAL_TRUNCATED},
        {"missing two-octet length", "25 FE 01", 0, 0, 2, 5, 2, Tag::REFUSAL_TRUNCATED},
        {"length past INT_MAX", "75 FF 80 00 00 00", 0, 0, 7, 5, 6, Tag::REFUSAL_BAD_LENGTH},
    };
    for (const auto& c : cases) {
        Received in(c.input);
        Tag tag;
        int len = 0;
        EXPECT_EQ(tag.ReadHeaderFrame(in.buf(), len, in.end()), c.result) << c.name;
        EXPECT_EQ(len, c.advance) << c.name;
        EXPECT_EQ(tag.m_class, c.cls) << c.name;
        EXPECT_EQ(tag.m_tagNumber, c.tag) << c.name;
        EXPECT_EQ(tag.m_lvt, c.lvt) << c.name;
        EXPECT_EQ(tag.m_refusal, c.refusal) << c.name;
    }
    EXPECT_STREQ(Tag::RefusalName(Tag::REFUSAL_TRUNCATED), "truncated");
    for (int unknown : {int(Tag::REFUSAL_NONE), int(Tag::REFUSAL_COUNT), -1})
        EXPECT_STREQ(Tag::RefusalName(unknown), "") << unknown;
}

// The room is a heap block of exactly outSize octets (none when 0): a
// decoder that writes past it, or into a missing one, is caught.
TEST(TagDecode, ReadDataFrame)
{
    const struct {
        const char* name;
        const char* input;  // header and content
        int type, outSize, result;
        const char* out;    // the room afterwards, up to what the value fills
        int advance;        // octets consumed after the header
        int refusal;
    } cases[] = {
        {"signed -2 in 2 octets", "32 FF FE", 3, 4, 1, "FE FF FF FF", 2, Tag::REFUSAL_NONE},
        {"real 1.0", "44 3F 80 00 00", 4, 4, 1, "00 00 80 3F", 4, Tag::REFUSAL_NONE},
        {"double 1.5", "55 08 3F F8 00 00 00 00 00 00", 5, 8, 1, "00 00 00 00 00 00 F8 3F", 8, Tag::REFUSAL_NONE},
        {"object id", "C4 02 00 00 05", 12, 4, 1, "05 00 00 02", 4, Tag::REFUSAL_NONE},
        {"enumerated in wire order", "92 01 02", 9, 4, 1, "01 02 00 00", 2, Tag::REFUSAL_NONE},
        {"bit string", "83 05 A0 40", 8, 4, 1, "A0 40 00 00", 3, Tag::REFUSAL_NONE},
        {"null", "00", 0, 4, 1, "00 00 00 00", 0, Tag::REFUSAL_NONE},
        {"boolean true", "11", 1, 1, 1, "01", 0, Tag::REFUSAL_NONE},
        {"string ABC", "74 00 41 42 43", 7, 16, 1, "41 42 43 00", 4, Tag::REFUSAL_NONE},
        {"string filling the room", "74 00 41 42 43", 7, 4, 1, "41 42 43 00", 4, Tag::REFUSAL_NONE},
        {"string with a spare octet", "74 00 41 42 43", 7, 5, 1, "41 42 43 00", 4, Tag::REFUSAL_NONE},
        {"string into one octet", "74 00 41 42 43", 7, 1, 1, "00", 4, Tag::REFUSAL_NONE},
        {"context 28, unsigned", "FC 1C 01 02 03 04", 2, 4, 1, "04 03 02 01", 4, Tag::REFUSAL_NONE},
        {"octet string, two-octet length", "65 FE 00 02 AA BB", 6, 4, 1, "AA BB 00 00", 2, Tag::REFUSAL_NONE},
        {"string cut to the room", "75 0B 00 41 42 43 44 45 46 47 48 49 4A", 7, 4, 1, "41 42 43 00", 11,
         Tag::REFUSAL_NONE},
        {"empty string", "71 00", 7, 16, 1, "00", 1, Tag::REFUSAL_NONE},
        // Values that need no room are taken without one (found by fuzzing).
        {"empty real, no room", "40", 4, 0, 1, "", 0, Tag::REFUSAL_NONE},
        {"empty octet string, no room", "60", 6, 0, 1, "", 0, Tag::REFUSAL_NONE},
        {"bit string without bits, no room", "81 00", 8, 0, 1, "", 1, Tag::REFUSAL_NONE},
        {"boolean, no room", "11", 1, 0, 0, "", 0, Tag::REFUSAL_BAD_LENGTH},
        {"boolean from a null header", "01 09 00 65 FE", 1, 0, 0, "", 0, Tag::REFUSAL_BAD_LENGTH},
        {"real, no room", "44 42 C8 00 00", 4, 0, 0, "", 0, Tag::REFUSAL_BAD_LENGTH},
        {"unsigned too long", "25 05 01 02 03 04 05", 2, 4, 0, "", 0, Tag::REFUSAL_BAD_LENGTH},
        {"character set 4", "74 04 41 42 43", 7, 16, 0, "", 1, Tag::REFUSAL_UNEXPECTED_OCTET},
        {"type 13", "21 01", 13, 4, 0, "", 0, Tag::REFUSAL_WRONG_TYPE},
        {"unsigned cut short", "24 01 02", 2, 4, 0, "", 0, Tag::REFUSAL_TRUNCATED},
        {"string cut short", "74 00 41", 7, 16, 0, "", 0, Tag::REFUSAL_TRUNCATED},
        {"string without charset", "70", 7, 16, 0, "", 0, Tag::REFUSAL_BAD_LENGTH},
        {"empty bit string", "80", 8, 4, 0, "", 0, Tag::REFUSAL_BAD_LENGTH},
    };
    for (const auto& c : cases) {
        Received in(c.input);
        Tag tag(in.end());
        int len = 0;
        ASSERT_TRUE(tag.ReadHeaderFrame(in.buf(), len)) << c.name;
        const int start = len;
        std::unique_ptr<unsigned char[]> room(c.outSize ? new unsigned char[c.outSize] : nullptr);
        int isNull = -1;
        EXPECT_EQ(tag.ReadDataFrame(room.get(), c.type, c.outSize, in.buf(), len, isNull, in.end()), c.result)
            << c.name;
        EXPECT_EQ(len - start, c.advance) << c.name;
        EXPECT_EQ(isNull, c.type == 0 ? 1 : 0) << c.name;
        EXPECT_EQ(tag.m_refusal, c.refusal) << c.name;
        if (!c.result)
            continue;
        EXPECT_EQ(ToHex(room.get(), static_cast<int>(Hex(c.out).size())), c.out) << c.name;
        // Every cut of a value taken is refused without reading past it.
        EXPECT_EQ(CutsTaken(c.input, [&](unsigned char* buf, int& len, int end) {
                      Tag cut(end);
                      unsigned char out[16];
                      return cut.ReadHeaderFrame(buf, len) &&
                             cut.ReadDataFrame(out, c.type, c.outSize, buf, len, isNull);
                  }), "")
            << c.name;
    }
}

// A context value of six or seven octets has an extended length of 6 or 7:
// it is content, not an opening or closing tag.
TEST(TagDecode, ExtendedContextLengthIsNotAnOpeningOrClosingTag)
{
    const struct {
        const char* input;
        int opening, closing, skipped;
    } cases[] = {
        {"3D 06 00 41 42 43 44 45", 0, 0, 8}, {"3D 07 00 41 42 43 44 45 46", 0, 0, 9}, {"3E", 1, 0, 1}, {"3F", 0, 1, 1},
    };
    for (const auto& c : cases) {
        Received in(c.input);
        Tag tag(in.end());
        int len = 0;
        ASSERT_TRUE(tag.ReadHeaderFrame(in.buf(), len)) << c.input;
        EXPECT_EQ(tag.IsOpening(3), c.opening) << c.input;
        EXPECT_EQ(tag.IsClosing(3), c.closing) << c.input;
        EXPECT_TRUE(tag.SkipContent(len)) << c.input;
        EXPECT_EQ(len, c.skipped) << c.input;
    }
}

}  // namespace
