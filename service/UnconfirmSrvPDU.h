// Base of the unconfirmed services: the two request headers.
#pragma once

#include "frame/NPCI.h"
#include "frame/PDU.h"
#include "host/Object.h"
#include "library/Export.h"

class BACNET_API CBACnetUnconfirmSrvPDU : public CObject {
public:
    CBACnetUnconfirmReqPDU m_applicationHeader;  // service choice 0
    CBACnetNPCI m_networkHeader;                 // version 1, control 0

    CBACnetUnconfirmSrvPDU();
    ~CBACnetUnconfirmSrvPDU() override;

protected:
    // Writes the network header, then the application header with
    // `serviceChoice`, at buf[len], advancing `len`.
    void MakeRequestHeader(unsigned char* buf, int& len, unsigned char serviceChoice);
};
