// The services a remote device supports (property 97). Read only.
#pragma once

#include "property/PropertyID.h"

class BACNET_API CBACnetServiceSupported : public CBACnetPropertyID {
public:
    enum { SERVICES = 35 };
    // m_serviceFlags[k] is 1 when service k (bit k of the services-supported
    // bit string) is supported. All 1 until the device has answered.
    unsigned char m_serviceFlags[SERVICES];

    CBACnetServiceSupported();
    CBACnetServiceSupported(const CBACnetServiceSupported&) = default;
    CBACnetServiceSupported& operator=(const CBACnetServiceSupported&) = default;

    // Each bit string received (at most 6 octets of bits) replaces all flags.
    // Context tags are passed over: the decode runs to `end`.
    int ReadFrame(unsigned char* buf, int& len, int end) override;
};
