#include "property/ExpSchedule.h"

#include <cstring>
#include <memory>

#include "property/detail/ValueScan.h"

using namespace bacnetcodec::detail;

namespace {

// A calendar entry nests one level (the date range); deeper nesting is no
// calendar entry, and refusing it bounds the recursion on hostile data.
const int kMaxCalendarNesting = 4;

class CCalendarScan : public CValueScan {
public:
    CCalendarScan(_BACnetSpecialEvent& event, int depth) : m_event(event), m_depth(depth) {}

private:
    int OnOpening(CBACnetTag& tag, unsigned char* buf, int& len) override
    {
        if (m_depth >= kMaxCalendarNesting)
            return tag.Refuse(CBACnetTag::REFUSAL_TOO_DEEP);
        m_event.m_calendarEntryChoice = tag.m_tagNumber;
        CCalendarScan nested(m_event, m_depth + 1);
        nested.m_acceptEnd = m_acceptEnd;
        return nested.Run(buf, len, tag.m_end) ? NEXT : tag.Refuse(nested.m_refusal);
    }

    int OnContext(CBACnetTag& tag, unsigned char* buf, int& len) override
    {
        m_event.m_calendarEntryChoice = tag.m_tagNumber;
        if (tag.m_tagNumber == _BACnetSpecialEvent::ENTRY_DATE)
            return tag.ReadWord32(buf, len, CBACnetTag::TYPE_DATE, m_event.m_date) ? NEXT : FAIL;
        if (tag.m_tagNumber == _BACnetSpecialEvent::ENTRY_WEEK_N_DAY) {
            unsigned char octets[4];
            if (!ReadValueContent(tag, buf, len, octets, CBACnetTag::TYPE_OCTET_STRING, sizeof octets))
                return FAIL;
            memcpy(m_event.m_weekNDay, octets, sizeof m_event.m_weekNDay);
        }
        return NEXT;
    }

    // The two dates of a date range.
    int OnValue(CBACnetTag& tag, unsigned char* buf, int& len) override
    {
        if (m_event.m_calendarEntryChoice != _BACnetSpecialEvent::ENTRY_DATE_RANGE)
            return tag.Refuse(CBACnetTag::REFUSAL_WRONG_TYPE);
        if (!tag.ReadWord32(buf, len, CBACnetTag::TYPE_DATE, m_event.m_startDate) || !tag.ReadHeaderFrame(buf, len) ||
            !tag.ReadWord32(buf, len, CBACnetTag::TYPE_DATE, m_event.m_endDate))
            return FAIL;
        return NEXT;
    }

    _BACnetSpecialEvent& m_event;
    int m_depth;
};

class CTimeScan : public CValueScan {
public:
    explicit CTimeScan(_BACnetSpecialEvent& event) : m_event(event) {}

private:
    int OnOpening(CBACnetTag& tag, unsigned char*, int&) override
    {
        return tag.Refuse(CBACnetTag::REFUSAL_UNEXPECTED_OCTET);
    }

    int OnValue(CBACnetTag& tag, unsigned char* buf, int& len) override
    {
        _BACnetTimeValue entry;
        if (!ReadTimeValueContent(tag, buf, len, entry))
            return FAIL;
        Append(m_event.m_timeValues, std::make_unique<_BACnetTimeValue>(entry));
        return NEXT;
    }

    _BACnetSpecialEvent& m_event;
};

// Moves the event under construction, if any, to the list.
void CloseEvent(CBACnetExpSchedule& schedule)
{
    if (!schedule.m_currentEvent)
        return;
    // Should the list fail to grow, the event stays under construction: still owned.
    schedule.m_specialEvents.Add(schedule.m_currentEvent);
    schedule.m_currentEvent = nullptr;
}

void BeginEvent(CBACnetExpSchedule& schedule, DWORD periodChoice)
{
    CloseEvent(schedule);
    schedule.m_currentEvent = new _BACnetSpecialEvent;
    schedule.m_currentEvent->m_periodChoice = periodChoice;
}

// The special events. Application values have no place here.
class CEventScan : public CValueScan {
public:
    explicit CEventScan(CBACnetExpSchedule& schedule) : m_schedule(schedule) {}

private:
    int OnClosing(CBACnetTag&) override
    {
        CloseEvent(m_schedule);
        return DONE;
    }

    int OnContext(CBACnetTag& tag, unsigned char* buf, int& len) override
    {
        if (tag.m_tagNumber == 1) {  // calendar reference: a new event
            BeginEvent(m_schedule, _BACnetSpecialEvent::PERIOD_CALENDAR_REFERENCE);
            DWORD id;
            if (!tag.ReadWord32(buf, len, CBACnetTag::TYPE_OBJECT_ID, id))
                return FAIL;
            m_schedule.m_currentEvent->m_calendarID.SetValue(id);
        } else if (tag.m_tagNumber == 3) {  // event priority
            _BACnetSpecialEvent* event = m_schedule.m_currentEvent;
            if (!event)
                return tag.Refuse(CBACnetTag::REFUSAL_UNEXPECTED_OCTET);
            if (!ReadValueContent(tag, buf, len, &event->m_eventPriority, CBACnetTag::TYPE_SIGNED, 1))
                return FAIL;
        }
        return NEXT;
    }

