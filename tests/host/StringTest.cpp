#include <gtest/gtest.h>

#include <climits>

#include "Archived.h"
#include "host/String.h"

namespace {

std::string Repeat(const char* hex, int n) {
    std::string s;
    for (int i = 0; i < n; ++i)
        s += std::string(" ") + hex;
    return s;
}

CString Load(const std::vector<BYTE>& bytes) {
    Loading in(bytes);
    CString s;
    in.ar() >> s;
    return s;
}

// What a string stores loads back as the same string.
TEST(StringArchive, StoredFormLoadsBack) {
    const struct {
        const char* name;
        CString value;
        std::string hex;
    } rows[] = {
        {"empty", L"", "FF FE FF 00"},
        {"ABC", L"ABC", "FF FE FF 03 41 00 42 00 43 00"},
        {"above U+FFFF as a surrogate pair", L"\U0001F600", "FF FE FF 02 3D D8 00 DE"},
        {"embedded NUL", CString(L"A\0B", 3), "FF FE FF 03 41 00 00 00 42 00"},
        {"255 characters", CString(L'x', 255), "FF FE FF FF FF 00" + Repeat("78 00", 255)},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ToHex(Stored([&](CArchive& ar) { ar << row.value; })), ToHex(Hex(row.hex))) << row.name;
        const CString back = Load(Hex(row.hex));
        EXPECT_EQ(back.GetLength(), row.value.GetLength()) << row.name;
        EXPECT_TRUE(back == row.value) << row.name;
    }
}

TEST(StringArchive, LengthPrefixForms) {
    const struct {
        const char* name;
        ULONGLONG length;
        bool unicode;
        const char* hex;
    } rows[] = {
        {"one byte", 254, false, "FE"},
        {"255", 255, false, "FF FF 00"},
        {"65534", 65534, false, "FF FF FF FE FF 00 00"},
        {"unicode 65534", 65534, true, "FF FE FF FF FF FF FE FF 00 00"},
        {"largest DWORD", 0xFFFFFFFE, false, "FF FF FF FE FF FF FF"},
        {"QWORD", 0xFFFFFFFF, false, "FF FF FF FF FF FF FF FF FF FF FF 00 00 00 00"},
    };
    for (const auto& row : rows) {
        const auto bytes = Stored([&](CArchive& ar) { AfxWriteStringLength(ar, row.length, row.unicode); });
        EXPECT_EQ(ToHex(bytes), row.hex) << row.name;
        if (row.length > INT_MAX)
            continue;  // refused on load, see LoadedForm
        Loading in(bytes);
        int charSize = 0;
        EXPECT_EQ(AfxReadStringLength(in.ar(), charSize), row.length) << row.name;
        EXPECT_EQ(charSize, row.unicode ? 2 : 1) << row.name;
    }
}

TEST(StringArchive, LoadedForm) {
    const int kNone = -1;
    const struct {
        const char* name;
        std::string hex;
        CString expected;
        int cause;
    } rows[] = {
        {"8-bit widened through the code page", "03 80 E9 9D", L"\x20AC\xE9\x9D", kNone},
        {"8-bit length 255", "FF FF 00" + Repeat("61", 255), CString(L'a', 255), kNone},
        {"second FFFE is the length 65534", "FF FE FF FF FE FF" + Repeat("20 00", 65534), CString(L' ', 65534), kNone},
        {"no data", "", L"", CArchiveException::endOfFile},
        {"marker only", "FF FE FF", L"", CArchiveException::endOfFile},
        {"8-bit text short", "05 41 42", L"", CArchiveException::endOfFile},
        {"half a unit", "FF FE FF 01 41", L"", CArchiveException::endOfFile},
        {"corrupt huge length", "FF FF FF FE FF FF FF 41", L"", CArchiveException::endOfFile},
        {"QWORD above INT_MAX", "FF FF FF FF FF FF FF 00 00 00 80 00 00 00 00", L"",
         CArchiveException::genericException},
    };
    for (const auto& row : rows) {
        CString s;
        EXPECT_EQ(ArchiveCause([&] { s = Load(Hex(row.hex)); }), row.cause) << row.name;
        EXPECT_EQ(s.GetLength(), row.expected.GetLength()) << row.name;
        EXPECT_TRUE(s == row.expected) << row.name;
    }
}

