// The description of a remote object (property 28): one character string.
#pragma once

#include "host/String.h"
#include "property/PropertyID.h"

class BACNET_API CBACnetObjectDesc : public CBACnetPropertyID {
public:
    CString m_description;  // empty until read or set

    CBACnetObjectDesc() : CBACnetPropertyID(28) {}
    CBACnetObjectDesc(const CBACnetObjectDesc&) = default;
    CBACnetObjectDesc& operator=(const CBACnetObjectDesc&) = default;

    // Each character string received replaces the description; only character set 0 is taken.
    int ReadFrame(unsigned char* buf, int& len, int end) override;
    // Writes the description as one character string (71 00 for an empty description).
    int MakeFrame(unsigned char* buf, int& len, int arrayIndex) override;
};
