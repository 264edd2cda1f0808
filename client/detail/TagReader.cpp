#include "client/detail/TagReader.h"

#include <cstring>

#include "client/detail/Text.h"

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

bool DecodePrimitive(int type, int lvt, const uint8_t* p, Value& out)
{
    const size_t n = static_cast<size_t>(lvt);
    switch (type) {
    case CBACnetTag::TYPE_NULL:
        if (n != 0)
            return false;
        out = Value::Null();
        return true;
    case CBACnetTag::TYPE_BOOLEAN:
        if (lvt > 1)
            return false;
        out = Value(lvt == 1);
        return true;
    case CBACnetTag::TYPE_UNSIGNED:
        if (n < 1 || n > 8)
            return false;
        out = Value::Unsigned(BigEndian(p, n));
        return true;
    case CBACnetTag::TYPE_SIGNED: {
        if (n < 1 || n > 8)
            return false;
        uint64_t v = BigEndian(p, n);
        if (n < 8 && (p[0] & 0x80))
            v |= ~uint64_t(0) << (8 * n);  // sign extension
        int64_t s;
        memcpy(&s, &v, sizeof s);
        out = Value::Signed(s);
        return true;
    }
    case CBACnetTag::TYPE_REAL: {
        if (n != 4)
            return false;
        const uint32_t bits = static_cast<uint32_t>(BigEndian(p, 4));
        float f;
        memcpy(&f, &bits, sizeof f);
        out = Value(f);
        return true;
    }
    case CBACnetTag::TYPE_DOUBLE: {
        if (n != 8)
            return false;
        const uint64_t bits = BigEndian(p, 8);
        double d;
        memcpy(&d, &bits, sizeof d);
        out = Value(d);
        return true;
    }
    case CBACnetTag::TYPE_OCTET_STRING:
        out = Value(OctetString{Bytes(p, p + n)});
        return true;
    case CBACnetTag::TYPE_CHARACTER_STRING: {
        std::string text;
        if (n < 1 || !ToUtf8(p[0], ByteView(p + 1, n - 1), text))
            return false;
        out = Value(std::move(text));
        return true;
    }
    case CBACnetTag::TYPE_BIT_STRING: {
        if (n < 1 || p[0] > 7 || (n == 1 && p[0] != 0))
            return false;
        BitString bits;
        const size_t count = (n - 1) * 8 - p[0];
        for (size_t i = 0; i < count; i++)
            bits.m_bits.push_back((p[1 + i / 8] >> (7 - i % 8)) & 1);
        out = Value(std::move(bits));
        return true;
    }
    case CBACnetTag::TYPE_ENUMERATED:
        if (n < 1 || n > 4)
            return false;
        out = Value::Enum(static_cast<uint32_t>(BigEndian(p, n)));
        return true;
    case CBACnetTag::TYPE_DATE:
        if (n != 4)
            return false;
        out = Value(Date{p[0], p[1], p[2], p[3]});
        return true;
    case CBACnetTag::TYPE_TIME:
        if (n != 4)
            return false;
        out = Value(Time{p[0], p[1], p[2], p[3]});
        return true;
    case CBACnetTag::TYPE_OBJECT_ID:
        if (n != 4)
            return false;
        out = Value(ObjectId::FromWord(static_cast<uint32_t>(BigEndian(p, 4))));
        return true;
    default:
        return false;
    }
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

bool DecodeValues(ByteView data, Value& out)
{
    const int end = static_cast<int>(data.size());
    Value::List values;
    int pos = 0;
    while (pos < end) {
        CBACnetTag tag(end);
        if (!tag.ReadHeaderFrame(Octets(data), pos) || tag.m_class != CBACnetTag::CLASS_APPLICATION)
            return false;
        const bool boolean = tag.m_tagNumber == CBACnetTag::TYPE_BOOLEAN;
        const int content = boolean ? 0 : tag.m_lvt;
        if (content < 0 || !tag.HasRoom(pos, content))
            return false;
        Value value;
        if (!DecodePrimitive(tag.m_tagNumber, tag.m_lvt, data.data() + pos, value))
            return false;
        pos += content;
        values.push_back(std::move(value));
    }
    if (values.size() == 1)
        out = std::move(values.front());
    else
        out = Value(std::move(values));
    return true;
}

bool DecodePropertyValue(ByteView inside, bool hasContextTags, Value& out)
{
    if (hasContextTags) {
        out = Value(RawValue{inside.ToBytes()});
        return true;
    }
    return DecodeValues(inside, out);
}

bool EncodeValue(const Value& value, Bytes& out)
{
    struct Encoder {
        Bytes& out;
        bool operator()(const Value::Null&) { out.push_back(0x00); return true; }
        bool operator()(bool b)
        {
            AppendHeader(CBACnetTag::CLASS_APPLICATION, CBACnetTag::TYPE_BOOLEAN, b ? 1 : 0, out);
            return true;
        }
        bool operator()(uint64_t v)
        {
            const size_t n = UnsignedOctets(v);
            AppendHeader(CBACnetTag::CLASS_APPLICATION, CBACnetTag::TYPE_UNSIGNED, static_cast<int>(n), out);
            AppendBigEndian(v, n, out);
            return true;
        }
        bool operator()(int64_t v)
        {
            size_t n = 1;
            while (n < 8 && !(v >= -(int64_t(1) << (8 * n - 1)) && v < (int64_t(1) << (8 * n - 1))))
                n++;
            AppendHeader(CBACnetTag::CLASS_APPLICATION, CBACnetTag::TYPE_SIGNED, static_cast<int>(n), out);
            uint64_t bits;
            memcpy(&bits, &v, sizeof bits);
            AppendBigEndian(bits, n, out);
            return true;
        }
        bool operator()(float f)
        {
            uint32_t bits;
            memcpy(&bits, &f, sizeof bits);
            AppendHeader(CBACnetTag::CLASS_APPLICATION, CBACnetTag::TYPE_REAL, 4, out);
            AppendBigEndian(bits, 4, out);
            return true;
        }
        bool operator()(double d)
        {
            uint64_t bits;
            memcpy(&bits, &d, sizeof bits);
            AppendHeader(CBACnetTag::CLASS_APPLICATION, CBACnetTag::TYPE_DOUBLE, 8, out);
            AppendBigEndian(bits, 8, out);
            return true;
        }
        bool operator()(const OctetString& s)
        {
            AppendHeader(CBACnetTag::CLASS_APPLICATION, CBACnetTag::TYPE_OCTET_STRING,
                         static_cast<int>(s.m_octets.size()), out);
            out.insert(out.end(), s.m_octets.begin(), s.m_octets.end());
            return true;
        }
        bool operator()(const std::string& text)
        {
            // Character set 0: the text goes as the UTF-8 it is.
            AppendHeader(CBACnetTag::CLASS_APPLICATION, CBACnetTag::TYPE_CHARACTER_STRING,
                         static_cast<int>(text.size() + 1), out);
            out.push_back(0);
            out.insert(out.end(), text.begin(), text.end());
            return true;
        }
        bool operator()(const BitString& b)
        {
            const size_t octets = (b.m_bits.size() + 7) / 8;
            AppendHeader(CBACnetTag::CLASS_APPLICATION, CBACnetTag::TYPE_BIT_STRING, static_cast<int>(octets + 1),
                         out);
            out.push_back(static_cast<uint8_t>(octets * 8 - b.m_bits.size()));
            for (size_t i = 0; i < octets; i++) {
                uint8_t o = 0;
                for (size_t j = 0; j < 8 && i * 8 + j < b.m_bits.size(); j++)
                    if (b.m_bits[i * 8 + j])
                        o |= static_cast<uint8_t>(0x80 >> j);
                out.push_back(o);
            }
            return true;
        }
        bool operator()(const Enumerated& e)
        {
            const size_t n = UnsignedOctets(e.m_value);
            AppendHeader(CBACnetTag::CLASS_APPLICATION, CBACnetTag::TYPE_ENUMERATED, static_cast<int>(n), out);
            AppendBigEndian(e.m_value, n, out);
            return true;
        }
        bool Word(int type, uint32_t w)
        {
            AppendHeader(CBACnetTag::CLASS_APPLICATION, type, 4, out);
            AppendBigEndian(w, 4, out);
            return true;
        }
        bool operator()(const Date& d)
        {
            return Word(CBACnetTag::TYPE_DATE, uint32_t(d.m_year) << 24 | uint32_t(d.m_month) << 16 |
                                                   uint32_t(d.m_day) << 8 | d.m_weekday);
        }
        bool operator()(const Time& t)
        {
            return Word(CBACnetTag::TYPE_TIME, uint32_t(t.m_hour) << 24 | uint32_t(t.m_minute) << 16 |
                                                   uint32_t(t.m_second) << 8 | t.m_hundredths);
        }
        bool operator()(const ObjectId& id) { return Word(CBACnetTag::TYPE_OBJECT_ID, id.Word()); }
        bool operator()(const Value::List& list)
        {
            for (const Value& item : list)
                if (item.Is<Value::List>() || !EncodeValue(item, out))
                    return false;
            return true;
        }
        bool operator()(const RawValue& raw)
        {
            out.insert(out.end(), raw.m_octets.begin(), raw.m_octets.end());
            return true;
        }
    };
    return std::visit(Encoder{out}, value.Data());
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
