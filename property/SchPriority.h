// The priority for writing of a remote Schedule object (property 88).
#pragma once

#include "property/PropertyID.h"

class BACNET_API CBACnetSchPriority : public CBACnetPropertyID {
public:
    unsigned char m_priority;  // 1 (highest) to 16 (lowest)

    CBACnetSchPriority() : CBACnetPropertyID(88), m_priority(16) {}
    CBACnetSchPriority(const CBACnetSchPriority&) = default;
    CBACnetSchPriority& operator=(const CBACnetSchPriority&) = default;

    // Each value received replaces the priority; a value of more than one
    // octet, or a character string, is refused.
    int ReadFrame(unsigned char* buf, int& len, int end) override;
    // Writes 21 and the priority.
    int MakeFrame(unsigned char* buf, int& len, int arrayIndex) override;
};
