// DeleteObject: asks a remote device to delete one of its objects.
#pragma once

#include "frame/ObjectID.h"
#include "library/Export.h"
#include "service/ConfirmSrvPDU.h"

class CBACnetOBJ;

class BACNET_API CBACnetDeleteObjService : public CBACnetConfirmSrvPDU {
public:
    enum { SERVICE_CHOICE = 11 };

    CBACnetDeleteObjService();
    ~CBACnetDeleteObjService() override;

    // No reply flags: the acknowledgement carries nothing the library decodes.
    void MakeHeaderFrame(unsigned char* buf, int& len, CBACnetOBJ* obj, unsigned char invokeID);
    // The whole request with the next counted invoke ID, which it returns.
    unsigned char MakeFrame(unsigned char* buf, int& len, CBACnetOBJ* obj, _BACnetObjectID& id);
};
