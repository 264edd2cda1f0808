#include "client/detail/TagReader.h"

#include <cstring>

#include "client/Bvlc.h"


namespace bacnet::detail {

namespace {

constexpr int kMaxDepth = 32;  // nesting of constructed values taken whole

unsigned char* Octets(ByteView data)
{
    // The codec's decoders take a mutable pointer and never write through it.
    return const_cast<unsigned char*>(data.data());
}

bool IsOpening(const CBACnetTag& tag, int number)
{
    return tag.IsOpening(number) != 0;
}

uint64_t BigEndian(const uint8_t* p, size_t n)
{
    uint64_t v = 0;
    for (size_t i = 0; i < n; i++)
        v = v << 8 | p[i];
    return v;
}

void AppendHeader(int cls, int tag, int lvt, Bytes& out)
{
    unsigned char header[8];
    int len = 0;
    CBACnetTag writer;
    writer.MakeHeaderFrame(header, len, cls, tag, lvt);
    out.insert(out.end(), header, header + len);
}

void AppendBigEndian(uint64_t v, size_t n, Bytes& out)
{
    for (size_t i = n; i-- > 0;)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

size_t UnsignedOctets(uint64_t v)
{
    size_t n = 1;
    while (n < 8 && (v >> (8 * n)) != 0)
        n++;
    return n;
}

}  // namespace

bool TagReader::PeekHeader(CBACnetTag& tag, int& after) const
{
    if (m_pos >= m_data.size())
        return false;
    tag = CBACnetTag(static_cast<int>(m_data.size()));
    after = static_cast<int>(m_pos);
    return tag.ReadHeaderFrame(Octets(m_data), after) != 0;
}

bool TagReader::ReadContent(const CBACnetTag& tag, int& pos, uint32_t& out) const
{
    if (tag.m_lvt < 1 || tag.m_lvt > 4 || !tag.HasRoom(pos, tag.m_lvt))
        return false;
    out = static_cast<uint32_t>(BigEndian(m_data.data() + pos, static_cast<size_t>(tag.m_lvt)));
    pos += tag.m_lvt;
    return true;
}

bool TagReader::ReadUnsigned(int number, uint32_t& out)
{
    CBACnetTag tag;
    int pos;
    if (!PeekHeader(tag, pos) || tag.m_class != CBACnetTag::CLASS_CONTEXT || tag.m_tagNumber != number ||
        tag.IsOpening() || tag.IsClosing() || !ReadContent(tag, pos, out))
        return false;
    m_pos = static_cast<size_t>(pos);
    return true;
}

bool TagReader::ReadOptionalUnsigned(int number, uint32_t& out, bool& present)
{
    CBACnetTag tag;
    int pos;
    present = PeekHeader(tag, pos) && tag.m_class == CBACnetTag::CLASS_CONTEXT && tag.m_tagNumber == number &&
              !tag.IsOpening() && !tag.IsClosing();
    return !present || ReadUnsigned(number, out);
}

bool TagReader::ReadObjectId(int number, ObjectId& out)
{
    CBACnetTag tag;
    int pos;
    uint32_t word;
    if (!PeekHeader(tag, pos) || tag.m_class != CBACnetTag::CLASS_CONTEXT || tag.m_tagNumber != number ||
        tag.m_lvt != 4 || !ReadContent(tag, pos, word))
        return false;
    out = ObjectId::FromWord(word);
    m_pos = static_cast<size_t>(pos);
    return true;
}

bool TagReader::ReadApplicationEnumerated(uint32_t& out)
{
    CBACnetTag tag;
    int pos;
    if (!PeekHeader(tag, pos) || tag.m_class != CBACnetTag::CLASS_APPLICATION ||
        tag.m_tagNumber != CBACnetTag::TYPE_ENUMERATED || !ReadContent(tag, pos, out))
        return false;
    m_pos = static_cast<size_t>(pos);
    return true;
}

bool TagReader::PeekOpening(int number) const
{
    CBACnetTag tag;
    int pos;
    return PeekHeader(tag, pos) && IsOpening(tag, number);
}

bool TagReader::PeekClosing(int number) const
{
    CBACnetTag tag;
    int pos;
    return PeekHeader(tag, pos) && tag.IsClosing(number);
}

bool TagReader::ExpectOpening(int number)
{
    CBACnetTag tag;
    int pos;
    if (!PeekHeader(tag, pos) || !IsOpening(tag, number))
        return false;
    m_pos = static_cast<size_t>(pos);
    return true;
}

bool TagReader::ExpectClosing(int number)
{
    CBACnetTag tag;
    int pos;
    if (!PeekHeader(tag, pos) || !tag.IsClosing(number))
        return false;
    m_pos = static_cast<size_t>(pos);
    return true;
}

bool TagReader::ReadUntilClosing(int number, ByteView& inside, bool& hasContextTags)
{
    const int end = static_cast<int>(m_data.size());
    CBACnetTag tag(end);
    int pos = static_cast<int>(m_pos);
    int depth = 0;
    hasContextTags = false;
    // A loop, not a recursion: hostile nesting costs no stack.
    for (;;) {
        const int start = pos;
        if (!tag.ReadHeaderFrame(Octets(m_data), pos))
            return false;
        if (tag.IsOpening()) {
            if (++depth > kMaxDepth)
                return false;
            hasContextTags = true;
            continue;
        }
        if (tag.IsClosing()) {
            if (depth == 0) {
                if (tag.m_tagNumber != number)
                    return false;
                inside = m_data.Sub(m_pos, static_cast<size_t>(start) - m_pos);
                m_pos = static_cast<size_t>(pos);
                return true;
            }
            depth--;
            continue;
        }
        if (tag.m_class == CBACnetTag::CLASS_CONTEXT)
            hasContextTags = true;
        // A Boolean's value is its length field: no content follows.
        const bool boolean = tag.m_class == CBACnetTag::CLASS_APPLICATION &&
                             tag.m_tagNumber == CBACnetTag::TYPE_BOOLEAN;
        if (!boolean && !tag.SkipContent(pos))
            return false;
    }
}

bool FromCodecValue(const CBACnetValue& in, Value& out)
{
    switch (in.m_kind) {
    case CBACnetTag::TYPE_NULL: out = Value::Null(); return true;
    case CBACnetTag::TYPE_BOOLEAN: out = Value(in.m_boolean); return true;
    case CBACnetTag::TYPE_UNSIGNED: out = Value::Unsigned(in.m_unsigned); return true;
    case CBACnetTag::TYPE_SIGNED: out = Value::Signed(in.m_signed); return true;
    case CBACnetTag::TYPE_REAL: out = Value(in.m_real); return true;
    case CBACnetTag::TYPE_DOUBLE: out = Value(in.m_double); return true;
    case CBACnetTag::TYPE_OCTET_STRING: out = Value(OctetString{in.m_octets}); return true;
    case CBACnetTag::TYPE_CHARACTER_STRING: out = Value(in.m_text); return true;
    case CBACnetTag::TYPE_BIT_STRING: {
        BitString bits;
        for (int i = 0; i < in.m_bitCount; i++)
            bits.m_bits.push_back(in.Bit(i));
        out = Value(std::move(bits));
        return true;
    }
    case CBACnetTag::TYPE_ENUMERATED:
        if (in.m_unsigned > 0xFFFFFFFFu)
            return false;
        out = Value::Enum(static_cast<uint32_t>(in.m_unsigned));
        return true;
    case CBACnetTag::TYPE_DATE:
        out = Value(Date{uint8_t(in.m_word >> 24), uint8_t(in.m_word >> 16), uint8_t(in.m_word >> 8), uint8_t(in.m_word)});
        return true;
    case CBACnetTag::TYPE_TIME:
        out = Value(Time{uint8_t(in.m_word >> 24), uint8_t(in.m_word >> 16), uint8_t(in.m_word >> 8), uint8_t(in.m_word)});
        return true;
    case CBACnetTag::TYPE_OBJECT_ID: out = Value(ObjectId::FromWord(in.m_word)); return true;
    default: return false;  // context-tagged: the caller keeps its octets
    }
}

bool FromCodecValues(const std::vector<CBACnetValue>& in, Value& out)
{
    Value::List values;
    for (const CBACnetValue& v : in) {
        Value value;
        if (!FromCodecValue(v, value))
            return false;
        values.push_back(std::move(value));
    }
    if (values.size() == 1)
        out = std::move(values.front());
    else
        out = Value(std::move(values));
    return true;
}

Value ValueOrRaw(const std::vector<CBACnetValue>& in)
{
    Value out;
    if (FromCodecValues(in, out))
        return out;
    Bytes octets;
    for (const CBACnetValue& item : in) {
        // Encoded again as received; the room grows until it fits (a
        // received value came in one datagram, so it soon does).
        for (size_t room = 256; room <= 2 * Bvlc::kMaxDatagram; room *= 2) {
            const size_t at = octets.size();
            octets.resize(at + room);
            int n = static_cast<int>(at);
            const bool fits = item.MakeFrame(octets.data(), n, static_cast<int>(octets.size())) != 0;
            octets.resize(fits ? static_cast<size_t>(n) : at);
            if (fits)
                break;
        }
    }
    return Value(RawValue{std::move(octets)});
}

bool DecodeValues(ByteView data, Value& out)
{
    std::vector<CBACnetValue> values;
    int pos = 0;
    return CBACnetValue::ReadList(data.data(), pos, static_cast<int>(data.size()), -1, values) &&
           pos == static_cast<int>(data.size()) && FromCodecValues(values, out);
}

bool DecodePropertyValue(ByteView inside, bool hasContextTags, Value& out)
{
    if (hasContextTags) {
        out = Value(RawValue{inside.ToBytes()});
        return true;
    }
    return DecodeValues(inside, out);
}

bool ToCodecValue(const Value& value, CBACnetValue& out)
{
    struct Converter {
        CBACnetValue& out;
        bool operator()(const Value::Null&) { out = CBACnetValue::Null(); return true; }
        bool operator()(bool b) { out = CBACnetValue::Boolean(b); return true; }
        bool operator()(uint64_t v) { out = CBACnetValue::Unsigned(v); return true; }
        bool operator()(int64_t v) { out = CBACnetValue::Signed(v); return true; }
        bool operator()(float f) { out = CBACnetValue::Real(f); return true; }
        bool operator()(double d) { out = CBACnetValue::Double(d); return true; }
        bool operator()(const OctetString& s) { out = CBACnetValue::Octets(s.m_octets); return true; }
        bool operator()(const std::string& text) { out = CBACnetValue::Text(text); return true; }
        bool operator()(const BitString& b) { out = CBACnetValue::Bits(b.m_bits); return true; }
        bool operator()(const Enumerated& e) { out = CBACnetValue::Enumerated(e.m_value); return true; }
        bool operator()(const Date& d)
        {
            out = CBACnetValue::Date(DWORD(d.m_year) << 24 | DWORD(d.m_month) << 16 | DWORD(d.m_day) << 8 | d.m_weekday);
            return true;
        }
        bool operator()(const Time& t)
        {
            out = CBACnetValue::Time(DWORD(t.m_hour) << 24 | DWORD(t.m_minute) << 16 | DWORD(t.m_second) << 8 |
                                     t.m_hundredths);
            return true;
        }
        bool operator()(const ObjectId& id) { out = CBACnetValue::ObjectID(id.Word()); return true; }
        bool operator()(const Value::List&) { return false; }
        bool operator()(const RawValue&) { return false; }
    };
    return std::visit(Converter{out}, value.Data());
}

bool EncodeValue(const Value& value, Bytes& out)
{
    if (const RawValue* raw = value.Get<RawValue>()) {
        out.insert(out.end(), raw->m_octets.begin(), raw->m_octets.end());
        return true;
    }
    if (const Value::List* list = value.Get<Value::List>()) {
        for (const Value& item : *list)
            if (item.Is<Value::List>() || !EncodeValue(item, out))
                return false;
        return true;
    }
    CBACnetValue codec;
    if (!ToCodecValue(value, codec))
        return false;
    // Room for the header and whatever content the value has.
    const size_t room = 16 + codec.m_text.size() + codec.m_octets.size();
    const size_t at = out.size();
    out.resize(at + room);
    int len = static_cast<int>(at);
    const bool ok = codec.MakeFrame(out.data(), len, static_cast<int>(out.size())) != 0;
    out.resize(ok ? static_cast<size_t>(len) : at);
    return ok;
}

void EncodeContextUnsigned(int tag, uint32_t value, Bytes& out)
{
    const size_t n = UnsignedOctets(value);
    AppendHeader(CBACnetTag::CLASS_CONTEXT, tag, static_cast<int>(n), out);
    AppendBigEndian(value, n, out);
}

void EncodeContextObjectId(int tag, const ObjectId& id, Bytes& out)
{
    AppendHeader(CBACnetTag::CLASS_CONTEXT, tag, 4, out);
    AppendBigEndian(id.Word(), 4, out);
}

void EncodeOpening(int tag, Bytes& out)
{
    AppendHeader(CBACnetTag::CLASS_CONTEXT, tag, CBACnetTag::LVT_OPENING, out);
}

void EncodeClosing(int tag, Bytes& out)
{
    AppendHeader(CBACnetTag::CLASS_CONTEXT, tag, CBACnetTag::LVT_CLOSING, out);
}

}  // namespace bacnet::detail
