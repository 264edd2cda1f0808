#include "host/String.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <cwchar>
#include <functional>
#include <string>

#include "host/Archive.h"
#include "host/CodePage.h"
#include "host/Crt.h"
#include "host/Exceptions.h"

namespace {

// Appends native wide text as UTF-16 units. Surrogates already split (text
// that came out of a CString) pass through unchanged.
void AppendUtf16(std::wstring& out, const wchar_t* s, size_t n) {
    out.reserve(out.size() + n);  // one allocation, not one per doubling
    for (size_t i = 0; i < n; ++i) {
        const auto c = static_cast<uint32_t>(s[i]);
        if (c <= 0xFFFF) {
            out += static_cast<wchar_t>(c);
        } else if (c <= 0x10FFFF) {
            out += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<wchar_t>(0xFFFD);  // not a character
        }
    }
}

void AppendUtf16(std::wstring& out, const wchar_t* s) {
    if (s)
        AppendUtf16(out, s, std::wcslen(s));
}

bool IsTrimSpace(wchar_t c) {
    return c == L' ' || (c >= L'\t' && c <= L'\r');
}

// ---- Format --------------------------------------------------------------

// Argument size named by a length modifier, with Windows widths: 'l' is 32
// bits for integers.
enum class ArgSize { Default, Char, Short, Long, LongLong, LongDouble, Pointer };

struct FormatItem {
    std::wstring flags;
    int width = 0;
    int precision = -1;  // -1: none given
    ArgSize size = ArgSize::Default;
    wchar_t conv = 0;
};

const wchar_t* ParseNumber(const wchar_t* p, int& value) {
    value = 0;
    while (*p >= L'0' && *p <= L'9') {
        if (value > (INT_MAX - 9) / 10)
            throw CInvalidArgException();
        value = value * 10 + (*p++ - L'0');
    }
    return p;
}

const wchar_t* ParseSize(const wchar_t* p, ArgSize& size) {
    switch (*p) {
    case L'h':
        if (p[1] == L'h') {
            size = ArgSize::Char;
            return p + 2;
        }
        size = ArgSize::Short;
        return p + 1;
    case L'l':
        if (p[1] == L'l') {
            size = ArgSize::LongLong;
            return p + 2;
        }
        size = ArgSize::Long;
        return p + 1;
    case L'w':
        size = ArgSize::Long;
        return p + 1;
    case L'L':
        size = ArgSize::LongDouble;
        return p + 1;
    case L'j':
        size = ArgSize::LongLong;
        return p + 1;
    case L'z':
    case L't':
        size = ArgSize::Pointer;
        return p + 1;
    case L'I':
        if (p[1] == L'6' && p[2] == L'4') {
            size = ArgSize::LongLong;
            return p + 3;
        }
        if (p[1] == L'3' && p[2] == L'2') {
            size = ArgSize::Default;
            return p + 3;
        }
        size = ArgSize::Pointer;
        return p + 1;
    default:
        return p;
    }
}

long long FetchSigned(ArgSize size, va_list* ap) {
    switch (size) {
    case ArgSize::Char: return static_cast<signed char>(va_arg(*ap, int));
    case ArgSize::Short: return static_cast<short>(va_arg(*ap, int));
    case ArgSize::LongLong:
    case ArgSize::LongDouble: return va_arg(*ap, long long);
    case ArgSize::Pointer: return va_arg(*ap, std::ptrdiff_t);
    default: return va_arg(*ap, int);
    }
}

unsigned long long FetchUnsigned(ArgSize size, va_list* ap) {
    switch (size) {
    case ArgSize::Char: return static_cast<unsigned char>(va_arg(*ap, unsigned));
    case ArgSize::Short: return static_cast<unsigned short>(va_arg(*ap, unsigned));
    case ArgSize::LongLong:
    case ArgSize::LongDouble: return va_arg(*ap, unsigned long long);
    case ArgSize::Pointer: return va_arg(*ap, size_t);
    default: return va_arg(*ap, unsigned);
    }
}

// Formats one numeric conversion with the C library; `length` is the
// modifier glibc needs for the value as fetched.
template <class T>
void AppendNumber(std::wstring& out, const FormatItem& item, const wchar_t* length, T value) {
    std::wstring f = L"%" + item.flags;
    if (item.width > 0)
        f += std::to_wstring(item.width);
    if (item.precision >= 0)
        f += L"." + std::to_wstring(item.precision);
    f += length;
    f += item.conv;
    std::wstring buf(64, L'\0');
    for (;;) {
        const int n = std::swprintf(&buf[0], buf.size(), f.c_str(), value);
        if (n >= 0) {
            out.append(buf.data(), static_cast<size_t>(n));
            return;
        }
        // glibc reports truncation as -1, like a failure; give up past any
        // sensible length.
        const size_t wanted = static_cast<size_t>(item.width) + static_cast<size_t>(item.precision + 1);
        if (buf.size() > (size_t{1} << 20) + wanted)
            throw CInvalidArgException();
        buf.resize(buf.size() * 4);
    }
}

// Text conversions are padded here, since glibc cannot take cp1252 input.
void AppendPadded(std::wstring& out, const FormatItem& item, const std::wstring& text) {
    const bool left = item.flags.find(L'-') != std::wstring::npos;
    const wchar_t fill = !left && item.flags.find(L'0') != std::wstring::npos ? L'0' : L' ';
    const size_t pad = item.width > 0 && static_cast<size_t>(item.width) > text.size()
                           ? static_cast<size_t>(item.width) - text.size()
                           : 0;
    if (!left)
        out.append(pad, fill);
    out += text;
    if (left)
        out.append(pad, L' ');
}

std::wstring FetchText(const FormatItem& item, bool wide, va_list* ap) {
    const size_t limit = item.precision >= 0 ? static_cast<size_t>(item.precision) : SIZE_MAX;
    std::wstring text;
    if (wide) {
        const wchar_t* s = va_arg(*ap, const wchar_t*);
        if (!s)
            s = L"(null)";
        for (size_t i = 0; i < limit && s[i]; ++i)
            text += s[i];
    } else {
        const char* s = va_arg(*ap, const char*);
        if (!s)
            s = "(null)";
        size_t n = 0;
        while (n < limit && s[n])
            ++n;
        HostAppendAnsi(text, s, n);
    }
    return text;
}

void AppendConversion(std::wstring& out, const FormatItem& item, va_list* ap) {
    switch (item.conv) {
    case L'd':
    case L'i':
        AppendNumber(out, item, L"ll", FetchSigned(item.size, ap));
        return;
    case L'u':
    case L'o':
    case L'x':
    case L'X':
        AppendNumber(out, item, L"ll", FetchUnsigned(item.size, ap));
        return;
    case L'f':
    case L'F':
    case L'e':
    case L'E':
    case L'g':
    case L'G':
    case L'a':
    case L'A':
        if (item.size == ArgSize::LongDouble)
            AppendNumber(out, item, L"L", va_arg(*ap, long double));
        else
            AppendNumber(out, item, L"", va_arg(*ap, double));
        return;
    case L'p': {
        // The Windows runtime prints pointers as bare upper-case hex digits.
        FormatItem hex = item;
        hex.conv = L'X';
        hex.flags.clear();
        hex.width = 0;
        hex.precision = static_cast<int>(2 * sizeof(void*));
        std::wstring digits;
        AppendNumber(digits, hex, L"ll",
                     static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(va_arg(*ap, void*))));
        AppendPadded(out, item, digits);
        return;
    }
    case L's':
    case L'S': {
        const bool wide = item.size == ArgSize::Long ||
                          (item.conv == L's' && item.size != ArgSize::Short);
        AppendPadded(out, item, FetchText(item, wide, ap));
        return;
    }
    case L'c':
    case L'C': {
        const bool wide = item.size == ArgSize::Long ||
                          (item.conv == L'c' && item.size != ArgSize::Short);
        const wchar_t ch = wide ? static_cast<wchar_t>(va_arg(*ap, wint_t))
                                : HostAnsiToWideChar(static_cast<unsigned char>(va_arg(*ap, int)));
        AppendPadded(out, item, std::wstring(1, ch));
        return;
    }
    default:
        // %n among them: the host's runtime refuses it too.
        throw CInvalidArgException();
    }
}

