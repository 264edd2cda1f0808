// Change-of-value notifications: the device's report of the values of a
// monitored object, sent confirmed (service 1, answered with a Simple-ACK)
// or unconfirmed (service 2) to a subscriber. Both carry the same
// parameters; the values are read through the generic value codec, so any
// property decodes.
#pragma once

#include <vector>

#include "frame/ObjectID.h"
#include "host/Types.h"
#include "library/Export.h"
#include "property/Value.h"
#include "service/ConfirmSrvPDU.h"
#include "service/UnconfirmSrvPDU.h"

class CBACnetOBJ;

// One entry of the list of values: property [0], optional array index [1],
// the value inside opening and closing tag [2], optional priority [3].
struct BACNET_API _BACnetPropertyValue {
    enum : DWORD { NO_ARRAY_INDEX = 0xFFFFFFFF };
    enum { NO_PRIORITY = 0 };

    DWORD m_propertyID;
    DWORD m_arrayIndex;       // NO_ARRAY_INDEX: none
    // The values between the tags [2], as received. Usually one, and then
    // m_value is that value (a Real present value, the status-flags bit
    // string). Otherwise m_value is an opening tag 2 around all of them.
    int m_valueCount;
    CBACnetValue m_value;
    unsigned char m_priority;  // 1 to 16; NO_PRIORITY: none

    _BACnetPropertyValue();
    // A property with one value.
    _BACnetPropertyValue(DWORD propertyID, const CBACnetValue& value);

    bool operator==(const _BACnetPropertyValue& other) const;
};

// The parameters of both notifications.
class BACNET_API CBACnetCOVNotification {
public:
    enum { PROPERTY_PRESENT_VALUE = 85, PROPERTY_STATUS_FLAGS = 111 };

    DWORD m_processID;            // subscriber process identifier [0]
    _BACnetObjectID m_deviceID;   // initiating device [1]
    _BACnetObjectID m_objectID;   // monitored object [2]
    DWORD m_timeRemaining;        // [3] seconds left of the subscription
    std::vector<_BACnetPropertyValue> m_values;  // [4]

    CBACnetCOVNotification();

    // The first entry for `propertyID`, or null.
    const _BACnetPropertyValue* Find(DWORD propertyID) const;
    // The present value as a Real, Enumerated or Unsigned number, and the
    // four status flags (bit 0 in-alarm, 1 fault, 2 overridden, 3
    // out-of-service); 0 when the notification does not carry one so.
    int GetPresentValue(double& out) const;
    int GetStatusFlags(unsigned char& out) const;

    // Decodes the parameters at buf[len], reading nothing at or beyond
    // `end`; m_values is replaced. The parameters end the APDU: octets
    // after them are refused. 1 decoded, 0 refused.
    int ReadParamsFrame(unsigned char* buf, int& len, int end);
    // Writes the parameters into [len, end); 0, with `len` where it was,
    // when they do not fit or a value has no frame.
    int MakeParamsFrame(unsigned char* buf, int& len, int end) const;
};

class BACNET_API CBACnetCOVNotifyService : public CBACnetUnconfirmSrvPDU, public CBACnetCOVNotification {
public:
    enum { SERVICE_CHOICE = 2 };

    CBACnetCOVNotifyService();
    ~CBACnetCOVNotifyService() override;

    // The whole frame, network header as the driver set it (local by
    // default). 0, with `len` where it was, when it does not fit before `end`.
    int MakeFrame(unsigned char* buf, int& len, int end);
    // The parameters after the unconfirmed-request header.
    int ReadFrame(unsigned char* buf, int& len, int end) { return ReadParamsFrame(buf, len, end); }
};

class BACNET_API CBACnetConfirmedCOVNotifyService : public CBACnetConfirmSrvPDU, public CBACnetCOVNotification {
public:
    enum { SERVICE_CHOICE = 1 };

    CBACnetConfirmedCOVNotifyService();
    ~CBACnetConfirmedCOVNotifyService() override;

    // The whole request to the subscriber `obj`, with the next counted
    // invoke ID, which it returns; -1, with `len` where it was, when it does
    // not fit before `end` (the counter has moved on all the same).
    int MakeFrame(unsigned char* buf, int& len, int end, CBACnetOBJ* obj);
    // The parameters after the confirmed-request header.
    int ReadFrame(unsigned char* buf, int& len, int end) { return ReadParamsFrame(buf, len, end); }
    // The Simple-ACK that answers a notification with `invokeID` from
    // `notifier` (its address routes the reply): network header, 20, the
    // invoke ID, 01.
    static void MakeAckFrame(unsigned char* buf, int& len, CBACnetOBJ* notifier, unsigned char invokeID);
};
