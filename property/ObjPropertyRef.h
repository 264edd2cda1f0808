// The list of object property references of a remote Schedule object
// (property 54): the points the schedule writes.
#pragma once

#include "frame/ObjectID.h"
#include "host/Arrays.h"
#include "property/PropertyID.h"

// Interface name: kept as the replaced interface spells it.
struct _BACnetPropertyRef {
    _BACnetObjectID m_objectID;  // the referenced object
    unsigned char m_propertyID;  // the referenced property (below 256 only)

    _BACnetPropertyRef() : m_propertyID(0) {}
    _BACnetPropertyRef(_BACnetObjectID objectID, unsigned char propertyID)
        : m_objectID(objectID), m_propertyID(propertyID)
    {
    }
};

class BACNET_API CBACnetObjPropertyRef : public CBACnetPropertyID {
public:
    CPtrArray m_references;  // _BACnetPropertyRef*, owned, in order

    CBACnetObjPropertyRef() : CBACnetPropertyID(54) {}
    ~CBACnetObjPropertyRef();
    CBACnetObjPropertyRef(const CBACnetObjPropertyRef&) = delete;
    CBACnetObjPropertyRef& operator=(const CBACnetObjPropertyRef&) = delete;

    // Appends the references received. Only an object identifier followed by
    // a one-octet property identifier is taken; anything more is refused.
    int ReadFrame(unsigned char* buf, int& len, int end) override;
    // Writes 0C id 19 property for every reference; `arrayIndex` is not used.
    int MakeFrame(unsigned char* buf, int& len, int arrayIndex) override;
};
