#include "object/ObjTypes.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>

#include "frame/Tag.h"
#include "host/Crt.h"
#include "host/String.h"
#include "host/TagVal.h"
#include "object/Types.h"

namespace {

// Catalogue-only object types and the first two identifier octets they are
// sent with (BACnet types 151, 152 and 23, instance bits 16 to 21 cleared).
struct WireType {
    unsigned m_type;
    unsigned char m_octets[2];
};
const WireType kWireTypes[] = {
    {18, {0x25, 0xC0}},
    {19, {0x26, 0x00}},
    {20, {0x05, 0xC0}},
};

bool IsCatalogueOnly(unsigned type)
{
    return type >= 18 && type <= 20;
}

// Writes a 16-bit number as context tag `tag` in one octet when `oneOctet`,
// else in two.
void MakeNumberFrame(unsigned char* buf, int& len, int tag, unsigned value, bool oneOctet)
{
    unsigned char host[2] = {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8)};
    CBACnetTag out;
    out.MakeAnalogFrame(buf, len, CBACnetTag::CLASS_CONTEXT, tag, oneOctet ? 1 : 2, host);
}

// Compares a context-tagged identifier or index in its one-octet form
// (header `oneOctet`) or its two-octet form (the next header) with `value`,
// and consumes it when they match. A one-octet index is compared with the low byte only; a
// one-octet property identifier cannot match one above 255.
int ExpectNumber(CBACnetTag& tag, unsigned char* buf, int& len, unsigned char oneOctet, unsigned value,
               bool lowByteMatches)
{
    // An octet of the number; a different one is a reply for something else.
    auto expect = [&](unsigned char octet) {
        unsigned char got;
        if (!tag.PeekOctet(buf, len, got))
            return tag.Refuse(CBACnetTag::REFUSAL_TRUNCATED);
        if (got != octet)
            return tag.Refuse(CBACnetTag::REFUSAL_MISMATCH);
        len++;
        return 1;
    };
    unsigned char header;
    if (!tag.PeekOctet(buf, len, header))
        return tag.Refuse(CBACnetTag::REFUSAL_TRUNCATED);
    if (header == oneOctet) {
        tag.SkipOctets(len, 1);
        if (!lowByteMatches && value > 0xFF)
            return tag.Refuse(CBACnetTag::REFUSAL_MISMATCH);
        return expect(static_cast<unsigned char>(value));
    }
    if (header == oneOctet + 1) {
        tag.SkipOctets(len, 1);
        return expect(static_cast<unsigned char>(value >> 8)) && expect(static_cast<unsigned char>(value));
    }
    return tag.Refuse(CBACnetTag::REFUSAL_UNEXPECTED_OCTET);
}

// One enumeration of an Error (class or code) into `out`, up to four
// octets; a longer one is stepped over and gives -1.
int ReadErrorNumber(CBACnetTag& tag, unsigned char* buf, int& len, int& out)
{
    if (!tag.ReadHeaderFrame(buf, len))
        return 0;
    if (tag.m_class != CBACnetTag::CLASS_APPLICATION || tag.m_tagNumber != CBACnetTag::TYPE_ENUMERATED)
        return tag.Refuse(CBACnetTag::REFUSAL_WRONG_TYPE);
    if (tag.m_lvt > 4) {
        out = -1;
        return tag.SkipContent(len);
    }
    DWORD number;
    if (!tag.ReadWord32(buf, len, CBACnetTag::TYPE_UNSIGNED, number))
        return 0;
    out = static_cast<int>(number);
    return 1;
}

// Appends n octets (4 to 16) with two overlapping fixed-size copies that
// together write exactly them.
void AppendOctets(unsigned char* buf, int& len, const unsigned char* octets, int n)
{
    unsigned char* out = buf + len;
    if (n >= 8) {
        memcpy(out, octets, 8);
        memcpy(out + n - 8, octets + n - 8, 8);
    } else {
        memcpy(out, octets, 4);
        memcpy(out + n - 4, octets + n - 4, 4);
    }
    len += n;
}

