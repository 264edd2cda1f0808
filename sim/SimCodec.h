// Values of the simulated device and their wire forms. Replies are written
// with the library's tag encoders into a buffer that grows on demand (the
// encoders trust the caller for room); requests are read through bounded
// tag decoders, so a truncated or hostile value is refused, never overrun.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame/Tag.h"

namespace bacnetsim {

// A reply under construction.
class Writer {
public:
    int len = 0;  // octets written so far, the cursor of the library's encoders

    // The buffer, with room for `n` more octets at `len`.
    unsigned char* Room(int n);
    const unsigned char* Data() const { return m_data.data(); }
    std::vector<unsigned char> Octets() const { return {m_data.begin(), m_data.begin() + len}; }

private:
    std::vector<unsigned char> m_data;
};

// Dates and times as the library's codecs hold them: one octet per field,
// the first on the wire highest. 0xFF in a field is "any".
inline uint32_t MakeDate(unsigned yearSince1900, unsigned month, unsigned day, unsigned weekday)
{
    return (yearSince1900 & 0xFF) << 24 | (month & 0xFF) << 16 | (day & 0xFF) << 8 | (weekday & 0xFF);
}
inline uint32_t MakeTime(unsigned hour, unsigned minute, unsigned second = 0, unsigned hundredths = 0)
{
    return (hour & 0xFF) << 24 | (minute & 0xFF) << 16 | (second & 0xFF) << 8 | (hundredths & 0xFF);
}
inline uint32_t MakeObjectID(uint32_t type, uint32_t instance) { return (type & 0x3FF) << 22 | (instance & 0x3FFFFF); }
inline uint32_t ObjectType(uint32_t id) { return id >> 22; }
inline uint32_t ObjectInstance(uint32_t id) { return id & 0x3FFFFF; }

// One primitive application-tagged value.
struct Value {
    unsigned char type = CBACnetTag::TYPE_NULL;  // the application tag number
    // Boolean, Unsigned, Enumerated, Date, Time, Object Identifier; a Signed
    // value as its two's complement.
    uint32_t u = 0;
    float real = 0;
    double dbl = 0;
    std::string octets;            // Character String, Octet String, Bit String data
    unsigned char unusedBits = 0;  // Bit String: unused bits of the last octet
    unsigned char charset = 0;     // Character String: 0 is UTF-8, the only set the device writes

    static Value Null() { return Value(); }
    static Value Boolean(bool b) { return Of(CBACnetTag::TYPE_BOOLEAN, b ? 1 : 0); }
    static Value Unsigned(uint32_t n) { return Of(CBACnetTag::TYPE_UNSIGNED, n); }
    static Value Signed(int32_t n) { return Of(CBACnetTag::TYPE_SIGNED, static_cast<uint32_t>(n)); }
    static Value Enumerated(uint32_t n) { return Of(CBACnetTag::TYPE_ENUMERATED, n); }
    static Value Date(uint32_t d) { return Of(CBACnetTag::TYPE_DATE, d); }
    static Value Time(uint32_t t) { return Of(CBACnetTag::TYPE_TIME, t); }
    static Value ObjectID(uint32_t id) { return Of(CBACnetTag::TYPE_OBJECT_ID, id); }
    static Value Real(float r);
    static Value String(const std::string& text);
    // A bit string of `bits` bits with the listed bits (0 = first) set.
    static Value Bits(int bits, const std::vector<int>& set);