TEST(String, BadArgumentsThrow) {
    EXPECT_TRUE(CString(static_cast<const wchar_t*>(nullptr), 0).IsEmpty());  // no text of no length is fine
    EXPECT_THROW(CString(static_cast<const wchar_t*>(nullptr), 1), CInvalidArgException);
    EXPECT_THROW(CString(L"ab", -1), CInvalidArgException);
    CString s(L"ab");
    EXPECT_THROW(s.GetAt(2), CInvalidArgException);
    EXPECT_THROW(s[-1], CInvalidArgException);
    EXPECT_THROW(s.SetAt(2, L'x'), CInvalidArgException);
    EXPECT_EQ(s.GetAt(1), L'b');
}

TEST(String, EditsClampAndSearch) {
    CString n("\x80");
    n += "\xE9";
    n += static_cast<char>(0xE9);  // a lone char is only cast, as the framework does
    EXPECT_EQ(std::wstring(n.GetString()), L"\x20AC\xE9\xFFE9");
    const CString s(L"abcdef");
    EXPECT_TRUE(s.Left(99) == L"abcdef");
    EXPECT_TRUE(s.Mid(-3, 2) == L"ab");
    EXPECT_TRUE(s.Mid(5, 9) == L"f");
    EXPECT_TRUE(s.Right(2) != L"de");
    EXPECT_EQ(s.Find(L'a'), 0);
    EXPECT_EQ(s.Find(L'c', 3), -1);
    EXPECT_EQ(s.Find(L"de"), 3);
    CString t(L"  Ab\xE9_z \t");
    EXPECT_TRUE(t.Trim().MakeUpper() == L"AB\xE9_Z");  // only A-Z fold
    EXPECT_GT(CString(L"A").CompareNoCase(L"_"), 0);
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
        {"%c wide, %C narrow", fmt(L"%c%C%lc%hc", L'w', 'n', L'l', 'h'), L"wnlh"},
        {"narrow text through the code page", fmt(L"%S%C", "\x80", '\xE9'), L"\x20AC\xE9"},
        {"integers", fmt(L"%5d|%-5d|%x|%X|%u|%+d", 42, 42, 255, 255, 4000000000u, 3),
         L"   42|42   |ff|FF|4000000000|+3"},
        {"%ld is 32 bits", fmt(L"%ld|%lu", LONG(-5), DWORD(7)), L"-5|7"},
        {"64 bits", fmt(L"%lld|%I64d|%I64u", -(1LL << 40), 1LL << 40, ~0ull),
         L"-1099511627776|1099511627776|18446744073709551615"},
        {"reals", fmt(L"%05.1f|%g|%.3e|%Lg", 3.14159, 0.5, 1234.5, 2.5L), L"003.1|0.5|1.234e+03|2.5"},
        {"text width and precision", fmt(L"%.2s|%4s|%-4s|", L"abc", L"ab", L"ab"), L"ab|  ab|ab  |"},
        {"star width and precision", fmt(L"%*d|%.*f|%*s", 4, 7, 2, 1.0, -3, L"a"), L"   7|1.00|a  "},
        {"largest precision taken", fmt(L"%.2147483639s", L"ab"), L"ab"},
        {"percent", fmt(L"100%%"), L"100%"},
        {"null text", fmt(L"%s", static_cast<const wchar_t*>(nullptr)), L"(null)"},
    };
    for (const auto& row : rows)
        EXPECT_TRUE(row.got == row.expected) << row.name;
    EXPECT_EQ(fmt(L"%s", L"\U0001F600").GetLength(), 2);
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

}  // namespace
