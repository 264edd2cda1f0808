#include "SimObjects.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "SimDatabase.h"
#include "SimSegmenter.h"

namespace bacnetsim {

namespace {

constexpr double kPi = 3.14159265358979323846;
// Longest text a write may set: names and texts stay short on the wire.
constexpr size_t kMaxText = 255;

// Each object type's properties as the device serves them: required first
// (as the standard's object type lists them, those the device serves
// always), then optional ones. Property-list closes the required ones.
#define OBJECT_COMMON PROP_OBJECT_IDENTIFIER, PROP_OBJECT_NAME, PROP_OBJECT_TYPE
#define POINT_STATUS PROP_STATUS_FLAGS, PROP_EVENT_STATE, PROP_OUT_OF_SERVICE
constexpr uint32_t kObjectCommon[] = {OBJECT_COMMON, PROP_PROPERTY_LIST};
constexpr uint32_t kAnalogInput[] = {OBJECT_COMMON,      PROP_PRESENT_VALUE, POINT_STATUS,     PROP_UNITS,
                                     PROP_PROPERTY_LIST, PROP_DESCRIPTION,   PROP_RELIABILITY, PROP_COV_INCREMENT};
constexpr uint32_t kAnalogOutput[] = {OBJECT_COMMON,          PROP_PRESENT_VALUE, POINT_STATUS,     PROP_UNITS,
                                      PROP_PRIORITY_ARRAY,    PROP_RELINQUISH_DEFAULT, PROP_PROPERTY_LIST,
                                      PROP_DESCRIPTION,       PROP_RELIABILITY,   PROP_COV_INCREMENT};
constexpr uint32_t kAnalogValue[] = {OBJECT_COMMON,    PROP_PRESENT_VALUE, POINT_STATUS,        PROP_UNITS,
                                     PROP_PROPERTY_LIST, PROP_DESCRIPTION, PROP_RELIABILITY, PROP_PRIORITY_ARRAY,
                                     PROP_RELINQUISH_DEFAULT, PROP_COV_INCREMENT};
constexpr uint32_t kBinaryValue[] = {OBJECT_COMMON,      PROP_PRESENT_VALUE,  POINT_STATUS,       PROP_PROPERTY_LIST,
                                     PROP_DESCRIPTION,   PROP_RELIABILITY,    PROP_INACTIVE_TEXT, PROP_ACTIVE_TEXT,
                                     PROP_PRIORITY_ARRAY, PROP_RELINQUISH_DEFAULT};
constexpr uint32_t kMultiStateValue[] = {OBJECT_COMMON,    PROP_PRESENT_VALUE, POINT_STATUS,     PROP_NUMBER_OF_STATES,
                                         PROP_PROPERTY_LIST, PROP_DESCRIPTION, PROP_RELIABILITY, PROP_STATE_TEXT,
                                         PROP_PRIORITY_ARRAY, PROP_RELINQUISH_DEFAULT};
constexpr uint32_t kCalendar[] = {OBJECT_COMMON, PROP_PRESENT_VALUE, PROP_DATE_LIST, PROP_PROPERTY_LIST,
                                  PROP_DESCRIPTION};
constexpr uint32_t kSchedule[] = {OBJECT_COMMON,
                                  PROP_PRESENT_VALUE,
                                  PROP_EFFECTIVE_PERIOD,
                                  PROP_SCHEDULE_DEFAULT,
                                  PROP_LIST_OF_OBJECT_PROPERTY_REFERENCES,
                                  PROP_PRIORITY_FOR_WRITING,
                                  PROP_STATUS_FLAGS,
                                  PROP_RELIABILITY,
                                  PROP_OUT_OF_SERVICE,
                                  PROP_PROPERTY_LIST,
                                  PROP_DESCRIPTION,
                                  PROP_WEEKLY_SCHEDULE,
                                  PROP_EXCEPTION_SCHEDULE,
                                  PROP_EVENT_STATE};
constexpr uint32_t kDevice[] = {OBJECT_COMMON,
                                PROP_SYSTEM_STATUS,
                                PROP_VENDOR_NAME,
                                PROP_VENDOR_IDENTIFIER,
                                PROP_MODEL_NAME,
                                PROP_FIRMWARE_REVISION,
                                PROP_APPLICATION_SOFTWARE_VERSION,
                                PROP_PROTOCOL_VERSION,
                                PROP_PROTOCOL_REVISION,
                                PROP_PROTOCOL_SERVICES_SUPPORTED,
                                PROP_PROTOCOL_OBJECT_TYPES_SUPPORTED,
                                PROP_OBJECT_LIST,
                                PROP_MAX_APDU_LENGTH_ACCEPTED,
                                PROP_SEGMENTATION_SUPPORTED,
                                PROP_APDU_TIMEOUT,
                                PROP_NUMBER_OF_APDU_RETRIES,
                                PROP_DEVICE_ADDRESS_BINDING,
                                PROP_DATABASE_REVISION,
                                PROP_PROPERTY_LIST,
                                PROP_DESCRIPTION,
                                PROP_LOCATION,
                                PROP_MAX_SEGMENTS_ACCEPTED,
                                PROP_APDU_SEGMENT_TIMEOUT,
                                PROP_LOCAL_DATE,
                                PROP_LOCAL_TIME,
                                PROP_UTC_OFFSET,
                                PROP_DAYLIGHT_SAVINGS_STATUS};
constexpr uint32_t kTrendLog[] = {OBJECT_COMMON,
                                  PROP_ENABLE,
                                  PROP_STOP_WHEN_FULL,
                                  PROP_BUFFER_SIZE,
                                  PROP_LOG_BUFFER,
                                  PROP_RECORD_COUNT,
                                  PROP_TOTAL_RECORD_COUNT,
                                  PROP_EVENT_STATE,
                                  PROP_LOGGING_TYPE,
                                  PROP_STATUS_FLAGS,
                                  PROP_PROPERTY_LIST,
                                  PROP_DESCRIPTION,
                                  PROP_LOG_DEVICE_OBJECT_PROPERTY,
                                  PROP_LOG_INTERVAL};
#undef OBJECT_COMMON
#undef POINT_STATUS

struct TypeProperties {
    uint32_t type;
    const uint32_t* list;
    size_t count;
    size_t required;  // up to and including property-list
};

template <size_t N>
constexpr TypeProperties Of(uint32_t type, const uint32_t (&list)[N])
{
    size_t required = 0;
    while (required < N && list[required] != PROP_PROPERTY_LIST)
        required++;
    return {type, list, N, required + 1};
}

constexpr TypeProperties kTypeProperties[] = {
    Of(OBJ_ANALOG_INPUT, kAnalogInput),   Of(OBJ_ANALOG_OUTPUT, kAnalogOutput),
    Of(OBJ_ANALOG_VALUE, kAnalogValue),   Of(OBJ_BINARY_VALUE, kBinaryValue),
    Of(OBJ_CALENDAR, kCalendar),          Of(OBJ_DEVICE, kDevice),
    Of(OBJ_SCHEDULE, kSchedule),          Of(OBJ_MULTI_STATE_VALUE, kMultiStateValue),
    Of(OBJ_TREND_LOG, kTrendLog),
};

Status UnknownProperty() { return Status::Fail(CLASS_PROPERTY, CODE_UNKNOWN_PROPERTY); }
Status Denied() { return Status::Fail(CLASS_PROPERTY, CODE_WRITE_ACCESS_DENIED); }
Status BadType() { return Status::Fail(CLASS_PROPERTY, CODE_INVALID_DATA_TYPE); }
Status OutOfRange() { return Status::Fail(CLASS_PROPERTY, CODE_VALUE_OUT_OF_RANGE); }

// An array read: the whole array, its size (index 0) or one element.
template <class Element>
Status ReadArray(Writer& out, uint32_t index, size_t count, Element element)
{
    if (index == kNoIndex) {
        for (size_t i = 1; i <= count; i++)
            element(i);
    } else if (index == 0) {
        EncodeUnsigned(out, CBACnetTag::CLASS_APPLICATION, CBACnetTag::TYPE_UNSIGNED, static_cast<uint32_t>(count));
    } else if (index <= count) {
        element(index);
    } else {
        return Status::Fail(CLASS_PROPERTY, CODE_INVALID_ARRAY_INDEX);
    }
    return Status::Ok();
}

// A write whose value is exactly one application value.
Status ReadOne(const WriteData& data, Value& out)
{
    CBACnetTag in(data.end);
    int len = data.start;
    return DecodeValue(in, data.buf, len, out) && len == data.end ? Status::Ok() : BadType();
}

Status ReadOneOf(const WriteData& data, unsigned char type, Value& out)
{
    Status s = ReadOne(data, out);
    return !s.ok ? s : out.type == type ? Status::Ok() : BadType();
}

// Well-formed UTF-8: no stray continuation, overlong form, surrogate or
// code point past U+10FFFF.
bool IsUtf8(const std::string& text)
{
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > text.size())
            return false;
        uint32_t cp = n == 1 ? c : c & (0x7F >> n);
        for (size_t k = 1; k < n; k++) {
            const unsigned char cc = static_cast<unsigned char>(text[i + k]);
            if ((cc >> 6) != 2)
                return false;
            cp = cp << 6 | (cc & 0x3F);
        }
        static const uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kLeast[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += n;
    }
    return true;
}

// A text property's new value: UTF-8 (character set 0), at most kMaxText
// octets, without NUL; a name without any control character either.
Status ReadText(const WriteData& data, std::string& text, bool isName = false)
{
    Value v;
    Status s = ReadOneOf(data, CBACnetTag::TYPE_CHARACTER_STRING, v);
    if (!s.ok)
        return s;
    if (v.charset != 0)
        return Status::Fail(CLASS_PROPERTY, CODE_CHARACTER_SET_NOT_SUPPORTED);
    if (v.octets.size() > kMaxText || !IsUtf8(v.octets))
        return OutOfRange();
    for (unsigned char c : v.octets)
        if (c == 0 || (isName && (c < 0x20 || c == 0x7F)))
            return OutOfRange();
    text = v.octets;
    return Status::Ok();
}

// Engineering units: the standard's and others' both lie in 0 to 65535.
Status ReadUnits(const WriteData& data, uint32_t& units)
{
    Value v;
    Status s = ReadOneOf(data, CBACnetTag::TYPE_ENUMERATED, v);
    if (s.ok && v.u > 65535)
        s = OutOfRange();
    if (s.ok)
        units = v.u;
    return s;
}

// Fields of a date, time or week-n-day pattern: each in its range or 0xFF (any).
bool FieldsIn(uint32_t packed, const unsigned char (&lowest)[4], const unsigned char (&highest)[4])
{
    for (int i = 0; i < 4; i++) {
        const unsigned field = packed >> (24 - 8 * i) & 0xFF;
        if (field != 0xFF && (field < lowest[i] || field > highest[i]))
            return false;
    }
    return true;
}

// Month 13 and 14 are the odd and even months; day 32 the last, 33 and 34
// the odd and even days.
bool IsDate(uint32_t date) { return FieldsIn(date, {0, 1, 1, 1}, {254, 14, 34, 7}); }
bool IsTime(uint32_t time) { return FieldsIn(time, {0, 0, 0, 0}, {23, 59, 59, 99}); }

// A write whose value is a list of elements that `decode` reads one by one.
template <class T, class Decode>
Status ReadList(const WriteData& data, std::vector<T>& out, Decode decode)
{
    CBACnetTag in(data.end);
    int len = data.start;
    std::vector<T> list;
    while (len < data.end) {
        T element;
        if (!decode(in, data.buf, len, element))
            return BadType();
        list.push_back(element);
    }
    out = list;
    return Status::Ok();
}

Value ValueAt(const DaySchedule& day, uint32_t now)
{
    Value found;  // Null: nothing scheduled yet today
    for (const TimeValue& entry : day)
        if (entry.time <= now)
            found = entry.value;
    return found;
}

int DaysInMonth(const std::tm& day)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int year = day.tm_year + 1900;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day.tm_mon == 1 && leap ? 29 : days[day.tm_mon % 12];
}

