#include "host/CodePage.h"

#include <atomic>
#include <cstdint>

namespace {

// Characters of bytes 80-9F; every other byte is its own character.
constexpr wchar_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr uint32_t kReplacement = 0xFFFD;

std::atomic<unsigned> g_codePage{HOST_CP_WINDOWS_1252};

bool IsUtf8() {
    return g_codePage.load(std::memory_order_relaxed) == HOST_CP_UTF8;
}

// A character as the CString holds it: one UTF-16 unit, or a surrogate pair.
void AppendUnits(std::wstring& out, uint32_t c) {
    if (c <= 0xFFFF) {
        out += static_cast<wchar_t>(c);
    } else {
        out += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
        out += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
}

// UTF-8 decoding that never reads past `end` and replaces each maximal piece
// of a broken sequence with one U+FFFD: overlong forms, surrogates and
// values above U+10FFFF are broken too, since the second octet's range
// excludes them.
void AppendUtf8(std::wstring& out, const unsigned char* s, const unsigned char* end) {
    while (s < end) {
        const unsigned char b = *s++;
        if (b < 0x80) {
            out += static_cast<wchar_t>(b);
            continue;
        }
        int more = 0;
        uint32_t c = 0;
        unsigned char low = 0x80, high = 0xBF;  // the second octet's range
        if (b >= 0xC2 && b <= 0xDF) {
            more = 1;
            c = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            more = 2;
            c = b & 0x0F;
            if (b == 0xE0)
                low = 0xA0;  // overlong below U+0800
            else if (b == 0xED)
                high = 0x9F;  // surrogates
        } else if (b >= 0xF0 && b <= 0xF4) {
            more = 3;
            c = b & 0x07;
            if (b == 0xF0)
                low = 0x90;  // overlong below U+10000
            else if (b == 0xF4)
                high = 0x8F;  // above U+10FFFF
        } else {
            out += static_cast<wchar_t>(kReplacement);  // C0, C1, F5-FF or a stray continuation
            continue;
        }
        bool whole = true;
        for (int i = 0; i < more; ++i) {
            if (s == end || *s < low || *s > high) {
                whole = false;  // the octet that broke it starts the next character
                break;
            }
            c = c << 6 | (*s++ & 0x3F);
            low = 0x80;
            high = 0xBF;
        }
        AppendUnits(out, whole ? c : kReplacement);
    }
}

// Wide text is UTF-16 units when it came out of a CString and whole code
// points when a Linux literal wrote it; both are accepted.
std::string EncodeUtf8(const wchar_t* s, size_t n) {
    std::string out;
    out.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        uint32_t c = static_cast<uint32_t>(s[i]);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n) {
            const auto next = static_cast<uint32_t>(s[i + 1]);
            if (next >= 0xDC00 && next <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
                ++i;
            }
        }
        if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
            c = kReplacement;
        HostAppendUtf8(out, c);
    }
    return out;
}

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

void HostAppendAnsi(std::wstring& out, const char* s, size_t n) {
    out.reserve(out.size() + n);
    const auto* bytes = reinterpret_cast<const unsigned char*>(s);
    if (IsUtf8()) {
        AppendUtf8(out, bytes, bytes + n);
        return;
    }
    for (size_t i = 0; i < n; ++i)
        out += HostAnsiToWideChar(bytes[i]);
}

CString HostUtf8ToWide(const char* s, size_t n) {
    std::wstring w;
    w.reserve(n);
    const auto* bytes = reinterpret_cast<const unsigned char*>(s);
    AppendUtf8(w, bytes, bytes + n);
    return CString(w.data(), static_cast<int>(w.size()));
}

std::string HostWideToUtf8(const wchar_t* s, size_t n) {
    return EncodeUtf8(s, n);
}

CString HostAnsiToWide(const char* s, size_t n) {
    std::wstring w;
    HostAppendAnsi(w, s, n);
    return CString(w.data(), static_cast<int>(w.size()));
}

std::string HostWideToAnsi(const wchar_t* s, size_t n) {
    if (IsUtf8())
        return EncodeUtf8(s, n);
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

int HostSetCodePage(unsigned codePage) {
    if (codePage != HOST_CP_WINDOWS_1252 && codePage != HOST_CP_UTF8)
        return 0;
    g_codePage.store(codePage, std::memory_order_relaxed);
    return 1;
}

unsigned HostGetCodePage() {
    return g_codePage.load(std::memory_order_relaxed);
}

void HostAppendUtf8(std::string& out, uint32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c < 0xE000))
        c = 0xFFFD;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}
