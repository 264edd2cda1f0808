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
    // The reply must name what was asked: a reply for another object,
    // property or index is not this property's value.
    auto same = [&in](unsigned received, unsigned asked) {
        return received == asked ? 1 : in.Refuse(CBACnetTag::REFUSAL_MISMATCH);
    };
    _BACnetObjectID objectID;
    unsigned char propertyID = 0, arrayIndex = 0;
    int ok = ServiceParams::ReadObjectID(in, buf, len, objectID) &&
             same(objectID.GetValue(), prop->m_objectID.GetValue()) &&
             ServiceParams::ReadInteger(in, buf, len, propertyID, CBACnetTag::TYPE_ENUMERATED) &&
             same(propertyID, prop->m_propertyID);
    // The array index is decoded only when the request named one; an index
    // the request did not name (context tag 2) is another element's reply.
    unsigned char next;
    if (ok && prop->m_arrayIndex != CBACnetPropertyID::NO_ARRAY_INDEX)
        ok = ServiceParams::ReadInteger(in, buf, len, arrayIndex, CBACnetTag::TYPE_UNSIGNED) &&
             same(arrayIndex, prop->m_arrayIndex);
    else if (ok && in.PeekOctet(buf, len, next) && (next & 0xF8) == 0x28 && (next & 7) < 5)
        ok = in.Refuse(CBACnetTag::REFUSAL_MISMATCH);
    prop->m_refusal = ok ? CBACnetTag::REFUSAL_NONE : in.m_refusal;
    return ok;
}
