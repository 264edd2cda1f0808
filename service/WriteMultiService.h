// WritePropertyMultiple: several properties of a remote device in one
// request. The caller writes each object identifier (context tag 0) between
// the properties.
#pragma once

#include "library/Export.h"
#include "service/ConfirmSrvPDU.h"

class CBACnetOBJ;
class CBACnetPropertyID;

class BACNET_API CBACnetWriteMultiService : public CBACnetConfirmSrvPDU {
public:
    enum { SERVICE_CHOICE = 16 };

    CBACnetWriteMultiService();
    ~CBACnetWriteMultiService() override;

    // The request header with the next counted invoke ID, which it returns.
    unsigned char MakeHeaderFrame(unsigned char* buf, int& len, CBACnetOBJ* obj);
    // One list of property values holding `prop`, its whole value written by
    // the codec; no priority.
    void MakeFrame(unsigned char* buf, int& len, CBACnetPropertyID* prop);
};