    int OnOpening(CBACnetTag& tag, unsigned char* buf, int& len) override
    {
        if (tag.m_tagNumber == 0) {  // calendar entry: a new event
            BeginEvent(m_schedule, _BACnetSpecialEvent::PERIOD_CALENDAR_ENTRY);
            return m_schedule.CalendarReadFrame(buf, len, tag.m_end) ? NEXT : tag.Refuse(m_schedule.m_refusal);
        }
        if (tag.m_tagNumber == 2)  // the time values of the event begun
            return m_schedule.TimeReadFrame(buf, len, tag.m_end) ? NEXT : tag.Refuse(m_schedule.m_refusal);
        return NEXT;
    }

    CBACnetExpSchedule& m_schedule;
};

}  // namespace

_BACnetSpecialEvent::_BACnetSpecialEvent()
    : m_periodChoice(PERIOD_CALENDAR_ENTRY), m_calendarEntryChoice(ENTRY_DATE), m_date(0), m_startDate(0),
      m_endDate(0), m_weekNDay{0, 0, 0}, m_eventPriority(16)
{
}

_BACnetSpecialEvent::~_BACnetSpecialEvent()
{
    DeleteEntries<_BACnetTimeValue>(m_timeValues);
}

CBACnetExpSchedule::~CBACnetExpSchedule()
{
    delete m_currentEvent;
    DeleteEntries<_BACnetSpecialEvent>(m_specialEvents);
}

int CBACnetExpSchedule::ReadFrame(unsigned char* buf, int& len, int end)
{
    CEventScan scan(*this);
    return scan.RunFor(*this, buf, len, end);
}

int CBACnetExpSchedule::CalendarReadFrame(unsigned char* buf, int& len, int end)
{
    if (!m_currentEvent) {
        m_refusal = CBACnetTag::REFUSAL_UNEXPECTED_OCTET;
        return 0;
    }
    CCalendarScan scan(*m_currentEvent, 0);
    return scan.RunFor(*this, buf, len, end);
}

int CBACnetExpSchedule::TimeReadFrame(unsigned char* buf, int& len, int end)
{
    if (!m_currentEvent) {
        m_refusal = CBACnetTag::REFUSAL_UNEXPECTED_OCTET;
        return 0;
    }
    CTimeScan scan(*m_currentEvent);
    return scan.RunFor(*this, buf, len, end);
}

int CBACnetExpSchedule::MakeFrame(unsigned char* buf, int& len, int)
{
    CBACnetTag tag;
    for (INT_PTR i = 0; i < m_specialEvents.GetSize(); i++) {
        _BACnetSpecialEvent* event = static_cast<_BACnetSpecialEvent*>(m_specialEvents.GetAt(i));
        if (!event)
            continue;
        if (event->m_periodChoice == _BACnetSpecialEvent::PERIOD_CALENDAR_ENTRY) {
            tag.MakeProgramFrame(buf, len, 0, 1);
            switch (event->m_calendarEntryChoice) {
            case _BACnetSpecialEvent::ENTRY_DATE:
                tag.MakeWord32Frame(buf, len, CBACnetTag::CLASS_CONTEXT, 0, event->m_date);
                break;
            case _BACnetSpecialEvent::ENTRY_DATE_RANGE:
                tag.MakeProgramFrame(buf, len, 1, 1);
                tag.MakeWord32Frame(buf, len, CBACnetTag::CLASS_APPLICATION, CBACnetTag::TYPE_DATE,
                                event->m_startDate);
                tag.MakeWord32Frame(buf, len, CBACnetTag::CLASS_APPLICATION, CBACnetTag::TYPE_DATE,
                                event->m_endDate);
                tag.MakeProgramFrame(buf, len, 1, 0);
                break;
            case _BACnetSpecialEvent::ENTRY_WEEK_N_DAY:
                tag.MakeArrayFrame(buf, len, CBACnetTag::CLASS_CONTEXT, 2, 3, event->m_weekNDay);
                break;
            default:
                break;
            }
            tag.MakeProgramFrame(buf, len, 0, 0);
        } else if (event->m_periodChoice == _BACnetSpecialEvent::PERIOD_CALENDAR_REFERENCE) {
            tag.MakeWord32Frame(buf, len, CBACnetTag::CLASS_CONTEXT, 1, event->m_calendarID.GetValue());
        }
        tag.MakeProgramFrame(buf, len, 2, 1);
        MakeTimeValuesFrame(tag, buf, len, event->m_timeValues);
        tag.MakeProgramFrame(buf, len, 2, 0);
        tag.MakeAnalogFrame(buf, len, CBACnetTag::CLASS_CONTEXT, 3, 1, &event->m_eventPriority);
    }
    return 1;
}
