#include "SimCodec.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace bacnetsim {

namespace {

// The tag encoders take numbers in host order, low octet first, and put
// them on the wire high octet first.
void ToHost(uint64_t n, unsigned char* out, int octets)
{
    for (int i = 0; i < octets; i++)
        out[i] = static_cast<unsigned char>(n >> (8 * i));
}

uint32_t FromHost(const unsigned char* in, int octets)
{
    uint32_t n = 0;
    for (int i = octets - 1; i >= 0; i--)
        n = n << 8 | in[i];
    return n;
}

int UnsignedOctets(uint32_t n)
{
    return n < 0x100 ? 1 : n < 0x10000 ? 2 : n < 0x1000000 ? 3 : 4;
}

int SignedOctets(int32_t n)
{
    if (n >= -0x80 && n < 0x80)
        return 1;
    if (n >= -0x8000 && n < 0x8000)
        return 2;
    return n >= -0x800000 && n < 0x800000 ? 3 : 4;
}

void EncodeNumber(Writer& w, int cls, int tag, uint64_t n, int octets)
{
    unsigned char host[8];
    ToHost(n, host, octets);
    CBACnetTag().MakeAnalogFrame(w.Room(octets + 8), w.len, cls, tag, octets, host);
}

// Header octet(s) plus `prefix` then `data`, copied as they stand.
void EncodeOctets(Writer& w, int tag, int prefix, const std::string& data)
{
    std::vector<unsigned char> content;
    if (prefix >= 0)
        content.push_back(static_cast<unsigned char>(prefix));
    content.insert(content.end(), data.begin(), data.end());
    const int n = static_cast<int>(content.size());
    CBACnetTag().MakeArrayFrame(w.Room(n + 8), w.len, CBACnetTag::CLASS_APPLICATION, tag, n, content.data());
}

// Reads `octets` content octets of numeric type `type` into a host number.
int ReadNumberContent(CBACnetTag& in, unsigned char* buf, int& len, int type, int octets, uint32_t& out)
{
    unsigned char host[4];
    int isNull;
    if (in.m_lvt != octets || !in.ReadDataFrame(host, type, sizeof host, buf, len, isNull))
        return 0;
    out = FromHost(host, 4);
    return 1;
}

int IsPrimitiveContext(const CBACnetTag& in, int tag)
{
    return in.m_class == CBACnetTag::CLASS_CONTEXT && in.m_tagNumber == tag && !in.IsOpening() && !in.IsClosing();
}

// Octet, character or bit string content of `n` = in.m_lvt octets, taken
// as they stand: a character string keeps its character set, a bit string
// its count of unused bits.
int ReadStringContent(CBACnetTag& in, unsigned char* buf, int& len, int type, Value& v)
{
    const int n = in.m_lvt;
    unsigned char lead = 0;
    if (!in.HasRoom(len, n) || (type != CBACnetTag::TYPE_OCTET_STRING && (n < 1 || !in.ReadOctet(buf, len, lead))))
        return 0;
    if (type == CBACnetTag::TYPE_BIT_STRING && lead > 7)
        return 0;
    std::string content(static_cast<size_t>(type == CBACnetTag::TYPE_OCTET_STRING ? n : n - 1), '\0');
    if (!in.ReadOctets(buf, len, &content[0], static_cast<int>(content.size())))
        return 0;
    v.octets = std::move(content);
    if (type == CBACnetTag::TYPE_BIT_STRING)
        v.unusedBits = lead;
    else if (type == CBACnetTag::TYPE_CHARACTER_STRING)
        v.charset = lead;
    return 1;
}

// Time/value entries up to (not including) the closing tag `closing`.
int DecodeTimeValues(CBACnetTag& in, unsigned char* buf, int& len, int closing, DaySchedule& out)
{
    while (!NextIsClosing(in, buf, len, closing)) {
        TimeValue entry;
        if (!in.ReadHeaderFrame(buf, len) || in.m_class != CBACnetTag::CLASS_APPLICATION ||
            in.m_tagNumber != CBACnetTag::TYPE_TIME ||
            !ReadNumberContent(in, buf, len, CBACnetTag::TYPE_TIME, 4, entry.time))
            return 0;
        if (!DecodeValue(in, buf, len, entry.value))
            return 0;
        out.push_back(entry);
    }
    return 1;
}

}  // namespace

