#include "service/WritePropertyService.h"

#include "frame/Tag.h"
#include "host/TagVal.h"
#include "object/ObjTypes.h"
#include "property/ExpSchedule.h"
#include "property/PropertyID.h"
#include "service/detail/Params.h"

CBACnetWritePropertyService::CBACnetWritePropertyService() = default;

CBACnetWritePropertyService::~CBACnetWritePropertyService() = default;

void CBACnetWritePropertyService::MakeHeaderFrame(unsigned char* buf, int& len, CBACnetOBJ* obj,
                                                  unsigned char invokeID)
{
    MakeRequestHeader(buf, len, obj, invokeID, SERVICE_CHOICE, true);
}

unsigned char CBACnetWritePropertyService::MakeFrame(unsigned char* buf, int& len, CBACnetOBJ* obj,
                                                     CBACnetPropertyID* prop)
{
    const unsigned char invokeID = NextInvokeID();
    MakeHeaderFrame(buf, len, obj, invokeID);
    CBACnetTag tag;
    bacnetcodec::detail::MakePropertyRefFrame(tag, buf, len, *prop);
    tag.MakeProgramFrame(buf, len, 3, 1);
    prop->MakeFrame(buf, len, prop->m_arrayIndex);  // 255 when no index is given
    tag.MakeProgramFrame(buf, len, 3, 0);
    return invokeID;
}

unsigned char CBACnetWritePropertyService::MakeFrame(unsigned char* buf, int& len, CBACnetOBJ* obj,
                                                     CBACnetObjTypes* prop, CTagVal& value, unsigned short first,
                                                     unsigned short second, unsigned short priority)
{
    MakeHeaderFrame(buf, len, obj, HOST_VALUE_INVOKE_ID);
    CBACnetTag tag;
    prop->MakeObjectIDFrame(buf, len);
    prop->MakePropertyIDFrame(buf, len, 1);
    if (prop->m_isArray)
        prop->MakeArrayIndexFrame(buf, len, 2);
    tag.MakeProgramFrame(buf, len, 3, 1);
    // A value that cannot be converted leaves the value tags empty.
    prop->SetValue(buf, len, value, first, second);
    tag.MakeProgramFrame(buf, len, 3, 0);
    if (priority >= 1 && priority <= 16) {
        unsigned char octet = static_cast<unsigned char>(priority);
        tag.MakeArrayFrame(buf, len, CBACnetTag::CLASS_CONTEXT, 4, 1, &octet);
    }
    return HOST_VALUE_INVOKE_ID;
}

unsigned char CBACnetWritePropertyService::MakeScheduleArySize(unsigned char* buf, int& len, CBACnetOBJ* obj,
                                                               CBACnetExpSchedule* schedule)
{
    const unsigned char invokeID = NextInvokeID();
    MakeHeaderFrame(buf, len, obj, invokeID);
    CBACnetTag tag;
    bacnetcodec::detail::MakeObjectIDFrame(tag, buf, len, CBACnetTag::CLASS_CONTEXT, 0, schedule->m_objectID);
    tag.MakeArrayFrame(buf, len, CBACnetTag::CLASS_CONTEXT, 1, 1, &schedule->m_propertyID);
    unsigned char sizeElement = 0;
    tag.MakeArrayFrame(buf, len, CBACnetTag::CLASS_CONTEXT, 2, 1, &sizeElement);
    tag.MakeProgramFrame(buf, len, 3, 1);
    unsigned char count = static_cast<unsigned char>(schedule->m_specialEvents.GetSize());
    tag.MakeAnalogFrame(buf, len, CBACnetTag::CLASS_APPLICATION, CBACnetTag::TYPE_UNSIGNED, 1, &count);
    tag.MakeProgramFrame(buf, len, 3, 0);
    return invokeID;
}

int CBACnetWritePropertyService::ReadFrame(unsigned char*, int&, int, CBACnetObjTypes*)
{
    return 1;
}
