#include "service/ReadPropertyService.h"

#include "frame/Tag.h"
#include "object/OBJ.h"
#include "property/PropertyID.h"
#include "service/Params.h"

CBACnetReadPropertyService::CBACnetReadPropertyService() = default;

CBACnetReadPropertyService::~CBACnetReadPropertyService() = default;

void CBACnetReadPropertyService::MakeHeaderFrame(unsigned char* buf, int& len, CBACnetOBJ* obj,
                                                 unsigned char invokeID)
{
    MakeRequestHeader(buf, len, obj, invokeID, SERVICE_CHOICE, true);
}

unsigned char CBACnetReadPropertyService::MakeFrame(unsigned char* buf, int& len, CBACnetOBJ* obj,
                                                    CBACnetPropertyID* prop)
{
    const unsigned char invokeID = NextInvokeID();
    MakeHeaderFrame(buf, len, obj, invokeID);
    CBACnetTag tag;
    ServiceParams::MakePropertyRefFrame(tag, buf, len, *prop);
    return invokeID;
}

int CBACnetReadPropertyService::ReadFrame(unsigned char* buf, int& len, int end, CBACnetPropertyID* prop)
{
    CBACnetTag in(end);
    // The array index is decoded only when the request named one.
    return ServiceParams::ReadObjectID(in, buf, len, prop->m_objectID) &&
           ServiceParams::ReadInteger(in, buf, len, prop->m_propertyID, CBACnetTag::TYPE_ENUMERATED) &&
           (prop->m_arrayIndex == CBACnetPropertyID::NO_ARRAY_INDEX ||
            ServiceParams::ReadInteger(in, buf, len, prop->m_arrayIndex, CBACnetTag::TYPE_UNSIGNED));
}
