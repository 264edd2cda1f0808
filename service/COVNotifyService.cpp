#include "service/COVNotifyService.h"

#include <cstring>
#include <utility>

#include "frame/Tag.h"
#include "object/OBJ.h"
#include "service/detail/ContextParams.h"
#include "service/detail/Params.h"

using namespace bacnetcodec::detail;

_BACnetPropertyValue::_BACnetPropertyValue()
    : m_propertyID(0), m_arrayIndex(NO_ARRAY_INDEX), m_valueCount(1), m_priority(NO_PRIORITY)
{
}

_BACnetPropertyValue::_BACnetPropertyValue(DWORD propertyID, const CBACnetValue& value)
    : m_propertyID(propertyID), m_arrayIndex(NO_ARRAY_INDEX), m_valueCount(1), m_value(value),
      m_priority(NO_PRIORITY)
{
}

bool _BACnetPropertyValue::operator==(const _BACnetPropertyValue& other) const
{
    return m_propertyID == other.m_propertyID && m_arrayIndex == other.m_arrayIndex &&
           m_valueCount == other.m_valueCount && m_value == other.m_value && m_priority == other.m_priority;
}

CBACnetCOVNotification::CBACnetCOVNotification() : m_processID(0), m_timeRemaining(0) {}

const _BACnetPropertyValue* CBACnetCOVNotification::Find(DWORD propertyID) const
{
    for (const _BACnetPropertyValue& v : m_values)
        if (v.m_propertyID == propertyID)
            return &v;
    return nullptr;
}

int CBACnetCOVNotification::GetPresentValue(double& out) const
{
    const _BACnetPropertyValue* v = Find(PROPERTY_PRESENT_VALUE);
    if (!v || v->m_valueCount != 1)
        return 0;
    const CBACnetValue& value = v->m_value;
    switch (value.m_kind) {
    case CBACnetTag::TYPE_REAL: out = value.m_real; return 1;
    case CBACnetTag::TYPE_DOUBLE: out = value.m_double; return 1;
    case CBACnetTag::TYPE_UNSIGNED:
    case CBACnetTag::TYPE_ENUMERATED: out = static_cast<double>(value.m_unsigned); return 1;
    case CBACnetTag::TYPE_SIGNED: out = static_cast<double>(value.m_signed); return 1;
    case CBACnetTag::TYPE_BOOLEAN: out = value.m_boolean ? 1 : 0; return 1;
    default: return 0;
    }
}

int CBACnetCOVNotification::GetStatusFlags(unsigned char& out) const
{
    const _BACnetPropertyValue* v = Find(PROPERTY_STATUS_FLAGS);
    if (!v || v->m_valueCount != 1 || v->m_value.m_kind != CBACnetTag::TYPE_BIT_STRING)
        return 0;
    out = 0;
    for (int i = 0; i < 4; i++)
        if (v->m_value.Bit(i))
            out = static_cast<unsigned char>(out | (1 << i));
    return 1;
}

// The values inside [2] up to its closing tag (not consumed): one is kept as
// itself, any other number inside an opening tag 2.
static int ReadEnclosedValues(CBACnetTag& in, unsigned char* buf, int& len, int end, _BACnetPropertyValue& out)
{
    out.m_valueCount = 0;
    out.m_value = CBACnetValue::Constructed(2, {});
    if (NextIs(in, buf, len, 2, CLOSING))
        return 1;
    CBACnetValue first;
    if (!first.ReadFrame(buf, len, end))
        return 0;
    if (NextIs(in, buf, len, 2, CLOSING)) {
        out.m_valueCount = 1;
        out.m_value = std::move(first);
        return 1;
    }
    out.m_value.m_children.push_back(std::move(first));
    if (!CBACnetValue::ReadList(buf, len, end, 2, out.m_value.m_children))
        return 0;
    out.m_valueCount = static_cast<int>(out.m_value.m_children.size());
    return 1;
}

// process [0], device [1], object [2], time remaining [3],
// [4] { property [0], index [1]?, [2] { value... }, priority [3]? }...
int CBACnetCOVNotification::ReadParamsFrame(unsigned char* buf, int& len, int end)
{
    CBACnetTag in(end);
    m_values.clear();
    if (!ReadContextUnsigned(in, buf, len, 0, m_processID) || !ReadContextObjectID(in, buf, len, 1, m_deviceID) ||
        !ReadContextObjectID(in, buf, len, 2, m_objectID) || !ReadContextUnsigned(in, buf, len, 3, m_timeRemaining) ||
        !ExpectTag(in, buf, len, 4, OPENING))
        return 0;
    while (!NextIs(in, buf, len, 4, CLOSING)) {
        _BACnetPropertyValue v;
        if (!ReadContextUnsigned(in, buf, len, 0, v.m_propertyID))
            return 0;
        if (NextIs(in, buf, len, 1, PRIMITIVE) && !ReadContextUnsigned(in, buf, len, 1, v.m_arrayIndex))
            return 0;
        if (!ExpectTag(in, buf, len, 2, OPENING) || !ReadEnclosedValues(in, buf, len, end, v) ||
            !ExpectTag(in, buf, len, 2, CLOSING))
            return 0;
        if (NextIs(in, buf, len, 3, PRIMITIVE)) {
            DWORD priority;
            if (!ReadContextUnsigned(in, buf, len, 3, priority) || priority < 1 || priority > 16)
                return 0;
            v.m_priority = static_cast<unsigned char>(priority);
        }
        m_values.push_back(std::move(v));
    }
    return ExpectTag(in, buf, len, 4, CLOSING) && len == end;
}