// How the fixed-shape decoder takes a value by its header octet: only
// application tags with the length in the header, decoded exactly as the tag
// codec decodes them (CBACnetTag::ReadDataFrame).
enum ValueKind : unsigned char {
    VALUE_OTHER = 0,  // any other form: the general decoder
    VALUE_NULL,       // 00
    VALUE_BOOLEAN,    // 10, 11: the value in the header, one octet of room
    VALUE_NUMBER,     // Unsigned, Real, Date, Time, object identifier: octets reversed
    VALUE_SIGNED,     // reversed, then sign-extended over the room
    VALUE_OCTETS,     // Octet String, Enumerated: octets as received
};

constexpr std::array<unsigned char, 256> MakeValueKinds()
{
    std::array<unsigned char, 256> kinds{};
    kinds[0x00] = VALUE_NULL;
    kinds[0x10] = VALUE_BOOLEAN;
    kinds[0x11] = VALUE_BOOLEAN;
    for (int length = 0; length <= 4; length++) {
        for (int type : {CBACnetTag::TYPE_UNSIGNED, CBACnetTag::TYPE_REAL, CBACnetTag::TYPE_DATE,
                         CBACnetTag::TYPE_TIME, CBACnetTag::TYPE_OBJECT_ID})
            kinds[type * 16 + length] = VALUE_NUMBER;
        kinds[CBACnetTag::TYPE_SIGNED * 16 + length] = VALUE_SIGNED;
        kinds[CBACnetTag::TYPE_OCTET_STRING * 16 + length] = VALUE_OCTETS;
        kinds[CBACnetTag::TYPE_ENUMERATED * 16 + length] = VALUE_OCTETS;
    }
    return kinds;
}
constexpr std::array<unsigned char, 256> kValueKinds = MakeValueKinds();

// n octets (8 to 16) equal, compared as two overlapping 8-octet words.
inline bool SameFixedOctets(const unsigned char* a, const unsigned char* b, int n)
{
    uint64_t a0, a1, b0, b1;
    memcpy(&a0, a, 8);
    memcpy(&b0, b, 8);
    memcpy(&a1, a + n - 8, 8);
    memcpy(&b1, b + n - 8, 8);
    return ((a0 ^ b0) | (a1 ^ b1)) == 0;
}

// memcmp(a, b, n) == 0, the common four-octet value in one word.
inline bool SameOctets(const unsigned char* a, const unsigned char* b, int n)
{
    if (n == 4) {
        uint32_t x, y;
        memcpy(&x, a, 4);
        memcpy(&y, b, 4);
        return x == y;
    }
    return memcmp(a, b, n) == 0;
}

// Whether the fixed-shape decoder runs; tests turn it off to compare.
std::atomic<bool> g_fastDecode{true};

// True when `text` is a non-empty run of decimal digits; `number` is then
// its value, or above 0xFFFF when it is too large for any identifier.
bool ParseIdentifier(const CString& text, unsigned long& number)
{
    if (text.IsEmpty())
        return false;
    number = 0;
    for (int i = 0; i < text.GetLength(); i++) {
        const wchar_t c = text[i];
        if (c < L'0' || c > L'9')
            return false;
        if (number <= 0xFFFF)
            number = number * 10 + (c - L'0');
    }
    return true;
}

}  // namespace

CBACnetObjTypes::CBACnetObjTypes()
    : m_propertyID(0), m_dataType(0), m_dataSize(0), m_isArray(0), m_writable(0), m_textValue(0),
      m_arrayIndex(0), m_value(nullptr), m_received(nullptr), m_isNull(0), m_changeState(CHANGE_NO_VALUE),
      m_result(RESULT_NONE), m_errorClass(-1), m_errorCode(-1), m_refusal(CBACnetTag::REFUSAL_NONE),
      m_readSpec{}, m_singleSpec{}, m_resultSpec{}, m_readSpecLength(0), m_singleSpecLength(0),
      m_resultSpecLength(0), m_readSpecIsArray(0), m_readSpecPropertyID(0), m_readSpecArrayIndex(0),
      m_readSpecObjectID(0)
{
}