unsigned char* Writer::Room(int n)
{
    const size_t need = static_cast<size_t>(len) + static_cast<size_t>(n);
    if (m_data.size() < need)
        m_data.resize(std::max({need, m_data.size() * 2, size_t(256)}));
    return m_data.data();
}

Value Value::Real(float r)
{
    Value v;
    v.type = CBACnetTag::TYPE_REAL;
    v.real = r;
    return v;
}

Value Value::String(const std::string& text)
{
    Value v;
    v.type = CBACnetTag::TYPE_CHARACTER_STRING;
    v.octets = text;
    return v;
}

Value Value::Bits(int bits, const std::vector<int>& set)
{
    Value v;
    v.type = CBACnetTag::TYPE_BIT_STRING;
    const int octets = (bits + 7) / 8;
    v.octets.assign(octets, '\0');
    v.unusedBits = static_cast<unsigned char>(octets * 8 - bits);
    for (int bit : set)
        if (bit >= 0 && bit < bits)
            v.octets[bit / 8] = static_cast<char>(v.octets[bit / 8] | (0x80 >> (bit % 8)));
    return v;
}

bool Value::operator==(const Value& other) const
{
    if (type != other.type)
        return false;
    switch (type) {
    case CBACnetTag::TYPE_NULL:
        return true;
    case CBACnetTag::TYPE_REAL:
        return real == other.real;
    case CBACnetTag::TYPE_DOUBLE:
        return dbl == other.dbl;
    case CBACnetTag::TYPE_OCTET_STRING:
    case CBACnetTag::TYPE_CHARACTER_STRING:
    case CBACnetTag::TYPE_BIT_STRING:
        return octets == other.octets && unusedBits == other.unusedBits && charset == other.charset;
    default:
        return u == other.u;
    }
}

std::string Value::Describe() const
{
    char text[64];
    switch (type) {
    case CBACnetTag::TYPE_NULL:
        return "Null";
    case CBACnetTag::TYPE_BOOLEAN:
        return u ? "TRUE" : "FALSE";
    case CBACnetTag::TYPE_REAL:
        snprintf(text, sizeof text, "%g", real);
        return text;
    case CBACnetTag::TYPE_DOUBLE:
        snprintf(text, sizeof text, "%g", dbl);
        return text;
    case CBACnetTag::TYPE_SIGNED:
        snprintf(text, sizeof text, "%d", static_cast<int32_t>(u));
        return text;
    case CBACnetTag::TYPE_CHARACTER_STRING:
        return "\"" + octets + "\"";
    case CBACnetTag::TYPE_OCTET_STRING:
    case CBACnetTag::TYPE_BIT_STRING:
        snprintf(text, sizeof text, "(%zu octets)", octets.size());
        return text;
    default:
        snprintf(text, sizeof text, "%u", u);
        return text;
    }
}

void EncodeUnsigned(Writer& w, int cls, int tag, uint32_t n)
{
    EncodeNumber(w, cls, tag, n, UnsignedOctets(n));
}

void EncodeObjectID(Writer& w, int cls, int tag, uint32_t id)
{
    EncodeNumber(w, cls, tag, id, 4);
}

void EncodeOpening(Writer& w, int tag)
{
    CBACnetTag().MakeProgramFrame(w.Room(2), w.len, tag, 1);
}

void EncodeClosing(Writer& w, int tag)
{
    CBACnetTag().MakeProgramFrame(w.Room(2), w.len, tag, 0);
}

void EncodeValue(Writer& w, const Value& v)
{
    const int app = CBACnetTag::CLASS_APPLICATION;
    switch (v.type) {
    case CBACnetTag::TYPE_NULL:
        CBACnetTag().MakeNullFrame(w.Room(1), w.len);
        break;
    case CBACnetTag::TYPE_BOOLEAN:
        CBACnetTag().MakeBoolFrame(w.Room(1), w.len, app, CBACnetTag::TYPE_BOOLEAN, v.u ? 1 : 0);
        break;
    case CBACnetTag::TYPE_UNSIGNED:
    case CBACnetTag::TYPE_ENUMERATED:
        EncodeUnsigned(w, app, v.type, v.u);
        break;
    case CBACnetTag::TYPE_SIGNED:
        EncodeNumber(w, app, v.type, v.u, SignedOctets(static_cast<int32_t>(v.u)));
        break;
    case CBACnetTag::TYPE_REAL: {
        uint32_t bits;
        memcpy(&bits, &v.real, sizeof bits);
        EncodeNumber(w, app, v.type, bits, 4);
        break;
    }
    case CBACnetTag::TYPE_DOUBLE: {
        uint64_t bits;
        memcpy(&bits, &v.dbl, sizeof bits);
        EncodeNumber(w, app, v.type, bits, 8);
        break;
    }
    case CBACnetTag::TYPE_OCTET_STRING:
        EncodeOctets(w, v.type, -1, v.octets);
        break;
    case CBACnetTag::TYPE_CHARACTER_STRING:
        EncodeOctets(w, v.type, v.charset, v.octets);
        break;
    case CBACnetTag::TYPE_BIT_STRING:
        EncodeOctets(w, v.type, v.unusedBits, v.octets);
        break;
    default:  // date, time, object identifier
        EncodeNumber(w, app, v.type, v.u, 4);
        break;
    }
}

