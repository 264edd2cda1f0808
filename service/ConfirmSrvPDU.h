// Base of the confirmed services: the two request headers, the request
// header procedure every confirmed service writes with, and the decoder of
// an Error reply's parameters, which every confirmed service shares.
#pragma once

#include "frame/NPCI.h"
#include "frame/PDU.h"
#include "host/Object.h"
#include "library/Export.h"

class CBACnetOBJ;

class BACNET_API CBACnetConfirmSrvPDU : public CObject {
public:
    CBACnetConfirmReqPDU m_applicationHeader;  // max APDU 1476, invoke ID 0, window size 1
    CBACnetNPCI m_networkHeader;               // version 1, control 0

    CBACnetConfirmSrvPDU();
    ~CBACnetConfirmSrvPDU() override;

    // Error reply parameters at buf[0] (the first octet after the Error PDU
    // header): error class then error code, each an enumeration of one
    // octet. 1 when both decode, else 0. `obj` is not used.
    int ErrFrame(unsigned char* buf, CBACnetOBJ* obj);
    // The same, reading nothing at or beyond buf[end].
    int ErrFrame(unsigned char* buf, CBACnetOBJ* obj, int end);
    // The same, handing back the class and code (set only on success) for
    // CMyBACnetBlkData::SetData(5, errorClass, code).
    int ErrFrame(unsigned char* buf, CBACnetOBJ* obj, int end, unsigned char& errorClass,
                 unsigned char& errorCode);

protected:
    // Takes the next counted invoke ID: increments the process-wide counter
    // (255 wraps to 0) and returns its new value.
    static unsigned char NextInvokeID();

    // Writes the network and confirmed-request headers of a request to `obj`
    // at buf[len], advancing `len`: destination from obj->m_address, max-APDU
    // code from obj->m_maxAPDU, then `invokeID` and `serviceChoice`. With
    // `expectsReply` the network header asks for a reply and the APDU header
    // accepts a segmented response. The flags the procedure sets are worked
    // out afresh for every request, so one service object can serve several
    // records; flags the driver set itself (source address, segmentation)
    // are kept. The APDU header is four octets unless the driver asked for
    // segmentation.
    void MakeRequestHeader(unsigned char* buf, int& len, CBACnetOBJ* obj, unsigned char invokeID,
                           unsigned char serviceChoice, bool expectsReply);

private:
    // The device's request header octets, built again when its address or
    // max APDU changed since they were built.
    static void UpdateRequestHeader(CBACnetOBJ& obj);
};
