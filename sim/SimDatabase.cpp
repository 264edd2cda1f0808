#include "SimDatabase.h"

#include <algorithm>

#include "SimTrendLog.h"

namespace bacnetsim {

namespace {

constexpr unsigned kYear2025 = 125;  // years count from 1900
constexpr unsigned kAny = 0xFF;
constexpr uint32_t kDegreesCelsius = 62, kPercent = 98;
constexpr uint32_t kFirstExtraInstance = 1000;
constexpr uint32_t kTrendLogRecords = 1000, kTrendLogSeconds = 5;

CalendarEntry Day(uint32_t date)
{
    CalendarEntry e;
    e.kind = CalendarEntry::DATE;
    e.date = date;
    return e;
}

CalendarEntry Days(uint32_t first, uint32_t last)
{
    CalendarEntry e;
    e.kind = CalendarEntry::DATE_RANGE;
    e.date = first;
    e.last = last;
    return e;
}

CalendarEntry WeekNDay(unsigned month, unsigned week, unsigned weekday)
{
    CalendarEntry e;
    e.kind = CalendarEntry::WEEK_N_DAY;
    e.weekNDay[0] = static_cast<unsigned char>(month);
    e.weekNDay[1] = static_cast<unsigned char>(week);
    e.weekNDay[2] = static_cast<unsigned char>(weekday);
    return e;
}

SpecialEvent Closed(const CalendarEntry& entry, unsigned priority)
{
    SpecialEvent event;
    event.entry = entry;
    event.values = {{MakeTime(0, 0), Value::Enumerated(0)}};
    event.priority = priority;
    return event;
}

std::unique_ptr<ScheduleObject> OccupancySchedule(uint32_t calendarID, uint32_t fanID)
{
    auto schedule = std::make_unique<ScheduleObject>(1, "Occupancy Schedule");
    schedule->m_effectivePeriod = {MakeDate(kYear2025, 1, 1, kAny), MakeDate(199, 12, 31, kAny)};
    for (int day = 0; day < 5; day++)  // Monday to Friday
        schedule->m_week[day] = {{MakeTime(8, 0), Value::Enumerated(1)}, {MakeTime(18, 0), Value::Enumerated(0)}};
    schedule->m_exceptions = {
        Closed(Day(MakeDate(kYear2025, 7, 4, 5)), 10),
        Closed(Days(MakeDate(kYear2025, 12, 24, 3), MakeDate(kYear2025, 12, 31, 3)), 12),
        Closed(WeekNDay(1, 3, 1), 14),  // the third Monday of January
    };
    SpecialEvent holidays = Closed(CalendarEntry(), 16);
    holidays.byReference = true;
    holidays.calendarID = calendarID;
    schedule->m_exceptions.push_back(holidays);
    PropertyReference fan;
    fan.objectID = fanID;
    fan.propertyID = PROP_PRESENT_VALUE;
    schedule->m_references = {fan};
    return schedule;
}

std::unique_ptr<CommandableObject> NewValueObject(uint32_t type, uint32_t instance, const std::string& name)
{
    if (type == OBJ_BINARY_VALUE)
        return std::make_unique<CommandableObject>(type, instance, name, Value::Enumerated(0));
    if (type == OBJ_MULTI_STATE_VALUE) {
        auto object = std::make_unique<CommandableObject>(type, instance, name, Value::Unsigned(1));
        object->m_stateTexts = {"State 1", "State 2", "State 3"};
        return object;
    }
    return std::make_unique<CommandableObject>(type, instance, name, Value::Real(0));
}

std::string TypeName(uint32_t type)
{
    return type == OBJ_BINARY_VALUE ? "Binary Value" : type == OBJ_MULTI_STATE_VALUE ? "Multi-state Value"
                                                                                      : "Analog Value";
}

}  // namespace

Database::Database(uint32_t deviceInstance, int extraObjects)
    : m_deviceID(MakeObjectID(OBJ_DEVICE, deviceInstance)), m_started(std::chrono::steady_clock::now()),
      m_startedWall(std::time(nullptr))
{
    Add(std::make_unique<DeviceObject>(ObjectInstance(m_deviceID),
                                       "Simulated Device " + std::to_string(ObjectInstance(m_deviceID))));
    // 20 to 23 and back in steps of 0.25 a second: a change worth a
    // notification every second.
    Add(std::make_unique<AnalogInputObject>(1, "Zone Temperature", kDegreesCelsius, 21.5f, 1.5f, 24,
                                            AnalogInputObject::RAMP));
    Add(std::make_unique<AnalogInputObject>(2, "Outside Air Temperature", kDegreesCelsius, 8.0f, 4.0f, 600));
    Add(std::make_unique<AnalogInputObject>(3, "Zone Humidity", kPercent, 45.0f, 5.0f, 300));

    auto valve = std::make_unique<CommandableObject>(OBJ_ANALOG_OUTPUT, 1, "Cooling Valve", Value::Real(0));
    valve->m_units = kPercent;
    Add(std::move(valve));
    auto setpoint = std::make_unique<CommandableObject>(OBJ_ANALOG_VALUE, 1, "Zone Setpoint", Value::Real(21));
    setpoint->m_units = kDegreesCelsius;
    Add(std::move(setpoint));
    Add(NewValueObject(OBJ_BINARY_VALUE, 1, "Fan Enable"));
    auto mode = NewValueObject(OBJ_MULTI_STATE_VALUE, 1, "Operating Mode");
    mode->m_stateTexts = {"Off", "Heat", "Cool", "Auto"};
    Add(std::move(mode));

    auto calendar = std::make_unique<CalendarObject>(1, "Holidays");
    calendar->m_dates = {Day(MakeDate(kAny, 1, 1, kAny)),
                         Days(MakeDate(kYear2025, 12, 24, 3), MakeDate(kYear2025, 12, 26, 5)),
                         WeekNDay(11, 4, 4)};  // the fourth Thursday of November
    const uint32_t calendarID = calendar->Id();
    Add(std::move(calendar));
    Add(OccupancySchedule(calendarID, MakeObjectID(OBJ_BINARY_VALUE, 1)));
    auto log = std::make_unique<TrendLogObject>(1, "Zone Temperature Log", MakeObjectID(OBJ_ANALOG_INPUT, 1),
                                                kTrendLogRecords, kTrendLogSeconds);
    m_trendLogs.push_back(log.get());
    Add(std::move(log));

    for (int i = 0; i < extraObjects && m_objects.size() < kMaxObjects; i++) {
        const uint32_t instance = kFirstExtraInstance + static_cast<uint32_t>(i);
        Add(NewValueObject(OBJ_ANALOG_VALUE, instance, "Extra Value " + std::to_string(instance)));
    }
}

void Database::Add(std::unique_ptr<SimObject> object)
{
    const uint32_t id = object->Id();
    m_names[object->Name()] = id;
    m_objects[id] = std::move(object);
}

SimObject* Database::Find(uint32_t id)
{
    auto it = m_objects.find(id);
    return it == m_objects.end() ? nullptr : it->second.get();
}

const SimObject* Database::Find(uint32_t id) const
{
    auto it = m_objects.find(id);
    return it == m_objects.end() ? nullptr : it->second.get();
}

const SimObject* Database::FindByName(const std::string& name) const
{
    auto it = m_names.find(name);
    return it == m_names.end() ? nullptr : Find(it->second);
}

std::vector<uint32_t> Database::ObjectList() const
{
    std::vector<uint32_t> list;
    list.reserve(m_objects.size());
    list.push_back(m_deviceID);
    for (const auto& entry : m_objects)
        if (entry.first != m_deviceID)
            list.push_back(entry.first);
    return list;
}

Status Database::Create(uint32_t type, bool withInstance, uint32_t instance, uint32_t& created)
{
    if (type != OBJ_ANALOG_VALUE && type != OBJ_BINARY_VALUE && type != OBJ_MULTI_STATE_VALUE)
        return Status::Fail(CLASS_OBJECT, type < 64 ? CODE_DYNAMIC_CREATION_NOT_SUPPORTED : CODE_UNSUPPORTED_OBJECT_TYPE);
    if (m_objects.size() >= kMaxObjects)
        return Status::Fail(CLASS_RESOURCES, CODE_NO_SPACE_FOR_OBJECT);
    if (withInstance) {
        // 4194303 stands for "no instance" on the wire.
        if (instance >= 0x3FFFFF)
            return Status::Fail(CLASS_PROPERTY, CODE_VALUE_OUT_OF_RANGE);
        if (Find(MakeObjectID(type, instance)))
            return Status::Fail(CLASS_OBJECT, CODE_OBJECT_IDENTIFIER_ALREADY_EXISTS);
    } else {
        uint32_t& from = m_freeFrom.emplace(type, 1).first->second;
        while (from < 0x3FFFFF && Find(MakeObjectID(type, from)))
            from++;
        if (from >= 0x3FFFFF)
            return Status::Fail(CLASS_RESOURCES, CODE_NO_SPACE_FOR_OBJECT);
        instance = from++;
    }
    std::string name = TypeName(type) + " " + std::to_string(instance);
    while (FindByName(name))
        name += "'";
    auto object = NewValueObject(type, instance, name);
    created = object->Id();
    Add(std::move(object));
    m_revision++;
    return Status::Ok();
}

Status Database::Delete(uint32_t id)
{
    const SimObject* object = Find(id);
    if (!object)
        return Status::Fail(CLASS_OBJECT, CODE_UNKNOWN_OBJECT);
    if (!object->Deletable())
        return Status::Fail(CLASS_OBJECT, CODE_OBJECT_DELETION_NOT_PERMITTED);
    m_names.erase(object->Name());
    auto from = m_freeFrom.find(ObjectType(id));
    if (from != m_freeFrom.end())
        from->second = std::min(from->second, ObjectInstance(id));
    m_objects.erase(id);
    m_revision++;
    return Status::Ok();
}

Status Database::Rename(SimObject& object, const std::string& name)
{
    const SimObject* other = FindByName(name);
    if (other && other != &object)
        return Status::Fail(CLASS_PROPERTY, CODE_DUPLICATE_NAME);
    m_names.erase(object.m_name);
    object.m_name = name;
    m_names[name] = object.Id();
    return Status::Ok();
}

double Database::Uptime() const
{
    return m_held ? m_heldUptime : std::chrono::duration<double>(std::chrono::steady_clock::now() - m_started).count();
}

void Database::HoldClock()
{
    m_heldUptime = Uptime();
    m_held = true;
}

void Database::Advance(double seconds)
{
    if (m_held && seconds > 0)
        m_heldUptime += seconds;
}

std::time_t Database::WallClock() const
{
    return m_held ? m_startedWall + static_cast<std::time_t>(m_heldUptime) : std::time(nullptr);
}

std::time_t Database::Clock() const
{
    return WallClock() + static_cast<std::time_t>(m_clockOffset);
}

void Database::Tick()
{
    for (TrendLogObject* log : m_trendLogs)
        log->Step(*this);
}

std::tm Database::Now() const
{
    const std::time_t now = Clock();
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

void Database::SetClock(uint32_t date, uint32_t time, bool utc)
{
    const unsigned year = date >> 24, month = date >> 16 & 0xFF, day = date >> 8 & 0xFF;
    const unsigned hour = time >> 24, minute = time >> 16 & 0xFF, second = time >> 8 & 0xFF;
    // An unspecified field gives no instant to set the clock to.
    if (year == 0xFF || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59)
        return;
    std::tm wanted{};
    wanted.tm_year = static_cast<int>(year);
    wanted.tm_mon = static_cast<int>(month) - 1;
    wanted.tm_mday = static_cast<int>(day);
    wanted.tm_hour = static_cast<int>(hour);
    wanted.tm_min = static_cast<int>(minute);
    wanted.tm_sec = static_cast<int>(second);
    wanted.tm_isdst = -1;
    const std::time_t target = utc ? timegm(&wanted) : mktime(&wanted);
    if (target != static_cast<std::time_t>(-1))
        m_clockOffset = static_cast<long long>(target) - static_cast<long long>(WallClock());
}

}  // namespace bacnetsim
