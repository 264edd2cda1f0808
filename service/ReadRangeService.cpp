#include "service/ReadRangeService.h"

#include <cstring>
#include <utility>

#include "frame/Tag.h"
#include "service/detail/ContextParams.h"
#include "service/detail/Params.h"

using namespace bacnetcodec::detail;

namespace {

const int kContext = CBACnetTag::CLASS_CONTEXT;
const int kApplication = CBACnetTag::CLASS_APPLICATION;

// The content of a bit string whose header was just read, as a Bit String value.
int ReadBitsContent(CBACnetTag& in, unsigned char* buf, int& len, CBACnetValue& out)
{
    const int L = in.m_lvt;
    unsigned char unused;
    if (L < 1 || !in.HasRoom(len, L) || !in.ReadOctet(buf, len, unused) || unused > 7 || (L == 1 && unused))
        return 0;
    out = CBACnetValue();
    out.m_kind = CBACnetTag::TYPE_BIT_STRING;
    out.m_bitCount = (L - 1) * 8 - unused;
    out.m_octets.assign(buf + len, buf + len + L - 1);
    if (L > 1)
        out.m_octets.back() &= static_cast<unsigned char>(0xFF << unused);
    len += L - 1;
    return 1;
}

}  // namespace

_BACnetLogRecord::_BACnetLogRecord()
    : m_date(0), m_time(0), m_datum(DATUM_NULL), m_logStatus(0), m_boolean(false), m_real(0), m_unsigned(0),
      m_signed(0), m_errorClass(0), m_errorCode(0), m_hasStatusFlags(0), m_statusFlags(0)
{
}

bool _BACnetLogRecord::operator==(const _BACnetLogRecord& o) const
{
    if (m_date != o.m_date || m_time != o.m_time || m_datum != o.m_datum || m_hasStatusFlags != o.m_hasStatusFlags ||
        (m_hasStatusFlags && m_statusFlags != o.m_statusFlags))
        return false;
    switch (m_datum) {
    case DATUM_LOG_STATUS: return m_logStatus == o.m_logStatus;
    case DATUM_BOOLEAN: return m_boolean == o.m_boolean;
    case DATUM_REAL:
    case DATUM_TIME_CHANGE: return memcmp(&m_real, &o.m_real, sizeof m_real) == 0;
    case DATUM_ENUMERATED:
    case DATUM_UNSIGNED: return m_unsigned == o.m_unsigned;
    case DATUM_SIGNED: return m_signed == o.m_signed;
    case DATUM_FAILURE: return m_errorClass == o.m_errorClass && m_errorCode == o.m_errorCode;
    case DATUM_BIT_STRING:
    case DATUM_ANY: return m_value == o.m_value;
    default: return true;
    }
}