// Monday 1 to Sunday 7.
unsigned Weekday(const std::tm& day) { return static_cast<unsigned>((day.tm_wday + 6) % 7 + 1); }

bool MonthMatches(unsigned month, const std::tm& day)
{
    const unsigned m = static_cast<unsigned>(day.tm_mon + 1);
    return month == 0xFF || month == m || (month == 13 && m % 2 == 1) || (month == 14 && m % 2 == 0);
}

// A date as one comparable number; unspecified fields sort first or last.
long DateKey(uint32_t date, bool asStart)
{
    const unsigned year = date >> 24, month = date >> 16 & 0xFF, mday = date >> 8 & 0xFF;
    const long y = year == 0xFF ? (asStart ? 0 : 255) : year;
    const long m = month > 12 ? (asStart ? 0 : 12) : month;
    const long d = mday > 31 ? (asStart ? 0 : 31) : mday;
    return (y * 100 + m) * 100 + d;
}

bool InRange(uint32_t first, uint32_t last, const std::tm& day)
{
    const long key = (static_cast<long>(day.tm_year) * 100 + day.tm_mon + 1) * 100 + day.tm_mday;
    return DateKey(first, true) <= key && key <= DateKey(last, false);
}

// What a write may set: each field in range, ranges that run forwards.
Status CheckRange(const DateRange& range)
{
    return IsDate(range.first) && IsDate(range.last) && DateKey(range.first, true) <= DateKey(range.last, false)
               ? Status::Ok()
               : OutOfRange();
}