// Formats into `out` (native wide characters).
void FormatInto(std::wstring& out, const wchar_t* fmt, va_list* ap) {
    if (!fmt)
        throw CInvalidArgException();
    for (const wchar_t* p = fmt; *p;) {
        if (*p != L'%') {
            out += *p++;
            continue;
        }
        ++p;
        if (*p == L'%') {
            out += *p++;
            continue;
        }
        FormatItem item;
        while (*p && std::wcschr(L"-+ #0", *p))
            item.flags += *p++;
        if (*p == L'*') {
            ++p;
            item.width = va_arg(*ap, int);
            if (item.width < 0) {
                item.flags += L'-';
                item.width = item.width == INT_MIN ? INT_MAX : -item.width;
            }
        } else {
            p = ParseNumber(p, item.width);
        }
        if (*p == L'.') {
            ++p;
            if (*p == L'*') {
                ++p;
                item.precision = std::max(va_arg(*ap, int), -1);
            } else {
                p = ParseNumber(p, item.precision);
            }
        }
        p = ParseSize(p, item.size);
        if (!*p)
            throw CInvalidArgException();
        item.conv = *p++;
        AppendConversion(out, item, ap);
    }
}

}  // namespace

CString::CString(const wchar_t* psz) { AppendUtf16(m_str, psz); }

