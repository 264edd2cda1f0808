#include "service/IHaveService.h"

#include <climits>
#include <memory>

#include "frame/Tag.h"
#include "object/OBJ.h"
#include "service/detail/Params.h"

CBACnetIHaveService::CBACnetIHaveService() = default;

CBACnetIHaveService::~CBACnetIHaveService() = default;

int CBACnetIHaveService::ReadFrame(unsigned char* buf, CBACnetOBJ* obj)
{
    return ReadFrame(buf, obj, INT_MAX);
}

int CBACnetIHaveService::ReadFrame(unsigned char* buf, CBACnetOBJ* obj, int end)
{
    CBACnetTag in(end);
    int len = 0;
    if (!bacnetcodec::detail::ReadObjectID(in, buf, len, m_deviceID) ||
        !bacnetcodec::detail::ReadObjectID(in, buf, len, m_objectID) || !in.ReadHeaderFrame(buf, len))
        return 0;
    // The name buffer is sized by the received length: refuse a length the
    // data does not hold before allocating for it.
    const int length = in.m_lvt;
    if (length < 1 || !in.HasRoom(len, length))
        return 0;
    std::unique_ptr<unsigned char[]> name(new unsigned char[static_cast<size_t>(length) + 1]);
    int isNull;
    if (!in.ReadDataFrame(name.get(), CBACnetTag::TYPE_CHARACTER_STRING, length, buf, len, isNull))
        return 0;
    m_objectName = reinterpret_cast<const char*>(name.get());
    obj->m_name = m_objectName;
    return 1;
}
