#include "Frame.h"

namespace tool {

bool ReceivedFrame::Read(const std::vector<unsigned char>& npdu)
{
    octets = npdu;
    apdu = nullptr;
    const int end = static_cast<int>(octets.size());
    int len = 0;
    if (!network.ReadFrame(octets.data(), len, end)) {
        problem = "network header refused";
        return false;
    }
    if (network.IsMessageMode()) {
        problem = "network layer message";
        return false;
    }
    apduAt = len;
    CBACnetPDU* table[CBACnetPDU::PDU_TYPES] = {&confirmed, &unconfirmed, &simpleAck, &complexAck,
                                                &segmentAck, &error,      &reject,    &abort};
    apdu = CBACnetPDU::GetReceiveData(table, octets.data(), len, end);
    if (apdu == nullptr) {
        problem = "APDU header refused";
        return false;
    }
    paramsAt = len;
    return true;
}

int ReceivedFrame::InvokeID()
{
    switch (PduType()) {
    case 0: return confirmed.GetInvokeID();
    case 2: return simpleAck.GetInvokeID();
    case 3: return complexAck.GetInvokeID();
    case 4: return segmentAck.GetInvokeID();
    case 5: return error.GetInvokeID();
    case 6: return reject.GetInvokeID();
    case 7: return abort.GetInvokeID();
    default: return -1;
    }
}

}  // namespace tool
