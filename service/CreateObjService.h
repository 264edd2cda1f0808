// CreateObject: asks a remote device to create an object with a given
// identifier. No initial values are sent.
#pragma once

#include "frame/ObjectID.h"
#include "library/Export.h"
#include "service/ConfirmSrvPDU.h"

class CBACnetOBJ;

class BACNET_API CBACnetCreateObjService : public CBACnetConfirmSrvPDU {
public:
    enum { SERVICE_CHOICE = 10 };

    CBACnetCreateObjService();
    ~CBACnetCreateObjService() override;

    // No reply flags: the acknowledgement carries nothing the library decodes.
    void MakeHeaderFrame(unsigned char* buf, int& len, CBACnetOBJ* obj, unsigned char invokeID);
    // The whole request with the next counted invoke ID, which it returns.
    unsigned char MakeFrame(unsigned char* buf, int& len, CBACnetOBJ* obj, _BACnetObjectID& id);
};
