#include <gtest/gtest.h>

#include "host/CodePage.h"

namespace {

TEST(CodePage, EveryByteRoundTrips) {
    for (int b = 0; b < 256; ++b) {
        const wchar_t w = HostAnsiToWideChar(static_cast<unsigned char>(b));
        EXPECT_EQ(static_cast<unsigned char>(HostWideToAnsiChar(w)), b) << "byte " << b;
    }
}

TEST(CodePage, Mapping) {
    const struct {
        const char* name;
        unsigned char byte;
        wchar_t wide;
    } rows[] = {
        {"ASCII", 0x41, L'A'},
        {"euro", 0x80, 0x20AC},
        {"undefined 81", 0x81, 0x0081},
        {"undefined 8D", 0x8D, 0x008D},
        {"undefined 8F", 0x8F, 0x008F},
        {"undefined 90", 0x90, 0x0090},
        {"undefined 9D", 0x9D, 0x009D},
        {"Y diaeresis", 0x9F, 0x0178},
        {"NBSP", 0xA0, 0x00A0},
        {"y diaeresis", 0xFF, 0x00FF},
    };
    for (const auto& row : rows)
        EXPECT_EQ(HostAnsiToWideChar(row.byte), row.wide) << row.name;
}

TEST(CodePage, UnmappableBecomesQuestionMark) {
    const struct {
        const char* name;
        std::wstring wide;
        std::string ansi;
    } rows[] = {
        {"C1 control without a byte", L"\x80", "?"},
        {"no best fit for A macron", L"\x100", "?"},
        {"CJK", L"a\x4E2D" L"b", "a?b"},
        {"one per UTF-16 unit", L"\U0001F600", "??"},
        {"surrogates as units", L"\xD83D\xDE00", "??"},
        {"embedded NUL kept", std::wstring(L"a\0b", 3), std::string("a\0b", 3)},
    };
    for (const auto& row : rows)
        EXPECT_EQ(HostWideToAnsi(row.wide.data(), row.wide.size()), row.ansi) << row.name;
}

TEST(CodePage, AnsiToWideKeepsEveryByte) {
    const CString s = HostAnsiToWide("a\0\x80", 3);
    EXPECT_EQ(s.GetLength(), 3);
    EXPECT_EQ(s[1], L'\0');
    EXPECT_EQ(s[2], 0x20AC);
}

}  // namespace
