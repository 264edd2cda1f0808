#include "property/TypeSupported.h"

#include <cstring>

#include "property/detail/ValueScan.h"

using namespace bacnetcodec::detail;

CBACnetTypeSupported::CBACnetTypeSupported() : CBACnetPropertyID(96)
{
    memset(m_typeFlags, 0, sizeof m_typeFlags);
}

int CBACnetTypeSupported::ReadFrame(unsigned char* buf, int& len, int end)
{
    return ReadFlags(*this, buf, len, end, m_typeFlags, TYPES, 4);
}