CString::CString(const wchar_t* pch, int nLength) {
    if (nLength < 0 || (!pch && nLength > 0))
        throw CInvalidArgException();
    AppendUtf16(m_str, pch, static_cast<size_t>(nLength));
}

CString::CString(const char* psz) {
    if (psz)
        HostAppendAnsi(m_str, psz, std::strlen(psz));
}

CString::CString(wchar_t ch, int nRepeat) {
    for (int i = 0; i < nRepeat; ++i)
        AppendUtf16(m_str, &ch, 1);
}

namespace {

// True when `p` points into `s`: assigning it must go through a copy.
bool PointsInto(const std::wstring& s, const void* p) {
    const std::less<const void*> before;
    return p && !before(p, s.data()) && before(p, s.data() + s.size() + 1);
}

}  // namespace

CString& CString::operator=(const wchar_t* psz) {
    if (PointsInto(m_str, psz))
        return *this = CString(psz);
    m_str.clear();
    AppendUtf16(m_str, psz);
    return *this;
}

CString& CString::operator=(const char* psz) { return AssignAnsi(psz, psz ? std::strlen(psz) : 0); }

CString& CString::AssignAnsi(const char* s, size_t n) {
    if (PointsInto(m_str, s)) {
        const std::string copy(s, n);
        m_str.clear();
        HostAppendAnsi(m_str, copy.data(), n);
        return *this;
    }
    m_str.clear();
    HostAppendAnsi(m_str, s, n);
    return *this;
}

wchar_t CString::GetAt(int i) const {
    if (i < 0 || i >= GetLength())
        throw CInvalidArgException();
    return m_str[static_cast<size_t>(i)];
}

void CString::SetAt(int i, wchar_t ch) {
    if (i < 0 || i >= GetLength())
        throw CInvalidArgException();
    m_str[static_cast<size_t>(i)] = ch;
}

CString& CString::operator+=(const CString& s) {
    m_str += s.m_str;
    return *this;
}

CString& CString::operator+=(const wchar_t* psz) {
    AppendUtf16(m_str, psz);
    return *this;
}

CString& CString::operator+=(const char* psz) {
    if (psz)
        HostAppendAnsi(m_str, psz, std::strlen(psz));
    return *this;
}

CString& CString::operator+=(wchar_t ch) {
    AppendUtf16(m_str, &ch, 1);
    return *this;
}

CString& CString::operator+=(char ch) {
    m_str += static_cast<wchar_t>(static_cast<WORD>(ch));
    return *this;
}

int CString::Compare(const wchar_t* psz) const { return m_str.compare(CString(psz).m_str); }

int CString::CompareNoCase(const wchar_t* psz) const {
    return _wcsicmp(m_str.c_str(), CString(psz).GetString());
}

