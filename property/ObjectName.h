// The object name of a remote object (property 77): one character string.
#pragma once

#include "host/String.h"
#include "property/PropertyID.h"

class BACNET_API CBACnetObjectName : public CBACnetPropertyID {
public:
    CString m_name;  // empty until read or set

    CBACnetObjectName() : CBACnetPropertyID(77) {}
    CBACnetObjectName(const CBACnetObjectName&) = default;
    CBACnetObjectName& operator=(const CBACnetObjectName&) = default;

    // Each character string received replaces the name; only character set 0 is taken.
    int ReadFrame(unsigned char* buf, int& len, int end) override;
    // Writes the name as one character string (71 00 for an empty name).
    int MakeFrame(unsigned char* buf, int& len, int arrayIndex) override;
};
