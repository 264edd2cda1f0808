// The objects of the simulated device and their properties: what each
// object type offers, how each property is encoded for a read, and which
// writes it accepts.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "SimCodec.h"

namespace bacnetsim {

enum ObjectTypeCode : uint32_t {
    OBJ_ANALOG_INPUT = 0,
    OBJ_ANALOG_OUTPUT = 1,
    OBJ_ANALOG_VALUE = 2,
    OBJ_BINARY_INPUT = 3,
    OBJ_BINARY_OUTPUT = 4,
    OBJ_BINARY_VALUE = 5,
    OBJ_CALENDAR = 6,
    OBJ_DEVICE = 8,
    OBJ_MULTI_STATE_INPUT = 13,
    OBJ_MULTI_STATE_OUTPUT = 14,
    OBJ_SCHEDULE = 17,
    OBJ_MULTI_STATE_VALUE = 19,
    OBJ_TREND_LOG = 20,
};

enum PropertyCode : uint32_t {
    PROP_ACTIVE_TEXT = 4,
    PROP_ALL = 8,
    PROP_APDU_SEGMENT_TIMEOUT = 10,
    PROP_APDU_TIMEOUT = 11,
    PROP_APPLICATION_SOFTWARE_VERSION = 12,
    PROP_COV_INCREMENT = 22,
    PROP_DATE_LIST = 23,
    PROP_DAYLIGHT_SAVINGS_STATUS = 24,
    PROP_DESCRIPTION = 28,
    PROP_DEVICE_ADDRESS_BINDING = 30,
    PROP_EFFECTIVE_PERIOD = 32,
    PROP_EVENT_STATE = 36,
    PROP_EXCEPTION_SCHEDULE = 38,
    PROP_FIRMWARE_REVISION = 44,
    PROP_INACTIVE_TEXT = 46,
    PROP_LIST_OF_OBJECT_PROPERTY_REFERENCES = 54,
    PROP_LOCAL_DATE = 56,
    PROP_LOCAL_TIME = 57,
    PROP_LOCATION = 58,
    PROP_MAX_APDU_LENGTH_ACCEPTED = 62,
    PROP_MODEL_NAME = 70,
    PROP_NUMBER_OF_APDU_RETRIES = 73,
    PROP_NUMBER_OF_STATES = 74,
    PROP_OBJECT_IDENTIFIER = 75,
    PROP_OBJECT_LIST = 76,
    PROP_OBJECT_NAME = 77,
    PROP_OBJECT_TYPE = 79,
    PROP_OPTIONAL = 80,
    PROP_OUT_OF_SERVICE = 81,
    PROP_PRESENT_VALUE = 85,
    PROP_PRIORITY_ARRAY = 87,
    PROP_PRIORITY_FOR_WRITING = 88,
    PROP_PROTOCOL_OBJECT_TYPES_SUPPORTED = 96,
    PROP_PROTOCOL_SERVICES_SUPPORTED = 97,
    PROP_PROTOCOL_VERSION = 98,
    PROP_RELIABILITY = 103,
    PROP_RELINQUISH_DEFAULT = 104,
    PROP_REQUIRED = 105,
    PROP_SEGMENTATION_SUPPORTED = 107,
    PROP_STATE_TEXT = 110,
    PROP_STATUS_FLAGS = 111,
    PROP_SYSTEM_STATUS = 112,
    PROP_UNITS = 117,
    PROP_UTC_OFFSET = 119,
    PROP_VENDOR_IDENTIFIER = 120,
    PROP_VENDOR_NAME = 121,
    PROP_WEEKLY_SCHEDULE = 123,
    PROP_BUFFER_SIZE = 126,
    PROP_LOG_BUFFER = 131,
    PROP_LOG_DEVICE_OBJECT_PROPERTY = 132,
    PROP_ENABLE = 133,
    PROP_LOG_INTERVAL = 134,
    PROP_PROTOCOL_REVISION = 139,
    PROP_RECORD_COUNT = 141,
    PROP_STOP_WHEN_FULL = 144,
    PROP_TOTAL_RECORD_COUNT = 145,
    PROP_DATABASE_REVISION = 155,
    PROP_MAX_SEGMENTS_ACCEPTED = 167,
    PROP_SCHEDULE_DEFAULT = 174,
    PROP_LOGGING_TYPE = 197,
    PROP_PROPERTY_LIST = 371,
};

// The revision of the standard the device follows: the properties it serves
// and the lengths of its supported-services and object-types bit strings.
constexpr unsigned kProtocolRevision = 14;
constexpr int kObjectTypesAtRevision = 55;  // analog-input (0) to lighting-output (54)
constexpr int kServicesAtRevision = 41;     // acknowledge-alarm (0) to write-group (40)

enum ErrorClass : unsigned char { CLASS_DEVICE = 0, CLASS_OBJECT = 1, CLASS_PROPERTY = 2, CLASS_RESOURCES = 3 };

enum ErrorCode : unsigned char {
    CODE_DYNAMIC_CREATION_NOT_SUPPORTED = 4,
    CODE_INVALID_DATA_TYPE = 9,
    CODE_NO_SPACE_FOR_OBJECT = 18,
    CODE_NO_SPACE_TO_ADD_LIST_ELEMENT = 19,
    CODE_PROPERTY_IS_NOT_A_LIST = 22,
    CODE_OBJECT_DELETION_NOT_PERMITTED = 23,
    CODE_OBJECT_IDENTIFIER_ALREADY_EXISTS = 24,
    CODE_READ_ACCESS_DENIED = 27,
    CODE_UNKNOWN_OBJECT = 31,
    CODE_UNKNOWN_PROPERTY = 32,
    CODE_UNSUPPORTED_OBJECT_TYPE = 36,
    CODE_VALUE_OUT_OF_RANGE = 37,
    CODE_WRITE_ACCESS_DENIED = 40,
    CODE_CHARACTER_SET_NOT_SUPPORTED = 41,
    CODE_INVALID_ARRAY_INDEX = 42,
    CODE_DUPLICATE_NAME = 48,
    CODE_OPTIONAL_FUNCTIONALITY_NOT_SUPPORTED = 45,
    CODE_PROPERTY_IS_NOT_AN_ARRAY = 50,
};

// The outcome of one property access: success, or an error class and code.
struct Status {
    bool ok = true;
    unsigned char errorClass = 0;
    unsigned char errorCode = 0;