Status CheckEntry(const CalendarEntry& entry)
{
    switch (entry.kind) {
    case CalendarEntry::DATE:
        return IsDate(entry.date) ? Status::Ok() : OutOfRange();
    case CalendarEntry::DATE_RANGE:
        return CheckRange(DateRange{entry.date, entry.last});
    default: {  // month, week of the month (6: the last seven days), weekday
        const uint32_t pattern = static_cast<uint32_t>(entry.weekNDay[0]) << 24 | entry.weekNDay[1] << 16 |
                                 entry.weekNDay[2] << 8 | 0xFF;
        return FieldsIn(pattern, {1, 1, 1, 0}, {14, 6, 7, 0}) ? Status::Ok() : OutOfRange();
    }
    }
}

Status CheckDay(const DaySchedule& day)
{
    for (const TimeValue& entry : day)
        if (!IsTime(entry.time))
            return OutOfRange();
    return Status::Ok();
}

Status CheckEvent(const SpecialEvent& event)
{
    if (event.priority < 1 || event.priority > 16)
        return OutOfRange();
    if (event.byReference && ObjectType(event.calendarID) != OBJ_CALENDAR)
        return OutOfRange();
    const Status s = event.byReference ? Status::Ok() : CheckEntry(event.entry);
    return s.ok ? CheckDay(event.values) : s;
}

// Every element of a list passes `check`.
template <class T, class Check>
Status CheckAll(const std::vector<T>& list, Check check)
{
    for (const T& element : list) {
        const Status s = check(element);
        if (!s.ok)
            return s;
    }
    return Status::Ok();
}

uint32_t TimeOfDay(const std::tm& now)
{
    return MakeTime(static_cast<unsigned>(now.tm_hour), static_cast<unsigned>(now.tm_min),
                    static_cast<unsigned>(now.tm_sec));
}

}  // namespace

