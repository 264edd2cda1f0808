#include "PropertyValues.h"

#include <cstdio>
#include <ctime>
#include <iomanip>
#include <sstream>

#include "Names.h"

namespace tool {

namespace {

constexpr const char* kDayNames[] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
constexpr const char* kShortDays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

std::string Field(unsigned value, const char* format)
{
    if (value == 255)
        return "*";
    char text[16];
    snprintf(text, sizeof text, format, value);
    return text;
}

// A time/value entry's value holds what the tag decoder left, whatever its
// type; small enumerations and Booleans fill the first octet only.
std::string TimeValueText(const _BACnetTimeValue& entry)
{
    if (entry.m_value[1] == 0 && entry.m_value[2] == 0 && entry.m_value[3] == 0)
        return std::to_string(entry.m_value[0]);
    return "raw " + HexOctets(entry.m_value, 4);
}

void JsonTimeValues(JsonWriter& json, CPtrArray& list)
{
    json.BeginArray();
    for (INT_PTR i = 0; i < list.GetSize(); i++) {
        auto* entry = static_cast<_BACnetTimeValue*>(list.GetAt(i));
        if (!entry)
            continue;
        json.BeginObject().Member("time", TimeText(entry->m_time)).Member("value", TimeValueText(*entry)).EndObject();
    }
    json.EndArray();
}

// Rows of "label  time  value", the label on the first row only.
void PrintTimeValues(std::ostream& out, const std::string& label, CPtrArray& list)
{
    bool first = true;
    for (INT_PTR i = 0; i < list.GetSize(); i++) {
        auto* entry = static_cast<_BACnetTimeValue*>(list.GetAt(i));
        if (!entry)
            continue;
        out << "  " << std::left << std::setw(11) << (first ? label : "") << std::setw(13) << TimeText(entry->m_time)
            << TimeValueText(*entry) << '\n';
        first = false;
    }
    if (first)
        out << "  " << std::left << std::setw(11) << label << "(no entries)\n";
}

// Object name and description: one text.
template <class C, CString C::*Text>
class TextValue : public PropertyValue {
public:
    CBACnetPropertyID& Codec() override { return m_codec; }
    void Print(std::ostream& out) override { out << '"' << Utf8(m_codec.*Text) << "\"\n"; }
    void Json(JsonWriter& json) override { json.String(Utf8(m_codec.*Text)); }
    bool Parse(const std::string& text, std::string&) override
    {
        m_codec.*Text = Wide(text);
        return true;
    }

private:
    C m_codec;
};

class SchPriorityValue : public PropertyValue {
public:
    CBACnetPropertyID& Codec() override { return m_codec; }
    void Print(std::ostream& out) override { out << unsigned(m_codec.m_priority) << '\n'; }
    void Json(JsonWriter& json) override { json.Integer(m_codec.m_priority); }
    bool Parse(const std::string& text, std::string& error) override
    {
        char* stop = nullptr;
        const long priority = strtol(text.c_str(), &stop, 10);
        if (text.empty() || *stop != '\0' || priority < 1 || priority > 16) {
            error = "a priority for writing is 1 to 16";
            return false;
        }
        m_codec.m_priority = static_cast<unsigned char>(priority);
        return true;
    }

private:
    CBACnetSchPriority m_codec;
};

class PresentValue : public PropertyValue {
public:
    CBACnetPropertyID& Codec() override { return m_codec; }
    void Print(std::ostream& out) override { out << TagValText(m_codec.m_value) << '\n'; }
    void Json(JsonWriter& json) override
    {
        switch (m_codec.m_value.GetType()) {
        case CTagVal::typeText: json.String(Utf8(m_codec.m_value.GetValStr())); break;
        case CTagVal::typeInvalid: case CTagVal::typeEmpty: json.Null(); break;
        default: json.Number(m_codec.m_value.GetVal());
        }
    }

private:
    CBACnetPresentvalue m_codec;
};

class WeekScheduleValue : public PropertyValue {
public:
    bool Table() const override { return true; }
    CBACnetPropertyID& Codec() override { return m_codec; }
    void Print(std::ostream& out) override
    {
        out << "  " << std::left << std::setw(11) << "Day" << std::setw(13) << "Time" << "Value\n";
        const int first = DayOffset();
        for (int d = 0; d < CBACnetWeekSchedule::DAYS; d++)
            if (d < m_codec.m_dayCounter)
                PrintTimeValues(out, kDayNames[(first + d) % 7], m_codec.m_dayLists[d]);
    }
    void Json(JsonWriter& json) override
    {
        json.BeginArray();
        const int first = DayOffset();
        for (int d = 0; d < m_codec.m_dayCounter && d < CBACnetWeekSchedule::DAYS; d++) {
            json.BeginObject().Member("day", kDayNames[(first + d) % 7]).Key("entries");
            JsonTimeValues(json, m_codec.m_dayLists[d]);
            json.EndObject();
        }
        json.EndArray();
    }

private:
    // A read of one day (array index 1 to 7) fills list 0 with that day.
    int DayOffset() const
    {
        const unsigned index = m_codec.m_arrayIndex;
        return index >= 1 && index <= 7 ? static_cast<int>(index) - 1 : 0;
    }
    CBACnetWeekSchedule m_codec;
};

std::string PeriodText(const _BACnetSpecialEvent& event)
{
    if (event.m_periodChoice == _BACnetSpecialEvent::PERIOD_CALENDAR_REFERENCE)
        return "calendar " + ObjectText(event.m_calendarID.GetValue());
    switch (event.m_calendarEntryChoice) {
    case _BACnetSpecialEvent::ENTRY_DATE:
        return "date " + DateText(event.m_date);
    case _BACnetSpecialEvent::ENTRY_DATE_RANGE:
        return "dates " + DateText(event.m_startDate) + " to " + DateText(event.m_endDate);
    case _BACnetSpecialEvent::ENTRY_WEEK_N_DAY: {
        const unsigned char* w = event.m_weekNDay;
        return "month " + Field(w[0], "%u") + ", week " + Field(w[1], "%u") + ", day " +
               (w[2] >= 1 && w[2] <= 7 ? kShortDays[w[2] - 1] : Field(w[2], "%u"));
    }
    default:
        return "calendar entry " + std::to_string(event.m_calendarEntryChoice);
    }
}

class ExpScheduleValue : public PropertyValue {
public:
    bool Table() const override { return true; }
    CBACnetPropertyID& Codec() override { return m_codec; }
    void Print(std::ostream& out) override
    {
        if (m_codec.m_specialEvents.GetSize() == 0)
            out << "(no special events)\n";
        for (INT_PTR i = 0; i < m_codec.m_specialEvents.GetSize(); i++) {
            auto* event = static_cast<_BACnetSpecialEvent*>(m_codec.m_specialEvents.GetAt(i));
            if (!event)
                continue;
            out << "Event " << i + 1 << ": " << PeriodText(*event) << ", priority " << unsigned(event->m_eventPriority)
                << '\n';
            PrintTimeValues(out, "", event->m_timeValues);
        }
    }
    void Json(JsonWriter& json) override
    {
        json.BeginArray();
        for (INT_PTR i = 0; i < m_codec.m_specialEvents.GetSize(); i++) {
            auto* event = static_cast<_BACnetSpecialEvent*>(m_codec.m_specialEvents.GetAt(i));
            if (!event)
                continue;
            json.BeginObject().Member("period", PeriodText(*event)).Member("priority", unsigned(event->m_eventPriority));
            json.Key("entries");
            JsonTimeValues(json, event->m_timeValues);
            json.EndObject();
        }
        json.EndArray();
    }

private:
    CBACnetExpSchedule m_codec;
};

class DateRangeValue : public PropertyValue {
public:
    CBACnetPropertyID& Codec() override { return m_codec; }
    void Print(std::ostream& out) override
    {
        out << DateText(m_codec.m_startDate) << " to " << DateText(m_codec.m_endDate) << '\n';
    }
    void Json(JsonWriter& json) override
    {
        json.BeginObject().Member("start", DateText(m_codec.m_startDate)).Member("end", DateText(m_codec.m_endDate));
        json.EndObject();
    }
    bool Parse(const std::string& text, std::string& error) override
    {
        const size_t dots = text.find("..");
        if (dots == std::string::npos || !ParseDate(text.substr(0, dots), m_codec.m_startDate) ||
            !ParseDate(text.substr(dots + 2), m_codec.m_endDate)) {
            error = "an effective period is written YYYY-MM-DD..YYYY-MM-DD";
            return false;
        }
        return true;
    }

private:
    CBACnetDateRange m_codec;
};

class ObjPropertyRefValue : public PropertyValue {
public:
    bool Table() const override { return true; }
    CBACnetPropertyID& Codec() override { return m_codec; }
    void Print(std::ostream& out) override
    {
        if (m_codec.m_references.GetSize() == 0)
            out << "(no references)\n";
        for (INT_PTR i = 0; i < m_codec.m_references.GetSize(); i++)
            if (auto* ref = static_cast<_BACnetPropertyRef*>(m_codec.m_references.GetAt(i)))
                out << "  " << Text(*ref) << '\n';
    }
    void Json(JsonWriter& json) override
    {
        json.BeginArray();
        for (INT_PTR i = 0; i < m_codec.m_references.GetSize(); i++)
            if (auto* ref = static_cast<_BACnetPropertyRef*>(m_codec.m_references.GetAt(i)))
                json.String(Text(*ref));
        json.EndArray();
    }
    // "AI:1/PresentValue,AV:2/PresentValue"
    bool Parse(const std::string& text, std::string& error) override
    {
        std::stringstream list(text);
        std::string item;
        while (std::getline(list, item, ',')) {
            const size_t slash = item.find('/');
            _BACnetObjectID id;
            PropertyRef property;
            if (slash == std::string::npos || !ParseObject(item.substr(0, slash), id, &error) ||
                !ParseProperty(item.substr(slash + 1), property, &error))
                return Fail(error, "a reference list is written OBJECT/PROPERTY,OBJECT/PROPERTY,...");
            if (property.id > 255)
                return Fail(error, "a reference names a property below 256");
            auto ref = std::make_unique<_BACnetPropertyRef>(id, static_cast<unsigned char>(property.id));
            m_codec.m_references.Add(ref.get());
            ref.release();
        }
        return true;
    }

private:
    static bool Fail(std::string& error, const char* text)
    {
        if (error.empty())
            error = text;
        return false;
    }
    static std::string Text(const _BACnetPropertyRef& ref)
    {
        return ObjectText(ref.m_objectID.GetValue()) + "/" + PropertyName(ref.m_propertyID);
    }
    CBACnetObjPropertyRef m_codec;
};

class ObjectListValue : public PropertyValue {
public:
    bool Table() const override { return true; }
    CBACnetPropertyID& Codec() override { return m_codec; }
    void Print(std::ostream& out) override
    {
        if (m_codec.m_arrayIndex == 0 && m_codec.m_objectIDs.GetSize() == 1) {
            out << "array length " << m_codec.m_objectIDs.GetAt(0) << '\n';  // index 0 is the array's length
            return;
        }
        out << m_codec.m_objectIDs.GetSize() << " objects\n";
        for (INT_PTR i = 0; i < m_codec.m_objectIDs.GetSize(); i++)
            out << "  " << std::setw(5) << std::right << i + 1 << "  " << ObjectText(m_codec.m_objectIDs.GetAt(i))
                << '\n';
    }
    void Json(JsonWriter& json) override
    {
        json.BeginArray();
        for (INT_PTR i = 0; i < m_codec.m_objectIDs.GetSize(); i++)
            json.String(ObjectText(m_codec.m_objectIDs.GetAt(i)));
        json.EndArray();
    }

private:
    CBACnetObjectList m_codec;
};

}  // namespace

bool PropertyValue::Parse(const std::string&, std::string& error)
{
    error = "the library writes no value of this property from text";
    return false;
}

std::string DateText(DWORD date)
{
    const unsigned year = date >> 24, month = (date >> 16) & 0xFF, day = (date >> 8) & 0xFF, weekday = date & 0xFF;
    std::string text = (year == 255 ? std::string("*") : std::to_string(1900 + year)) + "-" + Field(month, "%02u") +
                       "-" + Field(day, "%02u");
    // A whole date says its weekday itself; a pattern's weekday is part of it.
    if (weekday >= 1 && weekday <= 7 && (year == 255 || month == 255 || day == 255 || month > 12 || day > 31))
        text += std::string(" (") + kShortDays[weekday - 1] + ")";
    return text;
}

std::string TimeText(DWORD time)
{
    const unsigned hour = time >> 24, minute = (time >> 16) & 0xFF, second = (time >> 8) & 0xFF,
                   hundredths = time & 0xFF;
    std::string text = Field(hour, "%02u") + ":" + Field(minute, "%02u") + ":" + Field(second, "%02u");
    if (hundredths != 0)
        text += "." + Field(hundredths, "%02u");
    return text;
}

bool ParseDate(const std::string& text, DWORD& date)
{
    unsigned year, month, day;
    char tail;
    if (sscanf(text.c_str(), "%u-%u-%u%c", &year, &month, &day, &tail) != 3 || year < 1900 || year > 2154 ||
        month < 1 || month > 12 || day < 1 || day > 31)
        return false;
    std::tm tm{};
    tm.tm_year = static_cast<int>(year) - 1900;
    tm.tm_mon = static_cast<int>(month) - 1;
    tm.tm_mday = static_cast<int>(day);
    tm.tm_hour = 12;
    timegm(&tm);
    const unsigned weekday = tm.tm_wday == 0 ? 7 : static_cast<unsigned>(tm.tm_wday);
    date = DWORD(year - 1900) << 24 | DWORD(month) << 16 | DWORD(day) << 8 | weekday;
    return true;
}

std::unique_ptr<PropertyValue> MakePropertyValue(unsigned propertyID)
{
    switch (propertyID) {
    case 77: return std::make_unique<TextValue<CBACnetObjectName, &CBACnetObjectName::m_name>>();
    case 28: return std::make_unique<TextValue<CBACnetObjectDesc, &CBACnetObjectDesc::m_description>>();
    case 88: return std::make_unique<SchPriorityValue>();
    case 85: return std::make_unique<PresentValue>();
    case 123: return std::make_unique<WeekScheduleValue>();
    case 38: return std::make_unique<ExpScheduleValue>();
    case 32: return std::make_unique<DateRangeValue>();
    case 54: return std::make_unique<ObjPropertyRefValue>();
    case 76: return std::make_unique<ObjectListValue>();
    default: return nullptr;
    }
}

}  // namespace tool
