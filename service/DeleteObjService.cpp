#include "service/DeleteObjService.h"

#include "frame/Tag.h"
#include "service/detail/Params.h"

CBACnetDeleteObjService::CBACnetDeleteObjService() = default;

CBACnetDeleteObjService::~CBACnetDeleteObjService() = default;

void CBACnetDeleteObjService::MakeHeaderFrame(unsigned char* buf, int& len, CBACnetOBJ* obj,
                                              unsigned char invokeID)
{
    MakeRequestHeader(buf, len, obj, invokeID, SERVICE_CHOICE, false);
}

unsigned char CBACnetDeleteObjService::MakeFrame(unsigned char* buf, int& len, CBACnetOBJ* obj,
                                                 _BACnetObjectID& id)
{
    const unsigned char invokeID = NextInvokeID();
    MakeHeaderFrame(buf, len, obj, invokeID);
    CBACnetTag tag;
    bacnetcodec::detail::MakeObjectIDFrame(tag, buf, len, CBACnetTag::CLASS_APPLICATION, CBACnetTag::TYPE_OBJECT_ID, id);
    return invokeID;
}
