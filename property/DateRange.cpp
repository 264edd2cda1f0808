#include "property/DateRange.h"

#include "property/ValueScan.h"

using namespace propcodec;

int CBACnetDateRange::ReadFrame(unsigned char* buf, int& len, int end)
{
    return ScanValues(buf, len, end, [this](CBACnetTag& tag, unsigned char* buf, int& len) {
        // A start date read stays even when the end date is refused.
        if (!ReadWord32(tag, CBACnetTag::TYPE_DATE, m_startDate, buf, len) || !tag.ReadHeaderFrame(buf, len))
            return 0;
        return ReadWord32(tag, CBACnetTag::TYPE_DATE, m_endDate, buf, len);
    });
}

int CBACnetDateRange::MakeFrame(unsigned char* buf, int& len, int)
{
    CBACnetTag tag;
    MakeWord32Frame(tag, buf, len, CBACnetTag::CLASS_APPLICATION, CBACnetTag::TYPE_DATE, m_startDate);
    MakeWord32Frame(tag, buf, len, CBACnetTag::CLASS_APPLICATION, CBACnetTag::TYPE_DATE, m_endDate);
    return 1;
}