// timestamp [0] { date, time }, [1] { one datum choice }, status flags [2]?
int _BACnetLogRecord::ReadFrame(unsigned char* buf, int& len, int end)
{
    CBACnetTag in(end);
    if (!ExpectTag(in, buf, len, 0, OPENING) || !ReadDateTime(in, buf, len, m_date, m_time) ||
        !ExpectTag(in, buf, len, 0, CLOSING) || !ExpectTag(in, buf, len, 1, OPENING))
        return 0;
    // The datum: its context tag number names the choice.
    int at = len;
    if (!in.ReadHeaderFrame(buf, at) || in.m_class != kContext || in.m_tagNumber >= DATUM_COUNT || in.IsClosing())
        return 0;
    m_datum = in.m_tagNumber;
    const bool constructed = m_datum == DATUM_FAILURE || m_datum == DATUM_ANY;
    if (constructed != (in.IsOpening() != 0))
        return 0;
    if (m_datum == DATUM_ANY) {
        if (!m_value.ReadFrame(buf, len, end))
            return 0;
    } else {
        len = at;
        int ok;
        switch (m_datum) {
        case DATUM_LOG_STATUS: ok = ReadFlagsContent(in, buf, len, m_logStatus) && m_logStatus < 8; break;
        case DATUM_BOOLEAN: {
            unsigned char v;
            ok = in.m_lvt == 1 && in.ReadOctet(buf, len, v) && v <= 1;
            m_boolean = ok && v == 1;
            break;
        }
        case DATUM_REAL:
        case DATUM_TIME_CHANGE: ok = ReadRealContent(in, buf, len, m_real); break;
        case DATUM_ENUMERATED:
        case DATUM_UNSIGNED: ok = ReadUnsignedContent(in, buf, len, m_unsigned); break;
        case DATUM_SIGNED: ok = ReadSignedContent(in, buf, len, m_signed); break;
        case DATUM_BIT_STRING: ok = ReadBitsContent(in, buf, len, m_value); break;
        case DATUM_NULL: ok = in.m_lvt == 0; break;
        default:  // DATUM_FAILURE: error class and code, then its closing tag
            ok = ReadApplicationUnsigned(in, buf, len, CBACnetTag::TYPE_ENUMERATED, m_errorClass) &&
                 ReadApplicationUnsigned(in, buf, len, CBACnetTag::TYPE_ENUMERATED, m_errorCode) &&
                 ExpectTag(in, buf, len, DATUM_FAILURE, CLOSING);
            break;
        }
        if (!ok)
            return 0;
    }
    if (!ExpectTag(in, buf, len, 1, CLOSING))
        return 0;
    m_hasStatusFlags = NextIs(in, buf, len, 2, PRIMITIVE);
    if (!m_hasStatusFlags)
        return 1;
    return ExpectTag(in, buf, len, 2, PRIMITIVE) && ReadFlagsContent(in, buf, len, m_statusFlags) &&
           m_statusFlags < 16;
}

int _BACnetLogRecord::MakeFrame(unsigned char* buf, int& len, int end) const
{
    const int start = len;
    Scratch before, after;
    before.tag.MakeProgramFrame(before.octets, before.len, 0, 1);
    MakeDateTimeFrame(before.tag, before.octets, before.len, m_date, m_time);
    before.tag.MakeProgramFrame(before.octets, before.len, 0, 0);
    before.tag.MakeProgramFrame(before.octets, before.len, 1, 1);
    CBACnetTag& tag = before.tag;
    unsigned char* out = before.octets;
    int& n = before.len;
    int ok = 1;
    switch (m_datum) {
    case DATUM_LOG_STATUS: MakeFlagsFrame(tag, out, n, kContext, m_datum, 3, m_logStatus); break;
    case DATUM_BOOLEAN: tag.MakeBoolFrame(out, n, kContext, m_datum, m_boolean ? 1 : 0); break;
    case DATUM_REAL:
    case DATUM_TIME_CHANGE: MakeRealFrame(tag, out, n, kContext, m_datum, m_real); break;
    case DATUM_ENUMERATED:
    case DATUM_UNSIGNED: MakeUnsignedFrame(tag, out, n, kContext, m_datum, m_unsigned); break;
    case DATUM_SIGNED: MakeSignedFrame(tag, out, n, kContext, m_datum, m_signed); break;
    case DATUM_NULL: tag.MakeHeaderFrame(out, n, kContext, m_datum, 0); break;
    case DATUM_FAILURE:
        tag.MakeProgramFrame(out, n, m_datum, 1);
        MakeUnsignedFrame(tag, out, n, kApplication, CBACnetTag::TYPE_ENUMERATED, m_errorClass);
        MakeUnsignedFrame(tag, out, n, kApplication, CBACnetTag::TYPE_ENUMERATED, m_errorCode);
        tag.MakeProgramFrame(out, n, m_datum, 0);
        break;
    case DATUM_BIT_STRING:
        ok = m_value.m_kind == CBACnetTag::TYPE_BIT_STRING;
        break;
    case DATUM_ANY:
        ok = m_value.m_kind == CBACnetValue::KIND_CONSTRUCTED && m_value.m_contextTag == DATUM_ANY;
        break;
    default: ok = 0;
    }
    after.tag.MakeProgramFrame(after.octets, after.len, 1, 0);
    if (m_hasStatusFlags)
        MakeFlagsFrame(after.tag, after.octets, after.len, kContext, 2, 4, m_statusFlags);
    ok = ok && before.CopyTo(buf, len, end);
    if (ok && m_datum == DATUM_BIT_STRING) {
        // A context-tagged bit string differs from the application form only
        // in its first header octet: tag number and class.
        const int at = len;
        ok = m_value.MakeFrame(buf, len, end);
        if (ok)
            buf[at] = static_cast<unsigned char>((DATUM_BIT_STRING << 4) | 0x08 | (buf[at] & 0x07));
    } else if (ok && m_datum == DATUM_ANY) {
        ok = m_value.MakeFrame(buf, len, end);
    }
    ok = ok && after.CopyTo(buf, len, end);
    if (!ok)
        len = start;
    return ok;
}