int CBACnetCOVNotification::MakeParamsFrame(unsigned char* buf, int& len, int end) const
{
    const int start = len;
    Scratch head;
    MakeUnsignedFrame(head.tag, head.octets, head.len, CBACnetTag::CLASS_CONTEXT, 0, m_processID);
    MakeObjectIDFrame(head.tag, head.octets, head.len, CBACnetTag::CLASS_CONTEXT, 1, m_deviceID);
    MakeObjectIDFrame(head.tag, head.octets, head.len, CBACnetTag::CLASS_CONTEXT, 2, m_objectID);
    MakeUnsignedFrame(head.tag, head.octets, head.len, CBACnetTag::CLASS_CONTEXT, 3, m_timeRemaining);
    head.tag.MakeProgramFrame(head.octets, head.len, 4, 1);
    int ok = head.CopyTo(buf, len, end);
    for (size_t i = 0; ok && i < m_values.size(); i++) {
        const _BACnetPropertyValue& v = m_values[i];
        Scratch before, after;
        MakeUnsignedFrame(before.tag, before.octets, before.len, CBACnetTag::CLASS_CONTEXT, 0, v.m_propertyID);
        if (v.m_arrayIndex != _BACnetPropertyValue::NO_ARRAY_INDEX)
            MakeUnsignedFrame(before.tag, before.octets, before.len, CBACnetTag::CLASS_CONTEXT, 1, v.m_arrayIndex);
        // One value goes inside tags 2 written here; any other count is held
        // as an opening tag 2 around the values, which writes its own tags.
        const bool single = v.m_valueCount == 1;
        if (single) {
            before.tag.MakeProgramFrame(before.octets, before.len, 2, 1);
            after.tag.MakeProgramFrame(after.octets, after.len, 2, 0);
        } else if (v.m_value.m_kind != CBACnetValue::KIND_CONSTRUCTED || v.m_value.m_contextTag != 2 ||
                   v.m_value.m_children.size() != static_cast<size_t>(v.m_valueCount)) {
            ok = 0;
            break;
        }
        if (v.m_priority != _BACnetPropertyValue::NO_PRIORITY)
            MakeUnsignedFrame(after.tag, after.octets, after.len, CBACnetTag::CLASS_CONTEXT, 3, v.m_priority);
        ok = before.CopyTo(buf, len, end) && v.m_value.MakeFrame(buf, len, end) && after.CopyTo(buf, len, end);
    }
    if (ok) {
        Scratch tail;
        tail.tag.MakeProgramFrame(tail.octets, tail.len, 4, 0);
        ok = tail.CopyTo(buf, len, end);
    }
    if (!ok)
        len = start;
    return ok;
}

CBACnetCOVNotifyService::CBACnetCOVNotifyService() = default;

CBACnetCOVNotifyService::~CBACnetCOVNotifyService() = default;

int CBACnetCOVNotifyService::MakeFrame(unsigned char* buf, int& len, int end)
{
    const int start = len;
    Scratch header;
    MakeRequestHeader(header.octets, header.len, SERVICE_CHOICE);
    if (header.CopyTo(buf, len, end) && MakeParamsFrame(buf, len, end))
        return 1;
    len = start;
    return 0;
}

CBACnetConfirmedCOVNotifyService::CBACnetConfirmedCOVNotifyService() = default;

CBACnetConfirmedCOVNotifyService::~CBACnetConfirmedCOVNotifyService() = default;

int CBACnetConfirmedCOVNotifyService::MakeFrame(unsigned char* buf, int& len, int end, CBACnetOBJ* obj)
{
    const int start = len;
    const unsigned char invokeID = NextInvokeID();
    Scratch header;
    MakeRequestHeader(header.octets, header.len, obj, invokeID, SERVICE_CHOICE, true);
    if (header.CopyTo(buf, len, end) && MakeParamsFrame(buf, len, end))
        return invokeID;
    len = start;
    return -1;
}

void CBACnetConfirmedCOVNotifyService::MakeAckFrame(unsigned char* buf, int& len, CBACnetOBJ* notifier,
                                                    unsigned char invokeID)
{
    CBACnetNPCI network;
    network.MakeDstNetworkFrame(notifier->m_address);
    network.MakeFrame(buf, len);
    CBACnetSimpleAckPDU ack;
    ack.SetInvokeID(invokeID);
    ack.SetServiceChoice(SERVICE_CHOICE);
    ack.MakeFrame(buf, len);
}
