#include "service/WriteMultiService.h"

#include "frame/Tag.h"
#include "property/PropertyID.h"

CBACnetWriteMultiService::CBACnetWriteMultiService() = default;

CBACnetWriteMultiService::~CBACnetWriteMultiService() = default;

unsigned char CBACnetWriteMultiService::MakeHeaderFrame(unsigned char* buf, int& len, CBACnetOBJ* obj)
{
    const unsigned char invokeID = NextInvokeID();
    MakeRequestHeader(buf, len, obj, invokeID, SERVICE_CHOICE, true);
    return invokeID;
}

void CBACnetWriteMultiService::MakeFrame(unsigned char* buf, int& len, CBACnetPropertyID* prop)
{
    CBACnetTag tag;
    tag.MakeProgramFrame(buf, len, 1, 1);
    tag.MakeArrayFrame(buf, len, CBACnetTag::CLASS_CONTEXT, 0, 1, &prop->m_propertyID);
    if (prop->m_arrayIndex != CBACnetPropertyID::NO_ARRAY_INDEX)
        tag.MakeArrayFrame(buf, len, CBACnetTag::CLASS_CONTEXT, 1, 1, &prop->m_arrayIndex);
    tag.MakeProgramFrame(buf, len, 2, 1);
    prop->MakeFrame(buf, len, -1);  // the whole value
    tag.MakeProgramFrame(buf, len, 2, 0);
    tag.MakeProgramFrame(buf, len, 1, 0);
}