    bool IsNull() const { return type == CBACnetTag::TYPE_NULL; }
    bool operator==(const Value& other) const;
    bool operator!=(const Value& other) const { return !(*this == other); }
    // Short text for the log.
    std::string Describe() const;

private:
    static Value Of(unsigned char type, uint32_t n)
    {
        Value v;
        v.type = type;
        v.u = n;
        return v;
    }
};

struct TimeValue {
    uint32_t time = 0;
    Value value;
};
using DaySchedule = std::vector<TimeValue>;

// A calendar entry: one date, a date range, or a month/week/weekday pattern.
struct CalendarEntry {
    enum { DATE = 0, DATE_RANGE = 1, WEEK_N_DAY = 2 };
    int kind = DATE;
    uint32_t date = 0;   // DATE, or the first date of a DATE_RANGE
    uint32_t last = 0;   // DATE_RANGE
    unsigned char weekNDay[3] = {0xFF, 0xFF, 0xFF};  // month, week of month, weekday
};

struct SpecialEvent {
    bool byReference = false;  // the period is a Calendar object, not an entry
    CalendarEntry entry;
    uint32_t calendarID = 0;
    DaySchedule values;
    unsigned priority = 16;
};

struct DateRange {
    uint32_t first = 0;
    uint32_t last = 0;
};

// An object property reference, optionally with array index and device.
struct PropertyReference {
    uint32_t objectID = 0;
    uint32_t propertyID = 0;
    bool hasIndex = false;
    uint32_t index = 0;
    bool hasDevice = false;
    uint32_t deviceID = 0;
};

// Encoders: each appends at w.len.
void EncodeValue(Writer& w, const Value& v);
void EncodeUnsigned(Writer& w, int cls, int tag, uint32_t n);  // in as few octets as it needs
void EncodeObjectID(Writer& w, int cls, int tag, uint32_t id);
void EncodeOpening(Writer& w, int tag);
void EncodeClosing(Writer& w, int tag);
void EncodeDaySchedule(Writer& w, const DaySchedule& day);  // 0E entries 0F
void EncodeCalendarEntry(Writer& w, const CalendarEntry& entry);
void EncodeSpecialEvent(Writer& w, const SpecialEvent& event);
void EncodeDateRange(Writer& w, const DateRange& range);
void EncodeReference(Writer& w, const PropertyReference& ref);

// Decoders. Each reads at buf[len] through `in`, whose end bounds it; 1 on
// success, 0 refused (`len` is then meaningless to the caller).
//
// The next tag header, without consuming it.
int PeekHeader(CBACnetTag& in, unsigned char* buf, int len);
// Consumes an opening (closing) tag of number `tag`, or refuses.
int ExpectOpening(CBACnetTag& in, unsigned char* buf, int& len, int tag);
int ExpectClosing(CBACnetTag& in, unsigned char* buf, int& len, int tag);
// 1 when the next header is a closing tag of number `tag`.
int NextIsClosing(CBACnetTag& in, unsigned char* buf, int len, int tag);
// The content of an unsigned or enumerated value (any class) whose header
// `in` just read; at most four octets.
int ReadUnsignedContent(CBACnetTag& in, unsigned char* buf, int& len, uint32_t& out);
// A context-tagged unsigned (or enumerated) value of tag number `tag`.
int ReadContextUnsigned(CBACnetTag& in, unsigned char* buf, int& len, int tag, uint32_t& out);
// A four-octet object identifier of the given class and tag number.
int ReadObjectID(CBACnetTag& in, unsigned char* buf, int& len, int cls, int tag, uint32_t& out);
// One application-tagged primitive value.
int DecodeValue(CBACnetTag& in, unsigned char* buf, int& len, Value& out);
// The content of the application value whose header `in` just read.
int DecodeValueContent(CBACnetTag& in, unsigned char* buf, int& len, Value& out);
// The content of a character string whose header `in` just read, of any
// class: its octets, whatever the character set.
int ReadTextContent(CBACnetTag& in, unsigned char* buf, int& len, std::string& out);
int DecodeDaySchedule(CBACnetTag& in, unsigned char* buf, int& len, DaySchedule& out);
int DecodeCalendarEntry(CBACnetTag& in, unsigned char* buf, int& len, CalendarEntry& out);
int DecodeSpecialEvent(CBACnetTag& in, unsigned char* buf, int& len, SpecialEvent& out);
int DecodeDateRange(CBACnetTag& in, unsigned char* buf, int& len, DateRange& out);
int DecodeReference(CBACnetTag& in, unsigned char* buf, int& len, PropertyReference& out);
// Passes over the constructed value whose opening tag `tag` was just read,
// up to and including its closing tag.
int SkipConstructed(CBACnetTag& in, unsigned char* buf, int& len, int tag);
// Passes over whole tagged values up to the end `in` knows, every opening
// tag closed: 1 when the data is exactly that.
int SkipTagged(CBACnetTag& in, unsigned char* buf, int& len);

}  // namespace bacnetsim
