#include "host/Crt.h"

#include <cerrno>
#include <climits>
#include <cwctype>

namespace {

__time32_t SystemClock() {
    const std::time_t now = std::time(nullptr);
    return now < 0 || now > INT32_MAX ? -1 : static_cast<__time32_t>(now);
}

__time32_t (*g_clock)() = SystemClock;

wchar_t FoldLower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

}  // namespace

int _wtoi(const wchar_t* str) {
    if (!str) {
        errno = EINVAL;
        return 0;
    }
    while (std::iswspace(static_cast<wint_t>(*str)))
        ++str;
    const bool negative = *str == L'-';
    if (*str == L'-' || *str == L'+')
        ++str;
    // Accumulated as a negative number, which reaches INT_MIN.
    long long value = 0;
    for (; *str >= L'0' && *str <= L'9'; ++str) {
        value = value * 10 - (*str - L'0');
        if (value < INT_MIN) {
            errno = ERANGE;
            return negative ? INT_MIN : INT_MAX;
        }
    }
    if (!negative && value < -INT_MAX) {
        errno = ERANGE;
        return INT_MAX;
    }
    return static_cast<int>(negative ? value : -value);
}

int _wcsicmp(const wchar_t* a, const wchar_t* b) {
    if (!a || !b) {
        errno = EINVAL;
        return INT_MAX;
    }
    for (;; ++a, ++b) {
        const wchar_t ca = FoldLower(*a);
        const wchar_t cb = FoldLower(*b);
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (ca == 0)
            return 0;
    }
}

__time32_t _time32(__time32_t* t) {
    const __time32_t now = g_clock();
    if (t)
        *t = now;
    return now;
}

struct tm* _localtime32(const __time32_t* t) {
    if (!t || *t < 0) {
        errno = EINVAL;
        return nullptr;
    }
    static thread_local struct tm result;
    const std::time_t seconds = *t;
    return localtime_r(&seconds, &result);
}

void HostSetClock(__time32_t (*clock)()) { g_clock = clock ? clock : SystemClock; }
