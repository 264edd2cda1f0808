#include "service/IAmService.h"

#include <climits>

#include "frame/Tag.h"
#include "object/OBJ.h"
#include "service/detail/Params.h"

CBACnetIAmService::CBACnetIAmService() : m_deviceID(), m_maxAPDU(0), m_segmentation(0), m_vendorID(0) {}

CBACnetIAmService::~CBACnetIAmService() = default;

CBACnetOBJ* CBACnetIAmService::ReadFrame(unsigned char* buf)
{
    return ReadFrame(buf, INT_MAX);
}

CBACnetOBJ* CBACnetIAmService::ReadFrame(unsigned char* buf, int end)
{
    using namespace bacnetcodec::detail;
    CBACnetTag in(end);
    int len = 0;
    // Neither tag numbers nor classes are checked: some devices context-tag these.
    if (!ReadObjectID(in, buf, len, m_deviceID) ||
        !ReadInteger(in, buf, len, m_maxAPDU, CBACnetTag::TYPE_UNSIGNED) ||
        !ReadInteger(in, buf, len, m_segmentation, CBACnetTag::TYPE_UNSIGNED) ||
        !ReadInteger(in, buf, len, m_vendorID, CBACnetTag::TYPE_UNSIGNED))
        return nullptr;

    CBACnetOBJ* obj = new CBACnetOBJ;
    obj->m_objectID = m_deviceID;
    obj->m_maxAPDU = m_maxAPDU;
    obj->m_segmentation = static_cast<unsigned char>(m_segmentation);
    return obj;
}
