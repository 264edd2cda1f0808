// WriteProperty: writes one property of one object of a remote device, from
// a property codec, from a host value with a write priority, or the size of
// an exception schedule.
#pragma once

#include "library/Export.h"
#include "service/ConfirmSrvPDU.h"

class CBACnetOBJ;
class CBACnetPropertyID;
class CBACnetObjTypes;
class CBACnetExpSchedule;
class CTagVal;

class BACNET_API CBACnetWritePropertyService : public CBACnetConfirmSrvPDU {
public:
    enum { SERVICE_CHOICE = 15 };
    // Every host-value write carries this invoke ID; the counter is left alone.
    enum { HOST_VALUE_INVOKE_ID = 100 };

    CBACnetWritePropertyService();
    ~CBACnetWritePropertyService() override;

    void MakeHeaderFrame(unsigned char* buf, int& len, CBACnetOBJ* obj, unsigned char invokeID);
    // The codec writes the value; no priority. Returns the counted invoke ID used.
    unsigned char MakeFrame(unsigned char* buf, int& len, CBACnetOBJ* obj, CBACnetPropertyID* prop);
    // A host value converted to the bound property's data type, with a
    // priority when it is 1 to 16. The two unnamed arguments go to
    // CBACnetObjTypes::SetValue unchanged. Returns 100.
    unsigned char MakeFrame(unsigned char* buf, int& len, CBACnetOBJ* obj, CBACnetObjTypes* prop, CTagVal& value,
                            unsigned short, unsigned short, unsigned short priority);
    // Element 0 of the exception schedule: the number of its special events
    // (one octet, so at most 255). Returns the counted invoke ID used.
    // Interface name: kept as the replaced interface spells it.
    unsigned char MakeScheduleArySize(unsigned char* buf, int& len, CBACnetOBJ* obj, CBACnetExpSchedule* schedule);
    // The Simple-ACK has no parameters: reads nothing, returns 1.
    int ReadFrame(unsigned char* buf, int& len, int end, CBACnetObjTypes* prop);
};