CBACnetReadRangeService::CBACnetReadRangeService()
    : m_propertyID(PROPERTY_LOG_BUFFER), m_arrayIndex(NO_ARRAY_INDEX), m_range(RANGE_NONE), m_reference(0),
      m_referenceDate(0), m_referenceTime(0), m_count(0), m_resultFlags(0), m_itemCount(0), m_hasFirstSequence(0),
      m_firstSequence(0)
{
}

CBACnetReadRangeService::~CBACnetReadRangeService() = default;

unsigned char CBACnetReadRangeService::MakeFrame(unsigned char* buf, int& len, CBACnetOBJ* obj)
{
    const unsigned char invokeID = NextInvokeID();
    MakeRequestHeader(buf, len, obj, invokeID, SERVICE_CHOICE, true);
    CBACnetTag tag;
    MakeObjectIDFrame(tag, buf, len, kContext, 0, m_objectID);
    MakeUnsignedFrame(tag, buf, len, kContext, 1, m_propertyID);
    if (m_arrayIndex != NO_ARRAY_INDEX)
        MakeUnsignedFrame(tag, buf, len, kContext, 2, m_arrayIndex);
    if (m_range != RANGE_BY_POSITION && m_range != RANGE_BY_SEQUENCE_NUMBER && m_range != RANGE_BY_TIME)
        return invokeID;
    tag.MakeProgramFrame(buf, len, m_range, 1);
    if (m_range == RANGE_BY_TIME)
        MakeDateTimeFrame(tag, buf, len, m_referenceDate, m_referenceTime);
    else
        MakeUnsignedFrame(tag, buf, len, kApplication, CBACnetTag::TYPE_UNSIGNED, m_reference);
    MakeSignedFrame(tag, buf, len, kApplication, CBACnetTag::TYPE_SIGNED, m_count);
    tag.MakeProgramFrame(buf, len, m_range, 0);
    return invokeID;
}

// object [0], property [1], index [2]?
static int ReadPropertyRef(CBACnetTag& in, unsigned char* buf, int& len, _BACnetObjectID& object, DWORD& property,
                           DWORD& index)
{
    if (!ReadContextObjectID(in, buf, len, 0, object) || !ReadContextUnsigned(in, buf, len, 1, property))
        return 0;
    index = CBACnetReadRangeService::NO_ARRAY_INDEX;
    return !NextIs(in, buf, len, 2, PRIMITIVE) || ReadContextUnsigned(in, buf, len, 2, index);
}