void EncodeDaySchedule(Writer& w, const DaySchedule& day)
{
    EncodeOpening(w, 0);
    for (const TimeValue& entry : day) {
        EncodeValue(w, Value::Time(entry.time));
        EncodeValue(w, entry.value);
    }
    EncodeClosing(w, 0);
}

void EncodeCalendarEntry(Writer& w, const CalendarEntry& entry)
{
    const int ctx = CBACnetTag::CLASS_CONTEXT;
    switch (entry.kind) {
    case CalendarEntry::DATE:
        EncodeNumber(w, ctx, 0, entry.date, 4);
        break;
    case CalendarEntry::DATE_RANGE:
        EncodeOpening(w, 1);
        EncodeValue(w, Value::Date(entry.date));
        EncodeValue(w, Value::Date(entry.last));
        EncodeClosing(w, 1);
        break;
    default: {
        unsigned char octets[3] = {entry.weekNDay[0], entry.weekNDay[1], entry.weekNDay[2]};
        CBACnetTag().MakeArrayFrame(w.Room(8), w.len, ctx, 2, 3, octets);
        break;
    }
    }
}

void EncodeSpecialEvent(Writer& w, const SpecialEvent& event)
{
    if (event.byReference) {
        EncodeObjectID(w, CBACnetTag::CLASS_CONTEXT, 1, event.calendarID);
    } else {
        EncodeOpening(w, 0);
        EncodeCalendarEntry(w, event.entry);
        EncodeClosing(w, 0);
    }
    EncodeOpening(w, 2);
    for (const TimeValue& entry : event.values) {
        EncodeValue(w, Value::Time(entry.time));
        EncodeValue(w, entry.value);
    }
    EncodeClosing(w, 2);
    EncodeUnsigned(w, CBACnetTag::CLASS_CONTEXT, 3, event.priority);
}

void EncodeDateRange(Writer& w, const DateRange& range)
{
    EncodeValue(w, Value::Date(range.first));
    EncodeValue(w, Value::Date(range.last));
}

void EncodeReference(Writer& w, const PropertyReference& ref)
{
    const int ctx = CBACnetTag::CLASS_CONTEXT;
    EncodeObjectID(w, ctx, 0, ref.objectID);
    EncodeUnsigned(w, ctx, 1, ref.propertyID);
    if (ref.hasIndex)
        EncodeUnsigned(w, ctx, 2, ref.index);
    if (ref.hasDevice)
        EncodeObjectID(w, ctx, 3, ref.deviceID);
}

int PeekHeader(CBACnetTag& in, unsigned char* buf, int len)
{
    return in.ReadHeaderFrame(buf, len);
}

int ExpectOpening(CBACnetTag& in, unsigned char* buf, int& len, int tag)
{
    return in.ReadHeaderFrame(buf, len) && in.IsOpening(tag);
}

int ExpectClosing(CBACnetTag& in, unsigned char* buf, int& len, int tag)
{
    return in.ReadHeaderFrame(buf, len) && in.IsClosing(tag);
}

int NextIsClosing(CBACnetTag& in, unsigned char* buf, int len, int tag)
{
    return PeekHeader(in, buf, len) && in.IsClosing(tag);
}

int ReadUnsignedContent(CBACnetTag& in, unsigned char* buf, int& len, uint32_t& out)
{
    if (in.m_lvt < 1 || in.m_lvt > 4)
        return 0;
    unsigned char host[4];
    int isNull;
    if (!in.ReadDataFrame(host, CBACnetTag::TYPE_UNSIGNED, sizeof host, buf, len, isNull))
        return 0;
    out = FromHost(host, 4);
    return 1;
}

