// One received NPDU, read the way a driver reads it: the network header with
// the bounded decoder, then the APDU header through the library's dispatcher
// over a table of eight header objects that this class owns.
#pragma once

#include <string>
#include <vector>

#include <bacnetcodec/bacnetcodec.h>

namespace tool {

class ReceivedFrame {
public:
    CBACnetNPCI network;
    CBACnetConfirmReqPDU confirmed;
    CBACnetUnconfirmReqPDU unconfirmed;
    CBACnetSimpleAckPDU simpleAck;
    CBACnetComplexAckPDU complexAck;
    CBACnetSegmentAckPDU segmentAck;
    CBACnetErrorPDU error;
    CBACnetRejectPDU reject;
    CBACnetAbortPDU abort;

    CBACnetPDU* apdu = nullptr;  // the header object the dispatcher chose; null when refused
    std::vector<unsigned char> octets;
    int apduAt = 0;    // first octet of the APDU
    int paramsAt = 0;  // first octet after the APDU header
    std::string problem;

    ReceivedFrame() = default;
    ReceivedFrame(const ReceivedFrame&) = delete;
    ReceivedFrame& operator=(const ReceivedFrame&) = delete;

    // False, with `problem` set, when the network header is refused, the
    // frame carries a network layer message, or the APDU header is refused.
    bool Read(const std::vector<unsigned char>& npdu);

    // The service parameters: from paramsAt to the end of the frame.
    unsigned char* Params() { return octets.data() + paramsAt; }
    int ParamsLength() const { return static_cast<int>(octets.size()) - paramsAt; }
    int PduType() const { return apdu ? apdu->GetPduType() : -1; }
    // The invoke ID of a reply or confirmed request; -1 for other PDU types.
    int InvokeID();
};

}  // namespace tool