    static Status Ok() { return Status(); }
    static Status Fail(unsigned char cls, unsigned char code) { return Status{false, cls, code}; }
};

// No array index in the request.
constexpr uint32_t kNoIndex = 0xFFFFFFFF;

// The value of a write: buf[start, end) holds what stood between its
// opening and closing tag.
struct WriteData {
    unsigned char* buf = nullptr;
    int start = 0;
    int end = 0;
    unsigned priority = 16;
};

class Database;

class SimObject {
public:
    SimObject(uint32_t type, uint32_t instance, const std::string& name);
    virtual ~SimObject() = default;
    SimObject(const SimObject&) = delete;
    SimObject& operator=(const SimObject&) = delete;

    uint32_t Id() const { return m_id; }
    uint32_t Type() const { return ObjectType(m_id); }
    const std::string& Name() const { return m_name; }

    // The properties the object has, as its type has them: its required
    // ones (identifier, name and type first, property-list last), then its
    // optional ones. The order ALL and property-list give them in.
    struct PropertyTable {
        const uint32_t* list;
        size_t count;
        size_t required;  // the first `required` of the list
    };
    PropertyTable Properties() const;
    bool Has(uint32_t property) const;
    Status Read(const Database& db, uint32_t property, uint32_t index, Writer& out) const;
    Status Write(Database& db, uint32_t property, uint32_t index, const WriteData& value);
    // A property that is one primitive value, read into `out`.
    Status ReadValue(const Database& db, uint32_t property, uint32_t index, Value& out) const;
    virtual bool Deletable() const { return false; }
    // Analog, binary and multi-state objects report changes of value to subscribers.
    bool ReportsChanges() const;

protected:
    friend class Database;  // keeps the index of names

    virtual bool IsArray(uint32_t property) const { return property == PROP_PROPERTY_LIST; }
    virtual Status ReadOwn(const Database& db, uint32_t property, uint32_t index, Writer& out) const = 0;
    // Only properties the object has and that are arrays when indexed reach here.
    virtual Status WriteOwn(Database& db, uint32_t property, uint32_t index, const WriteData& value);

    uint32_t m_id;
    std::string m_name;
    std::string m_description;
};

// Objects with the status properties of a point.
class PointObject : public SimObject {
public:
    using SimObject::SimObject;

protected:
    Status ReadOwn(const Database& db, uint32_t property, uint32_t index, Writer& out) const override;
    Status WriteOwn(Database& db, uint32_t property, uint32_t index, const WriteData& value) override;

