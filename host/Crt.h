// Pieces of the Windows C runtime that glibc lacks, with the Windows
// behaviour where the two differ.
#pragma once

#include <cstdint>
#include <ctime>

#include "library/Export.h"

typedef int32_t __time32_t;

// Decimal integer after optional white space and sign; 0 for NULL or no
// digits. Overflow clamps to INT_MAX / INT_MIN (glibc's atoi would wrap).
BACNET_API int _wtoi(const wchar_t* str);

// Folds A-Z to lower case, then compares ordinally: "A" sorts after "_".
// Returns <0, 0 or >0; INT_MAX (the runtime's error value) for a NULL.
BACNET_API int _wcsicmp(const wchar_t* a, const wchar_t* b);

// Seconds since 1970 UTC from the current clock (see HostSetClock); also
// stored in *t when t is not NULL. -1 once the time no longer fits.
BACNET_API __time32_t _time32(__time32_t* t);

// Local time in the process time zone, in a tm owned by the calling
// thread. NULL for a NULL pointer or a time before 1970.
BACNET_API struct tm* _localtime32(const __time32_t* t);

// Replaces the clock behind _time32, so dated frames can be tested on any
// chosen date; nullptr restores the system clock.
BACNET_API void HostSetClock(__time32_t (*clock)());