bool DateMatches(uint32_t date, const std::tm& day)
{
    const unsigned year = date >> 24, month = date >> 16 & 0xFF, mday = date >> 8 & 0xFF, weekday = date & 0xFF;
    if (year != 0xFF && year != static_cast<unsigned>(day.tm_year))
        return false;
    if (!MonthMatches(month, day))
        return false;
    const unsigned d = static_cast<unsigned>(day.tm_mday);
    const bool dayOk = mday == 0xFF || mday == d || (mday == 32 && static_cast<int>(d) == DaysInMonth(day)) ||
                       (mday == 33 && d % 2 == 1) || (mday == 34 && d % 2 == 0);
    return dayOk && (weekday == 0xFF || weekday == Weekday(day));
}

bool EntryMatches(const CalendarEntry& entry, const std::tm& day)
{
    switch (entry.kind) {
    case CalendarEntry::DATE:
        return DateMatches(entry.date, day);
    case CalendarEntry::DATE_RANGE:
        return InRange(entry.date, entry.last, day);
    default: {
        const unsigned week = entry.weekNDay[1], weekday = entry.weekNDay[2];
        const int mday = day.tm_mday;
        const bool weekOk = week == 0xFF || (week >= 1 && week <= 5 && static_cast<unsigned>((mday - 1) / 7 + 1) == week) ||
                            (week == 6 && mday > DaysInMonth(day) - 7);
        return MonthMatches(entry.weekNDay[0], day) && weekOk && (weekday == 0xFF || weekday == Weekday(day));
    }
    }
}

// Every object.

SimObject::SimObject(uint32_t type, uint32_t instance, const std::string& name)
    : m_id(MakeObjectID(type, instance)), m_name(name)
{
}

SimObject::PropertyTable SimObject::Properties() const
{
    for (const TypeProperties& t : kTypeProperties)
        if (t.type == Type())
            return {t.list, t.count, t.required};
    return {kObjectCommon, std::size(kObjectCommon), std::size(kObjectCommon)};
}

Status SimObject::ReadValue(const Database& db, uint32_t property, uint32_t index, Value& out) const
{
    Writer w;
    Status s = Read(db, property, index, w);
    if (!s.ok)
        return s;
    CBACnetTag in(w.len);
    int len = 0;
    std::vector<unsigned char> octets = w.Octets();
    return DecodeValue(in, octets.data(), len, out) && len == w.len ? Status::Ok() : BadType();
}

bool SimObject::ReportsChanges() const
{
    switch (Type()) {
    case OBJ_ANALOG_INPUT:
    case OBJ_ANALOG_OUTPUT:
    case OBJ_ANALOG_VALUE:
    case OBJ_BINARY_INPUT:
    case OBJ_BINARY_OUTPUT:
    case OBJ_BINARY_VALUE:
    case OBJ_MULTI_STATE_INPUT:
    case OBJ_MULTI_STATE_OUTPUT:
    case OBJ_MULTI_STATE_VALUE:
        return true;
    default:
        return false;
    }
}

bool SimObject::Has(uint32_t property) const
{
    const PropertyTable t = Properties();
    return std::find(t.list, t.list + t.count, property) != t.list + t.count;
}

Status SimObject::Read(const Database& db, uint32_t property, uint32_t index, Writer& out) const
{
    if (!Has(property))
        return UnknownProperty();
    if (index != kNoIndex && !IsArray(property))
        return Status::Fail(CLASS_PROPERTY, CODE_PROPERTY_IS_NOT_AN_ARRAY);
    switch (property) {
    case PROP_OBJECT_IDENTIFIER:
        EncodeValue(out, Value::ObjectID(m_id));
        return Status::Ok();
    case PROP_OBJECT_NAME:
        EncodeValue(out, Value::String(m_name));
        return Status::Ok();
    case PROP_OBJECT_TYPE:
        EncodeValue(out, Value::Enumerated(Type()));
        return Status::Ok();
    case PROP_DESCRIPTION:
        EncodeValue(out, Value::String(m_description));
        return Status::Ok();
    case PROP_PROPERTY_LIST: {
        // Identifier, name, type and the list itself are left out of it.
        std::vector<uint32_t> list;
        const PropertyTable t = Properties();
        std::copy_if(t.list, t.list + t.count, std::back_inserter(list), [](uint32_t p) {
            return p != PROP_OBJECT_IDENTIFIER && p != PROP_OBJECT_NAME && p != PROP_OBJECT_TYPE &&
                   p != PROP_PROPERTY_LIST;
        });
        return ReadArray(out, index, list.size(),
                         [&](size_t i) { EncodeValue(out, Value::Enumerated(list[i - 1])); });
    }
    default:
        return ReadOwn(db, property, index, out);
    }
}

