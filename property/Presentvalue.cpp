#include "property/Presentvalue.h"

#include <cstring>

#include "property/detail/ValueScan.h"

using namespace bacnetcodec::detail;

namespace {

// Decodes the value whose header `tag` just read into `out`. Strings, dates,
// times and identifiers are read but leave `out` as constructed.
int ReadTagVal(CBACnetTag& tag, unsigned char* buf, int& len, CTagVal& out)
{
    unsigned char octets[8];
    if (!ReadValueContent(tag, buf, len, octets, tag.m_tagNumber, sizeof octets))
        return 0;
    // ReadDataFrame leaves numbers least significant octet first, signed ones
    // extended over all eight.
    unsigned long long number = 0;
    for (int i = 7; i >= 0; i--)
        number = number << 8 | octets[i];
    switch (tag.m_tagNumber) {
    case CBACnetTag::TYPE_NULL:
        out.SetInvalidVal();
        break;
    case CBACnetTag::TYPE_BOOLEAN:
        out.SetVal(octets[0] ? 1 : 0);
        break;
    case CBACnetTag::TYPE_UNSIGNED:
        out.SetVal(static_cast<double>(static_cast<DWORD>(number)));
        break;
    case CBACnetTag::TYPE_SIGNED:
        out.SetVal(static_cast<double>(static_cast<long long>(number)));
        break;
    case CBACnetTag::TYPE_REAL: {
        const DWORD bits = static_cast<DWORD>(number);
        float real;
        memcpy(&real, &bits, sizeof real);
        out.SetVal(static_cast<double>(real));
        break;
    }
    case CBACnetTag::TYPE_DOUBLE: {
        double real;
        memcpy(&real, &number, sizeof real);
        out.SetVal(real);
        break;
    }
    case CBACnetTag::TYPE_ENUMERATED:
        // Two-state present values: the first octet on the wire.
        out.SetVal(static_cast<double>(octets[0]));
        break;
    default:
        break;
    }
    return 1;
}

}  // namespace

CBACnetPresentvalue& CBACnetPresentvalue::operator=(const CBACnetPresentvalue& other)
{
    CBACnetPropertyID::operator=(other);
    m_value = other.m_value;
    return *this;
}

int CBACnetPresentvalue::MakeFrameToMulti(unsigned char* buf, int& len)
{
    CBACnetTag tag;
    tag.MakeWord32Frame(buf, len, CBACnetTag::CLASS_CONTEXT, 0, m_objectID.GetValue());
    tag.MakeProgramFrame(buf, len, 1, 1);
    tag.MakeAnalogFrame(buf, len, CBACnetTag::CLASS_CONTEXT, 0, 1, &m_propertyID);
    tag.MakeProgramFrame(buf, len, 1, 0);
    return 1;
}

int CBACnetPresentvalue::ReadFrameToMulti(unsigned char* buf, int& len)
{
    return ReadResult(buf, len, INT_MAX, true);
}

int CBACnetPresentvalue::ReadFrameToMulti(unsigned char* buf, int& len, int end)
{
    return ReadResult(buf, len, end, false);
}

int CBACnetPresentvalue::ReadResult(unsigned char* buf, int& len, int end, bool takeBeforeClosing)
{
    CBACnetTag tag(end);
    auto refuse = [&](int reason) {
        m_refusal = reason;
        return 0;
    };
    auto refused = [&]() { return refuse(tag.m_refusal); };
    // The object identifier's header is taken whatever its class and number.
    DWORD objectID;
    if (!tag.ReadHeaderFrame(buf, len) || !tag.ReadWord32(buf, len, CBACnetTag::TYPE_OBJECT_ID, objectID))
        return refused();
    if (objectID != m_objectID.GetValue())
        return refuse(CBACnetTag::REFUSAL_MISMATCH);
    // Opening tag 1, then the property identifier 85 as context tag 2; each
    // octet is consumed when compared.
    const unsigned char form[] = {0x1E, 0x29, 0x55};
    for (unsigned char expected : form) {
        unsigned char octet;
        if (!tag.ReadOctet(buf, len, octet))
            return refused();
        if (octet != expected)
            return refuse(expected == 0x55 ? CBACnetTag::REFUSAL_MISMATCH : CBACnetTag::REFUSAL_UNEXPECTED_OCTET);
    }
    unsigned char choice;
    if (!tag.ReadOctet(buf, len, choice))
        return refused();
    CTagVal value;
    bool received = false;
    if (choice == 0x4E) {  // opening tag 4: the property value
        if (!tag.ReadHeaderFrame(buf, len))
            return refused();
        if (tag.m_class != CBACnetTag::CLASS_APPLICATION)
            return refuse(CBACnetTag::REFUSAL_WRONG_TYPE);
        if (!ReadTagVal(tag, buf, len, value))
            return refused();
        received = true;
        if (takeBeforeClosing)
            Take(value);
        if (!tag.ExpectOctet(buf, len, 0x4F))
            return refused();
    } else if (choice == 0x5E) {  // opening tag 5: the device could not read it
        return refuse(CBACnetTag::REFUSAL_NONE);
    }
    if (!tag.ExpectOctet(buf, len, 0x1F))
        return refused();
    if (received && !takeBeforeClosing)
        Take(value);
    m_refusal = CBACnetTag::REFUSAL_NONE;
    return 1;
}

void CBACnetPresentvalue::Take(const CTagVal& value)
{
    if (!(value == m_value)) {
        m_value = value;
        m_changeFlag = 1;
    }
}

int CBACnetPresentvalue::GetValue(CTagVal& value, int)
{
    value = m_value;
    return m_changeFlag;
}

int CBACnetPresentvalue::SetValue(unsigned char* buf, int& len, CTagVal& value, int, unsigned short asEnumerated)
{
    CBACnetTag tag;
    if (asEnumerated) {
        unsigned char state = value.GetVal() != 0 ? 1 : 0;
        tag.MakeArrayFrame(buf, len, CBACnetTag::CLASS_APPLICATION, CBACnetTag::TYPE_ENUMERATED, 1, &state);
    } else if (value.GetType() == CTagVal::typeDouble) {  // 7: the host's floating values
        const float real = static_cast<float>(value.GetVal());
        DWORD bits;
        memcpy(&bits, &real, sizeof bits);
        tag.MakeWord32Frame(buf, len, CBACnetTag::CLASS_APPLICATION, CBACnetTag::TYPE_REAL, bits);
    }
    return 1;
}

int CBACnetPresentvalue::ReadFrame(unsigned char* buf, int& len, int end)
{
    return ScanValues(*this, buf, len, end, [this](CBACnetTag& tag, unsigned char* buf, int& len) {
        CTagVal value;
        if (!ReadTagVal(tag, buf, len, value))
            return 0;
        m_value = value;
        return 1;
    });
}