CBACnetObjTypes::CBACnetObjTypes(_BACnetObjectID id) : CBACnetObjTypes()
{
    m_objectID = id;
}

CBACnetObjTypes::CBACnetObjTypes(const CBACnetObjTypes& other) : CBACnetObjTypes()
{
    CopyFrom(other);
}

CBACnetObjTypes& CBACnetObjTypes::operator=(const CBACnetObjTypes& other)
{
    if (this != &other)
        CopyFrom(other);
    return *this;
}

CBACnetObjTypes::~CBACnetObjTypes()
{
    Release();
}

void CBACnetObjTypes::Release()
{
    delete[] m_received;
    m_received = nullptr;
    delete[] m_value;
    m_value = nullptr;
}

void CBACnetObjTypes::CopyFrom(const CBACnetObjTypes& other)
{
    // Allocate before releasing, so a failed allocation leaves this object whole.
    std::unique_ptr<unsigned char[]> value, received;
    if (other.m_value && other.m_received) {
        const size_t n = other.m_dataSize + 3u;
        value.reset(new unsigned char[n]);
        received.reset(new unsigned char[n]);
        memcpy(value.get(), other.m_value, n);
        memcpy(received.get(), other.m_received, n);
    }
    Release();
    m_objectID = other.m_objectID;
    m_propertyID = other.m_propertyID;
    m_dataType = other.m_dataType;
    m_dataSize = other.m_dataSize;
    m_isArray = other.m_isArray;
    m_writable = other.m_writable;
    m_textValue = other.m_textValue;
    m_arrayIndex = other.m_arrayIndex;
    m_isNull = other.m_isNull;
    m_changeState = other.m_changeState;
    m_result = other.m_result;
    m_errorClass = other.m_errorClass;
    m_errorCode = other.m_errorCode;
    m_refusal = other.m_refusal;
    memcpy(m_readSpec, other.m_readSpec, sizeof m_readSpec);
    memcpy(m_singleSpec, other.m_singleSpec, sizeof m_singleSpec);
    m_readSpecLength = other.m_readSpecLength;
    m_singleSpecLength = other.m_singleSpecLength;
    memcpy(m_resultSpec, other.m_resultSpec, sizeof m_resultSpec);
    m_resultSpecLength = other.m_resultSpecLength;
    m_readSpecIsArray = other.m_readSpecIsArray;
    m_readSpecPropertyID = other.m_readSpecPropertyID;
    m_readSpecArrayIndex = other.m_readSpecArrayIndex;
    m_readSpecObjectID = other.m_readSpecObjectID;
    m_value = value.release();
    m_received = received.release();
}

