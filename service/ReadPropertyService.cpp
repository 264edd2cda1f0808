#include "service/ReadPropertyService.h"

#include "frame/Tag.h"
#include "object/OBJ.h"
#include "property/PropertyID.h"
#include "service/detail/Params.h"

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
    bacnetcodec::detail::MakePropertyRefFrame(tag, buf, len, *prop);
    return invokeID;
}

int CBACnetReadPropertyService::ReadAnyFrame(unsigned char* buf, int& len, int end, CBACnetPropertyID* prop)
{
    CBACnetTag in(end);
    // The array index is decoded only when the request named one.
    const int ok = bacnetcodec::detail::ReadObjectID(in, buf, len, prop->m_objectID) &&
                   bacnetcodec::detail::ReadInteger(in, buf, len, prop->m_propertyID, CBACnetTag::TYPE_ENUMERATED) &&
                   (prop->m_arrayIndex == CBACnetPropertyID::NO_ARRAY_INDEX ||
                    bacnetcodec::detail::ReadInteger(in, buf, len, prop->m_arrayIndex, CBACnetTag::TYPE_UNSIGNED));
    prop->m_refusal = ok ? CBACnetTag::REFUSAL_NONE : in.m_refusal;
    return ok;
}

int CBACnetReadPropertyService::ReadFrame(unsigned char* buf, int& len, int end, CBACnetPropertyID* prop)
{
    // The reply must name what was asked: a reply for another object,
    // property or index is not this property's value.
    CBACnetPropertyID reply(*prop);
    int reason = CBACnetTag::REFUSAL_MISMATCH;
    unsigned char next;
    int ok = ReadAnyFrame(buf, len, end, &reply);
    if (!ok)
        reason = reply.m_refusal;
    else if (reply.m_objectID.GetValue() != prop->m_objectID.GetValue() || reply.m_propertyID != prop->m_propertyID ||
             reply.m_arrayIndex != prop->m_arrayIndex)
        ok = 0;
    // An index the request did not name (context tag 2) is another element's reply.
    else if (prop->m_arrayIndex == CBACnetPropertyID::NO_ARRAY_INDEX &&
             CBACnetTag(end).PeekOctet(buf, len, next) && (next & 0xF8) == 0x28 && (next & 7) < 5)
        ok = 0;
    prop->m_refusal = ok ? CBACnetTag::REFUSAL_NONE : reason;
    return ok;
}