// the property reference, then one of [3] { index, count }, [6] { number, count },
// [7] { date, time, count }, or nothing
int CBACnetReadRangeService::ReadRequestFrame(unsigned char* buf, int& len, int end)
{
    CBACnetTag in(end);
    if (!ReadPropertyRef(in, buf, len, m_objectID, m_propertyID, m_arrayIndex))
        return 0;
    m_range = RANGE_NONE;
    for (int choice : {RANGE_BY_POSITION, RANGE_BY_SEQUENCE_NUMBER, RANGE_BY_TIME})
        if (NextIs(in, buf, len, choice, OPENING))
            m_range = choice;
    if (m_range == RANGE_NONE)
        return len == end;
    in.ReadHeaderFrame(buf, len);
    const int reference = m_range == RANGE_BY_TIME
                              ? ReadDateTime(in, buf, len, m_referenceDate, m_referenceTime)
                              : ReadApplicationUnsigned(in, buf, len, CBACnetTag::TYPE_UNSIGNED, m_reference);
    return reference && ReadApplicationSigned(in, buf, len, m_count) && ExpectTag(in, buf, len, m_range, CLOSING) &&
           len == end;
}

// the property reference, result flags [3], item count [4], [5] { items },
// first sequence number [6]?
int CBACnetReadRangeService::ReadFrame(unsigned char* buf, int& len, int end)
{
    CBACnetTag in(end);
    m_records.clear();
    m_items.clear();
    if (!ReadPropertyRef(in, buf, len, m_objectID, m_propertyID, m_arrayIndex) ||
        !ExpectTag(in, buf, len, 3, PRIMITIVE) || !ReadFlagsContent(in, buf, len, m_resultFlags) ||
        m_resultFlags >= 8 || !ReadContextUnsigned(in, buf, len, 4, m_itemCount) || !ExpectTag(in, buf, len, 5, OPENING))
        return 0;
    size_t received;
    if (m_propertyID == PROPERTY_LOG_BUFFER) {
        while (!NextIs(in, buf, len, 5, CLOSING)) {
            m_records.emplace_back();
            if (!m_records.back().ReadFrame(buf, len, end))
                return 0;
        }
        received = m_records.size();
    } else {
        if (!CBACnetValue::ReadList(buf, len, end, 5, m_items))
            return 0;
        received = m_items.size();
    }
    if (!ExpectTag(in, buf, len, 5, CLOSING) || received != m_itemCount)
        return 0;
    m_hasFirstSequence = NextIs(in, buf, len, 6, PRIMITIVE);
    return (!m_hasFirstSequence || ReadContextUnsigned(in, buf, len, 6, m_firstSequence)) && len == end;
}

int CBACnetReadRangeService::MakeAckFrame(unsigned char* buf, int& len, int end) const
{
    const int start = len;
    Scratch head, tail;
    MakeObjectIDFrame(head.tag, head.octets, head.len, kContext, 0, m_objectID);
    MakeUnsignedFrame(head.tag, head.octets, head.len, kContext, 1, m_propertyID);
    if (m_arrayIndex != NO_ARRAY_INDEX)
        MakeUnsignedFrame(head.tag, head.octets, head.len, kContext, 2, m_arrayIndex);
    MakeFlagsFrame(head.tag, head.octets, head.len, kContext, 3, 3, m_resultFlags);
    MakeUnsignedFrame(head.tag, head.octets, head.len, kContext, 4, m_itemCount);
    head.tag.MakeProgramFrame(head.octets, head.len, 5, 1);
    tail.tag.MakeProgramFrame(tail.octets, tail.len, 5, 0);
    if (m_hasFirstSequence)
        MakeUnsignedFrame(tail.tag, tail.octets, tail.len, kContext, 6, m_firstSequence);
    int ok = head.CopyTo(buf, len, end);
    if (m_propertyID == PROPERTY_LOG_BUFFER)
        for (size_t i = 0; ok && i < m_records.size(); i++)
            ok = m_records[i].MakeFrame(buf, len, end);
    else
        for (size_t i = 0; ok && i < m_items.size(); i++)
            ok = m_items[i].MakeFrame(buf, len, end);
    ok = ok && tail.CopyTo(buf, len, end);
    if (!ok)
        len = start;
    return ok;
}
