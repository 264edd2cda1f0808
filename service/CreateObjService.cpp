#include "service/CreateObjService.h"

#include "frame/Tag.h"
#include "service/detail/Params.h"

CBACnetCreateObjService::CBACnetCreateObjService() = default;

CBACnetCreateObjService::~CBACnetCreateObjService() = default;

void CBACnetCreateObjService::MakeHeaderFrame(unsigned char* buf, int& len, CBACnetOBJ* obj,
                                              unsigned char invokeID)
{
    MakeRequestHeader(buf, len, obj, invokeID, SERVICE_CHOICE, false);
}

unsigned char CBACnetCreateObjService::MakeFrame(unsigned char* buf, int& len, CBACnetOBJ* obj,
                                                 _BACnetObjectID& id)
{
    const unsigned char invokeID = NextInvokeID();
    MakeHeaderFrame(buf, len, obj, invokeID);
    // Object specifier: its object-identifier choice.
    CBACnetTag tag;
    tag.MakeProgramFrame(buf, len, 0, 1);
    bacnetcodec::detail::MakeObjectIDFrame(tag, buf, len, CBACnetTag::CLASS_CONTEXT, 1, id);
    tag.MakeProgramFrame(buf, len, 0, 0);
    return invokeID;
}
