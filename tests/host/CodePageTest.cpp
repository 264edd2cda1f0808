#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "host/CodePage.h"

namespace {

std::wstring Units(const CString& s) {
    return std::wstring(s.GetString(), static_cast<size_t>(s.GetLength()));
}

// Windows-1252: every octet makes the round trip; what has no octet becomes
// one '?' per UTF-16 unit.
TEST(CodePage, Windows1252) {
    for (int b = 0; b < 256; ++b) {
        const wchar_t w = HostAnsiToWideChar(static_cast<unsigned char>(b));
        EXPECT_EQ(static_cast<unsigned char>(HostWideToAnsiChar(w)), b) << "byte " << b;
    }
    const struct {
        const char* name;
        std::wstring wide;
        std::string ansi;
        bool back;  // the octets read give the text
    } rows[] = {
        {"euro, undefined 81, Y diaeresis, NBSP", L"\x20AC\x81\x178\xA0", "\x80\x81\x9F\xA0", true},
        {"embedded NUL kept", std::wstring(L"a\0b", 3), std::string("a\0b", 3), true},
        {"C1 control without a byte", L"\x80", "?", false},
        {"CJK", L"a\x4E2D" L"b", "a?b", false},
        {"one per UTF-16 unit", L"\U0001F600", "??", false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(HostWideToAnsi(row.wide.data(), row.wide.size()), row.ansi) << row.name;
        if (row.back) {
            EXPECT_EQ(Units(HostAnsiToWide(row.ansi.data(), row.ansi.size())), row.wide) << row.name;
        }
    }
}

// The code page is process-wide; each test that changes it puts it back.
class CodePageChoice : public ::testing::Test {
protected:
    void TearDown() override { HostSetCodePage(HOST_CP_WINDOWS_1252); }
};

// UTF-8 into UTF-16 units, each from an exact-size heap copy (the sanitizer
// catches a read past it); whole text makes the round trip back, broken text
// gets one U+FFFD per maximal broken piece.
TEST_F(CodePageChoice, Utf8ToUnits) {
    const wchar_t R = 0xFFFD;
    const struct {
        const char* name;
        std::string bytes;
        std::wstring units;
        bool whole = false;
    } rows[] = {
        {"CJK", "\xE4\xB8\xAD\xE6\x96\x87", L"\x4E2D\x6587", true},
        {"emoji as a surrogate pair", "\xF0\x9F\x98\x80", L"\xD83D\xDE00", true},
        {"highest character", "\xF4\x8F\xBF\xBF", L"\xDBFF\xDFFF", true},
        {"embedded NUL", std::string("a\0b", 3), std::wstring(L"a\0b", 3), true},
        {"cut two-octet form", "a\xC3", {L'a', R}},
        {"cut four-octet form, then ASCII", "\xF0\x9F\x98" "A", {R, L'A'}},
        {"stray continuation", "\x80\xBF", {R, R}},
        {"overlong two-octet", "\xC0\xAF", {R, R}},
        {"surrogate", "\xED\xA0\x80", {R, R, R}},
        {"above U+10FFFF", "\xF4\x90\x80\x80", {R, R, R, R}},
    };
    ASSERT_EQ(HostSetCodePage(HOST_CP_UTF8), 1);
    for (const auto& row : rows) {
        const std::unique_ptr<char[]> copy(new char[row.bytes.size()]);
        std::copy(row.bytes.begin(), row.bytes.end(), copy.get());
        const CString wide = HostAnsiToWide(copy.get(), row.bytes.size());
        EXPECT_EQ(Units(wide), row.units) << row.name;
        if (row.whole) {
            EXPECT_EQ(HostWideToAnsi(wide.GetString(), static_cast<size_t>(wide.GetLength())), row.bytes) << row.name;
        }
    }
    // A Linux literal holds a whole code point per wchar_t.
    const std::wstring native = L"\U0001F600\x4E2D";
    EXPECT_EQ(HostWideToAnsi(native.data(), native.size()), "\xF0\x9F\x98\x80\xE4\xB8\xAD");
}

TEST_F(CodePageChoice, Utf8EncodesWhatIsNotACharacterAsReplacement) {
    const struct {
        const char* name;
        std::wstring wide;
        std::string utf8;
    } rows[] = {
        {"lone high surrogate", L"\xD800" L"a", "\xEF\xBF\xBD" "a"},
        {"lone low surrogate", L"\xDC00", "\xEF\xBF\xBD"},
        {"beyond U+10FFFF", std::wstring(1, static_cast<wchar_t>(0x110000)), "\xEF\xBF\xBD"},
        {"two-octet edge", L"\x7F\x80\x7FF\x800", "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80"},
        {"four-octet edge", L"\xFFFF\U00010000", "\xEF\xBF\xBF\xF0\x90\x80\x80"},
        {"lowest pair", L"\xD800\xDC00", "\xF0\x90\x80\x80"},
    };
    ASSERT_EQ(HostSetCodePage(HOST_CP_UTF8), 1);
    for (const auto& row : rows)
        EXPECT_EQ(HostWideToAnsi(row.wide.data(), row.wide.size()), row.utf8) << row.name;
    // The given length cuts a pair: its second half is not read.
    EXPECT_EQ(HostWideToAnsi(L"\xD83D\xDE00", 1), "\xEF\xBF\xBD");
    // Appended one by one, what is not a character is replaced too.
    std::string appended;
    for (const uint32_t c : {0xDC00u, 0x110000u, 0x10FFFFu})
        HostAppendUtf8(appended, c);
    EXPECT_EQ(appended, "\xEF\xBF\xBD\xEF\xBF\xBD\xF4\x8F\xBF\xBF");
}

// Windows-1252 unless UTF-8 is chosen, the only other choice; every
// narrow-text way into a CString follows it, the byte-wise calls do not.
TEST_F(CodePageChoice, NarrowTextFollowsTheChoice) {
    const char* const utf8 = "Caf\xC3\xA9";
    EXPECT_EQ(HostGetCodePage(), 1252u) << "the default";
    EXPECT_EQ(Units(CString(utf8)), L"Caf\xC3\xA9");
    ASSERT_EQ(HostSetCodePage(HOST_CP_UTF8), 1);
    for (const unsigned refused : {0u, 65000u})
        EXPECT_EQ(HostSetCodePage(refused), 0) << refused;
    EXPECT_EQ(HostGetCodePage(), 65001u) << "a refusal keeps the choice";
    EXPECT_EQ(Units(CString(utf8)), L"Caf\xE9");
    CString appended(L"x");
    appended += "\xF0\x9F\x98\x80";
    EXPECT_EQ(Units(appended), L"x\xD83D\xDE00");
    EXPECT_EQ(HostAnsiToWideChar(0x80), 0x20AC) << "byte-wise stays Windows-1252";
    EXPECT_EQ(HostWideToAnsiChar(0x20AC), '\x80');
    ASSERT_EQ(HostSetCodePage(HOST_CP_WINDOWS_1252), 1);
    EXPECT_EQ(Units(CString(utf8)), L"Caf\xC3\xA9") << "back to Windows-1252";
}

// The explicit UTF-8 calls do not depend on the choice.
TEST_F(CodePageChoice, ExplicitUtf8WhateverTheCodePage) {
    for (const unsigned codePage : {1252u, 65001u}) {
        ASSERT_EQ(HostSetCodePage(codePage), 1);
        EXPECT_EQ(Units(HostUtf8ToWide("Caf\xC3\xA9\xF0\x9F\x98\x80\xC3", 10)), L"Caf\xE9\xD83D\xDE00\xFFFD")
            << codePage;
        EXPECT_EQ(HostWideToUtf8(L"\xE9\xD83D\xDE00\xDC00", 4), "\xC3\xA9\xF0\x9F\x98\x80\xEF\xBF\xBD") << codePage;
    }
}

}  // namespace