Status SimObject::Write(Database& db, uint32_t property, uint32_t index, const WriteData& value)
{
    if (!Has(property))
        return UnknownProperty();
    if (index != kNoIndex && !IsArray(property))
        return Status::Fail(CLASS_PROPERTY, CODE_PROPERTY_IS_NOT_AN_ARRAY);
    switch (property) {
    case PROP_OBJECT_NAME: {
        std::string name;
        Status s = ReadText(value, name, true);
        if (!s.ok)
            return s;
        if (name.empty())
            return OutOfRange();
        return db.Rename(*this, name);
    }
    case PROP_DESCRIPTION:
        return ReadText(value, m_description);
    case PROP_OBJECT_IDENTIFIER:
    case PROP_OBJECT_TYPE:
    case PROP_PROPERTY_LIST:
        return Denied();
    default:
        return WriteOwn(db, property, index, value);
    }
}

Status SimObject::WriteOwn(Database&, uint32_t, uint32_t, const WriteData&)
{
    return Denied();
}

// Points.


Status PointObject::ReadOwn(const Database&, uint32_t property, uint32_t, Writer& out) const
{
    switch (property) {
    case PROP_STATUS_FLAGS:  // in-alarm, fault, overridden, out-of-service
        EncodeValue(out, Value::Bits(4, m_outOfService ? std::vector<int>{3} : std::vector<int>{}));
        return Status::Ok();
    case PROP_EVENT_STATE:  // normal
    case PROP_RELIABILITY:  // no fault detected
        EncodeValue(out, Value::Enumerated(0));
        return Status::Ok();
    case PROP_OUT_OF_SERVICE:
        EncodeValue(out, Value::Boolean(m_outOfService));
        return Status::Ok();
    case PROP_COV_INCREMENT:
        EncodeValue(out, Value::Real(m_covIncrement));
        return Status::Ok();
    default:
        return UnknownProperty();
    }
}

Status PointObject::WriteOwn(Database&, uint32_t property, uint32_t, const WriteData& value)
{
    Value v;
    Status s;
    switch (property) {
    case PROP_OUT_OF_SERVICE:
        s = ReadOneOf(value, CBACnetTag::TYPE_BOOLEAN, v);
        if (s.ok)
            m_outOfService = v.u != 0;
        return s;
    case PROP_COV_INCREMENT:
        s = ReadOneOf(value, CBACnetTag::TYPE_REAL, v);
        if (s.ok && !(v.real >= 0 && std::isfinite(v.real)))
            s = OutOfRange();
        if (s.ok)
            m_covIncrement = v.real;
        return s;
    default:
        return Denied();
    }
}

// Analog input.

AnalogInputObject::AnalogInputObject(uint32_t instance, const std::string& name, uint32_t units, float base,
                                     float swing, double periodSeconds, Shape shape)
    : PointObject(OBJ_ANALOG_INPUT, instance, name), m_units(units), m_base(base), m_swing(swing),
      m_period(periodSeconds > 0 ? periodSeconds : 60), m_shape(shape)
{
}

float AnalogInputObject::Current(const Database& db) const
{
    if (m_outOfService)
        return m_heldValue;
    // Whole seconds: the value holds still between its moves.
    const double t = std::floor(db.Uptime());
    if (m_shape == RAMP) {
        // From the bottom to the top and back in one period.
        const double half = m_period / 2, at = std::fmod(t, m_period);
        const double up = at <= half ? at : m_period - at;
        return static_cast<float>(m_base - m_swing + 2 * m_swing * up / half);
    }
    // Each input starts at its own phase, so they do not move in step.
    const double phase = 2 * kPi * (t / m_period) + ObjectInstance(m_id);
    return static_cast<float>(std::round((m_base + m_swing * std::sin(phase)) * 100) / 100);
}


Status AnalogInputObject::ReadOwn(const Database& db, uint32_t property, uint32_t index, Writer& out) const
{
    if (property == PROP_PRESENT_VALUE) {
        EncodeValue(out, Value::Real(Current(db)));
        return Status::Ok();
    }
    if (property == PROP_UNITS) {
        EncodeValue(out, Value::Enumerated(m_units));
        return Status::Ok();
    }
    return PointObject::ReadOwn(db, property, index, out);
}

Status AnalogInputObject::WriteOwn(Database& db, uint32_t property, uint32_t index, const WriteData& value)
{
    Value v;
    switch (property) {
    case PROP_PRESENT_VALUE: {
        // An input takes a value only while it is out of service.
        if (!m_outOfService)
            return Denied();
        Status s = ReadOneOf(value, CBACnetTag::TYPE_REAL, v);
        if (s.ok)
            m_heldValue = v.real;
        return s;
    }
    case PROP_OUT_OF_SERVICE: {
        const float current = Current(db);
        const bool was = m_outOfService;
        Status s = PointObject::WriteOwn(db, property, index, value);
        if (s.ok && m_outOfService && !was)
            m_heldValue = current;  // the value freezes where it stood
        return s;
    }
    case PROP_UNITS:
        return ReadUnits(value, m_units);
    default:
        return PointObject::WriteOwn(db, property, index, value);
    }
}

// Commandable objects.

CommandableObject::CommandableObject(uint32_t type, uint32_t instance, const std::string& name,
                                     const Value& relinquishDefault)
    : PointObject(type, instance, name), m_relinquishDefault(relinquishDefault)
{
    m_valueType = type == OBJ_BINARY_VALUE        ? CBACnetTag::TYPE_ENUMERATED
                  : type == OBJ_MULTI_STATE_VALUE ? CBACnetTag::TYPE_UNSIGNED
                                                  : CBACnetTag::TYPE_REAL;
}

