// The host framework's fixed-width names. Windows widths, never Linux `long`:
// archive records written on the Windows host must read back byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t UINT;
typedef int32_t BOOL;
typedef int64_t LONGLONG;
typedef uint64_t ULONGLONG;
typedef std::ptrdiff_t INT_PTR;
typedef std::uintptr_t DWORD_PTR;
typedef const wchar_t* LPCTSTR;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