int ReadContextUnsigned(CBACnetTag& in, unsigned char* buf, int& len, int tag, uint32_t& out)
{
    return in.ReadHeaderFrame(buf, len) && IsPrimitiveContext(in, tag) && ReadUnsignedContent(in, buf, len, out);
}

int ReadObjectID(CBACnetTag& in, unsigned char* buf, int& len, int cls, int tag, uint32_t& out)
{
    if (!in.ReadHeaderFrame(buf, len) || in.m_class != cls || in.m_tagNumber != tag)
        return 0;
    if (cls == CBACnetTag::CLASS_CONTEXT && !IsPrimitiveContext(in, tag))
        return 0;
    return ReadNumberContent(in, buf, len, CBACnetTag::TYPE_OBJECT_ID, 4, out);
}

int DecodeValue(CBACnetTag& in, unsigned char* buf, int& len, Value& out)
{
    return in.ReadHeaderFrame(buf, len) && in.m_class == CBACnetTag::CLASS_APPLICATION &&
           DecodeValueContent(in, buf, len, out);
}

int DecodeValueContent(CBACnetTag& in, unsigned char* buf, int& len, Value& out)
{
    const int type = in.m_tagNumber;
    const int n = in.m_lvt;
    int isNull;
    Value v;
    v.type = static_cast<unsigned char>(type);
    switch (type) {
    case CBACnetTag::TYPE_NULL:
        if (n != 0)
            return 0;
        break;
    case CBACnetTag::TYPE_BOOLEAN:
        if (n > 1)
            return 0;
        v.u = static_cast<uint32_t>(n);
        break;
    case CBACnetTag::TYPE_UNSIGNED:
    case CBACnetTag::TYPE_ENUMERATED:
        if (!ReadUnsignedContent(in, buf, len, v.u))
            return 0;
        break;
    case CBACnetTag::TYPE_SIGNED: {
        unsigned char host[4];
        if (n < 1 || n > 4 || !in.ReadDataFrame(host, type, sizeof host, buf, len, isNull))
            return 0;
        v.u = FromHost(host, 4);
        break;
    }
    case CBACnetTag::TYPE_REAL: {
        uint32_t bits;
        if (!ReadNumberContent(in, buf, len, type, 4, bits))
            return 0;
        memcpy(&v.real, &bits, sizeof bits);
        break;
    }
    case CBACnetTag::TYPE_DOUBLE: {
        unsigned char host[8];
        if (n != 8 || !in.ReadDataFrame(host, type, sizeof host, buf, len, isNull))
            return 0;
        uint64_t bits = 0;
        for (int i = 7; i >= 0; i--)
            bits = bits << 8 | host[i];
        memcpy(&v.dbl, &bits, sizeof bits);
        break;
    }
    case CBACnetTag::TYPE_OCTET_STRING:
    case CBACnetTag::TYPE_CHARACTER_STRING:
    case CBACnetTag::TYPE_BIT_STRING:
        if (!ReadStringContent(in, buf, len, type, v))
            return 0;
        break;
    case CBACnetTag::TYPE_DATE:
    case CBACnetTag::TYPE_TIME:
    case CBACnetTag::TYPE_OBJECT_ID:
        if (!ReadNumberContent(in, buf, len, type, 4, v.u))
            return 0;
        break;
    default:
        return 0;
    }
    out = v;
    return 1;
}

int ReadTextContent(CBACnetTag& in, unsigned char* buf, int& len, std::string& out)
{
    Value v;
    if (!ReadStringContent(in, buf, len, CBACnetTag::TYPE_CHARACTER_STRING, v))
        return 0;
    out = v.octets;
    return 1;
}

int DecodeDaySchedule(CBACnetTag& in, unsigned char* buf, int& len, DaySchedule& out)
{
    DaySchedule day;
    if (!ExpectOpening(in, buf, len, 0) || !DecodeTimeValues(in, buf, len, 0, day) || !ExpectClosing(in, buf, len, 0))
        return 0;
    out = day;
    return 1;
}

