// The exception schedule of a remote Schedule object (property 38): a list
// of special events, each naming its day or days, its time/value entries
// and its priority.
#pragma once

#include "frame/ObjectID.h"
#include "host/Arrays.h"
#include "host/Types.h"
#include "property/PropertyID.h"
#include "property/WeekSchedule.h"

// Dates are held as (year - 1900) << 24 | month << 16 | day << 8 | day of week.
// Interface name: kept as the replaced interface spells it.
struct BACNET_API _BACnetSpecialEvent {
    enum { PERIOD_CALENDAR_ENTRY = 0, PERIOD_CALENDAR_REFERENCE = 1 };
    enum { ENTRY_DATE = 0, ENTRY_DATE_RANGE = 1, ENTRY_WEEK_N_DAY = 2 };

    DWORD m_periodChoice;          // PERIOD_...
    DWORD m_calendarEntryChoice;   // ENTRY_..., for a calendar entry
    DWORD m_date;                  // ENTRY_DATE
    DWORD m_startDate;             // ENTRY_DATE_RANGE
    DWORD m_endDate;               // ENTRY_DATE_RANGE
    unsigned char m_weekNDay[3];   // ENTRY_WEEK_N_DAY: month, week of month, day of week
    _BACnetObjectID m_calendarID;  // PERIOD_CALENDAR_REFERENCE: the Calendar object
    CPtrArray m_timeValues;        // _BACnetTimeValue*, owned
    unsigned char m_eventPriority; // 1 (highest) to 16 (lowest)

    // A date on an unnamed day at the lowest priority, until the data or the driver says otherwise.
    _BACnetSpecialEvent();
    ~_BACnetSpecialEvent();
    // Owns its entries: not copyable.
    _BACnetSpecialEvent(const _BACnetSpecialEvent&) = delete;
    _BACnetSpecialEvent& operator=(const _BACnetSpecialEvent&) = delete;
};

class BACNET_API CBACnetExpSchedule : public CBACnetPropertyID {
public:
    CPtrArray m_specialEvents;            // _BACnetSpecialEvent*, owned, in order
    // The event ReadFrame is filling, owned; it joins the list when the next
    // event begins or a closing tag ends the decode. Null otherwise.
    _BACnetSpecialEvent* m_currentEvent;

    CBACnetExpSchedule() : CBACnetPropertyID(38), m_currentEvent(nullptr) {}
    ~CBACnetExpSchedule();
    CBACnetExpSchedule(const CBACnetExpSchedule&) = delete;
    CBACnetExpSchedule& operator=(const CBACnetExpSchedule&) = delete;

    // Appends the events received to the list. Refused: an application value
    // outside an event, a priority or time list before any period.
    int ReadFrame(unsigned char* buf, int& len, int end) override;
    // Writes every event of the list; `arrayIndex` is not used.
    int MakeFrame(unsigned char* buf, int& len, int arrayIndex) override;

    // The calendar entry of the event under construction, from just after
    // its opening tag 0 up to and including the closing tag. 0 without an event.
    int CalendarReadFrame(unsigned char* buf, int& len, int end);
    // The time values of the event under construction, from just after its
    // opening tag 2 up to and including its closing tag. 0 without an event.
    int TimeReadFrame(unsigned char* buf, int& len, int end);
};