int CBACnetObjTypes::CreateProperty(CString& name, unsigned short& subType, unsigned short hostType)
{
    CString part, index, key;
    const int open = name.Find(L'[');
    if (open >= 0) {
        part = name.Left(open);
        name = name.Mid(open + 1);
        const int close = name.Find(L']');
        if (close < 0)
            return 0;
        index = name.Left(close);
        const int dot = name.Find(L'.', close + 1);
        if (dot >= 0)
            key = name.Mid(dot + 1);
    } else {
        const int dot = name.Find(L'.');
        part = dot >= 0 ? name.Left(dot) : name;
        if (dot >= 0)
            key = name.Mid(dot + 1);
    }

    subType = 0;
    int count;
    const _BACnetPropertyDef* list = GetPropertyList(m_objectID.m_type, count);
    if (!list)
        return 0;

    unsigned long wanted = 0;
    const bool numeric = ParseIdentifier(part, wanted);
    const _BACnetPropertyDef* def = nullptr;
    for (int i = 0; i < count && !def; i++) {
        if ((numeric && list[i].m_propertyID == wanted) ||
            _wcsicmp(part, CString(PropertyName(list[i].m_propertyID))) == 0)
            def = &list[i];
    }
    if (!def)
        return 0;
    if (hostType == CBACnetTypes::HOST_TEXT && !def->m_textValue)
        return 0;

    m_propertyID = def->m_propertyID;
    m_dataType = def->m_dataType;
    // A Real always arrives in four octets: a narrower catalogue size (the
    // Program object's User1 to User10) would refuse every reply.
    m_dataSize = m_dataType == CBACnetTypes::DT_REAL && def->m_dataSize < 4 ? 4 : def->m_dataSize;
    m_isArray = def->m_isArray;
    m_writable = def->m_writable;
    m_textValue = def->m_textValue;
    // Buffers from an earlier binding no longer match these fields.
    Release();

    // An array property needs an index; any other must have none.
    if (!index.IsEmpty() != (m_isArray != 0))
        return 0;
    m_arrayIndex = static_cast<WORD>(index.IsEmpty() ? 0 : _wtoi(index));
    if (!key.IsEmpty())
        subType = CBACnetTypes::GetSubTypeIndex(m_dataType, key);

    const size_t n = m_dataSize + 3u;
    std::unique_ptr<unsigned char[]> value(new unsigned char[n]());
    m_received = new unsigned char[n]();
    m_value = value.release();
    m_isNull = 0;
    m_changeState = CHANGE_NO_VALUE;
    BuildReadSpec();
    return 1;
}

void CBACnetObjTypes::MakeObjectIDFrame(unsigned char* buf, int& len)
{
    CBACnetTag tag;
    tag.MakeWord32Frame(buf, len, CBACnetTag::CLASS_CONTEXT, 0, m_objectID.GetValue());
    if (!IsCatalogueOnly(m_objectID.m_type))
        return;
    for (const WireType& wire : kWireTypes) {
        if (wire.m_type == m_objectID.m_type) {
            buf[len - 4] = wire.m_octets[0];
            buf[len - 3] = wire.m_octets[1];
        }
    }
}

void CBACnetObjTypes::MakePropertyIDFrame(unsigned char* buf, int& len, int tag)
{
    MakeNumberFrame(buf, len, tag, m_propertyID, m_propertyID < 256);
}

void CBACnetObjTypes::MakeArrayIndexFrame(unsigned char* buf, int& len, int tag)
{
    MakeNumberFrame(buf, len, tag, m_arrayIndex, m_arrayIndex <= 255);
}

void CBACnetObjTypes::BuildReadSpec()
{
    CBACnetTag tag;
    // The object identifier, the list's opening tag 1, then the property
    // (context tag `propertyTag`) and the array index (the next tag).
    auto listHead = [&](unsigned char* out, int propertyTag) {
        int n = 0;
        MakeObjectIDFrame(out, n);
        tag.MakeProgramFrame(out, n, 1, 1);
        MakePropertyIDFrame(out, n, propertyTag);
        if (m_isArray)
            MakeArrayIndexFrame(out, n, propertyTag + 1);
        return n;
    };
    int n = listHead(m_readSpec, 0);
    tag.MakeProgramFrame(m_readSpec, n, 1, 0);
    m_readSpecLength = static_cast<BYTE>(n);
    n = listHead(m_resultSpec, 2);
    tag.MakeProgramFrame(m_resultSpec, n, 4, 1);
    m_resultSpecLength = static_cast<BYTE>(n);
    n = 0;
    MakeObjectIDFrame(m_singleSpec, n);
    MakePropertyIDFrame(m_singleSpec, n, 1);
    if (m_isArray)
        MakeArrayIndexFrame(m_singleSpec, n, 2);
    m_singleSpecLength = static_cast<BYTE>(n);
    tag.MakeProgramFrame(m_singleSpec, n, 3, 1);
    m_readSpecIsArray = m_isArray;
    m_readSpecPropertyID = m_propertyID;
    m_readSpecArrayIndex = m_arrayIndex;
    m_readSpecObjectID = m_objectID.GetValue();
}

