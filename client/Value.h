// Values as the client hands them over: one application-tagged primitive,
// a list of them (arrays and lists such as an object list or a priority
// array), or, for what has context tags, the raw octets between the
// enclosing tags.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "client/Bytes.h"
#include "library/Export.h"

namespace bacnet {

// Object types and properties the operations name most; any other number
// is just as valid (ObjectId{.., 130, ..}, PropertyId(4194303)).
namespace ObjectType {
enum : uint16_t {
    AnalogInput = 0, AnalogOutput = 1, AnalogValue = 2, BinaryInput = 3, BinaryOutput = 4, BinaryValue = 5,
    Calendar = 6, Device = 8, MultiStateInput = 13, MultiStateOutput = 14, Schedule = 17, MultiStateValue = 19,
};
}
using PropertyId = uint32_t;
namespace Property {
enum : PropertyId {
    Description = 28, ObjectIdentifier = 75, ObjectList = 76, ObjectName = 77, ObjectType = 79,
    PresentValue = 85, PriorityArray = 87, RelinquishDefault = 104, StatusFlags = 111, Units = 117,
    All = 8,
};
}
constexpr uint32_t kNoIndex = 0xFFFFFFFF;  // the whole property, not one array element

struct BACNET_API ObjectId {
    uint16_t m_type = 0;      // 0 .. 1023
    uint32_t m_instance = 0;  // 0 .. 4194303

    constexpr ObjectId() = default;
    constexpr ObjectId(uint16_t type, uint32_t instance) : m_type(type), m_instance(instance) {}
    static constexpr ObjectId FromWord(uint32_t word) { return ObjectId(uint16_t(word >> 22), word & 0x3FFFFF); }
    constexpr uint32_t Word() const { return uint32_t(m_type & 0x3FF) << 22 | (m_instance & 0x3FFFFF); }
    constexpr bool operator==(const ObjectId& o) const { return m_type == o.m_type && m_instance == o.m_instance; }
    constexpr bool operator!=(const ObjectId& o) const { return !(*this == o); }
    std::string ToString() const;  // "8:1234"
};

struct Enumerated {
    uint32_t m_value = 0;
    bool operator==(const Enumerated& o) const { return m_value == o.m_value; }
};
// Octets as sent: year - 1900, month, day, weekday (1 Monday); 255 unspecified.
struct Date {
    uint8_t m_year = 255, m_month = 255, m_day = 255, m_weekday = 255;
    bool operator==(const Date& o) const
    {
        return m_year == o.m_year && m_month == o.m_month && m_day == o.m_day && m_weekday == o.m_weekday;
    }
};
struct Time {
    uint8_t m_hour = 255, m_minute = 255, m_second = 255, m_hundredths = 255;
    bool operator==(const Time& o) const
    {
        return m_hour == o.m_hour && m_minute == o.m_minute && m_second == o.m_second &&
               m_hundredths == o.m_hundredths;
    }
};
struct BitString {
    std::vector<bool> m_bits;
    bool operator==(const BitString& o) const { return m_bits == o.m_bits; }
};
struct OctetString {
    Bytes m_octets;
    bool operator==(const OctetString& o) const { return m_octets == o.m_octets; }
};
// What the client does not take apart: the octets of a value with context
// tags, exactly as they arrived between the enclosing tags.
struct RawValue {
    Bytes m_octets;
    bool operator==(const RawValue& o) const { return m_octets == o.m_octets; }
};

class BACNET_API Value {
public:
    struct Null {
        bool operator==(const Null&) const { return true; }
    };
    using List = std::vector<Value>;
    using Variant = std::variant<Null, bool, uint64_t, int64_t, float, double, OctetString, std::string, BitString,
                                 Enumerated, Date, Time, ObjectId, List, RawValue>;

    Value() = default;
    template <class T, class = std::enable_if_t<!std::is_same_v<std::decay_t<T>, Value> &&
                                              std::is_constructible_v<Variant, T&&>>>
    Value(T&& v) : m_value(std::forward<T>(v)) {}  // NOLINT: values convert implicitly
    Value(const char* text) : m_value(std::string(text)) {}  // NOLINT
    static Value Unsigned(uint64_t v) { return Value(v); }
    static Value Signed(int64_t v) { return Value(v); }
    static Value Real(float v) { return Value(v); }
    static Value Enum(uint32_t v) { return Value(Enumerated{v}); }

    template <class T>
    bool Is() const { return std::holds_alternative<T>(m_value); }
    template <class T>
    const T* Get() const { return std::get_if<T>(&m_value); }
    bool IsNull() const { return Is<Null>(); }
    const Variant& Data() const { return m_value; }

    // A number as double when the value is Real, Double, Unsigned, Signed,
    // Enumerated or Boolean; false otherwise.
    bool ToNumber(double& out) const;
    // Readable: "22.5", "null", "true", "\"text\"", "enum 1", "{1, 2}", "8:1234", "2026-12-05".
    std::string ToString() const;

    bool operator==(const Value& o) const { return m_value == o.m_value; }
    bool operator!=(const Value& o) const { return !(*this == o); }

private:
    Variant m_value;
};

}  // namespace bacnet
