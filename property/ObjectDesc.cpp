#include "property/ObjectDesc.h"

#include "property/detail/ValueScan.h"

using namespace bacnetcodec::detail;

int CBACnetObjectDesc::ReadFrame(unsigned char* buf, int& len, int end)
{
    return ScanValues(*this, buf, len, end, [this](CBACnetTag& tag, unsigned char* buf, int& len) {
        return ReadTextContent(tag, buf, len, m_description);
    });
}

int CBACnetObjectDesc::MakeFrame(unsigned char* buf, int& len, int)
{
    CBACnetTag tag;
    MakeTextFrame(tag, buf, len, m_description);
    return 1;
}