void CBACnetObjTypes::RefreshReadSpec()
{
    // The fields are public: a driver may have changed them since binding.
    if (m_readSpecLength == 0 || m_readSpecObjectID != m_objectID.GetValue() ||
        m_readSpecPropertyID != m_propertyID || m_readSpecIsArray != m_isArray ||
        m_readSpecArrayIndex != m_arrayIndex)
        BuildReadSpec();
}

int CBACnetObjTypes::MakeFrameToMulti(unsigned char* buf, int& len)
{
    RefreshReadSpec();
    AppendOctets(buf, len, m_readSpec, m_readSpecLength);
    return 1;
}

int CBACnetObjTypes::MakeFrameToSingle(unsigned char* buf, int& len)
{
    RefreshReadSpec();
    AppendOctets(buf, len, m_singleSpec, m_singleSpecLength);
    return 1;
}

int CBACnetObjTypes::ExpectObjectID(CBACnetTag& tag, unsigned char* buf, int& len)
{
    unsigned char octets[4];
    if (!tag.ReadHeaderFrame(buf, len))
        return 0;
    if (tag.m_lvt != 4)
        return tag.Refuse(CBACnetTag::REFUSAL_BAD_LENGTH);
    if (!tag.ReadOctets(buf, len, octets, 4))
        return 0;
    // Catalogue-only types come back under their BACnet numbers.
    if (IsCatalogueOnly(m_objectID.m_type))
        return 1;
    const DWORD id = (DWORD(octets[0]) << 24) | (DWORD(octets[1]) << 16) | (DWORD(octets[2]) << 8) | octets[3];
    return id == m_objectID.GetValue() ? 1 : tag.Refuse(CBACnetTag::REFUSAL_MISMATCH);
}

int CBACnetObjTypes::ReadReceivedValue(CBACnetTag& tag, unsigned char* buf, int& len, int& isNull)
{
    if (!CBACnetTypes::ReceiveDataTypeValue(m_received, m_dataType, m_dataSize, tag, buf, len, isNull))
        return 0;
    if (m_dataType == CBACnetTypes::DT_DATE_TIME && !isNull) {
        // A date-time is a Date tag followed by a Time tag: the time goes
        // into octets 4 to 7 of the same buffer.
        int timeNull;
        if (tag.m_tagNumber != CBACnetTag::TYPE_DATE || m_dataSize < 8)
            return tag.Refuse(CBACnetTag::REFUSAL_WRONG_TYPE);
        if (!CBACnetTypes::ReceiveDataTypeValue(m_received + 4, m_dataType, 4, tag, buf, len, timeNull))
            return 0;
        if (tag.m_tagNumber != CBACnetTag::TYPE_TIME)
            return tag.Refuse(CBACnetTag::REFUSAL_WRONG_TYPE);
    }
    return 1;
}

// Inline: the fixed-shape decoder takes one value per entry.
inline void CBACnetObjTypes::TakeValue(int isNull)
{
    // The change rule: the first value, or one that differs, waits to be taken.
    if (m_changeState == CHANGE_NO_VALUE || !SameOctets(m_value, m_received, m_dataSize) || isNull != m_isNull) {
        memcpy(m_value, m_received, m_dataSize);
        m_isNull = isNull;
        m_changeState = CHANGE_NEW;
    }
    m_result = RESULT_VALUE;
}

int CBACnetObjTypes::Refused(int reason)
{
    m_result = RESULT_REFUSED;
    m_refusal = reason;
    return 0;
}

int CBACnetObjTypes::ReadFrameToMulti(unsigned char* buf, int& len)
{
    return ReadResult(buf, len, INT_MAX, true);
}

int CBACnetObjTypes::ReadFrameToMulti(unsigned char* buf, int& len, int end)
{
    RefreshReadSpec();
    if (ReadFixedShape(buf, len, end, m_resultSpec, m_resultSpecLength, 0x4F1F, 2))
        return 1;
    return ReadResult(buf, len, end, false);
}

