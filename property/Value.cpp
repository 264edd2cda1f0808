#include "property/Value.h"

#include <climits>
#include <cstring>

#include "frame/Tag.h"
#include "host/CodePage.h"

namespace {

const char* const kRefusalTexts[] = {
    "no refusal",
    "the value runs past the end of the received data",
    "a length its data type cannot have",
    "an application tag number above 12, or the reserved context tag number 255",
    ("a character set other than 0 (UTF-8), 3 (UCS-4), 4 (UCS-2) and 5 (ISO 8859-1); "
     "1 (DBCS) and 2 (JIS X 0208) need a code page and are not read"),
    "text that is not valid in its character set",
    "an unused-bits count above 7, or unused bits in a bit string of no octets",
    "opening tags nested too deep",
    "a closing tag that closes no opening tag, or one of another tag number",
    "the frame does not fit in the room given",
    "a value that has no frame (unknown kind, tag number out of range, text not UTF-8)",
    "not the opening tag expected here",
};
static_assert(sizeof kRefusalTexts / sizeof kRefusalTexts[0] == CBACnetValue::REFUSED_COUNT,
              "one text per refusal");

const int kMaxTagNumber = 254;  // 255 is reserved in an extended tag number

// The tag reader only reads, but takes a non-const buffer.
unsigned char* Readable(const unsigned char* buf)
{
    return const_cast<unsigned char*>(buf);
}

// The tag reader's reason for refusing a header, in this codec's terms.
int HeaderRefusal(const CBACnetTag& tag)
{
    switch (tag.m_refusal) {
    case CBACnetTag::REFUSAL_TRUNCATED: return CBACnetValue::REFUSED_TRUNCATED;
    case CBACnetTag::REFUSAL_UNEXPECTED_OCTET: return CBACnetValue::REFUSED_TYPE;  // extended tag number 255
    default: return CBACnetValue::REFUSED_LENGTH;
    }
}

// Big-endian content octets as a number.
uint64_t LoadNumber(const unsigned char* p, int n)
{
    uint64_t v = 0;
    for (int i = 0; i < n; i++)
        v = (v << 8) | p[i];
    return v;
}

// ---- UTF-8 -----------------------------------------------------------------


bool IsScalar(uint32_t cp)
{
    return cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
}

// Well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsUtf8(const unsigned char* s, size_t n)
{
    size_t i = 0;
    while (i < n) {
        const unsigned char lead = s[i];
        int more;
        uint32_t cp, min;
        if (lead < 0x80) {
            i++;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            more = 1, cp = lead & 0x1F, min = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            more = 2, cp = lead & 0x0F, min = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            more = 3, cp = lead & 0x07, min = 0x10000;
        } else {
            return false;
        }
        if (n - i <= static_cast<size_t>(more))
            return false;
        for (int k = 1; k <= more; k++) {
            if ((s[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        if (cp < min || !IsScalar(cp))
            return false;
        i += more + 1;
    }
    return true;
}

// Character string content (after the character set octet) into UTF-8.
int DecodeText(int charset, const unsigned char* p, int n, std::string& out)
{
    out.clear();
    switch (charset) {
    case 0:
        if (!IsUtf8(p, n))
            return CBACnetValue::REFUSED_TEXT;
        out.assign(reinterpret_cast<const char*>(p), n);
        return CBACnetValue::REFUSED_NONE;
    case 3:  // UCS-4, high-order octet first
        if (n % 4)
            return CBACnetValue::REFUSED_TEXT;
        for (int i = 0; i < n; i += 4) {
            const uint32_t cp = static_cast<uint32_t>(LoadNumber(p + i, 4));
            if (!IsScalar(cp))
                return CBACnetValue::REFUSED_TEXT;
            HostAppendUtf8(out, cp);
        }
        return CBACnetValue::REFUSED_NONE;
    case 4:  // UCS-2, high-order octet first
        if (n % 2)
            return CBACnetValue::REFUSED_TEXT;
        for (int i = 0; i < n; i += 2) {
            uint32_t cp = static_cast<uint32_t>(LoadNumber(p + i, 2));
            // Devices that hold UTF-16 send characters above U+FFFF as a
            // surrogate pair; a lone surrogate is no character.
            if (cp >= 0xDC00 && cp <= 0xDFFF)
                return CBACnetValue::REFUSED_TEXT;
            if (cp >= 0xD800 && cp <= 0xDBFF) {
                if (n - i < 4)
                    return CBACnetValue::REFUSED_TEXT;
                const uint32_t low = static_cast<uint32_t>(LoadNumber(p + i + 2, 2));
                if (low < 0xDC00 || low > 0xDFFF)
                    return CBACnetValue::REFUSED_TEXT;
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
            HostAppendUtf8(out, cp);
        }
        return CBACnetValue::REFUSED_NONE;
    case 5:  // ISO 8859-1: each octet is the code point of its character
        for (int i = 0; i < n; i++)
            HostAppendUtf8(out, p[i]);
        return CBACnetValue::REFUSED_NONE;
    default:
        return CBACnetValue::REFUSED_CHARSET;
    }
}

// ---- Encoding ----------------------------------------------------------------

// Writes into [len, end) and refuses, writing nothing further, once full.
struct Writer {
    unsigned char* buf;
    int& len;
    int end;
    int refusal;

    bool Room(long long n) const { return len >= 0 && n >= 0 && static_cast<long long>(end) - len >= n; }
    bool Fail(int why)
    {
        if (refusal == CBACnetValue::REFUSED_NONE)
            refusal = why;
        return false;
    }
    bool Octet(unsigned char v)
    {
        if (!Room(1))
            return Fail(CBACnetValue::REFUSED_NO_ROOM);
        buf[len++] = v;
        return true;
    }
    bool Octets(const unsigned char* p, size_t n)
    {
        if (n > INT_MAX || !Room(static_cast<long long>(n)))
            return Fail(CBACnetValue::REFUSED_NO_ROOM);
        if (n)
            memcpy(buf + len, p, n);
        len += static_cast<int>(n);
        return true;
    }
    // Content octets of a number, high-order first.
    bool Number(uint64_t v, int n)
    {
        for (int i = n - 1; i >= 0; i--)
            if (!Octet(static_cast<unsigned char>(v >> (8 * i))))
                return false;
        return true;
    }
    // A tag header: tag numbers from 15 take the octet after, lengths from 5
    // the extended forms (one octet to 253, 254 and two octets to 65535,
    // 255 and four octets above).
    bool Header(int cls, int tag, long long length)
    {
        if (tag < 0 || tag > kMaxTagNumber || length < 0 || length > INT_MAX)
            return Fail(CBACnetValue::REFUSED_VALUE);
        const int lvt = length < 5 ? static_cast<int>(length) : 5;
        if (!Octet(static_cast<unsigned char>((tag < 15 ? tag << 4 : 0xF0) | cls << 3 | lvt)))
            return false;
        if (tag >= 15 && !Octet(static_cast<unsigned char>(tag)))
            return false;
        if (length < 5)
            return true;
        if (length <= 253)
            return Octet(static_cast<unsigned char>(length));
        if (length <= 0xFFFF)
            return Octet(0xFE) && Number(static_cast<uint64_t>(length), 2);
        return Octet(0xFF) && Number(static_cast<uint64_t>(length), 4);
    }
    bool OpenClose(int tag, int lvt)
    {
        if (tag < 0 || tag > kMaxTagNumber)
            return Fail(CBACnetValue::REFUSED_VALUE);
        if (!Octet(static_cast<unsigned char>((tag < 15 ? tag << 4 : 0xF0) | 0x08 | lvt)))
            return false;
        return tag < 15 || Octet(static_cast<unsigned char>(tag));
    }
};

// Octets of the shortest big-endian form of an unsigned number (at least one).
int UnsignedOctets(uint64_t v)
{
    int n = 1;
    while (n < 8 && (v >> (8 * n)) != 0)
        n++;
    return n;
}

// Octets of the shortest two's-complement form of a signed number.
int SignedOctets(int64_t v)
{
    int n = 1;
    while (n < 8) {
        const int64_t lo = -(int64_t(1) << (8 * n - 1));
        const int64_t hi = (int64_t(1) << (8 * n - 1)) - 1;
        if (v >= lo && v <= hi)
            break;
        n++;
    }
    return n;
}

bool WriteValue(const CBACnetValue& v, Writer& w, int depth)
{
    const int app = CBACnetTag::CLASS_APPLICATION;
    switch (v.m_kind) {
    case CBACnetTag::TYPE_NULL:
        return w.Header(app, v.m_kind, 0);
    case CBACnetTag::TYPE_BOOLEAN:
        // The value travels in the length field.
        return w.Header(app, v.m_kind, v.m_boolean ? 1 : 0);
    case CBACnetTag::TYPE_UNSIGNED:
    case CBACnetTag::TYPE_ENUMERATED: {
        const int n = UnsignedOctets(v.m_unsigned);
        return w.Header(app, v.m_kind, n) && w.Number(v.m_unsigned, n);
    }
    case CBACnetTag::TYPE_SIGNED: {
        const int n = SignedOctets(v.m_signed);
        return w.Header(app, v.m_kind, n) && w.Number(static_cast<uint64_t>(v.m_signed), n);
    }
    case CBACnetTag::TYPE_REAL: {
        uint32_t bits;
        memcpy(&bits, &v.m_real, 4);
        return w.Header(app, v.m_kind, 4) && w.Number(bits, 4);
    }
    case CBACnetTag::TYPE_DOUBLE: {
        uint64_t bits;
        memcpy(&bits, &v.m_double, 8);
        return w.Header(app, v.m_kind, 8) && w.Number(bits, 8);
    }
    case CBACnetTag::TYPE_OCTET_STRING:
        return w.Header(app, v.m_kind, static_cast<long long>(v.m_octets.size())) &&
               w.Octets(v.m_octets.data(), v.m_octets.size());
    case CBACnetTag::TYPE_CHARACTER_STRING: {
        const unsigned char* text = reinterpret_cast<const unsigned char*>(v.m_text.data());
        if (!IsUtf8(text, v.m_text.size()))
            return w.Fail(CBACnetValue::REFUSED_VALUE);
        return w.Header(app, v.m_kind, static_cast<long long>(v.m_text.size()) + 1) && w.Octet(0) &&
               w.Octets(text, v.m_text.size());
    }
    case CBACnetTag::TYPE_BIT_STRING: {
        if (v.m_bitCount < 0)
            return w.Fail(CBACnetValue::REFUSED_VALUE);
        const int n = v.m_bitCount / 8 + (v.m_bitCount % 8 ? 1 : 0);
        const int unused = n * 8 - v.m_bitCount;
        if (!w.Header(app, v.m_kind, 1LL + n) || !w.Octet(static_cast<unsigned char>(unused)))
            return false;
        for (int i = 0; i < n; i++) {
            unsigned char octet = i < static_cast<int>(v.m_octets.size()) ? v.m_octets[i] : 0;
            if (i == n - 1)
                octet &= static_cast<unsigned char>(0xFF << unused);
            if (!w.Octet(octet))
                return false;
        }
        return true;
    }
    case CBACnetTag::TYPE_DATE:
    case CBACnetTag::TYPE_TIME:
    case CBACnetTag::TYPE_OBJECT_ID:
        return w.Header(app, v.m_kind, 4) && w.Number(v.m_word, 4);
    case CBACnetValue::KIND_CONTEXT:
        return w.Header(CBACnetTag::CLASS_CONTEXT, v.m_contextTag, static_cast<long long>(v.m_octets.size())) &&
               w.Octets(v.m_octets.data(), v.m_octets.size());
    case CBACnetValue::KIND_CONSTRUCTED:
        if (depth >= CBACnetValue::MAX_DEPTH)
            return w.Fail(CBACnetValue::REFUSED_DEPTH);
        if (!w.OpenClose(v.m_contextTag, CBACnetTag::LVT_OPENING))
            return false;
        for (const CBACnetValue& child : v.m_children)
            if (!WriteValue(child, w, depth + 1))
                return false;
        return w.OpenClose(v.m_contextTag, CBACnetTag::LVT_CLOSING);
    default:
        return w.Fail(CBACnetValue::REFUSED_VALUE);
    }
}

// Runs a write and leaves `len` where it was if it refuses.
template <typename Steps>
int Encode(unsigned char* buf, int& len, int end, int& refusal, Steps steps)
{
    const int start = len;
    Writer w{buf, len, end, CBACnetValue::REFUSED_NONE};
    const bool ok = steps(w);
    refusal = w.refusal;
    if (!ok)
        len = start;
    return ok ? 1 : 0;
}

// ---- Decoding ----------------------------------------------------------------

// Values at `len` until closing tag `closingTag` (not consumed) or, for -1,
// `end`. Nested values start at `depth`.
int ReadValues(const unsigned char* buf, int& len, int end, int closingTag, std::vector<CBACnetValue>& out,
               int depth, int& refusal)
{
    for (;;) {
        if (len >= end && closingTag < 0)
            return 1;
        CBACnetTag next(end);
        int at = len;
        if (!next.ReadHeaderFrame(Readable(buf), at)) {
            refusal = HeaderRefusal(next);
            return 0;
        }
        if (next.IsClosing()) {
            if (next.m_tagNumber == closingTag)
                return 1;
            refusal = CBACnetValue::REFUSED_CLOSING;
            return 0;
        }
        out.emplace_back();
        if (!out.back().ReadFrame(buf, len, end, depth)) {
            refusal = out.back().m_refusal;
            out.pop_back();
            return 0;
        }
    }
}

}  // namespace

CBACnetValue::CBACnetValue()
    : m_kind(CBACnetTag::TYPE_NULL),
      m_contextTag(-1),
      m_boolean(false),
      m_unsigned(0),
      m_signed(0),
      m_real(0),
      m_double(0),
      m_word(0),
      m_bitCount(0),
      m_refusal(REFUSED_NONE)
{
}

const char* CBACnetValue::RefusalText(int refusal)
{
    if (refusal < 0 || refusal >= REFUSED_COUNT)
        return "unknown refusal";
    return kRefusalTexts[refusal];
}

// A default value of data type `kind`, for the factories below.
static CBACnetValue OfKind(int kind)
{
    CBACnetValue out;
    out.m_kind = kind;
    return out;
}

CBACnetValue CBACnetValue::Null()
{
    return CBACnetValue();
}

CBACnetValue CBACnetValue::Boolean(bool v)
{
    CBACnetValue out = OfKind(CBACnetTag::TYPE_BOOLEAN);
    out.m_boolean = v;
    return out;
}

CBACnetValue CBACnetValue::Unsigned(uint64_t v)
{
    CBACnetValue out = OfKind(CBACnetTag::TYPE_UNSIGNED);
    out.m_unsigned = v;
    return out;
}

CBACnetValue CBACnetValue::Signed(int64_t v)
{
    CBACnetValue out = OfKind(CBACnetTag::TYPE_SIGNED);
    out.m_signed = v;
    return out;
}

CBACnetValue CBACnetValue::Real(float v)
{
    CBACnetValue out = OfKind(CBACnetTag::TYPE_REAL);
    out.m_real = v;
    return out;
}

CBACnetValue CBACnetValue::Double(double v)
{
    CBACnetValue out = OfKind(CBACnetTag::TYPE_DOUBLE);
    out.m_double = v;
    return out;
}

CBACnetValue CBACnetValue::Enumerated(uint64_t v)
{
    CBACnetValue out = OfKind(CBACnetTag::TYPE_ENUMERATED);
    out.m_unsigned = v;
    return out;
}

CBACnetValue CBACnetValue::Text(const std::string& utf8)
{
    CBACnetValue out = OfKind(CBACnetTag::TYPE_CHARACTER_STRING);
    out.m_text = utf8;
    return out;
}

CBACnetValue CBACnetValue::Octets(const std::vector<unsigned char>& v)
{
    CBACnetValue out = OfKind(CBACnetTag::TYPE_OCTET_STRING);
    out.m_octets = v;
    return out;
}

CBACnetValue CBACnetValue::Bits(const std::vector<bool>& bits)
{
    CBACnetValue out = OfKind(CBACnetTag::TYPE_BIT_STRING);
    out.m_bitCount = static_cast<int>(bits.size());
    out.m_octets.assign((bits.size() + 7) / 8, 0);
    for (size_t i = 0; i < bits.size(); i++)
        if (bits[i])
            out.m_octets[i / 8] |= static_cast<unsigned char>(0x80 >> (i % 8));
    return out;
}

CBACnetValue CBACnetValue::Date(DWORD packed)
{
    CBACnetValue out = OfKind(CBACnetTag::TYPE_DATE);
    out.m_word = packed;
    return out;
}

CBACnetValue CBACnetValue::Time(DWORD packed)
{
    CBACnetValue out = OfKind(CBACnetTag::TYPE_TIME);
    out.m_word = packed;
    return out;
}

CBACnetValue CBACnetValue::ObjectID(DWORD packed)
{
    CBACnetValue out = OfKind(CBACnetTag::TYPE_OBJECT_ID);
    out.m_word = packed;
    return out;
}

CBACnetValue CBACnetValue::Context(int contextTag, const std::vector<unsigned char>& content)
{
    CBACnetValue out;
    out.m_kind = KIND_CONTEXT;
    out.m_contextTag = contextTag;
    out.m_octets = content;
    return out;
}

CBACnetValue CBACnetValue::Constructed(int contextTag, const std::vector<CBACnetValue>& children)
{
    CBACnetValue out;
    out.m_kind = KIND_CONSTRUCTED;
    out.m_contextTag = contextTag;
    out.m_children = children;
    return out;
}

bool CBACnetValue::Bit(int i) const
{
    if (i < 0 || i >= m_bitCount || i / 8 >= static_cast<int>(m_octets.size()))
        return false;
    return (m_octets[i / 8] >> (7 - i % 8)) & 1;
}

// value := application-tagged primitive | context-tagged primitive
//        | opening tag N, value*, closing tag N
int CBACnetValue::ReadFrame(const unsigned char* buf, int& len, int end, int depth)
{
    *this = CBACnetValue();
    if (depth < 0)
        depth = 0;
    const int start = len;
    CBACnetTag tag(end);
    if (!tag.ReadHeaderFrame(Readable(buf), len)) {
        len = start;
        m_refusal = HeaderRefusal(tag);
        return 0;
    }
    if (tag.IsClosing()) {
        len = start;
        m_refusal = REFUSED_CLOSING;
        return 0;
    }
    if (tag.IsOpening()) {
        if (depth >= MAX_DEPTH) {
            m_refusal = REFUSED_DEPTH;
            return 0;
        }
        m_kind = KIND_CONSTRUCTED;
        m_contextTag = tag.m_tagNumber;
        if (!ReadValues(buf, len, end, m_contextTag, m_children, depth + 1, m_refusal))
            return 0;
        tag.ReadHeaderFrame(Readable(buf), len);  // the closing tag ReadValues stopped at
        return 1;
    }
    const int L = tag.m_lvt;
    if (tag.m_class == CBACnetTag::CLASS_CONTEXT) {
        if (!tag.HasRoom(len, L)) {
            m_refusal = REFUSED_TRUNCATED;
            return 0;
        }
        m_kind = KIND_CONTEXT;
        m_contextTag = tag.m_tagNumber;
        m_octets.assign(buf + len, buf + len + L);
        len += L;
        return 1;
    }

    // Application tags: the tag number is the data type, whose length is fixed
    // or bounded, except for the strings. Lengths 6 and 7 in the header are
    // opening and closing tags, which only a context tag can be.
    m_kind = tag.m_tagNumber;
    int lengthOK;
    switch (m_kind) {
    case CBACnetTag::TYPE_NULL: lengthOK = L == 0; break;
    case CBACnetTag::TYPE_BOOLEAN: lengthOK = !tag.m_lengthExtended && L <= 1; break;
    case CBACnetTag::TYPE_UNSIGNED:
    case CBACnetTag::TYPE_SIGNED:
    case CBACnetTag::TYPE_ENUMERATED: lengthOK = L >= 1 && L <= 8; break;
    case CBACnetTag::TYPE_REAL:
    case CBACnetTag::TYPE_DATE:
    case CBACnetTag::TYPE_TIME:
    case CBACnetTag::TYPE_OBJECT_ID: lengthOK = L == 4; break;
    case CBACnetTag::TYPE_DOUBLE: lengthOK = L == 8; break;
    case CBACnetTag::TYPE_OCTET_STRING: lengthOK = 1; break;
    case CBACnetTag::TYPE_CHARACTER_STRING:
    case CBACnetTag::TYPE_BIT_STRING: lengthOK = L >= 1; break;
    default:
        m_refusal = REFUSED_TYPE;
        return 0;
    }
    if (!lengthOK || (!tag.m_lengthExtended && L >= CBACnetTag::LVT_OPENING)) {
        m_refusal = REFUSED_LENGTH;
        return 0;
    }
    if (m_kind == CBACnetTag::TYPE_NULL)
        return 1;
    if (m_kind == CBACnetTag::TYPE_BOOLEAN) {
        m_boolean = L == 1;
        return 1;
    }
    if (!tag.HasRoom(len, L)) {
        m_refusal = REFUSED_TRUNCATED;
        return 0;
    }
    const unsigned char* p = buf + len;
    switch (m_kind) {
    case CBACnetTag::TYPE_UNSIGNED:
    case CBACnetTag::TYPE_ENUMERATED:
        m_unsigned = LoadNumber(p, L);
        break;
    case CBACnetTag::TYPE_SIGNED: {
        // Sign-extend from the first content octet.
        uint64_t v = LoadNumber(p, L);
        if (L < 8 && (p[0] & 0x80))
            v |= ~uint64_t(0) << (8 * L);
        m_signed = static_cast<int64_t>(v);
        break;
    }
    case CBACnetTag::TYPE_REAL: {
        const uint32_t bits = static_cast<uint32_t>(LoadNumber(p, 4));
        memcpy(&m_real, &bits, 4);
        break;
    }
    case CBACnetTag::TYPE_DOUBLE: {
        const uint64_t bits = LoadNumber(p, 8);
        memcpy(&m_double, &bits, 8);
        break;
    }
    case CBACnetTag::TYPE_OCTET_STRING:
        m_octets.assign(p, p + L);
        break;
    case CBACnetTag::TYPE_CHARACTER_STRING:
        m_refusal = DecodeText(p[0], p + 1, L - 1, m_text);
        if (m_refusal != REFUSED_NONE)
            return 0;
        break;
    case CBACnetTag::TYPE_BIT_STRING: {
        const int unused = p[0];
        if (unused > 7 || (L == 1 && unused != 0)) {
            m_refusal = REFUSED_BITS;
            return 0;
        }
        m_bitCount = (L - 1) * 8 - unused;
        m_octets.assign(p + 1, p + L);
        // The unused bits carry nothing; kept clear so equal strings compare equal.
        if (L > 1)
            m_octets.back() &= static_cast<unsigned char>(0xFF << unused);
        break;
    }
    case CBACnetTag::TYPE_DATE:
    case CBACnetTag::TYPE_TIME:
    case CBACnetTag::TYPE_OBJECT_ID:
        m_word = static_cast<DWORD>(LoadNumber(p, 4));
        break;
    }
    len += L;
    return 1;
}

int CBACnetValue::ReadList(const unsigned char* buf, int& len, int end, int closingTag,
                           std::vector<CBACnetValue>& out)
{
    int refusal;
    return ReadList(buf, len, end, closingTag, out, refusal);
}

int CBACnetValue::ReadList(const unsigned char* buf, int& len, int end, int closingTag,
                           std::vector<CBACnetValue>& out, int& refusal)
{
    refusal = REFUSED_NONE;
    if (closingTag < -1 || closingTag > kMaxTagNumber) {
        refusal = REFUSED_CLOSING;
        return 0;
    }
    return ReadValues(buf, len, end, closingTag, out, 0, refusal);
}

int CBACnetValue::MakeFrame(unsigned char* buf, int& len, int end) const
{
    int refusal;
    return MakeFrame(buf, len, end, refusal);
}

int CBACnetValue::MakeFrame(unsigned char* buf, int& len, int end, int& refusal) const
{
    return Encode(buf, len, end, refusal, [this](Writer& w) { return WriteValue(*this, w, 0); });
}

int CBACnetValue::MakeEnclosedFrame(unsigned char* buf, int& len, int end, int contextTag) const
{
    int refusal;
    return Encode(buf, len, end, refusal, [this, contextTag](Writer& w) {
        return w.OpenClose(contextTag, CBACnetTag::LVT_OPENING) && WriteValue(*this, w, 1) &&
               w.OpenClose(contextTag, CBACnetTag::LVT_CLOSING);
    });
}

int CBACnetValue::MakeEnclosedFrame(const std::vector<CBACnetValue>& values, unsigned char* buf, int& len,
                                    int end, int contextTag)
{
    int refusal;
    return MakeEnclosedFrame(values, buf, len, end, contextTag, refusal);
}

int CBACnetValue::MakeEnclosedFrame(const std::vector<CBACnetValue>& values, unsigned char* buf, int& len,
                                    int end, int contextTag, int& refusal)
{
    return Encode(buf, len, end, refusal, [&values, contextTag](Writer& w) {
        if (!w.OpenClose(contextTag, CBACnetTag::LVT_OPENING))
            return false;
        for (const CBACnetValue& v : values)
            if (!WriteValue(v, w, 1))
                return false;
        return w.OpenClose(contextTag, CBACnetTag::LVT_CLOSING);
    });
}

int CBACnetValue::ReadEnclosedFrame(const unsigned char* buf, int& len, int end, int contextTag,
                                    std::vector<CBACnetValue>& out)
{
    int refusal;
    return ReadEnclosedFrame(buf, len, end, contextTag, out, refusal);
}

// enclosed := opening tag N, value*, closing tag N
int CBACnetValue::ReadEnclosedFrame(const unsigned char* buf, int& len, int end, int contextTag,
                                    std::vector<CBACnetValue>& out, int& refusal)
{
    out.clear();
    refusal = REFUSED_NONE;
    const int start = len;
    CBACnetTag tag(end);
    if (!tag.ReadHeaderFrame(Readable(buf), len)) {
        len = start;
        refusal = HeaderRefusal(tag);
        return 0;
    }
    if (!tag.IsOpening(contextTag)) {
        len = start;
        refusal = REFUSED_OPENING;
        return 0;
    }
    if (!ReadValues(buf, len, end, contextTag, out, 1, refusal))
        return 0;
    tag.ReadHeaderFrame(Readable(buf), len);  // the closing tag ReadValues stopped at
    return 1;
}

bool CBACnetValue::operator==(const CBACnetValue& other) const
{
    if (m_kind != other.m_kind || m_contextTag != other.m_contextTag)
        return false;
    switch (m_kind) {
    case CBACnetTag::TYPE_NULL: return true;
    case CBACnetTag::TYPE_BOOLEAN: return m_boolean == other.m_boolean;
    case CBACnetTag::TYPE_UNSIGNED:
    case CBACnetTag::TYPE_ENUMERATED: return m_unsigned == other.m_unsigned;
    case CBACnetTag::TYPE_SIGNED: return m_signed == other.m_signed;
    case CBACnetTag::TYPE_REAL: return memcmp(&m_real, &other.m_real, sizeof m_real) == 0;
    case CBACnetTag::TYPE_DOUBLE: return memcmp(&m_double, &other.m_double, sizeof m_double) == 0;
    case CBACnetTag::TYPE_CHARACTER_STRING: return m_text == other.m_text;
    case CBACnetTag::TYPE_BIT_STRING:
        if (m_bitCount != other.m_bitCount)
            return false;
        for (int i = 0; i < m_bitCount; i++)
            if (Bit(i) != other.Bit(i))
                return false;
        return true;
    case CBACnetTag::TYPE_DATE:
    case CBACnetTag::TYPE_TIME:
    case CBACnetTag::TYPE_OBJECT_ID: return m_word == other.m_word;
    case KIND_CONSTRUCTED: return m_children == other.m_children;
    default:  // Octet String, context content, anything else: the octets
        return m_octets == other.m_octets;
    }
}
