// The effective period of a remote Schedule object (property 32): a date range.
#pragma once

#include "host/Types.h"
#include "property/PropertyID.h"

class BACNET_API CBACnetDateRange : public CBACnetPropertyID {
public:
    // (year - 1900) << 24 | month << 16 | day << 8 | day of week
    DWORD m_startDate;
    DWORD m_endDate;

    CBACnetDateRange() : CBACnetPropertyID(32), m_startDate(0), m_endDate(0) {}
    CBACnetDateRange(const CBACnetDateRange&) = default;
    CBACnetDateRange& operator=(const CBACnetDateRange&) = default;

    // Each pair of dates received replaces the range.
    int ReadFrame(unsigned char* buf, int& len, int end) override;
    // Writes A4 start A4 end.
    int MakeFrame(unsigned char* buf, int& len, int arrayIndex) override;
};