int DecodeCalendarEntry(CBACnetTag& in, unsigned char* buf, int& len, CalendarEntry& out)
{
    CalendarEntry entry;
    int isNull;
    if (!in.ReadHeaderFrame(buf, len) || in.m_class != CBACnetTag::CLASS_CONTEXT)
        return 0;
    if (IsPrimitiveContext(in, 0)) {
        entry.kind = CalendarEntry::DATE;
        if (!ReadNumberContent(in, buf, len, CBACnetTag::TYPE_DATE, 4, entry.date))
            return 0;
    } else if (in.IsOpening(1)) {
        entry.kind = CalendarEntry::DATE_RANGE;
        Value first, last;
        if (!DecodeValue(in, buf, len, first) || first.type != CBACnetTag::TYPE_DATE ||
            !DecodeValue(in, buf, len, last) || last.type != CBACnetTag::TYPE_DATE || !ExpectClosing(in, buf, len, 1))
            return 0;
        entry.date = first.u;
        entry.last = last.u;
    } else if (IsPrimitiveContext(in, 2) && in.m_lvt == 3) {
        entry.kind = CalendarEntry::WEEK_N_DAY;
        if (!in.ReadDataFrame(entry.weekNDay, CBACnetTag::TYPE_OCTET_STRING, 3, buf, len, isNull))
            return 0;
    } else {
        return 0;
    }
    out = entry;
    return 1;
}

int DecodeSpecialEvent(CBACnetTag& in, unsigned char* buf, int& len, SpecialEvent& out)
{
    SpecialEvent event;
    if (!PeekHeader(in, buf, len))
        return 0;
    if (in.IsOpening(0)) {
        if (!ExpectOpening(in, buf, len, 0) || !DecodeCalendarEntry(in, buf, len, event.entry) ||
            !ExpectClosing(in, buf, len, 0))
            return 0;
    } else {
        event.byReference = true;
        if (!ReadObjectID(in, buf, len, CBACnetTag::CLASS_CONTEXT, 1, event.calendarID))
            return 0;
    }
    uint32_t priority;
    if (!ExpectOpening(in, buf, len, 2) || !DecodeTimeValues(in, buf, len, 2, event.values) ||
        !ExpectClosing(in, buf, len, 2) || !ReadContextUnsigned(in, buf, len, 3, priority))
        return 0;
    event.priority = priority;
    out = event;
    return 1;
}

int DecodeDateRange(CBACnetTag& in, unsigned char* buf, int& len, DateRange& out)
{
    Value first, last;
    if (!DecodeValue(in, buf, len, first) || first.type != CBACnetTag::TYPE_DATE || !DecodeValue(in, buf, len, last) ||
        last.type != CBACnetTag::TYPE_DATE)
        return 0;
    out.first = first.u;
    out.last = last.u;
    return 1;
}

int DecodeReference(CBACnetTag& in, unsigned char* buf, int& len, PropertyReference& out)
{
    PropertyReference ref;
    if (!ReadObjectID(in, buf, len, CBACnetTag::CLASS_CONTEXT, 0, ref.objectID) ||
        !ReadContextUnsigned(in, buf, len, 1, ref.propertyID))
        return 0;
    if (PeekHeader(in, buf, len) && IsPrimitiveContext(in, 2)) {
        ref.hasIndex = true;
        if (!ReadContextUnsigned(in, buf, len, 2, ref.index))
            return 0;
    }
    if (PeekHeader(in, buf, len) && IsPrimitiveContext(in, 3)) {
        ref.hasDevice = true;
        if (!ReadObjectID(in, buf, len, CBACnetTag::CLASS_CONTEXT, 3, ref.deviceID))
            return 0;
    }
    out = ref;
    return 1;
}

namespace {

// Passes over tags up to the closing tag `tag` at depth 0 or, for a tag of
// -1, up to the end of the data with every opening tag closed. Depth is
// counted, not recursed: hostile nesting costs no stack.
int SkipTags(CBACnetTag& in, unsigned char* buf, int& len, int tag)
{
    long depth = 0;
    for (;;) {
        if (tag < 0 && !in.HasRoom(len, 1))
            return depth == 0;
        if (!in.ReadHeaderFrame(buf, len))
            return 0;
        if (in.IsOpening()) {
            depth++;
        } else if (in.IsClosing()) {
            if (depth == 0)
                return in.m_tagNumber == tag;
            depth--;
        } else if (!in.SkipContent(len)) {
            return 0;
        }
    }
}

}  // namespace

int SkipConstructed(CBACnetTag& in, unsigned char* buf, int& len, int tag)
{
    return SkipTags(in, buf, len, tag);
}

int SkipTagged(CBACnetTag& in, unsigned char* buf, int& len)
{
    return SkipTags(in, buf, len, -1);
}

}  // namespace bacnetsim
