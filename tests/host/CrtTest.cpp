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
        {L"42", 42},
        {L" \t\n-12abc", -12},
        {L"+7", 7},
        {L"abc", 0},
        {L"- 5", 0},
        {L"", 0},
        {nullptr, 0},
        {L"2147483647", INT_MAX},
        {L"2147483648", INT_MAX},
        {L"3000000000", INT_MAX},
        {L"-2147483648", INT_MIN},
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

// Sets TZ for one test and restores it.
class TimeZone {
public:
    explicit TimeZone(const char* tz) {
        const char* old = std::getenv("TZ");
        m_had = old != nullptr;
        if (old)
            m_old = old;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~TimeZone() {
        if (m_had)
            setenv("TZ", m_old.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    bool m_had;
    std::string m_old;
};

TEST(Crt, LocalTime) {
    TimeZone utc("UTC0");
    const __time32_t epoch = 0;
    const tm* t = _localtime32(&epoch);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->tm_year, 70);
    EXPECT_EQ(t->tm_wday, 4);  // Thursday

    const __time32_t last = INT32_MAX;  // 2038-01-19 03:14:07
    t = _localtime32(&last);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->tm_year, 138);
    EXPECT_EQ(t->tm_mon, 0);
    EXPECT_EQ(t->tm_mday, 19);
    EXPECT_EQ(t->tm_hour, 3);
    EXPECT_EQ(t->tm_sec, 7);

    const __time32_t before = -1;
    EXPECT_EQ(_localtime32(&before), nullptr);
    EXPECT_EQ(_localtime32(nullptr), nullptr);
}

TEST(Crt, LocalTimeFollowsTheZoneAndItsSummerTime) {
    TimeZone eastern("EST5EDT,M3.2.0,M11.1.0");
    const __time32_t summer = 1720000000;  // 2024-07-03 09:46:40 UTC
    const tm* t = _localtime32(&summer);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->tm_hour, 5);
    EXPECT_GT(t->tm_isdst, 0);
    const __time32_t winter = 1700000000;  // 2023-11-14 22:13:20 UTC
    t = _localtime32(&winter);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->tm_hour, 17);
    EXPECT_EQ(t->tm_isdst, 0);
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
