// The object types a remote device supports (property 96). Read only.
#pragma once

#include "property/PropertyID.h"

class BACNET_API CBACnetTypeSupported : public CBACnetPropertyID {
public:
    enum { TYPES = 18 };
    // m_typeFlags[k] is 1 when object type k (AnalogInput 0 to Schedule 17) is supported.
    unsigned char m_typeFlags[TYPES];

    CBACnetTypeSupported();
    CBACnetTypeSupported(const CBACnetTypeSupported&) = default;
    CBACnetTypeSupported& operator=(const CBACnetTypeSupported&) = default;

    // Each bit string received (at most 4 octets of bits) replaces all flags.
    // Context tags are passed over: the decode runs to `end`.
    int ReadFrame(unsigned char* buf, int& len, int end) override;
};