Value CommandableObject::PresentValue() const
{
    for (const Value& slot : m_slots)
        if (!slot.IsNull())
            return slot;
    return m_relinquishDefault;
}

Status CommandableObject::Check(const Value& v) const
{
    if (v.type != m_valueType)
        return BadType();
    if (Type() == OBJ_BINARY_VALUE && v.u > 1)
        return OutOfRange();
    if (Type() == OBJ_MULTI_STATE_VALUE && (v.u < 1 || v.u > m_stateTexts.size()))
        return OutOfRange();
    return Status::Ok();
}


bool CommandableObject::IsArray(uint32_t property) const
{
    return property == PROP_PRIORITY_ARRAY || property == PROP_STATE_TEXT || PointObject::IsArray(property);
}

Status CommandableObject::ReadOwn(const Database& db, uint32_t property, uint32_t index, Writer& out) const
{
    switch (property) {
    case PROP_PRESENT_VALUE:
        EncodeValue(out, PresentValue());
        return Status::Ok();
    case PROP_PRIORITY_ARRAY:
        return ReadArray(out, index, PRIORITIES, [&](size_t i) { EncodeValue(out, m_slots[i - 1]); });
    case PROP_RELINQUISH_DEFAULT:
        EncodeValue(out, m_relinquishDefault);
        return Status::Ok();
    case PROP_UNITS:
        EncodeValue(out, Value::Enumerated(m_units));
        return Status::Ok();
    case PROP_ACTIVE_TEXT:
    case PROP_INACTIVE_TEXT:
        EncodeValue(out, Value::String(property == PROP_ACTIVE_TEXT ? m_activeText : m_inactiveText));
        return Status::Ok();
    case PROP_NUMBER_OF_STATES:
        EncodeValue(out, Value::Unsigned(static_cast<uint32_t>(m_stateTexts.size())));
        return Status::Ok();
    case PROP_STATE_TEXT:
        return ReadArray(out, index, m_stateTexts.size(),
                         [&](size_t i) { EncodeValue(out, Value::String(m_stateTexts[i - 1])); });
    default:
        return PointObject::ReadOwn(db, property, index, out);
    }
}

Status CommandableObject::WriteOwn(Database& db, uint32_t property, uint32_t index, const WriteData& value)
{
    Value v;
    Status s;
    switch (property) {
    case PROP_PRESENT_VALUE:
        // Priority 6 belongs to minimum on/off time, which no client may command.
        if (value.priority < 1 || value.priority > PRIORITIES || value.priority == 6)
            return Denied();
        s = ReadOne(value, v);
        if (s.ok && !v.IsNull())
            s = Check(v);
        if (s.ok)
            m_slots[value.priority - 1] = v;  // a Null relinquishes the slot
        return s;
    case PROP_RELINQUISH_DEFAULT:
        s = ReadOne(value, v);
        if (s.ok)
            s = Check(v);
        if (s.ok)
            m_relinquishDefault = v;
        return s;
    case PROP_UNITS:
        return ReadUnits(value, m_units);
    case PROP_ACTIVE_TEXT:
        return ReadText(value, m_activeText);
    case PROP_INACTIVE_TEXT:
        return ReadText(value, m_inactiveText);
    case PROP_PRIORITY_ARRAY:
    case PROP_NUMBER_OF_STATES:
    case PROP_STATE_TEXT:
        return Denied();
    default:
        return PointObject::WriteOwn(db, property, index, value);
    }
}

// Calendar.

CalendarObject::CalendarObject(uint32_t instance, const std::string& name) : SimObject(OBJ_CALENDAR, instance, name) {}

bool CalendarObject::Contains(const std::tm& day) const
{
    return std::any_of(m_dates.begin(), m_dates.end(), [&](const CalendarEntry& e) { return EntryMatches(e, day); });
}


Status CalendarObject::ReadOwn(const Database& db, uint32_t property, uint32_t, Writer& out) const
{
    if (property == PROP_PRESENT_VALUE) {
        EncodeValue(out, Value::Boolean(Contains(db.Now())));
        return Status::Ok();
    }
    if (property == PROP_DATE_LIST) {
        for (const CalendarEntry& entry : m_dates)
            EncodeCalendarEntry(out, entry);
        return Status::Ok();
    }
    return UnknownProperty();
}

Status CalendarObject::WriteOwn(Database&, uint32_t property, uint32_t, const WriteData& value)
{
    if (property != PROP_DATE_LIST)
        return Denied();
    std::vector<CalendarEntry> dates;
    Status s = ReadList(value, dates, DecodeCalendarEntry);
    if (s.ok)
        s = CheckAll(dates, CheckEntry);
    if (s.ok)
        m_dates = std::move(dates);
    return s;
}

// Schedule.

ScheduleObject::ScheduleObject(uint32_t instance, const std::string& name)
    : PointObject(OBJ_SCHEDULE, instance, name), m_effectivePeriod{MakeDate(0xFF, 0xFF, 0xFF, 0xFF),
                                                                   MakeDate(0xFF, 0xFF, 0xFF, 0xFF)},
      m_scheduleDefault(Value::Enumerated(0))
{
}

