// A whole received frame, handled as a driver handles it: the network
// header, the APDU header, then the decoder that the PDU type and service
// choice select. A ReadProperty acknowledgement goes to the codec or bound
// tag that the driver would have asked with that invoke ID.
#include <vector>

#include "Bindings.h"
#include "FuzzInput.h"

namespace {

enum { SERVICE_I_AM = 0, SERVICE_I_HAVE = 1 };

template <class Codec>
void ReadProperty(unsigned char* buf, int len, int end, unsigned char arrayIndex)
{
    Codec codec;
    codec.m_arrayIndex = arrayIndex;
    CBACnetReadPropertyService service;
    if (!service.ReadFrame(buf, len, end, &codec))
        return;
    fuzz::CheckCursor(len, end);
    codec.ReadFrame(buf, len, end);
    fuzz::CheckCursor(len, end);
}

void ReadPropertyAck(unsigned char invokeID, unsigned char* buf, int len, int end)
{
    if (invokeID & 0x80) {
        fuzz::Bound bound = fuzz::Bind(invokeID);
        bound.tag->ReadFrameToSingle(buf, len, end);
        fuzz::CheckCursor(len, end);
        CTagVal value;
        bound.tag->GetValue(value, bound.hostType, bound.subType);
        return;
    }
    const unsigned char index = (invokeID & 0x40) ? (invokeID & 7) : CBACnetPropertyID::NO_ARRAY_INDEX;
    switch (invokeID % 12) {
    case 0: ReadProperty<CBACnetPropertyID>(buf, len, end, index); break;
    case 1: ReadProperty<CBACnetObjectName>(buf, len, end, index); break;
    case 2: ReadProperty<CBACnetObjectDesc>(buf, len, end, index); break;
    case 3: ReadProperty<CBACnetSchPriority>(buf, len, end, index); break;
    case 4: ReadProperty<CBACnetPresentvalue>(buf, len, end, index); break;
    case 5: ReadProperty<CBACnetWeekSchedule>(buf, len, end, index); break;
    case 6: ReadProperty<CBACnetExpSchedule>(buf, len, end, index); break;
    case 7: ReadProperty<CBACnetDateRange>(buf, len, end, index); break;
    case 8: ReadProperty<CBACnetObjPropertyRef>(buf, len, end, index); break;
    case 9: ReadProperty<CBACnetObjectList>(buf, len, end, index); break;
    case 10: ReadProperty<CBACnetTypeSupported>(buf, len, end, index); break;
    default: ReadProperty<CBACnetServiceSupported>(buf, len, end, index); break;
    }
}

void ReadMultipleAck(unsigned char* params, int end)
{
    std::vector<fuzz::Bound> run;
    CPtrArray array;
    for (int i = 0; i < fuzz::kBindingCount; i++) {
        run.push_back(fuzz::Bind(i));
        array.Add(run.back().tag.get());
    }
    CBACnetReadMultiService rpm(0);
    rpm.m_last = fuzz::kBindingCount - 1;
    if (!rpm.ReadBodyFrame(params, end, array))
        abort();
    for (fuzz::Bound& entry : run) {
        CTagVal value;
        if (entry.tag->GetValue(value, entry.hostType, entry.subType))
            value.GetValStr();
    }
}

void DescribeReason(int status, int value)
{
    CMyBACnetBlkData record;
    record.SetData(status, value, nullptr);
    CString text;
    record.GetErrorMsg(text);
}

void DescribeError(unsigned char errorClass, unsigned char errorCode)
{
    CMyBACnetBlkData record;
    record.SetErrorData(errorClass, errorCode);
    CString text;
    record.GetErrorMsg(text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Input in(data, size);
    in.Rest();
    unsigned char* buf = in.buf();
    const int end = in.end();

    CBACnetNPCI npci;
    int len = 0;
    if (!npci.ReadFrame(buf, len, end) || npci.IsMessageMode())
        return 0;
    fuzz::CheckCursor(len, end);

    CBACnetReceivePDUs received;
    CBACnetPDU* pdu = received.GetReceiveData(buf, len, end);
    fuzz::CheckCursor(len, end);
    if (!pdu)
        return 0;
    unsigned char* params = buf + len;
    const int rest = end - len;

    const unsigned char unconfirmedService = received.m_unconfirmReq.GetServiceChoice();
    const unsigned char ackService = received.m_complexAck.GetServiceAckChoice();
    if (pdu == &received.m_unconfirmReq && unconfirmedService == SERVICE_I_AM) {
        CBACnetIAmService iam;
        std::unique_ptr<CBACnetOBJ> device(iam.ReadFrame(params, rest));
        if (device) {
            device->m_address.CopyData_SrcToDst(npci);
            CString text;
            device->GetDeviceInfoText(text);
        }
    } else if (pdu == &received.m_unconfirmReq && unconfirmedService == SERVICE_I_HAVE) {
        CBACnetIHaveService ihave;
        CBACnetOBJ object;
        ihave.ReadFrame(params, &object, rest);
    } else if (pdu == &received.m_complexAck && ackService == CBACnetReadPropertyService::SERVICE_CHOICE) {
        ReadPropertyAck(received.m_complexAck.GetInvokeID(), buf, len, end);
    } else if (pdu == &received.m_complexAck && ackService == CBACnetReadMultiService::SERVICE_CHOICE) {
        ReadMultipleAck(params, rest);
    } else if (pdu == &received.m_error) {
        CBACnetReadPropertyService service;
        unsigned char errorClass, errorCode;
        if (service.ErrFrame(params, nullptr, rest, errorClass, errorCode))
            DescribeError(errorClass, errorCode);
    } else if (pdu == &received.m_reject) {
        DescribeReason(CMyBACnetBlkData::STATUS_REJECT, received.m_reject.GetRejectReason());
    } else if (pdu == &received.m_abort) {
        DescribeReason(CMyBACnetBlkData::STATUS_ABORT, received.m_abort.GetAbortReason());
    }
    return 0;
}
