#include "property/ObjectList.h"

#include "property/detail/ValueScan.h"

using namespace bacnetcodec::detail;

int CBACnetObjectList::ReadFrame(unsigned char* buf, int& len, int end)
{
    return ScanValues(*this, buf, len, end, [this](CBACnetTag& tag, unsigned char* buf, int& len) {
        DWORD id;
        if (!tag.ReadWord32(buf, len, CBACnetTag::TYPE_OBJECT_ID, id))
            return 0;
        m_objectIDs.Add(id);
        return 1;
    });
}
