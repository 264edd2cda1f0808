// Who-Is: the broadcast that asks every device to announce itself.
#pragma once

#include "host/Types.h"
#include "library/Export.h"
#include "service/UnconfirmSrvPDU.h"

class BACNET_API CBACnetWhoIsService : public CBACnetUnconfirmSrvPDU {
public:
    enum { SERVICE_CHOICE = 8 };

    // A global broadcast header.
    CBACnetWhoIsService();
    ~CBACnetWhoIsService() override;

    enum : DWORD { MAX_INSTANCE = 0x3FFFFF };

    // The range of the last frame made or read: both limits, or neither
    // (m_hasRange 0) when every device is asked.
    int m_hasRange;
    DWORD m_lowLimit;
    DWORD m_highLimit;

    // Appends the 8-octet frame at buf[len]; no device range, so every device answers.
    void MakeFrame(unsigned char* buf, int& len);
    // Only devices with instances from `low` to `high` answer. Limits above
    // MAX_INSTANCE are cut to it.
    void MakeFrame(unsigned char* buf, int& len, DWORD low, DWORD high);
    // Decodes a received Who-Is's parameters from buf[len]: none, or the low
    // limit [0] and the high limit [1] together, each at most MAX_INSTANCE.
    // Reads nothing at or beyond `end`; octets after the range are refused.
    // 1 decoded, 0 refused.
    int ReadFrame(unsigned char* buf, int& len, int end);
    // Whether a device of instance `instance` is asked by the last range.
    int IsAsked(DWORD instance) const
    {
        return !m_hasRange || (instance >= m_lowLimit && instance <= m_highLimit);
    }
};
