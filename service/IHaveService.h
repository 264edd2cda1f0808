// I-Have: a device's answer to Who-Has, giving the object's name.
#pragma once

#include "frame/ObjectID.h"
#include "host/String.h"
#include "library/Export.h"
#include "service/UnconfirmSrvPDU.h"

class CBACnetOBJ;

class BACNET_API CBACnetIHaveService : public CBACnetUnconfirmSrvPDU {
public:
    // The last decode; a failed decode leaves the fields it did not reach.
    _BACnetObjectID m_deviceID;  // the answering device
    _BACnetObjectID m_objectID;  // the object found
    CString m_objectName;

    CBACnetIHaveService();
    ~CBACnetIHaveService() override;

    // Decodes the parameters at buf[0] (after the unconfirmed-request header)
    // and on success gives the name to obj->m_name. 1 decoded, 0 refused with
    // `obj` unchanged. Only character set 0 is accepted.
    int ReadFrame(unsigned char* buf, CBACnetOBJ* obj);
    // The same, for the `end` octets received from buf on: reads nothing at
    // or beyond buf[end], and allocates no more for the name than arrived.
    int ReadFrame(unsigned char* buf, CBACnetOBJ* obj, int end);
};