    bool m_outOfService = false;
    float m_covIncrement = 0.1f;  // analog objects: the change worth a notification
};

// An analog input whose present value drifts around a base value, moving
// once a second: along a sine, or up and down a ramp of equal steps.
class AnalogInputObject : public PointObject {
public:
    enum Shape { SINE, RAMP };
    AnalogInputObject(uint32_t instance, const std::string& name, uint32_t units, float base, float swing,
                      double periodSeconds, Shape shape = SINE);

protected:
    Status ReadOwn(const Database& db, uint32_t property, uint32_t index, Writer& out) const override;
    Status WriteOwn(Database& db, uint32_t property, uint32_t index, const WriteData& value) override;

private:
    float Current(const Database& db) const;

    uint32_t m_units;
    float m_base, m_swing;
    double m_period;
    Shape m_shape;
    float m_heldValue = 0;  // the present value while out of service
};

// Analog output and value, binary value, multi-state value: a present
// value commanded through a 16-slot priority array.
class CommandableObject : public PointObject {
public:
    enum { PRIORITIES = 16 };

    CommandableObject(uint32_t type, uint32_t instance, const std::string& name, const Value& relinquishDefault);
    bool Deletable() const override { return Type() != OBJ_ANALOG_OUTPUT; }

    // The highest-priority slot that is not Null, else the relinquish default.
    Value PresentValue() const;

    uint32_t m_units = 95;  // no-units; analog objects only
    std::vector<std::string> m_stateTexts;  // multi-state value: one per state
    std::string m_activeText = "On", m_inactiveText = "Off";  // binary value

protected:
    bool IsArray(uint32_t property) const override;
    Status ReadOwn(const Database& db, uint32_t property, uint32_t index, Writer& out) const override;
    Status WriteOwn(Database& db, uint32_t property, uint32_t index, const WriteData& value) override;

private:
    // A value the present value may take: the right type and in range.
    Status Check(const Value& v) const;

    unsigned char m_valueType;
    Value m_slots[PRIORITIES];
    Value m_relinquishDefault;
};

class CalendarObject : public SimObject {
public:
    CalendarObject(uint32_t instance, const std::string& name);
    bool Contains(const std::tm& day) const;

    std::vector<CalendarEntry> m_dates;

protected:
    Status ReadOwn(const Database& db, uint32_t property, uint32_t index, Writer& out) const override;
    Status WriteOwn(Database& db, uint32_t property, uint32_t index, const WriteData& value) override;
};

class ScheduleObject : public PointObject {
public:
    enum { DAYS = 7 };

    ScheduleObject(uint32_t instance, const std::string& name);
    // What the schedule says now: the highest-priority special event of the
    // day, else the weekly schedule, else the schedule default.
    Value PresentValue(const Database& db) const;

    DateRange m_effectivePeriod;
    DaySchedule m_week[DAYS];  // Monday first
    std::vector<SpecialEvent> m_exceptions;
    Value m_scheduleDefault;
    std::vector<PropertyReference> m_references;
    unsigned m_priorityForWriting = 16;

protected:
    bool IsArray(uint32_t property) const override;
    Status ReadOwn(const Database& db, uint32_t property, uint32_t index, Writer& out) const override;
    Status WriteOwn(Database& db, uint32_t property, uint32_t index, const WriteData& value) override;
};

class DeviceObject : public SimObject {
public:
    DeviceObject(uint32_t instance, const std::string& name);

    static constexpr unsigned kMaxAPDU = 1476;
    // Segmented-transmit: long replies go in segments, a segmented request
    // is refused.
    static constexpr unsigned kSegmentation = 1;
    static constexpr unsigned kVendorID = 999;
    static constexpr const char* kVendorName = "bacnet-codec";
    std::string m_location = "On the desk";

protected:
    bool IsArray(uint32_t property) const override;
    Status ReadOwn(const Database& db, uint32_t property, uint32_t index, Writer& out) const override;
    Status WriteOwn(Database& db, uint32_t property, uint32_t index, const WriteData& value) override;
};

// Calendar matching of a day against a date pattern (0xFF fields match any).
bool DateMatches(uint32_t date, const std::tm& day);
bool EntryMatches(const CalendarEntry& entry, const std::tm& day);

}  // namespace bacnetsim
