#include "service/SubscribeCOVService.h"

#include "frame/Tag.h"
#include "service/detail/ContextParams.h"
#include "service/detail/Params.h"

using namespace bacnetcodec::detail;

CBACnetSubscribeCOVService::CBACnetSubscribeCOVService()
    : m_processID(0), m_cancel(0), m_issueConfirmed(0), m_lifetime(0)
{
}

CBACnetSubscribeCOVService::~CBACnetSubscribeCOVService() = default;

void CBACnetSubscribeCOVService::MakeSubscriptionFrame(unsigned char* buf, int& len)
{
    CBACnetTag tag;
    MakeUnsignedFrame(tag, buf, len, CBACnetTag::CLASS_CONTEXT, 0, m_processID);
    MakeObjectIDFrame(tag, buf, len, CBACnetTag::CLASS_CONTEXT, 1, m_objectID);
    if (m_cancel)
        return;
    tag.MakeBoolFrame(buf, len, CBACnetTag::CLASS_CONTEXT, 2, m_issueConfirmed ? 1 : 0);
    MakeUnsignedFrame(tag, buf, len, CBACnetTag::CLASS_CONTEXT, 3, m_lifetime);
}

// process [0], object [1], then [2] issue-confirmed and [3] lifetime, both or neither
int CBACnetSubscribeCOVService::ReadSubscriptionFrame(unsigned char* buf, int& len, int end)
{
    CBACnetTag in(end);
    if (!ReadContextUnsigned(in, buf, len, 0, m_processID) || !ReadContextObjectID(in, buf, len, 1, m_objectID))
        return 0;
    const int hasConfirmed = NextIs(in, buf, len, 2, PRIMITIVE);
    if (hasConfirmed && !ReadContextBoolean(in, buf, len, 2, m_issueConfirmed))
        return 0;
    if (hasConfirmed != NextIs(in, buf, len, 3, PRIMITIVE))
        return 0;
    m_cancel = !hasConfirmed;
    return m_cancel || ReadContextUnsigned(in, buf, len, 3, m_lifetime);
}

unsigned char CBACnetSubscribeCOVService::MakeFrame(unsigned char* buf, int& len, CBACnetOBJ* obj)
{
    const unsigned char invokeID = NextInvokeID();
    MakeRequestHeader(buf, len, obj, invokeID, SERVICE_CHOICE, true);
    MakeSubscriptionFrame(buf, len);
    return invokeID;
}

int CBACnetSubscribeCOVService::ReadFrame(unsigned char* buf, int& len, int end)
{
    return ReadSubscriptionFrame(buf, len, end) && len == end;
}

CBACnetSubscribeCOVPropertyService::CBACnetSubscribeCOVPropertyService()
    : m_propertyID(85), m_arrayIndex(NO_ARRAY_INDEX), m_hasIncrement(0), m_covIncrement(0)
{
}

CBACnetSubscribeCOVPropertyService::~CBACnetSubscribeCOVPropertyService() = default;

unsigned char CBACnetSubscribeCOVPropertyService::MakeFrame(unsigned char* buf, int& len, CBACnetOBJ* obj)
{
    const unsigned char invokeID = NextInvokeID();
    MakeRequestHeader(buf, len, obj, invokeID, SERVICE_CHOICE, true);
    MakeSubscriptionFrame(buf, len);
    CBACnetTag tag;
    tag.MakeProgramFrame(buf, len, 4, 1);
    MakeUnsignedFrame(tag, buf, len, CBACnetTag::CLASS_CONTEXT, 0, m_propertyID);
    if (m_arrayIndex != NO_ARRAY_INDEX)
        MakeUnsignedFrame(tag, buf, len, CBACnetTag::CLASS_CONTEXT, 1, m_arrayIndex);
    tag.MakeProgramFrame(buf, len, 4, 0);
    if (m_hasIncrement)
        MakeRealFrame(tag, buf, len, CBACnetTag::CLASS_CONTEXT, 5, m_covIncrement);
    return invokeID;
}

// the subscription, then [4] { property [0], optional index [1] }, optional increment [5]
int CBACnetSubscribeCOVPropertyService::ReadFrame(unsigned char* buf, int& len, int end)
{
    CBACnetTag in(end);
    if (!ReadSubscriptionFrame(buf, len, end) || !ExpectTag(in, buf, len, 4, OPENING) ||
        !ReadContextUnsigned(in, buf, len, 0, m_propertyID))
        return 0;
    m_arrayIndex = NO_ARRAY_INDEX;
    if (NextIs(in, buf, len, 1, PRIMITIVE) && !ReadContextUnsigned(in, buf, len, 1, m_arrayIndex))
        return 0;
    if (!ExpectTag(in, buf, len, 4, CLOSING))
        return 0;
    m_hasIncrement = NextIs(in, buf, len, 5, PRIMITIVE);
    return (!m_hasIncrement || ReadContextReal(in, buf, len, 5, m_covIncrement)) && len == end;
}