Value ScheduleObject::PresentValue(const Database& db) const
{
    const std::tm now = db.Now();
    if (!InRange(m_effectivePeriod.first, m_effectivePeriod.last, now))
        return m_scheduleDefault;
    const uint32_t time = TimeOfDay(now);
    // Special events of the day, the highest priority (lowest number) first.
    std::vector<const SpecialEvent*> today;
    for (const SpecialEvent& event : m_exceptions) {
        bool applies;
        if (event.byReference) {
            const auto* calendar = dynamic_cast<const CalendarObject*>(db.Find(event.calendarID));
            applies = calendar && calendar->Contains(now);
        } else {
            applies = EntryMatches(event.entry, now);
        }
        if (applies)
            today.push_back(&event);
    }
    std::stable_sort(today.begin(), today.end(),
                     [](const SpecialEvent* a, const SpecialEvent* b) { return a->priority < b->priority; });
    for (const SpecialEvent* event : today) {
        Value v = ValueAt(event->values, time);
        if (!v.IsNull())
            return v;
    }
    Value v = ValueAt(m_week[(now.tm_wday + 6) % 7], time);
    return v.IsNull() ? m_scheduleDefault : v;
}


bool ScheduleObject::IsArray(uint32_t property) const
{
    return property == PROP_WEEKLY_SCHEDULE || property == PROP_EXCEPTION_SCHEDULE || PointObject::IsArray(property);
}

Status ScheduleObject::ReadOwn(const Database& db, uint32_t property, uint32_t index, Writer& out) const
{
    switch (property) {
    case PROP_PRESENT_VALUE:
        EncodeValue(out, PresentValue(db));
        return Status::Ok();
    case PROP_EFFECTIVE_PERIOD:
        EncodeDateRange(out, m_effectivePeriod);
        return Status::Ok();
    case PROP_WEEKLY_SCHEDULE:
        return ReadArray(out, index, DAYS, [&](size_t i) { EncodeDaySchedule(out, m_week[i - 1]); });
    case PROP_EXCEPTION_SCHEDULE:
        return ReadArray(out, index, m_exceptions.size(),
                         [&](size_t i) { EncodeSpecialEvent(out, m_exceptions[i - 1]); });
    case PROP_SCHEDULE_DEFAULT:
        EncodeValue(out, m_scheduleDefault);
        return Status::Ok();
    case PROP_LIST_OF_OBJECT_PROPERTY_REFERENCES:
        for (const PropertyReference& ref : m_references)
            EncodeReference(out, ref);
        return Status::Ok();
    case PROP_PRIORITY_FOR_WRITING:
        EncodeValue(out, Value::Unsigned(m_priorityForWriting));
        return Status::Ok();
    default:
        return PointObject::ReadOwn(db, property, index, out);
    }
}

Status ScheduleObject::WriteOwn(Database& db, uint32_t property, uint32_t index, const WriteData& value)
{
    Value v;
    Status s;
    switch (property) {
    case PROP_EFFECTIVE_PERIOD: {
        std::vector<DateRange> ranges;
        s = ReadList(value, ranges, DecodeDateRange);
        if (s.ok && ranges.size() != 1)
            s = BadType();
        if (s.ok)
            s = CheckRange(ranges[0]);
        if (s.ok)
            m_effectivePeriod = ranges[0];
        return s;
    }
    case PROP_WEEKLY_SCHEDULE: {
        if (index == 0)
            return Denied();  // seven days, always
        if (index != kNoIndex && index > DAYS)
            return Status::Fail(CLASS_PROPERTY, CODE_INVALID_ARRAY_INDEX);
        std::vector<DaySchedule> days;
        s = ReadList(value, days, DecodeDaySchedule);
        if (!s.ok)
            return s;
        if (days.size() != (index == kNoIndex ? size_t(DAYS) : size_t(1)))
            return BadType();
        s = CheckAll(days, CheckDay);
        if (!s.ok)
            return s;
        if (index == kNoIndex)
            std::copy(days.begin(), days.end(), m_week);
        else
            m_week[index - 1] = days[0];
        return s;
    }
    case PROP_EXCEPTION_SCHEDULE: {
        if (index == 0) {  // the array's size: events are dropped or added empty
            s = ReadOneOf(value, CBACnetTag::TYPE_UNSIGNED, v);
            if (s.ok && v.u > 255)
                s = OutOfRange();
            if (s.ok)
                m_exceptions.resize(v.u);
            return s;
        }
        if (index != kNoIndex && index > m_exceptions.size())
            return Status::Fail(CLASS_PROPERTY, CODE_INVALID_ARRAY_INDEX);
        std::vector<SpecialEvent> events;
        s = ReadList(value, events, DecodeSpecialEvent);
        if (!s.ok)
            return s;
        s = CheckAll(events, CheckEvent);
        if (!s.ok)
            return s;
        if (index == kNoIndex) {
            m_exceptions = events;
        } else {
            if (events.size() != 1)
                return BadType();
            m_exceptions[index - 1] = events[0];
        }
        return s;
    }
    case PROP_SCHEDULE_DEFAULT:
        s = ReadOne(value, v);
        if (s.ok)
            m_scheduleDefault = v;
        return s;
    case PROP_LIST_OF_OBJECT_PROPERTY_REFERENCES:
        return ReadList(value, m_references, DecodeReference);
    case PROP_PRIORITY_FOR_WRITING:
        s = ReadOneOf(value, CBACnetTag::TYPE_UNSIGNED, v);
        if (s.ok && (v.u < 1 || v.u > 16))
            s = OutOfRange();
        if (s.ok)
            m_priorityForWriting = v.u;
        return s;
    case PROP_PRESENT_VALUE:
        return Denied();
    default:
        return PointObject::WriteOwn(db, property, index, value);
    }
}

