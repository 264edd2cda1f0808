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
    unsigned char header;
    if (!tag.PeekOctet(buf, len, header))
        return 0;
    if (header == oneOctet) {
        tag.SkipOctets(len, 1);
        if (!lowByteMatches && value > 0xFF)
            return 0;
        return tag.ExpectOctet(buf, len, static_cast<unsigned char>(value));
    }
    if (header == oneOctet + 1) {
        tag.SkipOctets(len, 1);
        return tag.ExpectOctet(buf, len, static_cast<unsigned char>(value >> 8)) &&
               tag.ExpectOctet(buf, len, static_cast<unsigned char>(value));
    }
    return 0;
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
      m_readSpec{}, m_singleSpec{}, m_readSpecLength(0), m_singleSpecLength(0), m_readSpecIsArray(0), m_readSpecPropertyID(0), m_readSpecArrayIndex(0),
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
    memcpy(m_readSpec, other.m_readSpec, sizeof m_readSpec);
    memcpy(m_singleSpec, other.m_singleSpec, sizeof m_singleSpec);
    m_readSpecLength = other.m_readSpecLength;
    m_singleSpecLength = other.m_singleSpecLength;
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

void CBACnetObjTypes::BuildReadSpec()
{
    CBACnetTag tag;
    int n = 0;
    MakeObjectIDFrame(m_readSpec, n);
    tag.MakeProgramFrame(m_readSpec, n, 1, 1);
    MakePropertyIDFrame(m_readSpec, n, 0);
    if (m_isArray)
        MakeArrayIndexFrame(m_readSpec, n, 1);
    tag.MakeProgramFrame(m_readSpec, n, 1, 0);
    m_readSpecLength = static_cast<BYTE>(n);
    n = 0;
    MakeObjectIDFrame(m_singleSpec, n);
    MakePropertyIDFrame(m_singleSpec, n, 1);
    if (m_isArray)
        MakeArrayIndexFrame(m_singleSpec, n, 2);
    m_singleSpecLength = static_cast<BYTE>(n);
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

int CBACnetObjTypes::ReadObjectID(CBACnetTag& tag, unsigned char* buf, int& len)
{
    unsigned char octets[4];
    if (!tag.ReadHeaderFrame(buf, len) || tag.m_lvt != 4 || !tag.ReadOctets(buf, len, octets, 4))
        return 0;
    // Catalogue-only types come back under their BACnet numbers.
    if (IsCatalogueOnly(m_objectID.m_type))
        return 1;
    const DWORD id = (DWORD(octets[0]) << 24) | (DWORD(octets[1]) << 16) | (DWORD(octets[2]) << 8) | octets[3];
    return id == m_objectID.GetValue();
}

int CBACnetObjTypes::ReadValue(CBACnetTag& tag, unsigned char* buf, int& len)
{
    int isNull;
    if (!CBACnetTypes::ReceiveDataTypeValue(m_received, m_dataType, m_dataSize, tag, buf, len, isNull))
        return 0;
    if (m_dataType == CBACnetTypes::DT_DATE_TIME && !isNull) {
        // A date-time is a Date tag followed by a Time tag: the time goes
        // into octets 4 to 7 of the same buffer.
        int timeNull;
        if (tag.m_tagNumber != CBACnetTag::TYPE_DATE || m_dataSize < 8)
            return 0;
        if (!CBACnetTypes::ReceiveDataTypeValue(m_received + 4, m_dataType, 4, tag, buf, len, timeNull) ||
            tag.m_tagNumber != CBACnetTag::TYPE_TIME)
            return 0;
    }
    // The change rule: the first value, or one that differs, waits to be taken.
    if (m_changeState == CHANGE_NO_VALUE || memcmp(m_value, m_received, m_dataSize) != 0 || isNull != m_isNull) {
        memcpy(m_value, m_received, m_dataSize);
        m_isNull = isNull;
        m_changeState = CHANGE_NEW;
    }
    return 1;
}

int CBACnetObjTypes::ReadFrameToMulti(unsigned char* buf, int& len)
{
    return ReadFrameToMulti(buf, len, INT_MAX);
}

int CBACnetObjTypes::ReadFrameToMulti(unsigned char* buf, int& len, int end)
{
    CBACnetTag tag(end);
    if (!m_value || !m_received)
        return 0;
    if (!ReadObjectID(tag, buf, len) || !tag.ExpectOctet(buf, len, 0x1E) ||
        !ReadNumber(tag, buf, len, 0x29, m_propertyID, false))
        return 0;
    if (m_isArray && !ReadNumber(tag, buf, len, 0x39, m_arrayIndex, true))
        return 0;

    unsigned char octet;
    if (!tag.PeekOctet(buf, len, octet))
        return 0;
    if (octet == 0x4E) {  // property value
        tag.SkipOctets(len, 1);
        if (!ReadValue(tag, buf, len) || !tag.ExpectOctet(buf, len, 0x4F))
            return 0;
    } else if (octet == 0x5E) {  // property access error: error class, error code
        tag.SkipOctets(len, 1);
        for (int i = 0; i < 2; i++) {
            if (!tag.ReadHeaderFrame(buf, len) || tag.m_class != CBACnetTag::CLASS_APPLICATION ||
                tag.m_tagNumber != CBACnetTag::TYPE_ENUMERATED || !tag.SkipContent(len))
                return 0;
        }
        m_changeState = CHANGE_NONE;
        if (!tag.ExpectOctet(buf, len, 0x5F))
            return 0;
    }
    return tag.ExpectOctet(buf, len, 0x1F);
}

int CBACnetObjTypes::ReadFrameToSingle(unsigned char* buf, int& len)
{
    return ReadFrameToSingle(buf, len, INT_MAX);
}

int CBACnetObjTypes::ReadFrameToSingle(unsigned char* buf, int& len, int end)
{
    CBACnetTag tag(end);
    if (!m_value || !m_received)
        return 0;
    if (!ReadObjectID(tag, buf, len) || !ReadNumber(tag, buf, len, 0x19, m_propertyID, false))
        return 0;
    if (m_isArray && !ReadNumber(tag, buf, len, 0x29, m_arrayIndex, true))
        return 0;
    // The value may come inside opening and closing tag 3 or bare.
    unsigned char octet;
    const bool opened = tag.PeekOctet(buf, len, octet) && octet == 0x3E;
    if (opened)
        tag.SkipOctets(len, 1);
    if (!ReadValue(tag, buf, len))
        return 0;
    return !opened || tag.SkipOctets(len, 1);
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
