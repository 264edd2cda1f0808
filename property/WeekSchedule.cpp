#include "property/WeekSchedule.h"

#include <memory>

#include "property/detail/ValueScan.h"

using namespace bacnetcodec::detail;

namespace {

class CWeekScan : public CValueScan {
public:
    explicit CWeekScan(CBACnetWeekSchedule& schedule) : m_schedule(schedule) {}

private:
    // Opening tag 0 starts a day, read up to its closing tag. Days cannot
    // nest deeper than the seven the counter allows.
    int OnOpening(CBACnetTag& tag, unsigned char* buf, int& len) override
    {
        if (tag.m_tagNumber != 0)
            return NEXT;
        int& counter = m_schedule.m_dayCounter;
        if (counter < 0 || ++counter > CBACnetWeekSchedule::DAYS)
            return tag.Refuse(CBACnetTag::REFUSAL_UNEXPECTED_OCTET);
        return Run(buf, len, tag.m_end) ? NEXT : FAIL;
    }

    int OnValue(CBACnetTag& tag, unsigned char* buf, int& len) override
    {
        // An entry before any day (or a counter the driver set out of range)
        // has no list to go to.
        const int day = m_schedule.m_dayCounter;
        if (day < 1 || day > CBACnetWeekSchedule::DAYS)
            return tag.Refuse(CBACnetTag::REFUSAL_UNEXPECTED_OCTET);
        _BACnetTimeValue entry;
        if (!ReadTimeValueContent(tag, buf, len, entry))
            return FAIL;
        Append(m_schedule.m_dayLists[day - 1], std::make_unique<_BACnetTimeValue>(entry));
        return NEXT;
    }

    CBACnetWeekSchedule& m_schedule;
};

}  // namespace

CBACnetWeekSchedule::~CBACnetWeekSchedule()
{
    for (CPtrArray& list : m_dayLists)
        DeleteEntries<_BACnetTimeValue>(list);
}

int CBACnetWeekSchedule::ReadFrame(unsigned char* buf, int& len, int end)
{
    CWeekScan scan(*this);
    return scan.RunFor(*this, buf, len, end);
}

int CBACnetWeekSchedule::MakeFrame(unsigned char* buf, int& len, int arrayIndex)
{
    int first, last;
    if (arrayIndex == -1 || arrayIndex == NO_ARRAY_INDEX) {
        first = 1;
        last = DAYS;
    } else if (arrayIndex >= 1 && arrayIndex <= DAYS) {
        first = last = arrayIndex;
    } else {
        // Index 0 is the array size and 8 up are past the week: no day to write.
        return 0;
    }
    CBACnetTag tag;
    for (int day = first; day <= last; day++) {
        tag.MakeProgramFrame(buf, len, 0, 1);
        MakeTimeValuesFrame(tag, buf, len, m_dayLists[day - 1]);
        tag.MakeProgramFrame(buf, len, 0, 0);
    }
    return 1;
}
