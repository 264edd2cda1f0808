#include "host/CodePage.h"

namespace {

// Characters of bytes 80-9F; every other byte is its own character.
constexpr wchar_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

wchar_t HostAnsiToWideChar(unsigned char b) {
    return b >= 0x80 && b <= 0x9F ? kHigh[b - 0x80] : static_cast<wchar_t>(b);
}

char HostWideToAnsiChar(wchar_t ch) {
    const auto c = static_cast<unsigned long>(ch);
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (unsigned i = 0; i < 32; ++i)
        if (static_cast<unsigned long>(kHigh[i]) == c)
            return static_cast<char>(0x80 + i);
    return '?';
}

CString HostAnsiToWide(const char* s, size_t n) {
    std::wstring w(n, L'\0');
    for (size_t i = 0; i < n; ++i)
        w[i] = HostAnsiToWideChar(static_cast<unsigned char>(s[i]));
    return CString(w.data(), static_cast<int>(n));
}

std::string HostWideToAnsi(const wchar_t* s, size_t n) {
    std::string a;
    a.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        // A character above U+FFFF is two UTF-16 units on the host.
        if (static_cast<unsigned long>(s[i]) > 0xFFFF && static_cast<unsigned long>(s[i]) <= 0x10FFFF)
            a += '?';
        a += HostWideToAnsiChar(s[i]);
    }
    return a;
}
