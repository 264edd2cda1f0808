#include "property/ObjectName.h"

#include "property/detail/ValueScan.h"

using namespace bacnetcodec::detail;

int CBACnetObjectName::ReadFrame(unsigned char* buf, int& len, int end)
{
    return ScanValues(*this, buf, len, end, [this](CBACnetTag& tag, unsigned char* buf, int& len) {
        return ReadTextContent(tag, buf, len, m_name);
    });
}

int CBACnetObjectName::MakeFrame(unsigned char* buf, int& len, int)
{
    CBACnetTag tag;
    MakeTextFrame(tag, buf, len, m_name);
    return 1;
}