void CBACnetObjTypes::SetFastDecode(bool on)
{
    g_fastDecode.store(on, std::memory_order_relaxed);
}

int CBACnetObjTypes::ReadFixedShape(const unsigned char* buf, int& len, int end, const unsigned char* spec, int n,
                                    unsigned closing, int closingLength)
{
    static_assert(sizeof m_resultSpec >= 16 && sizeof m_singleSpec >= 16, "two 8-octet words compared");
    // A date-time takes two tags; an unbound tag has no buffers.
    if (!g_fastDecode.load(std::memory_order_relaxed) || !m_value || !m_received ||
        m_dataType == CBACnetTypes::DT_DATE_TIME || n < 8 || n > 16)
        return 0;
    const int at = len;
    // Room for the fixed octets, the value's header and the closing tags;
    // the value's content is tested once its length is known.
    const long long room = static_cast<long long>(end) - at;
    if (at < 0 || room < n + 1 + closingLength || !SameFixedOctets(buf + at, spec, n))
        return 0;
    const unsigned char header = buf[at + n];
    const int size = m_dataSize;
    const unsigned char* value = buf + at + n + 1;
    // The closing tags after `content` octets of value, within the room.
    auto closed = [&](int content) {
        const unsigned char* after = value + content;
        return room >= n + 1 + content + closingLength &&
               (closingLength == 2 ? after[0] == (closing >> 8) && after[1] == (closing & 0xFF) : after[0] == closing);
    };
    if (header == 0x44 && size == 4) {
        // The common Real into a Real's room: one word, reversed.
        if (!closed(4))
            return 0;
        bacnetcodec::detail::Reverse(m_received, value, 4);
        TakeValue(0);
        m_refusal = CBACnetTag::REFUSAL_NONE;
        len = at + n + 5 + closingLength;
        return 1;
    }
    const int kind = kValueKinds[header];
    int content = header & 7;
    if (kind == VALUE_NULL || kind == VALUE_BOOLEAN)
        content = 0;
    if (kind == VALUE_OTHER || content > size || (kind == VALUE_BOOLEAN && size < 1) || !closed(content))
        return 0;
    // Decoded as the tag codec would into the scratch buffer, then the change rule.
    unsigned char* dst = m_received;
    int isNull = 0;
    switch (kind) {
    case VALUE_NULL:
        if (size > 0)
            memset(dst, 0, size);
        isNull = 1;
        break;
    case VALUE_BOOLEAN:
        dst[0] = static_cast<unsigned char>(header & 7);
        break;
    case VALUE_OCTETS:
        memset(dst, 0, size);
        memcpy(dst, value, content);
        break;
    default:
        if (content != size)
            memset(dst, 0, size);
        bacnetcodec::detail::Reverse(dst, value, content);
        if (kind == VALUE_SIGNED && content >= 1 && content < size && (value[0] & 0x80))
            memset(dst + content, 0xFF, size - content);
        break;
    }
    TakeValue(isNull);
    m_refusal = CBACnetTag::REFUSAL_NONE;
    len = at + n + 1 + content + closingLength;
    return 1;
}

