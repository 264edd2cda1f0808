// The weekly schedule of a remote Schedule object (property 123): seven
// day lists of time/value entries, array index 1 (Monday) to 7.
#pragma once

#include "host/Arrays.h"
#include "host/Types.h"
#include "property/PropertyID.h"

// One entry of a day list or of a special event's list.
// Interface name: kept as the replaced interface spells it.
struct _BACnetTimeValue {
    DWORD m_time;              // hour << 24 | minute << 16 | second << 8 | hundredths
    unsigned char m_value[4];  // as ReadDataFrame leaves the value; the encoder sends m_value[0]

    _BACnetTimeValue() : m_time(0), m_value{0, 0, 0, 0} {}
    _BACnetTimeValue(DWORD time, unsigned char value) : m_time(time), m_value{value, 0, 0, 0} {}
};

class BACNET_API CBACnetWeekSchedule : public CBACnetPropertyID {
public:
    enum { DAYS = 7 };

    // m_dayLists[d] holds the entries of array index d + 1, each a
    // _BACnetTimeValue* that the schedule owns and deletes.
    CPtrArray m_dayLists[DAYS];
    // Day lists met so far by ReadFrame. Never reset: one object reads one schedule.
    int m_dayCounter;

    CBACnetWeekSchedule() : CBACnetPropertyID(123), m_dayCounter(0) {}
    ~CBACnetWeekSchedule();
    // Owns its entries: not copyable.
    CBACnetWeekSchedule(const CBACnetWeekSchedule&) = delete;
    CBACnetWeekSchedule& operator=(const CBACnetWeekSchedule&) = delete;

    // Appends the days received, in order, to lists 1 to 7. Refused: an
    // eighth day, an entry outside any day, a value of more than four octets.
    int ReadFrame(unsigned char* buf, int& len, int end) override;
    // Writes 0E entries 0F for every day (arrayIndex -1 or 255) or for day
    // `arrayIndex` (1 to 7); any other index writes nothing and returns 0.
    int MakeFrame(unsigned char* buf, int& len, int arrayIndex) override;
};
