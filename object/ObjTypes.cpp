#include "object/ObjTypes.h"

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
const WireType c_wireTypes[] = {
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

// Reads a context-tagged identifier or index in its one-octet form (header
// `oneOctet`) or its two-octet form (the next header), compared with
// `value`. A one-octet index is compared with the low byte only; a
// one-octet property identifier cannot match one above 255.
int ReadNumber(CBACnetTag& tag, unsigned char* buf, int& len, unsigned char oneOctet, unsigned value,
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
      m_result(RESULT_NONE), m_errorClass(-1), m_errorCode(-1), m_refusal(CBACnetTag::REFUSAL_NONE)
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
    return 1;
}

void CBACnetObjTypes::MakeObjectIDFrame(unsigned char* buf, int& len)
{
    CBACnetTag tag;
    tag.MakeWord32Frame(buf, len, CBACnetTag::CLASS_CONTEXT, 0, m_objectID.GetValue());
    for (const WireType& wire : c_wireTypes) {
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

int CBACnetObjTypes::MakeFrameToMulti(unsigned char* buf, int& len)
{
    CBACnetTag tag;
    MakeObjectIDFrame(buf, len);
    tag.MakeProgramFrame(buf, len, 1, 1);
    MakePropertyIDFrame(buf, len, 0);
    if (m_isArray)
        MakeArrayIndexFrame(buf, len, 1);
    tag.MakeProgramFrame(buf, len, 1, 0);
    return 1;
}

int CBACnetObjTypes::MakeFrameToSingle(unsigned char* buf, int& len)
{
    MakeObjectIDFrame(buf, len);
    MakePropertyIDFrame(buf, len, 1);
    if (m_isArray)
        MakeArrayIndexFrame(buf, len, 2);
    return 1;
}

int CBACnetObjTypes::ReadObjectID(CBACnetTag& tag, unsigned char* buf, int& len)
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

int CBACnetObjTypes::ReadValue(CBACnetTag& tag, unsigned char* buf, int& len, int& isNull)
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

void CBACnetObjTypes::TakeValue(int isNull)
{
    // The change rule: the first value, or one that differs, waits to be taken.
    if (m_changeState == CHANGE_NO_VALUE || memcmp(m_value, m_received, m_dataSize) != 0 || isNull != m_isNull) {
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
    return ReadResult(buf, len, end, false);
}

int CBACnetObjTypes::ReadResult(unsigned char* buf, int& len, int end, bool takeBeforeClosing)
{
    CBACnetTag tag(end);
    if (!m_value || !m_received)
        return Refused(CBACnetTag::REFUSAL_NONE);
    if (!ReadObjectID(tag, buf, len) || !tag.ExpectOctet(buf, len, 0x1E) ||
        !ReadNumber(tag, buf, len, 0x29, m_propertyID, false))
        return Refused(tag.m_refusal);
    if (m_isArray && !ReadNumber(tag, buf, len, 0x39, m_arrayIndex, true))
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
        if (!ReadValue(tag, buf, len, isNull))
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
    return ReadSingle(buf, len, end, true);
}

int CBACnetObjTypes::ReadSingle(unsigned char* buf, int& len, int end, bool bounded)
{
    CBACnetTag tag(end);
    if (!m_value || !m_received)
        return Refused(CBACnetTag::REFUSAL_NONE);
    if (!ReadObjectID(tag, buf, len) || !ReadNumber(tag, buf, len, 0x19, m_propertyID, false))
        return Refused(tag.m_refusal);
    if (m_isArray && !ReadNumber(tag, buf, len, 0x29, m_arrayIndex, true))
        return Refused(tag.m_refusal);
    // The value may come inside opening and closing tag 3 or bare.
    unsigned char octet;
    const bool opened = tag.PeekOctet(buf, len, octet) && octet == 0x3E;
    if (opened)
        tag.SkipOctets(len, 1);
    int isNull;
    if (!ReadValue(tag, buf, len, isNull))
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