int CBACnetObjTypes::ReadResult(unsigned char* buf, int& len, int end, bool takeBeforeClosing)
{
    CBACnetTag tag(end);
    if (!m_value || !m_received)
        return Refused(CBACnetTag::REFUSAL_NONE);
    if (!ExpectObjectID(tag, buf, len) || !tag.ExpectOctet(buf, len, 0x1E) ||
        !ExpectNumber(tag, buf, len, 0x29, m_propertyID, false))
        return Refused(tag.m_refusal);
    if (m_isArray && !ExpectNumber(tag, buf, len, 0x39, m_arrayIndex, true))
        return Refused(tag.m_refusal);

    // What the result holds, taken once the form allows.
    int result = RESULT_NONE;
    int isNull = 0;
    int errorClass = -1, errorCode = -1;
    auto take = [&]() {
        if (result == RESULT_VALUE) {
            TakeValue(isNull);
        } else if (result == RESULT_ACCESS_ERROR) {
            m_changeState = CHANGE_NONE;
            m_result = RESULT_ACCESS_ERROR;
            m_errorClass = errorClass;
            m_errorCode = errorCode;
        }
    };
    unsigned char octet;
    if (!tag.PeekOctet(buf, len, octet))
        return Refused(CBACnetTag::REFUSAL_TRUNCATED);
    if (octet == 0x4E) {  // property value
        tag.SkipOctets(len, 1);
        if (!ReadReceivedValue(tag, buf, len, isNull))
            return Refused(tag.m_refusal);
        result = RESULT_VALUE;
        if (takeBeforeClosing)
            take();
        if (!tag.ExpectOctet(buf, len, 0x4F))
            return Refused(tag.m_refusal);
    } else if (octet == 0x5E) {  // property access error: error class, error code
        tag.SkipOctets(len, 1);
        if (!ReadErrorNumber(tag, buf, len, errorClass) || !ReadErrorNumber(tag, buf, len, errorCode))
            return Refused(tag.m_refusal);
        result = RESULT_ACCESS_ERROR;
        if (takeBeforeClosing)
            take();
        if (!tag.ExpectOctet(buf, len, 0x5F))
            return Refused(tag.m_refusal);
    }
    if (!tag.ExpectOctet(buf, len, 0x1F))
        return Refused(tag.m_refusal);
    if (!takeBeforeClosing)
        take();
    if (result == RESULT_NONE)
        m_result = RESULT_NONE;
    m_refusal = CBACnetTag::REFUSAL_NONE;
    return 1;
}

int CBACnetObjTypes::ReadFrameToSingle(unsigned char* buf, int& len)
{
    return ReadSingle(buf, len, INT_MAX, false);
}

int CBACnetObjTypes::ReadFrameToSingle(unsigned char* buf, int& len, int end)
{
    RefreshReadSpec();
    if (ReadFixedShape(buf, len, end, m_singleSpec, m_singleSpecLength + 1, 0x3F, 1))
        return 1;
    return ReadSingle(buf, len, end, true);
}

int CBACnetObjTypes::ReadSingle(unsigned char* buf, int& len, int end, bool bounded)
{
    CBACnetTag tag(end);
    if (!m_value || !m_received)
        return Refused(CBACnetTag::REFUSAL_NONE);
    if (!ExpectObjectID(tag, buf, len) || !ExpectNumber(tag, buf, len, 0x19, m_propertyID, false))
        return Refused(tag.m_refusal);
    if (m_isArray && !ExpectNumber(tag, buf, len, 0x29, m_arrayIndex, true))
        return Refused(tag.m_refusal);
    // The value may come inside opening and closing tag 3 or bare.
    unsigned char octet;
    const bool opened = tag.PeekOctet(buf, len, octet) && octet == 0x3E;
    if (opened)
        tag.SkipOctets(len, 1);
    int isNull;
    if (!ReadReceivedValue(tag, buf, len, isNull))
        return Refused(tag.m_refusal);
    if (opened && !(bounded ? tag.ExpectOctet(buf, len, 0x3F) : tag.SkipOctets(len, 1)))
        return Refused(tag.m_refusal);
    TakeValue(isNull);
    m_refusal = CBACnetTag::REFUSAL_NONE;
    return 1;
}

int CBACnetObjTypes::GetValue(CTagVal& value, unsigned short hostType, unsigned short subType)
{
    if (!m_value || m_changeState != CHANGE_NEW)
        return 0;
    CBACnetTypes::GetTagVal(m_value, m_dataType, value, hostType, subType, m_isNull, m_dataSize + 3);
    return 1;
}

int CBACnetObjTypes::SetValue(unsigned char* buf, int& len, CTagVal& value, unsigned short, unsigned short)
{
    return CBACnetTypes::SetTagVal(m_received, buf, len, m_dataType, value, m_received ? m_dataSize + 3 : 0);
}
