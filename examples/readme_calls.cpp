// The README's code blocks of the codec, compiled as written and run: each
// block is a region between "README: begin" and "README: end" marks, and
// cmake/check-readme-snippets.sh holds the README to them. What a block
// receives is made before its region: written out, or by the codec playing
// the device.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

// README: begin include
#include <bacnetcodec/bacnetcodec.h>   // every exported class
// README: end include

namespace {

void WeeklySchedule()
{
    // README: begin week
    // Value part of a ReadProperty-ACK for weekly-schedule: Monday 08:00 on,
    // 17:00 off, six empty days.
    unsigned char rx[] = {0x3E, 0x0E, 0xB4, 8, 0, 0, 0, 0x91, 1, 0xB4, 17, 0, 0, 0, 0x91, 0, 0x0F,
                          0x0E, 0x0F, 0x0E, 0x0F, 0x0E, 0x0F, 0x0E, 0x0F, 0x0E, 0x0F, 0x0E, 0x0F, 0x3F};
    CBACnetWeekSchedule week;  // one object per read
    int len = 0;
    if (week.ReadFrame(rx, len, sizeof rx))
        for (int d = 0; d < 7; d++)
            for (INT_PTR i = 0; i < week.m_dayLists[d].GetSize(); i++) {
                auto* tv = static_cast<_BACnetTimeValue*>(week.m_dayLists[d].GetAt(i));
                printf("day %d %02u:%02u -> %u\n", d + 1, unsigned(tv->m_time >> 24),
                       unsigned(tv->m_time >> 16 & 0xFF), tv->m_value[0]);
            }
    // README: end week
}

void GenericValues()
{
    // README: begin values
    // The value part of a ReadProperty-ACK: opening tag 3, the values, closing tag 3.
    unsigned char rx[] = {0x3E, 0x21, 0x10, 0x00, 0x44, 0x42, 0xC8, 0x00, 0x00,
                          0x75, 0x05, 0x04, 0x04, 0x1F, 0x04, 0x40, 0x3F};
    std::vector<CBACnetValue> values;
    int len = 0, refusal;
    if (!CBACnetValue::ReadEnclosedFrame(rx, len, sizeof rx, 3, values, refusal))
        printf("refused: %s\n", CBACnetValue::RefusalText(refusal));
    for (const CBACnetValue& v : values)
        switch (v.m_kind) {
        case CBACnetTag::TYPE_NULL: printf("null\n"); break;
        case CBACnetTag::TYPE_UNSIGNED: printf("unsigned %llu\n", (unsigned long long)v.m_unsigned); break;
        case CBACnetTag::TYPE_REAL: printf("real %g\n", v.m_real); break;
        case CBACnetTag::TYPE_CHARACTER_STRING: printf("text %s\n", v.m_text.c_str()); break;
        default: printf("kind %d\n", v.m_kind);
        }

    // A character set that needs a code page is refused, and says so.
    unsigned char dbcs[] = {0x73, 0x01, 0x82, 0xA0};
    CBACnetValue text;
    len = 0;
    if (!text.ReadFrame(dbcs, len, sizeof dbcs))
        printf("refused at %d: %s\n", len, CBACnetValue::RefusalText(text.m_refusal));

    // WriteProperty's value: Null relinquishes a priority slot.
    unsigned char tx[16];
    int n = 0;
    if (CBACnetValue::Null().MakeEnclosedFrame(tx, n, sizeof tx, 3))
        for (int i = 0; i < n; i++)
            printf("%02X%c", tx[i], i + 1 < n ? ' ' : '\n');
    // README: end values
}

void StandardNames()
{
    // README: begin names
    unsigned type = 0, property = 0;
    BACnetEnumValue(BACNET_ENUM_OBJECT_TYPE, "multi-state-value", type);     // 19
    BACnetEnumValue(BACNET_ENUM_PROPERTY_ID, "Present_Value", property);     // 85
    printf("%u %u\n", type, property);
    printf("%s\n", BACnetEnumText(BACNET_ENUM_ENGINEERING_UNITS, 62).c_str());
    printf("%s\n", BACnetEnumText(BACNET_ENUM_OBJECT_TYPE, 130).c_str());   // proprietary
    printf("%s\n", BACnetEnumText(BACNET_ENUM_ERROR_CODE, 32).c_str());
    printf("%s\n", BACnetEnumName(BACNET_ENUM_SERVICES_SUPPORTED, 34));   // bit 34
    printf("%d\n", BACnetEnumValue(BACNET_ENUM_OBJECT_TYPE, "1024", type));  // refused
    // README: end names
}

void CodePage()
{
    // README: begin codepage
    CString a("Caf\xC3\xA9");                 // Windows-1252: 5 characters, "CafÃ©"
    HostSetCodePage(HOST_CP_UTF8);             // 1; any code page but 1252 and 65001 gives 0
    CString b("Caf\xC3\xA9");                 // UTF-8: 4 characters, "Café"
    CString c(L"\x41F\x440\x438\x432\x435\x442 \U0001F600");
    std::string out = HostWideToAnsi(c.GetString(), c.GetLength());
    printf("%d %d %d %s\n", a.GetLength(), b.GetLength(), c.GetLength(), out.c_str());
    // README: end codepage
}

void LinkHeader()
{
    // README: begin bvlc
    // A ReadProperty built in place after the link header, then the header.
    unsigned char buf[1536];
    const int at = CBACnetBVLC::NpduOffset(CBACnetBVLC::ORIGINAL_UNICAST);   // 4
    int len = at;
    CBACnetOBJ device;
    CBACnetPresentvalue value;                    // analog-input 0's present value
    CBACnetReadPropertyService read;
    read.MakeFrame(buf, len, &device, &value);    // the NPDU at buf[at, len)
    CBACnetBVLC bvlc;                             // Original-Unicast-NPDU by default
    bvlc.m_npdu = buf + at;
    bvlc.m_npduLength = len - at;
    int total = 0;
    bvlc.MakeFrame(buf, total, sizeof buf);       // 81 0A 00 len, the NPDU after it
    // A received datagram of n octets (here the one just made):
    const unsigned char* datagram = buf;
    const int n = total;
    int pos = 0;
    if (!bvlc.ReadFrame(datagram, pos, n))
        printf("refused: %s\n", CBACnetBVLC::RefusalText(bvlc.m_refusal));
    else if (bvlc.m_npdu)                         // pos is at the NPDU
        printf("NPDU of %d octets at %d\n", bvlc.m_npduLength, pos);
    // README: end bvlc
}

int ReceivedFrame()
{
    // A ReadProperty-ACK: analog-input 0's present value, 22.5.
    unsigned char frame[] = {0x01, 0x00, 0x30, 0x07, 0x0C, 0x0C, 0x00, 0x00, 0x00, 0x00,
                             0x19, 0x55, 0x3E, 0x44, 0x41, 0xB4, 0x00, 0x00, 0x3F};
    const int received = sizeof frame;
    const unsigned char expected = 7;
    // README: begin received
    // A received frame: network header, then the APDU header.
    CBACnetReceivePDUs headers;                   // kept by the driver
    int len = 0;
    CBACnetNPCI npci;
    if (!npci.ReadFrame(frame, len, received) || npci.IsMessageMode())
        return 0;                                 // dropped
    CBACnetPDU* pdu = headers.GetReceiveData(frame, len, received);
    if (pdu == nullptr)
        return 0;                                 // unknown or malformed APDU
    if (pdu == &headers.m_complexAck && headers.m_complexAck.GetInvokeID() == expected)
        printf("ReadProperty-ACK, parameters at %d\n", len);   // service parameters at frame + len
    // README: end received
    return 1;
}

void Discovery()
{
    CBACnetReceivePDUs headers;
    std::vector<CBACnetOBJ*> devices;
    unsigned char out[16];
    // An I-Am from device 1001: max APDU 1476, no segmentation, vendor 15.
    unsigned char rx[] = {0x01, 0x00, 0x10, 0x00, 0xC4, 0x02, 0x00, 0x03, 0xE9,
                          0x22, 0x05, 0xC4, 0x91, 0x03, 0x21, 0x0F};
    const int size = sizeof rx;
    // README: begin whois
    CBACnetWhoIsService whoIs;
    int n = 0;
    whoIs.MakeFrame(out, n);                               // broadcast out[0..n)
    // per received frame rx of `size` octets:
    int len = 0;
    CBACnetNPCI npci;
    if (npci.ReadFrame(rx, len, size) && !npci.IsMessageMode() &&
        headers.GetReceiveData(rx, len, size) == &headers.m_unconfirmReq &&
        headers.m_unconfirmReq.GetServiceChoice() == 0) {  // I-Am
        CBACnetIAmService iAm;
        if (CBACnetOBJ* device = iAm.ReadFrame(rx + len, size - len)) {
            device->m_address.CopyData_SrcToDst(npci);     // a routed device's address
            devices.push_back(device);
        }
    }
    // README: end whois
    for (CBACnetOBJ* device : devices) {
        printf("Who-Is of %d octets; I-Am from device %u, max APDU %u\n", n, unsigned(device->m_objectID.m_instance),
               unsigned(device->m_maxAPDU));
        delete device;
    }
}

int TagBinding()
{
    // A ReadProperty-ACK's parameters: analog-input 5's present value, 22.5.
    unsigned char params[] = {0x0C, 0x00, 0x00, 0x00, 0x05, 0x19, 0x55, 0x3E, 0x44, 0x41, 0xB4, 0x00, 0x00, 0x3F};
    const int size = sizeof params;
    // README: begin tag
    CBACnetObjTypes tag(_BACnetObjectID(0, 5));            // analog input 5
    CString name(L"PresentValue");
    unsigned short subType = 0;
    if (!tag.CreateProperty(name, subType, 12))            // 12: floating host tag
        return 1;
    // A ReadProperty acknowledgement from its parameters on, `size` octets:
    int pos = 0;
    if (tag.ReadFrameToSingle(params, pos, size) && tag.IsChangeValue() == 1) {
        CTagVal value;
        tag.GetValue(value, 12, subType);
        tag.ResetChangeValue();
        const CString& text = value.GetValStr();           // one call: each rebuilds the text
        printf("analog-input 5: %s\n", HostWideToAnsi(text.GetString(), text.GetLength()).c_str());
    }
    // README: end tag
    return 0;
}

void send(const unsigned char* frame, int length)
{
    printf("ReadPropertyMultiple of %d octets:", length);
    for (int i = 0; i < length; i++)
        printf(" %02X", frame[i]);
    printf("\n");
}

void markBad(int i, const char* why)
{
    printf("tag %d refused: %s\n", i, why);
}

void markBad(int i, int errorClass, int errorCode)
{
    printf("tag %d: error class %d, code %d\n", i, errorClass, errorCode);
}

void deliver(CTagVal& value)
{
    const CString& text = value.GetValStr();
    printf("value %s\n", HostWideToAnsi(text.GetString(), text.GetLength()).c_str());
}

void Poll()
{
    // The driver's tags: present values of analog-input 0 and 99.
    CBACnetObjTypes ai0(_BACnetObjectID(0, 0)), ai99(_BACnetObjectID(0, 99));
    CString name(L"PresentValue");
    const unsigned short hostType = 12;
    unsigned short subType = 0;
    ai0.CreateProperty(name, subType, hostType);
    ai99.CreateProperty(name, subType, hostType);
    CPtrArray tags;
    tags.Add(&ai0);
    tags.Add(&ai99);
    CBACnetOBJ record;
    record.m_maxAPDU = 1476;
    CBACnetOBJ* device = &record;
    const int first = 0;
    // The device's answer: 22.5 for the first, Error object/unknown-object for the second.
    unsigned char rx[] = {0x01, 0x00, 0x30, 0x01, 0x0E,
                          0x0C, 0x00, 0x00, 0x00, 0x00, 0x1E, 0x29, 0x55, 0x4E, 0x44, 0x41, 0xB4, 0x00, 0x00, 0x4F, 0x1F,
                          0x0C, 0x00, 0x00, 0x00, 0x63, 0x1E, 0x29, 0x55, 0x5E, 0x91, 0x01, 0x91, 0x1F, 0x5F, 0x1F};
    const int size = sizeof rx;
    const int pos = 5;
    // README: begin poll
    CBACnetReadMultiService poll(first);                   // takes its invoke ID
    int len = 0;
    poll.MakeHeaderFrame(len, device, first);
    for (int i = first; i < tags.GetSize(); i++)
        if (!poll.MakeBodyFrame(len, (CBACnetObjTypes*)tags[i], i))
            break;                                         // full
    send(poll.m_frame, poll.m_frameLength);
    // The Complex-ACK with poll.m_invokeID and service 14, parameters at rx + pos:
    poll.ReadBodyFrame(rx + pos, size - pos, tags);
    for (int i = poll.m_first; i <= poll.m_last; i++) {
        auto* tag = (CBACnetObjTypes*)tags[i];
        CTagVal value;
        if (tag->m_result == CBACnetObjTypes::RESULT_REFUSED)        // this entry's result was bad:
            markBad(i, CBACnetTag::RefusalName(tag->m_refusal));    // the others still arrived
        else if (tag->m_result == CBACnetObjTypes::RESULT_ACCESS_ERROR)
            markBad(i, tag->m_errorClass, tag->m_errorCode);
        else if (tag->IsChangeValue() == 1 && tag->GetValue(value, hostType, subType)) {
            deliver(value);
            tag->ResetChangeValue();
        }
    }
    // README: end poll
}

void deliver(_BACnetObjectID object, double value)
{
    printf("object %u:%u changed to %g\n", unsigned(object.m_type), unsigned(object.m_instance), value);
}

// What a device sends: a confirmed notification that analog-input 1 is 22.5.
int Notification(unsigned char* rx, int room)
{
    CBACnetConfirmedCOVNotifyService sent;
    sent.m_processID = 1;
    sent.m_deviceID = _BACnetObjectID(8, 1001);
    sent.m_objectID = _BACnetObjectID(0, 1);
    sent.m_timeRemaining = 60;
    sent.m_values.push_back(_BACnetPropertyValue(CBACnetCOVNotification::PROPERTY_PRESENT_VALUE, CBACnetValue::Real(22.5f)));
    CBACnetOBJ subscriber;
    int size = 0;
    return sent.MakeFrame(rx, size, room, &subscriber) < 0 ? 0 : size;
}

// And its answer to a ReadRange with `invokeID`: one record, 21.5 on 6 Dec 2026 at 04:15.
int TrendLogAck(unsigned char* rx, int room, unsigned char invokeID)
{
    CBACnetReadRangeService answer;
    answer.m_objectID = _BACnetObjectID(20, 1);
    answer.m_resultFlags = CBACnetReadRangeService::FIRST_ITEM | CBACnetReadRangeService::LAST_ITEM;
    answer.m_itemCount = 1;
    _BACnetLogRecord record;
    record.m_date = (2026 - 1900) << 24 | 12 << 16 | 6 << 8 | 7;
    record.m_time = 4 << 24 | 15 << 16;
    record.m_datum = _BACnetLogRecord::DATUM_REAL;
    record.m_real = 21.5f;
    answer.m_records.push_back(record);
    const unsigned char header[] = {0x01, 0x00, 0x30, invokeID, CBACnetReadRangeService::SERVICE_CHOICE};
    memcpy(rx, header, sizeof header);
    int size = sizeof header;
    return answer.MakeAckFrame(rx, size, room) ? size : 0;
}

void NotificationAndTrendLog()
{
    unsigned char rx[256], out[64];
    int size = Notification(rx, sizeof rx);
    CBACnetOBJ subscriberRecord, deviceRecord;
    CBACnetOBJ* notifier = &subscriberRecord;
    CBACnetOBJ* device = &deviceRecord;
    // README: begin cov
    CBACnetReceivePDUs headers;
    CBACnetNPCI npci;
    int pos = 0;
    if (npci.ReadFrame(rx, pos, size) && headers.GetReceiveData(rx, pos, size) == &headers.m_confirmReq &&
        headers.m_confirmReq.GetServiceChoice() == CBACnetConfirmedCOVNotifyService::SERVICE_CHOICE) {
        CBACnetConfirmedCOVNotifyService notification;
        double value;
        if (notification.ReadFrame(rx, pos, size) && notification.GetPresentValue(value))
            deliver(notification.m_objectID, value);
        int n = 0;
        CBACnetConfirmedCOVNotifyService::MakeAckFrame(out, n, notifier, headers.m_confirmReq.GetInvokeID());
    }

    CBACnetReadRangeService range;                        // by position: 10 records from index 1
    range.m_objectID = _BACnetObjectID(20, 1);
    range.m_range = CBACnetReadRangeService::RANGE_BY_POSITION;
    range.m_reference = 1;
    range.m_count = 10;
    int n = 0;
    const unsigned char id = range.MakeFrame(out, n, device);   // 01 04 02 05 id 1A 0C 05 00 00 01 19 83 3E 21 01 31 0A 3F
    // The device's Complex-ACK with invoke ID `id` (played here by the example):
    size = TrendLogAck(rx, sizeof rx, id);
    pos = 0;
    if (npci.ReadFrame(rx, pos, size) && headers.GetReceiveDataAnyService(rx, pos, size) == &headers.m_complexAck &&
        headers.m_complexAck.GetServiceAckChoice() == CBACnetReadRangeService::SERVICE_CHOICE &&
        range.ReadFrame(rx, pos, size))
        for (const _BACnetLogRecord& r : range.m_records)
            printf("%u-%02u-%02u %02u:%02u %g\n", unsigned(r.m_date >> 24) + 1900, unsigned(r.m_date >> 16 & 0xFF),
                   unsigned(r.m_date >> 8 & 0xFF), unsigned(r.m_time >> 24), unsigned(r.m_time >> 16 & 0xFF), r.m_real);
    // README: end cov
    for (int i = 0; i < n; i++)
        printf("%02X%c", out[i], i + 1 < n ? ' ' : '\n');
}

}  // namespace

int main()
{
    WeeklySchedule();
    GenericValues();
    StandardNames();
    CodePage();
    LinkHeader();
    if (!ReceivedFrame() || TagBinding() != 0)
        return 1;
    Discovery();
    Poll();
    NotificationAndTrendLog();
    return 0;
}
