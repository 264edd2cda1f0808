#include <gtest/gtest.h>

#include <climits>

#include "Archived.h"
#include "host/Crt.h"
#include "host/String.h"

namespace {

std::string Repeat(const char* hex, int n) {
    std::string s;
    for (int i = 0; i < n; ++i)
        s += std::string(" ") + hex;
    return s;
}

// What a string stores loads back as the same string; other forms load too,
// and short or impossible ones throw.
TEST(StringArchive, StoredAndLoadedForms) {
    const int kNone = -1;
    const struct {
        const char* name;
        std::string hex;
        CString expected;
        int cause;
        bool stored = false;  // the string stores as these octets
    } rows[] = {
        {"empty", "FF FE FF 00", L"", kNone, true},
        {"above U+FFFF as a surrogate pair", "FF FE FF 02 3D D8 00 DE", L"\U0001F600", kNone, true},
        {"255 characters", "FF FE FF FF FF 00" + Repeat("78 00", 255), CString(L'x', 255), kNone, true},
        {"8-bit widened through the code page", "03 80 E9 9D", L"\x20AC\xE9\x9D", kNone},
        {"second FFFE is the length 65534", "FF FE FF FF FE FF" + Repeat("20 00", 65534), CString(L' ', 65534), kNone},
        {"no data", "", L"", CArchiveException::endOfFile},
        {"8-bit text short", "05 41 42", L"", CArchiveException::endOfFile},
        {"corrupt huge length", "FF FF FF FE FF FF FF 41", L"", CArchiveException::endOfFile},
        {"QWORD above INT_MAX", "FF FF FF FF FF FF FF 00 00 00 80 00 00 00 00", L"",
         CArchiveException::genericException},
    };
    for (const auto& row : rows) {
        if (row.stored) {
            EXPECT_EQ(ToHex(Stored([&](CArchive& ar) { ar << row.expected; })), ToHex(Hex(row.hex))) << row.name;
        }
        CString s;
        Loading in(Hex(row.hex));
        EXPECT_EQ(ArchiveCause([&] { in.ar() >> s; }), row.cause) << row.name;
        EXPECT_EQ(s.GetLength(), row.expected.GetLength()) << row.name;
        EXPECT_TRUE(s == row.expected) << row.name;
    }
}

TEST(String, BadArgumentsThrowAndEditsClamp) {
    EXPECT_TRUE(CString(static_cast<const wchar_t*>(nullptr), 0).IsEmpty());  // no text of no length is fine
    EXPECT_THROW(CString(static_cast<const wchar_t*>(nullptr), 1), CInvalidArgException);
    EXPECT_THROW(CString(L"ab", -1), CInvalidArgException);
    CString s(L"ab");
    EXPECT_THROW(s.GetAt(2), CInvalidArgException);
    EXPECT_EQ(s.GetAt(1), L'b');
    CString n("\x80");
    n += "\xE9";
    n += static_cast<char>(0xE9);  // a lone char is only cast, as the framework does
    EXPECT_EQ(std::wstring(n.GetString()), L"\x20AC\xE9\xFFE9");
    s = L"abcdef";
    EXPECT_TRUE(s.Left(99) == L"abcdef");
    EXPECT_TRUE(s.Mid(-3, 2) == L"ab");
    EXPECT_TRUE(s.Mid(5, 9) == L"f");
    EXPECT_TRUE(s.Right(2) != L"de");
    EXPECT_EQ(s.Find(L'a'), 0);
    EXPECT_EQ(s.Find(L'c', 3), -1);
    EXPECT_EQ(s.Find(L"de"), 3);
    CString t(L"  Ab\xE9_z \t");
    EXPECT_TRUE(t.Trim().MakeUpper() == L"AB\xE9_Z");  // only A-Z fold
}

TEST(String, Format) {
    auto fmt = [](const wchar_t* f, auto... args) {
        CString s;
        s.Format(f, args...);
        return s;
    };
    const struct {
        const char* name;
        CString got;
        const wchar_t* expected;
    } rows[] = {
        {"%s wide, %S narrow", fmt(L"%s|%S|%hs|%ls", L"w", "n", "h", L"l"), L"w|n|h|l"},
        {"narrow text through the code page", fmt(L"%S%C", "\x80", '\xE9'), L"\x20AC\xE9"},
        {"integers", fmt(L"%5d|%-5d|%x|%X|%u|%+d", 42, 42, 255, 255, 4000000000u, 3),
         L"   42|42   |ff|FF|4000000000|+3"},
        {"64 bits", fmt(L"%lld|%I64d|%I64u", -(1LL << 40), 1LL << 40, ~0ull),
         L"-1099511627776|1099511627776|18446744073709551615"},
        {"reals", fmt(L"%05.1f|%g|%.3e|%Lg", 3.14159, 0.5, 1234.5, 2.5L), L"003.1|0.5|1.234e+03|2.5"},
        {"text width and precision", fmt(L"%.2s|%4s|%-4s|", L"abc", L"ab", L"ab"), L"ab|  ab|ab  |"},
        {"star width and precision", fmt(L"%*d|%.*f|%*s", 4, 7, 2, 1.0, -3, L"a"), L"   7|1.00|a  "},
        {"largest precision taken", fmt(L"%.2147483639s", L"ab"), L"ab"},
        {"null text", fmt(L"%s", static_cast<const wchar_t*>(nullptr)), L"(null)"},
    };
    for (const auto& row : rows)
        EXPECT_TRUE(row.got == row.expected) << row.name;
}

TEST(String, FormatKeepsTheStringOnFailureAndMayUseItself) {
    CString s(L"ab");
    s.Format(L"%s%s", s.GetString(), s.GetString());
    s.AppendFormat(L"-%d", 1);
    EXPECT_TRUE(s == L"abab-1");
    EXPECT_THROW(s.Format(L"%"), CInvalidArgException);
    EXPECT_THROW(s.Format(L"%n", nullptr), CInvalidArgException);
    EXPECT_THROW(s.Format(L"%.2147483640s", L"ab"), CInvalidArgException);
    EXPECT_TRUE(s == L"abab-1");
}

TEST(Crt, Wtoi) {
    const struct {
        const wchar_t* text;
        int value;
    } rows[] = {
        {L" \t\n-12abc", -12}, {L"+7", 7}, {L"- 5", 0}, {nullptr, 0}, {L"2147483648", INT_MAX},
        {L"-99999999999999999999", INT_MIN},
    };
    for (const auto& row : rows)
        EXPECT_EQ(_wtoi(row.text), row.value) << (row.text ? std::wstring(row.text).size() : 0);
}

TEST(Crt, Wcsicmp) {
    EXPECT_EQ(CString(L"PresentValue").CompareNoCase(L"presentvalue"), 0);
    EXPECT_GT(_wcsicmp(L"A", L"_"), 0);  // folded to 'a' (0x61) before comparing
    EXPECT_LT(_wcsicmp(L"a", L"AB"), 0);
    EXPECT_NE(_wcsicmp(L"\xC9", L"\xE9"), 0);  // only A-Z fold
    EXPECT_EQ(_wcsicmp(nullptr, L"a"), INT_MAX);
}

}  // namespace