// Device.

DeviceObject::DeviceObject(uint32_t instance, const std::string& name) : SimObject(OBJ_DEVICE, instance, name) {}


bool DeviceObject::IsArray(uint32_t property) const
{
    return property == PROP_OBJECT_LIST || SimObject::IsArray(property);
}

Status DeviceObject::ReadOwn(const Database& db, uint32_t property, uint32_t index, Writer& out) const
{
    const std::tm now = db.Now();
    Value v;
    switch (property) {
    case PROP_OBJECT_LIST: {
        const std::vector<uint32_t> list = db.ObjectList();
        return ReadArray(out, index, list.size(), [&](size_t i) { EncodeValue(out, Value::ObjectID(list[i - 1])); });
    }
    case PROP_DEVICE_ADDRESS_BINDING:
        return Status::Ok();  // an empty list: the device binds to no other
    case PROP_SYSTEM_STATUS:  // operational
        v = Value::Enumerated(0);
        break;
    case PROP_SEGMENTATION_SUPPORTED:
        v = Value::Enumerated(kSegmentation);
        break;
    case PROP_MAX_SEGMENTS_ACCEPTED:  // a segmented request is refused
        v = Value::Unsigned(1);
        break;
    case PROP_VENDOR_NAME:
        v = Value::String(kVendorName);
        break;
    case PROP_VENDOR_IDENTIFIER:
        v = Value::Unsigned(kVendorID);
        break;
    case PROP_MODEL_NAME:
        v = Value::String("bacnet-codec simulated device");
        break;
    case PROP_FIRMWARE_REVISION:
    case PROP_APPLICATION_SOFTWARE_VERSION:
        v = Value::String("1.0");
        break;
    case PROP_LOCATION:
        v = Value::String(m_location);
        break;
    case PROP_PROTOCOL_VERSION:
        v = Value::Unsigned(1);
        break;
    case PROP_PROTOCOL_REVISION:
        v = Value::Unsigned(kProtocolRevision);
        break;
    case PROP_PROTOCOL_SERVICES_SUPPORTED:
        // Those it executes: subscribe COV, create, delete, read, read
        // multiple, write, write multiple; time synchronization, who-has,
        // who-is, read range, UTC time synchronization, subscribe COV
        // property (bits of their own, not the service choices).
        v = Value::Bits(kServicesAtRevision, {5, 10, 11, 12, 14, 15, 16, 32, 33, 34, 35, 36, 38});
        break;
    case PROP_PROTOCOL_OBJECT_TYPES_SUPPORTED: {
        std::vector<int> types;
        for (const TypeProperties& t : kTypeProperties)
            types.push_back(static_cast<int>(t.type));
        v = Value::Bits(kObjectTypesAtRevision, types);
        break;
    }
    case PROP_MAX_APDU_LENGTH_ACCEPTED:
        v = Value::Unsigned(kMaxAPDU);
        break;
    case PROP_APDU_SEGMENT_TIMEOUT:
        v = Value::Unsigned(kSegmentTimeoutMs);
        break;
    case PROP_APDU_TIMEOUT:
        v = Value::Unsigned(kApduTimeoutMs);
        break;
    case PROP_NUMBER_OF_APDU_RETRIES:
        v = Value::Unsigned(kSegmentRetries);
        break;
    case PROP_DATABASE_REVISION:
        v = Value::Unsigned(db.Revision());
        break;
    case PROP_LOCAL_DATE:
        v = Value::Date(MakeDate(static_cast<unsigned>(now.tm_year), static_cast<unsigned>(now.tm_mon + 1),
                                 static_cast<unsigned>(now.tm_mday), Weekday(now)));
        break;
    case PROP_LOCAL_TIME:
        v = Value::Time(TimeOfDay(now));
        break;
    case PROP_UTC_OFFSET:  // minutes to add to local time for UTC
        v = Value::Signed(static_cast<int32_t>(-now.tm_gmtoff / 60));
        break;
    case PROP_DAYLIGHT_SAVINGS_STATUS:
        v = Value::Boolean(now.tm_isdst > 0);
        break;
    default:
        return UnknownProperty();
    }
    EncodeValue(out, v);
    return Status::Ok();
}

Status DeviceObject::WriteOwn(Database&, uint32_t property, uint32_t, const WriteData& value)
{
    return property == PROP_LOCATION ? ReadText(value, m_location) : Denied();
}

}  // namespace bacnetsim
