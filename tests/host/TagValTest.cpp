#include <gtest/gtest.h>

#include "host/TagVal.h"

namespace {

TEST(TagVal, Texts) {
    const struct {
        const char* name;
        void (*set)(CTagVal&);
        const wchar_t* text;
        double number;
        int type;
    } rows[] = {
        {"empty", [](CTagVal&) {}, L"", 0, 0},
        {"int", [](CTagVal& v) { v.SetVal(-7); }, L"-7", -7, 3},
        {"double needing 17 digits", [](CTagVal& v) { v.SetVal(0.1 + 0.2); }, L"0.30000000000000004", 0.1 + 0.2, 7},
        {"float 0.1 in its own precision", [](CTagVal& v) { v.SetVal(0.1f); }, L"0.1", 0.1f, 4},
        {"float integral", [](CTagVal& v) { v.SetVal(16777216.0f); }, L"16777216", 16777216.0, 4},
        {"null text", [](CTagVal& v) { v.SetVal(static_cast<const wchar_t*>(nullptr)); }, L"", 0, 8},
        {"own text again", [](CTagVal& v) { v.SetVal(L"kept"); v.SetVal(v.GetValStr().GetString()); }, L"kept", 0, 8},
    };
    for (const auto& row : rows) {
        CTagVal v;
        v.SetVal(L"stale");
        v = CTagVal();
        row.set(v);
        EXPECT_TRUE(v.GetValStr() == row.text) << row.name;
        EXPECT_EQ(v.GetVal(), row.number) << row.name;
        EXPECT_EQ(v.GetType(), row.type) << row.name;
    }
}

// A text value set again and again keeps the room its string has (a poll
// hands texts over without allocating), and converts through the code page.
TEST(TagVal, TextSettersKeepTheStringsRoom) {
    CTagVal v;
    v.SetAnsiText("Zone temperature 1", 18);
    const wchar_t* room = v.GetValStr().GetString();
    const struct {
        const char* name;
        void (*set)(CTagVal&);
        const wchar_t* text;
    } rows[] = {
        {"shorter", [](CTagVal& t) { t.SetAnsiText("\x80uro\xE9", 5); }, L"\u20ACuro\u00E9"},
        {"after a number", [](CTagVal& t) { t.SetVal(21.5); t.SetAnsiText("Zone humidity", 13); }, L"Zone humidity"},
        {"wide", [](CTagVal& t) { t.SetVal(L"wide text"); }, L"wide text"},
        {"empty", [](CTagVal& t) { t.SetAnsiText(nullptr, 0); }, L""},
    };
    for (const auto& row : rows) {
        row.set(v);
        EXPECT_EQ(v.GetType(), CTagVal::typeText) << row.name;
        EXPECT_TRUE(v.GetValStr() == row.text) << row.name;
        EXPECT_EQ(v.GetValStr().GetString(), room) << row.name;
    }
    CString s(L"self and more");
    s = s.GetString() + 5;  // a part of its own text is a copy, not a clear
    EXPECT_TRUE(s == L"and more");
}

}  // namespace
