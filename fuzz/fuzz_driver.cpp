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

void Describe(int status, int value, unsigned char* data)
{
    CMyBACnetBlkData record;
    record.SetData(status, value, data);
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

    CBACnetConfirmReqPDU confirmed;
    CBACnetUnconfirmReqPDU unconfirmed;
    CBACnetSimpleAckPDU simpleAck;
    CBACnetComplexAckPDU complexAck;
    CBACnetSegmentAckPDU segmentAck;
    CBACnetErrorPDU error;
    CBACnetRejectPDU reject;
    CBACnetAbortPDU abortPdu;
    CBACnetPDU* table[CBACnetPDU::PDU_TYPES] = {&confirmed, &unconfirmed, &simpleAck, &complexAck,
                                                &segmentAck, &error, &reject, &abortPdu};
    CBACnetPDU* pdu = CBACnetPDU::GetReceiveData(table, buf, len, end);
    fuzz::CheckCursor(len, end);
    if (!pdu)
        return 0;
    unsigned char* params = buf + len;
    const int rest = end - len;

    if (pdu == &unconfirmed && unconfirmed.GetServiceChoice() == SERVICE_I_AM) {
        CBACnetIAmService iam;
        std::unique_ptr<CBACnetOBJ> device(iam.ReadFrame(params, rest));
        if (device) {
            device->m_address.CopyData_SrcToDst(npci);
            CString text;
            device->GetDeviceInfoText(text);
        }
    } else if (pdu == &unconfirmed && unconfirmed.GetServiceChoice() == SERVICE_I_HAVE) {
        CBACnetIHaveService ihave;
        CBACnetOBJ object;
        ihave.ReadFrame(params, &object, rest);
    } else if (pdu == &complexAck && complexAck.GetServiceAckChoice() == CBACnetReadPropertyService::SERVICE_CHOICE) {
        ReadPropertyAck(complexAck.GetInvokeID(), buf, len, end);
    } else if (pdu == &complexAck && complexAck.GetServiceAckChoice() == CBACnetReadMultiService::SERVICE_CHOICE) {
        ReadMultipleAck(params, rest);
    } else if (pdu == &error) {
        CBACnetReadPropertyService service;
        unsigned char errorClass, errorCode;
        if (service.ErrFrame(params, nullptr, rest, errorClass, errorCode))
            Describe(CMyBACnetBlkData::STATUS_ERROR, errorClass,
                     reinterpret_cast<unsigned char*>(static_cast<uintptr_t>(errorCode)));
    } else if (pdu == &reject) {
        Describe(CMyBACnetBlkData::STATUS_REJECT, reject.GetRejectReason(), nullptr);
    } else if (pdu == &abortPdu) {
        Describe(CMyBACnetBlkData::STATUS_ABORT, abortPdu.GetAbortReason(), nullptr);
    }
    return 0;
}
