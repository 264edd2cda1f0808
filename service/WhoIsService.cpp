#include "service/WhoIsService.h"

#include "frame/Tag.h"
#include "service/detail/ContextParams.h"

CBACnetWhoIsService::CBACnetWhoIsService() : m_hasRange(0), m_lowLimit(0), m_highLimit(MAX_INSTANCE)
{
    m_networkHeader.MakeBroadcastFrame();
}

CBACnetWhoIsService::~CBACnetWhoIsService() = default;

void CBACnetWhoIsService::MakeFrame(unsigned char* buf, int& len)
{
    m_hasRange = 0;
    MakeRequestHeader(buf, len, SERVICE_CHOICE);
}

void CBACnetWhoIsService::MakeFrame(unsigned char* buf, int& len, DWORD low, DWORD high)
{
    MakeRequestHeader(buf, len, SERVICE_CHOICE);
    m_hasRange = 1;
    m_lowLimit = low > MAX_INSTANCE ? DWORD(MAX_INSTANCE) : low;
    m_highLimit = high > MAX_INSTANCE ? DWORD(MAX_INSTANCE) : high;
    CBACnetTag tag;
    bacnetcodec::detail::MakeUnsignedFrame(tag, buf, len, CBACnetTag::CLASS_CONTEXT, 0, m_lowLimit);
    bacnetcodec::detail::MakeUnsignedFrame(tag, buf, len, CBACnetTag::CLASS_CONTEXT, 1, m_highLimit);
}

// nothing, or low limit [0] and high limit [1]
int CBACnetWhoIsService::ReadFrame(unsigned char* buf, int& len, int end)
{
    using namespace bacnetcodec::detail;
    CBACnetTag in(end);
    if (len >= end) {
        m_hasRange = 0;
        return 1;
    }
    DWORD low, high;
    if (!ReadContextUnsigned(in, buf, len, 0, low) || !ReadContextUnsigned(in, buf, len, 1, high) ||
        low > MAX_INSTANCE || high > MAX_INSTANCE || len != end)
        return 0;
    m_hasRange = 1;
    m_lowLimit = low;
    m_highLimit = high;
    return 1;
}
