#include "property/ServiceSupported.h"

#include <cstring>

#include "property/detail/ValueScan.h"

using namespace bacnetcodec::detail;

CBACnetServiceSupported::CBACnetServiceSupported() : CBACnetPropertyID(97)
{
    memset(m_serviceFlags, 1, sizeof m_serviceFlags);
}

int CBACnetServiceSupported::ReadFrame(unsigned char* buf, int& len, int end)
{
    return ReadFlags(*this, buf, len, end, m_serviceFlags, SERVICES, 6);
}
