#include "property/detail/ValueScan.h"

#include <cstring>
#include <string>
#include <vector>

#include "host/CodePage.h"
#include "host/String.h"

#include "property/WeekSchedule.h"

namespace bacnetcodec::detail {

int CValueScan::Run(unsigned char* buf, int& len, int end)
{
    CBACnetTag tag(end);
    for (;;) {
        int next;
        if (len >= end)
            next = OnEnd(tag);
        else if (!tag.ReadHeaderFrame(buf, len))
            next = FAIL;
        else if (tag.m_class != CBACnetTag::CLASS_CONTEXT)
            next = OnValue(tag, buf, len);
        else if (tag.IsClosing())
            next = OnClosing(tag);
        else if (tag.IsOpening())
            next = OnOpening(tag, buf, len);
        else
            next = OnContext(tag, buf, len);
        if (next == FAIL && tag.m_refusal != CBACnetTag::REFUSAL_NONE)
            m_refusal = tag.m_refusal;
        if (next != NEXT)
            return next;
    }
}

int CValueScan::RunFor(CBACnetPropertyID& codec, unsigned char* buf, int& len, int end)
{
    m_acceptEnd = codec.m_acceptEnd;
    const int result = Run(buf, len, end);
    codec.m_refusal = result ? CBACnetTag::REFUSAL_NONE : m_refusal;
    return result;
}

int CValueScan::OnEnd(CBACnetTag& tag)
{
    return m_acceptEnd ? DONE : tag.Refuse(CBACnetTag::REFUSAL_TRUNCATED);
}

int CValueScan::OnValue(CBACnetTag& tag, unsigned char*, int&)
{
    return tag.Refuse(CBACnetTag::REFUSAL_WRONG_TYPE);
}

int CValueScan::OnContext(CBACnetTag&, unsigned char*, int&)
{
    return NEXT;
}

int CValueScan::OnOpening(CBACnetTag&, unsigned char*, int&)
{
    return NEXT;
}

int CValueScan::OnClosing(CBACnetTag&)
{
    return DONE;
}

int ReadValueContent(CBACnetTag& tag, unsigned char* buf, int& len, void* out, int type, int room)
{
    // A string needs its L - 1 characters and the terminating 0: L octets.
    if (type == CBACnetTag::TYPE_CHARACTER_STRING && tag.m_lvt > room)
        return tag.Refuse(CBACnetTag::REFUSAL_BAD_LENGTH);
    int isNull;
    return tag.ReadDataFrame(out, type, room, buf, len, isNull);
}

int ReadTimeValueContent(CBACnetTag& tag, unsigned char* buf, int& len, _BACnetTimeValue& out)
{
    DWORD time;
    unsigned char value[4] = {0, 0, 0, 0};  // a Boolean sets only the first octet
    // The time's own tag number is not looked at; the value's decides its type.
    if (!tag.ReadWord32(buf, len, CBACnetTag::TYPE_TIME, time) || !tag.ReadHeaderFrame(buf, len) ||
        !ReadValueContent(tag, buf, len, value, tag.m_tagNumber, sizeof value))
        return 0;
    out.m_time = time;
    memcpy(out.m_value, value, sizeof value);
    return 1;
}

void MakeTimeValuesFrame(CBACnetTag& tag, unsigned char* buf, int& len, CPtrArray& list)
{
    for (INT_PTR i = 0; i < list.GetSize(); i++) {
        const _BACnetTimeValue* entry = static_cast<const _BACnetTimeValue*>(list.GetAt(i));
        if (!entry)
            continue;
        tag.MakeWord32Frame(buf, len, CBACnetTag::CLASS_APPLICATION, CBACnetTag::TYPE_TIME, entry->m_time);
        // Schedules here carry two-state values: one enumerated octet.
        unsigned char value = entry->m_value[0];
        tag.MakeArrayFrame(buf, len, CBACnetTag::CLASS_APPLICATION, CBACnetTag::TYPE_ENUMERATED, 1, &value);
    }
}

int ReadTextContent(CBACnetTag& tag, unsigned char* buf, int& len, CString& text)
{
    // Checked before reserving room: the reservation then never exceeds what was received.
    const int L = tag.m_lvt;
    if (L < 1)
        return tag.Refuse(CBACnetTag::REFUSAL_BAD_LENGTH);
    if (!tag.HasRoom(len, L))
        return tag.Refuse(CBACnetTag::REFUSAL_TRUNCATED);
    std::vector<char> octets(static_cast<size_t>(L) + 1);
    int isNull;
    if (!tag.ReadDataFrame(octets.data(), CBACnetTag::TYPE_CHARACTER_STRING, L, buf, len, isNull))
        return 0;
    text = HostAnsiToWide(octets.data(), strlen(octets.data()));
    return 1;
}

void MakeTextFrame(CBACnetTag& tag, unsigned char* buf, int& len, const CString& text)
{
    const std::string octets = HostWideToAnsi(text.GetString(), text.GetLength());
    // MakeStringFrame copies octets, whatever its pointer type says.
    tag.MakeStringFrame(buf, len, static_cast<int>(octets.size()), reinterpret_cast<const wchar_t*>(octets.data()));
}

namespace {

class CFlagScan : public CValueScan {
public:
    CFlagScan(unsigned char* flags, int count, int room) : m_flags(flags), m_count(count), m_room(room) {}

private:
    // The decode runs to `end`; it is whole when it ends on the closing tag
    // that balances the openings (or closes the one before the call).
    int OnOpening(CBACnetTag&, unsigned char*, int&) override
    {
        m_depth++;
        m_closed = 0;
        return NEXT;
    }
    int OnClosing(CBACnetTag&) override
    {
        m_depth--;
        m_closed = m_depth <= 0;
        return NEXT;
    }
    int OnContext(CBACnetTag&, unsigned char*, int&) override
    {
        m_closed = 0;
        return NEXT;
    }
    int OnEnd(CBACnetTag& tag) override { return m_closed ? DONE : CValueScan::OnEnd(tag); }

    int OnValue(CBACnetTag& tag, unsigned char* buf, int& len) override
    {
        unsigned char bits[8] = {};  // octets not received count as 0
        m_closed = 0;
        if (m_room > static_cast<int>(sizeof bits) ||
            !ReadValueContent(tag, buf, len, bits, CBACnetTag::TYPE_BIT_STRING, m_room))
            return FAIL;
        for (int k = 0; k < m_count && k / 8 < m_room; k++)
            m_flags[k] = (bits[k / 8] >> (7 - k % 8)) & 1;
        return NEXT;
    }

    unsigned char* m_flags;
    int m_count;
    int m_room;
    int m_depth = 0;
    int m_closed = 0;
};

}  // namespace

int ReadFlags(CBACnetPropertyID& codec, unsigned char* buf, int& len, int end, unsigned char* flags, int count,
              int room)
{
    CFlagScan scan(flags, count, room);
    return scan.RunFor(codec, buf, len, end);
}

}  // namespace bacnetcodec::detail