void CString::Format(const wchar_t* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    try {
        FormatV(fmt, args);
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
}

void CString::AppendFormat(const wchar_t* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    try {
        AppendFormatV(fmt, args);
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
}

void CString::FormatV(const wchar_t* fmt, va_list args) {
    CString result;
    result.AppendFormatV(fmt, args);
    m_str.swap(result.m_str);
}

void CString::AppendFormatV(const wchar_t* fmt, va_list args) {
    // Formatted first, so a failure leaves the string as it was and an
    // argument may be this very string.
    va_list ap;
    va_copy(ap, args);
    std::wstring native;
    try {
        FormatInto(native, fmt, &ap);
    } catch (...) {
        va_end(ap);
        throw;
    }
    va_end(ap);
    AppendUtf16(m_str, native.data(), native.size());
}

CString CString::Left(int nCount) const { return Mid(0, nCount); }

CString CString::Right(int nCount) const {
    nCount = std::clamp(nCount, 0, GetLength());
    return Mid(GetLength() - nCount, nCount);
}

CString CString::Mid(int iFirst) const { return Mid(iFirst, GetLength()); }

CString CString::Mid(int iFirst, int nCount) const {
    iFirst = std::clamp(iFirst, 0, GetLength());
    nCount = std::clamp(nCount, 0, GetLength() - iFirst);
    CString s;
    s.m_str = m_str.substr(static_cast<size_t>(iFirst), static_cast<size_t>(nCount));
    return s;
}

int CString::Find(wchar_t ch, int iStart) const {
    if (iStart < 0 || iStart >= GetLength())
        return -1;
    return Find(CString(ch).GetString(), iStart);
}

int CString::Find(const wchar_t* pszSub, int iStart) const {
    if (iStart < 0 || iStart > GetLength())
        return -1;
    const size_t at = m_str.find(CString(pszSub).m_str, static_cast<size_t>(iStart));
    return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

CString& CString::MakeUpper() {
    for (wchar_t& c : m_str)
        if (c >= L'a' && c <= L'z')
            c = static_cast<wchar_t>(c - L'a' + L'A');
    return *this;
}

CString& CString::MakeLower() {
    for (wchar_t& c : m_str)
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    return *this;
}

CString& CString::Trim() { return TrimRight().TrimLeft(); }

CString& CString::TrimLeft() {
    m_str.erase(m_str.begin(), std::find_if_not(m_str.begin(), m_str.end(), IsTrimSpace));
    return *this;
}

CString& CString::TrimRight() {
    m_str.erase(std::find_if_not(m_str.rbegin(), m_str.rend(), IsTrimSpace).base(), m_str.end());
    return *this;
}

bool operator==(const CString& a, const CString& b) {
    // Compared by length, since embedded NULs survive archive loads.
    return a.GetLength() == b.GetLength() &&
           std::wmemcmp(a.GetString(), b.GetString(), static_cast<size_t>(a.GetLength())) == 0;
}
bool operator==(const CString& a, const wchar_t* b) { return a == CString(b); }
bool operator==(const wchar_t* a, const CString& b) { return CString(a) == b; }
bool operator!=(const CString& a, const CString& b) { return !(a == b); }
bool operator!=(const CString& a, const wchar_t* b) { return !(a == b); }
bool operator!=(const wchar_t* a, const CString& b) { return !(a == b); }

CString operator+(const CString& a, const CString& b) {
    CString s(a);
    s += b;
    return s;
}

CString operator+(const CString& a, const wchar_t* b) {
    CString s(a);
    s += b;
    return s;
}

CString operator+(const wchar_t* a, const CString& b) {
    CString s(a);
    s += b;
    return s;
}

CString operator+(const CString& a, wchar_t b) {
    CString s(a);
    s += b;
    return s;
}

// ---- Archive form ----------------------------------------------------------

void AfxWriteStringLength(CArchive& ar, ULONGLONG nLength, bool bUnicode) {
    if (bUnicode) {
        ar << static_cast<BYTE>(0xFF);
        ar << static_cast<WORD>(0xFFFE);
    }
    if (nLength < 0xFF) {
        ar << static_cast<BYTE>(nLength);
        return;
    }
    ar << static_cast<BYTE>(0xFF);
    if (nLength < 0xFFFE) {
        ar << static_cast<WORD>(nLength);
        return;
    }
    ar << static_cast<WORD>(0xFFFF);
    if (nLength < 0xFFFFFFFF) {
        ar << static_cast<DWORD>(nLength);
        return;
    }
    ar << static_cast<DWORD>(0xFFFFFFFF);
    ar << nLength;
}

UINT AfxReadStringLength(CArchive& ar, int& nCharSize) {
    nCharSize = 1;
    BYTE b;
    ar >> b;
    if (b < 0xFF)
        return b;
    WORD w;
    ar >> w;
    if (w == 0xFFFE) {
        // The Unicode marker; the length follows in its usual forms, so a
        // second FFFE is the length 65534.
        nCharSize = 2;
        ar >> b;
        if (b < 0xFF)
            return b;
        ar >> w;
    }
    if (w < 0xFFFF)
        return w;
    DWORD d;
    ar >> d;
    if (d < 0xFFFFFFFF)
        return d;
    ULONGLONG q;
    ar >> q;
    if (q > static_cast<ULONGLONG>(INT_MAX))
        throw CArchiveException(CArchiveException::genericException);
    return static_cast<UINT>(q);
}

CArchive& operator<<(CArchive& ar, const CString& s) {
    const int n = s.GetLength();
    AfxWriteStringLength(ar, static_cast<ULONGLONG>(n), true);
    const wchar_t* p = s.GetString();
    for (int i = 0; i < n; ++i)
        ar << static_cast<WORD>(p[i]);
    return ar;
}

CArchive& operator>>(CArchive& ar, CString& s) {
    int charSize = 1;
    ULONGLONG left = AfxReadStringLength(ar, charSize);
    // Read in pieces: a corrupt length then fails at the end of the data
    // instead of reserving memory for it.
    std::wstring text;
    BYTE buf[1024];
    while (left > 0) {
        const UINT count = static_cast<UINT>(std::min<ULONGLONG>(left, sizeof buf / charSize));
        ar.EnsureRead(buf, count * charSize);
        for (UINT i = 0; i < count; ++i)
            text += charSize == 1 ? HostAnsiToWideChar(buf[i])
                                  : static_cast<wchar_t>(buf[2 * i] | buf[2 * i + 1] << 8);
        left -= count;
    }
    s = CString(text.data(), static_cast<int>(text.size()));
    return ar;
}
