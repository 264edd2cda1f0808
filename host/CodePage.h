// The host's ANSI code page, fixed to Windows-1252. Narrow text from the
// library's name tables meets wide host text only through these calls.
#pragma once

#include <cstddef>
#include <string>

#include "host/String.h"
#include "library/Export.h"

// Every byte has a character; the five bytes the code page leaves undefined
// (81, 8D, 8F, 90, 9D) map to the C1 controls of the same number.
BACNET_API wchar_t HostAnsiToWideChar(unsigned char b);
// A character without a byte becomes '?'.
BACNET_API char HostWideToAnsiChar(wchar_t ch);

// Converts n bytes (embedded NULs included).
BACNET_API CString HostAnsiToWide(const char* s, size_t n);
// Converts n wide characters. Each UTF-16 unit that has no byte becomes one
// '?', so a character above U+FFFF becomes "??".
BACNET_API std::string HostWideToAnsi(const wchar_t* s, size_t n);

// The code page of the narrow-text conversions above. Windows-1252 (1252) is
// the default, so archives and CString bytes stay as the Windows host wrote
// them; UTF-8 (65001) is the option for hosts and tools that speak UTF-8.
// Returns 1, or 0 for a code page other than these two.
enum { HOST_CP_WINDOWS_1252 = 1252, HOST_CP_UTF8 = 65001 };
BACNET_API int HostSetCodePage(unsigned codePage);
BACNET_API unsigned HostGetCodePage();
