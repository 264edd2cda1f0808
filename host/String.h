// The framework's wide-character string.
//
// Linux wchar_t is 4 bytes, the framework's is 2. The string keeps one
// UTF-16 code unit per element, so lengths, indexes and the archive form
// match what the Windows host counts and stores: a character above U+FFFF
// becomes a surrogate pair on the way in. Everything taking a `const char*`
// goes through the ANSI code page (host/CodePage.h).
#pragma once

#include <cstdarg>
#include <string>

#include "host/Types.h"
#include "library/Export.h"

class CArchive;

class BACNET_API CString {
public:
    CString() = default;
    CString(const CString&) = default;
    CString(CString&&) noexcept = default;
    CString(const wchar_t* psz);
    CString(const wchar_t* pch, int nLength);
    CString(const char* psz);
    explicit CString(wchar_t ch, int nRepeat = 1);

    CString& operator=(const CString&) = default;
    CString& operator=(CString&&) noexcept = default;
    // Assignments keep the capacity the string has.
    CString& operator=(const wchar_t* psz);
    CString& operator=(const char* psz);
    // n bytes of narrow text through the code page, in place like the assignments.
    CString& AssignAnsi(const char* s, size_t n);

    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    const wchar_t* GetString() const { return m_str.c_str(); }
    operator const wchar_t*() const { return m_str.c_str(); }

    // A bad index throws CInvalidArgException.
    wchar_t GetAt(int i) const;
    wchar_t operator[](int i) const { return GetAt(i); }
    void SetAt(int i, wchar_t ch);

    CString& operator+=(const CString& s);
    CString& operator+=(const wchar_t* psz);
    CString& operator+=(const char* psz);
    CString& operator+=(wchar_t ch);
    // The byte is taken as a 16-bit character without the code page, as the
    // framework does: a signed 0xE9 becomes U+FFE9.
    CString& operator+=(char ch);

    int Compare(const wchar_t* psz) const;
    int CompareNoCase(const wchar_t* psz) const;

    // printf formatting with the framework's wide rules: %s and %c take wide
    // arguments, %S, %C, %hs and %hc narrow ones (widened through the code
    // page), %ls and %lc wide ones. Integer widths are Windows widths: %d and
    // %ld take 32 bits, %lld and %I64d 64, %zd and %Id a pointer-sized value.
    // Pass strings as pointers (GetString()), never CString objects.
    // A malformed format throws CInvalidArgException.
    void Format(const wchar_t* fmt, ...);
    void AppendFormat(const wchar_t* fmt, ...);
    void FormatV(const wchar_t* fmt, va_list args);
    void AppendFormatV(const wchar_t* fmt, va_list args);

    // Out-of-range counts and positions are clamped, as in the framework.
    CString Left(int nCount) const;
    CString Right(int nCount) const;
    CString Mid(int iFirst) const;
    CString Mid(int iFirst, int nCount) const;
    // Index of the first match at or after iStart, or -1.
    int Find(wchar_t ch, int iStart = 0) const;
    int Find(const wchar_t* pszSub, int iStart = 0) const;

    // Folds A-Z only, like the runtime's "C" locale.
    CString& MakeUpper();
    CString& MakeLower();
    CString& Trim();
    CString& TrimLeft();
    CString& TrimRight();

private:
    std::wstring m_str;  // UTF-16 code units, one per element
};

BACNET_API bool operator==(const CString& a, const CString& b);
BACNET_API bool operator==(const CString& a, const wchar_t* b);
BACNET_API bool operator==(const wchar_t* a, const CString& b);
BACNET_API bool operator!=(const CString& a, const CString& b);
BACNET_API bool operator!=(const CString& a, const wchar_t* b);
BACNET_API bool operator!=(const wchar_t* a, const CString& b);

BACNET_API CString operator+(const CString& a, const CString& b);
BACNET_API CString operator+(const CString& a, const wchar_t* b);
BACNET_API CString operator+(const wchar_t* a, const CString& b);
BACNET_API CString operator+(const CString& a, wchar_t b);

// Length prefix of a string in an archive. Unicode strings carry the marker
// FF FE FF first; the length then takes 1, 3, 7 or 15 bytes.
BACNET_API void AfxWriteStringLength(CArchive& ar, ULONGLONG nLength, bool bUnicode);
// Returns the length and sets nCharSize to 1 (8-bit form) or 2 (UTF-16).
BACNET_API UINT AfxReadStringLength(CArchive& ar, int& nCharSize);

// Stores UTF-16LE after the prefix; loads either form, widening 8-bit text
// through the code page. A short read throws CArchiveException(endOfFile).
BACNET_API CArchive& operator<<(CArchive& ar, const CString& s);
BACNET_API CArchive& operator>>(CArchive& ar, CString& s);
