// SubscribeCOV and SubscribeCOVProperty: asks a device to report changes of
// an object's values (or of one property) to this subscriber for a lifetime,
// or cancels such a subscription. The Simple-ACK carries nothing.
#pragma once

#include "frame/ObjectID.h"
#include "host/Types.h"
#include "library/Export.h"
#include "service/ConfirmSrvPDU.h"

class CBACnetOBJ;

class BACNET_API CBACnetSubscribeCOVService : public CBACnetConfirmSrvPDU {
public:
    enum { SERVICE_CHOICE = 5 };

    DWORD m_processID;           // subscriber process identifier [0]
    _BACnetObjectID m_objectID;  // monitored object [1]
    // 1: a cancellation, which sends neither of the next two fields.
    int m_cancel;
    int m_issueConfirmed;        // [2] 1 confirmed notifications, 0 unconfirmed
    DWORD m_lifetime;            // [3] seconds; 0 asks for no end

    CBACnetSubscribeCOVService();
    ~CBACnetSubscribeCOVService() override;

    // The whole request to `obj`, with the next counted invoke ID, which it returns.
    unsigned char MakeFrame(unsigned char* buf, int& len, CBACnetOBJ* obj);
    // Decodes a received request's parameters from buf[len] into the fields,
    // reading nothing at or beyond `end`. A request with only one of [2] and
    // [3] is refused, and so are octets after the parameters. 1 decoded, 0 refused.
    int ReadFrame(unsigned char* buf, int& len, int end);

protected:
    // The parameters [0] to [3] and their decoder.
    void MakeSubscriptionFrame(unsigned char* buf, int& len);
    int ReadSubscriptionFrame(unsigned char* buf, int& len, int end);
};

class BACNET_API CBACnetSubscribeCOVPropertyService : public CBACnetSubscribeCOVService {
public:
    enum { SERVICE_CHOICE = 28 };
    enum : DWORD { NO_ARRAY_INDEX = 0xFFFFFFFF };

    DWORD m_propertyID;          // monitored property [4] ...
    DWORD m_arrayIndex;          // ... and its array index, NO_ARRAY_INDEX for none
    int m_hasIncrement;          // 1: [5] is sent
    float m_covIncrement;        // [5] the change that is worth a notification

    CBACnetSubscribeCOVPropertyService();
    ~CBACnetSubscribeCOVPropertyService() override;

    unsigned char MakeFrame(unsigned char* buf, int& len, CBACnetOBJ* obj);
    int ReadFrame(unsigned char* buf, int& len, int end);
};
