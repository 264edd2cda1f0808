// ReadProperty: the request for one property of one object of a remote
// device, and the fixed fields of its acknowledgement. The value itself is
// decoded by the caller's property codec.
#pragma once

#include "library/Export.h"
#include "service/ConfirmSrvPDU.h"

class CBACnetOBJ;
class CBACnetPropertyID;

class BACNET_API CBACnetReadPropertyService : public CBACnetConfirmSrvPDU {
public:
    enum { SERVICE_CHOICE = 12 };

    CBACnetReadPropertyService();
    ~CBACnetReadPropertyService() override;

    void MakeHeaderFrame(unsigned char* buf, int& len, CBACnetOBJ* obj, unsigned char invokeID);
    // The whole request for prop's object, property and (unless 255) array
    // index, with the next counted invoke ID, which it returns.
    unsigned char MakeFrame(unsigned char* buf, int& len, CBACnetOBJ* obj, CBACnetPropertyID* prop);
    // Decodes object identifier, property identifier and, when the request
    // named an array index, the index of an acknowledgement from buf[len],
    // reading nothing at or beyond buf[end], and compares them with those
    // `prop` holds (the request's): a reply for another object, property or
    // index is refused (prop->m_refusal REFUSAL_MISMATCH), as is an index
    // the request did not name. Leaves `len` at the value's opening tag for
    // the codec's ReadFrame. 1 decoded, 0 refused.
    int ReadFrame(unsigned char* buf, int& len, int end, CBACnetPropertyID* prop);
    // The same fields copied into `prop` whatever they are, for a reader
    // that holds no request (a frame describer); fields decoded before a
    // refusal keep their new values.
    int ReadAnyFrame(unsigned char* buf, int& len, int end, CBACnetPropertyID* prop);
};
