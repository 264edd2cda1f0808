// The object list of a remote device (property 76). Read only.
#pragma once

#include "host/Arrays.h"
#include "property/PropertyID.h"

class BACNET_API CBACnetObjectList : public CBACnetPropertyID {
public:
    CDWordArray m_objectIDs;  // each a _BACnetObjectID value (GetValue form), in order

    CBACnetObjectList() : CBACnetPropertyID(76) {}
    CBACnetObjectList(const CBACnetObjectList&) = delete;
    CBACnetObjectList& operator=(const CBACnetObjectList&) = delete;

    // Appends each value received as an identifier of at most four octets,
    // whatever its application tag (an array length of index 0 included).
    int ReadFrame(unsigned char* buf, int& len, int end) override;
};
