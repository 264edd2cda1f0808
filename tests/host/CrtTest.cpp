#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "host/Crt.h"

namespace {

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
    EXPECT_EQ(_wcsicmp(L"PresentValue", L"presentvalue"), 0);
    EXPECT_GT(_wcsicmp(L"A", L"_"), 0);  // folded to 'a' (0x61) before comparing
    EXPECT_LT(_wcsicmp(L"a", L"AB"), 0);
    EXPECT_NE(_wcsicmp(L"\xC9", L"\xE9"), 0);  // only A-Z fold
    EXPECT_EQ(_wcsicmp(nullptr, L"a"), INT_MAX);
}

// Local time in the zone TZ names, with its summer time; the zone is put back.
TEST(Crt, LocalTime) {
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    const struct {
        const char* tz;
        __time32_t t;
        const char* local;  // empty: no time
    } rows[] = {
        {"UTC0", 0, "1970-01-01 00:00:00 Thu"},
        {"UTC0", -1, ""},
        {"EST5EDT,M3.2.0,M11.1.0", 1720000000, "2024-07-03 05:46:40 Wed EDT"},
        {"EST5EDT,M3.2.0,M11.1.0", 1700000000, "2023-11-14 17:13:20 Tue"},
    };
    for (const auto& row : rows) {
        setenv("TZ", row.tz, 1);
        tzset();
        const tm* t = _localtime32(&row.t);
        char text[64] = "";
        if (t)
            strftime(text, sizeof text, t->tm_isdst > 0 ? "%Y-%m-%d %H:%M:%S %a %Z" : "%Y-%m-%d %H:%M:%S %a", t);
        EXPECT_STREQ(text, row.local) << row.tz << " " << row.t;
    }
    EXPECT_EQ(_localtime32(nullptr), nullptr);
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

TEST(Crt, ClockCanBeReplaced) {
    HostSetClock([]() -> __time32_t { return 1234567890; });
    __time32_t stored = 0;
    EXPECT_EQ(_time32(&stored), 1234567890);
    EXPECT_EQ(stored, 1234567890);
    HostSetClock(nullptr);
    const long long now = static_cast<long long>(std::time(nullptr));
    EXPECT_NEAR(static_cast<double>(_time32(nullptr)), static_cast<double>(now), 5);
}

}  // namespace
