// The host's ANSI code page: Windows-1252 unless the host chooses UTF-8.
// Narrow text from the library's name tables meets wide host text only
// through these calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "host/String.h"
#include "library/Export.h"

// One byte, always in Windows-1252, whatever the code page: the archive's
// one-byte strings and the formatter's %hc. Every byte has a character; the
// five bytes the code page leaves undefined (81, 8D, 8F, 90, 9D) map to the
// C1 controls of the same number.
BACNET_API wchar_t HostAnsiToWideChar(unsigned char b);
// A character without a byte becomes '?'.
BACNET_API char HostWideToAnsiChar(wchar_t ch);

// Converts n bytes (embedded NULs included). Under UTF-8 a sequence that is
// not UTF-8 becomes U+FFFD, one per maximal broken piece, and a character
// above U+FFFF a surrogate pair, as a CString holds it.
BACNET_API CString HostAnsiToWide(const char* s, size_t n);
// Converts n wide characters, UTF-16 units or whole code points. Under
// Windows-1252 each UTF-16 unit that has no byte becomes one '?', so a
// character above U+FFFF becomes "??"; under UTF-8 a surrogate pair becomes
// its one character and a lone surrogate U+FFFD.
BACNET_API std::string HostWideToAnsi(const wchar_t* s, size_t n);
// HostAnsiToWide's step: appends n bytes to `out` as UTF-16 units.
BACNET_API void HostAppendAnsi(std::wstring& out, const char* s, size_t n);

// UTF-8 whatever the code page (file names, BACnet character set 0), with
// the same treatment of broken sequences and lone surrogates.
BACNET_API CString HostUtf8ToWide(const char* s, size_t n);
BACNET_API std::string HostWideToUtf8(const wchar_t* s, size_t n);
// Appends one code point in UTF-8; a surrogate or a value past U+10FFFF
// becomes U+FFFD.
BACNET_API void HostAppendUtf8(std::string& out, uint32_t codePoint);

// The code page of HostAnsiToWide, HostWideToAnsi and so of every CString
// made from or given narrow text, for the whole process. Windows-1252 (1252)
// is the default, so archives and CString bytes stay as the Windows host
// wrote them; UTF-8 (65001) is the option for hosts and tools that speak
// UTF-8. Returns 1, or 0 (nothing changed) for any other code page.
enum { HOST_CP_WINDOWS_1252 = 1252, HOST_CP_UTF8 = 65001 };
BACNET_API int HostSetCodePage(unsigned codePage);
BACNET_API unsigned HostGetCodePage();
