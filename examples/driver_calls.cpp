// The calls a driver makes: discover a device, read a property, poll bound
// host tags with ReadPropertyMultiple, write a host value with a priority,
// and describe failures. The device's replies are written out here as the
// octets a real device would send; a driver gets them from its socket.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <bacnetcodec/bacnetcodec.h>

namespace {

void Print(const char* what, const unsigned char* buf, int n)
{
    printf("%-26s", what);
    for (int i = 0; i < n; i++)
        printf(" %02X", buf[i]);
    printf("\n");
}

std::string Narrow(const CString& text)
{
    return HostWideToAnsi(text.GetString(), text.GetLength());
}

// The network header, then the APDU header; `len` ends at the service parameters.
CBACnetPDU* Receive(CBACnetReceivePDUs& rx, unsigned char* frame, int size, int& len)
{
    CBACnetNPCI npci;
    len = 0;
    if (!npci.ReadFrame(frame, len, size) || npci.IsMessageMode())
        return nullptr;
    return rx.GetReceiveData(frame, len, size);
}

}  // namespace

int main()
{
    CBACnetReceivePDUs rx;
    unsigned char out[1500];
    int len = 0;

    // Discovery: a global Who-Is, and an I-Am from device 5.
    CBACnetWhoIsService whoIs;
    whoIs.MakeFrame(out, len);
    Print("Who-Is:", out, len);
    unsigned char iAmFrame[] = {0x01, 0x00, 0x10, 0x00, 0xC4, 0x02, 0x00, 0x00, 0x05,
                                0x22, 0x05, 0xC4, 0x91, 0x00, 0x21, 0x07};
    int pos;
    if (Receive(rx, iAmFrame, sizeof iAmFrame, pos) != &rx.m_unconfirmReq || rx.m_unconfirmReq.GetServiceChoice() != 0)
        return 1;
    CBACnetIAmService iAm;
    std::unique_ptr<CBACnetOBJ> device(iAm.ReadFrame(iAmFrame + pos, sizeof iAmFrame - pos));
    if (!device)
        return 1;
    CString name;
    device->GetDeviceInfoText(name);
    printf("found %s, max APDU %u\n", Narrow(name).c_str(), device->m_maxAPDU);

    // Reading one property with a codec: the device's object name.
    CBACnetObjectName objectName;
    objectName.m_objectID = _BACnetObjectID(8, 5);
    CBACnetReadPropertyService read;
    len = 0;
    const unsigned char readID = read.MakeFrame(out, len, device.get(), &objectName);
    Print("ReadProperty:", out, len);
    unsigned char nameAck[] = {0x01, 0x00, 0x30, readID, 0x0C, 0x0C, 0x02, 0x00, 0x00, 0x05, 0x19, 0x4D,
                               0x3E, 0x75, 0x06, 0x00, 'A', 'H', 'U', '-', '1', 0x3F};
    if (Receive(rx, nameAck, sizeof nameAck, pos) == &rx.m_complexAck && rx.m_complexAck.GetInvokeID() == readID &&
        read.ReadFrame(nameAck, pos, sizeof nameAck, &objectName) &&
        objectName.ReadFrame(nameAck, pos, sizeof nameAck))
        printf("object name: %s\n", Narrow(objectName.m_name).c_str());

    // Polling: host tags bound by name, one ReadPropertyMultiple for the run.
    const wchar_t* names[] = {L"PresentValue", L"PresentValue"};
    std::vector<std::unique_ptr<CBACnetObjTypes>> tags;
    CPtrArray polled;
    for (unsigned i = 0; i < 2; i++) {
        tags.emplace_back(new CBACnetObjTypes(_BACnetObjectID(0, i + 1)));  // analog inputs 1 and 2
        CString text(names[i]);
        unsigned short subType;
        if (!tags.back()->CreateProperty(text, subType, 12))
            return 1;
        polled.Add(tags.back().get());
    }
    CBACnetReadMultiService poll(0);
    len = 0;
    poll.MakeHeaderFrame(len, device.get(), 0);
    for (int i = 0; i < polled.GetSize(); i++)
        if (!poll.MakeBodyFrame(len, static_cast<CBACnetObjTypes*>(polled[i]), i))
            break;  // full: the next request starts at poll.m_last + 1
    Print("ReadPropertyMultiple:", poll.m_frame, poll.m_frameLength);
    unsigned char pollAck[] = {0x01, 0x00, 0x30, poll.m_invokeID, 0x0E,
                               0x0C, 0x00, 0x00, 0x00, 0x01, 0x1E, 0x29, 0x55, 0x4E, 0x44, 0x41, 0xA8, 0x00, 0x00, 0x4F, 0x1F,
                               0x0C, 0x00, 0x00, 0x00, 0x02, 0x1E, 0x29, 0x55, 0x4E, 0x44, 0x42, 0xC8, 0x00, 0x00, 0x4F, 0x1F};
    if (Receive(rx, pollAck, sizeof pollAck, pos) == &rx.m_complexAck && rx.m_complexAck.GetInvokeID() == poll.m_invokeID)
        poll.ReadBodyFrame(pollAck + pos, sizeof pollAck - pos, polled);
    for (auto& tag : tags) {
        CTagVal value;
        if (tag->IsChangeValue() == 1 && tag->GetValue(value, 12, 0)) {
            printf("analog input %u changed: %s\n", unsigned(tag->m_objectID.m_instance),
                   Narrow(value.GetValStr()).c_str());
            tag->ResetChangeValue();
        }
    }

    // Writing a host value to analog output 1 with priority 8.
    CBACnetObjTypes setpoint(_BACnetObjectID(1, 1));
    CString setpointName(L"PresentValue");
    unsigned short subType;
    if (!setpoint.CreateProperty(setpointName, subType, 12))
        return 1;
    CTagVal value;
    value.SetVal(21.5);
    CBACnetWritePropertyService write;
    len = 0;
    write.MakeFrame(out, len, device.get(), &setpoint, value, 0, 0, 8);
    Print("WriteProperty:", out, len);

    // Failures: an Error reply to the write, a Reject, and the driver's time-out.
    unsigned char errorReply[] = {0x01, 0x00, 0x50, 100, 0x0F, 0x91, 0x02, 0x91, 0x28};
    CMyBACnetBlkData outcome;
    CString text;
    if (Receive(rx, errorReply, sizeof errorReply, pos) == &rx.m_error) {
        unsigned char errorClass, errorCode;
        if (write.ErrFrame(errorReply + pos, device.get(), sizeof errorReply - pos, errorClass, errorCode))
            outcome.SetErrorData(errorClass, errorCode);
        outcome.GetErrorMsg(text);
        printf("write failed: %s\n", Narrow(text).c_str());
    }
    unsigned char rejectReply[] = {0x01, 0x00, 0x60, 100, 0x09};
    if (Receive(rx, rejectReply, sizeof rejectReply, pos) == &rx.m_reject) {
        outcome.Start_BlkData();
        outcome.SetData(CMyBACnetBlkData::STATUS_REJECT, rx.m_reject.GetRejectReason(), nullptr);
        outcome.GetErrorMsg(text);
        printf("rejected: %s\n", Narrow(text).c_str());
    }
    outcome.SetData(CMyBACnetBlkData::STATUS_TIMEOUT, 0, nullptr);
    outcome.GetErrorMsg(text);
    printf("no reply: %s\n", Narrow(text).c_str());
    return 0;
}
