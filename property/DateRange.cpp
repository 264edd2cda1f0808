#include "property/DateRange.h"

#include "property/detail/ValueScan.h"

using namespace bacnetcodec::detail;

int CBACnetDateRange::ReadFrame(unsigned char* buf, int& len, int end)
{
    return ScanValues(*this, buf, len, end, [this](CBACnetTag& tag, unsigned char* buf, int& len) {
        // A start date read stays even when the end date is refused.
        if (!tag.ReadWord32(buf, len, CBACnetTag::TYPE_DATE, m_startDate) || !tag.ReadHeaderFrame(buf, len))
            return 0;
        return tag.ReadWord32(buf, len, CBACnetTag::TYPE_DATE, m_endDate);
    });
}

int CBACnetDateRange::MakeFrame(unsigned char* buf, int& len, int)
{
    CBACnetTag tag;
    tag.MakeWord32Frame(buf, len, CBACnetTag::CLASS_APPLICATION, CBACnetTag::TYPE_DATE, m_startDate);
    tag.MakeWord32Frame(buf, len, CBACnetTag::CLASS_APPLICATION, CBACnetTag::TYPE_DATE, m_endDate);
    return 1;
}
