#include "property/SchPriority.h"

#include "property/detail/ValueScan.h"

using namespace bacnetcodec::detail;

int CBACnetSchPriority::ReadFrame(unsigned char* buf, int& len, int end)
{
    return ScanValues(*this, buf, len, end, [this](CBACnetTag& tag, unsigned char* buf, int& len) {
        // One octet of room: no character string fits, not even an empty one.
        if (tag.m_tagNumber == CBACnetTag::TYPE_CHARACTER_STRING)
            return tag.Refuse(CBACnetTag::REFUSAL_BAD_LENGTH);
        return ReadValueContent(tag, buf, len, &m_priority, tag.m_tagNumber, 1);
    });
}

int CBACnetSchPriority::MakeFrame(unsigned char* buf, int& len, int)
{
    CBACnetTag tag;
    tag.MakeAnalogFrame(buf, len, CBACnetTag::CLASS_APPLICATION, CBACnetTag::TYPE_UNSIGNED, 1, &m_priority);
    return 1;
}
