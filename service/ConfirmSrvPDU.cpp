#include "service/ConfirmSrvPDU.h"

#include <climits>

#include "object/OBJ.h"
#include "service/Params.h"

CBACnetConfirmSrvPDU::CBACnetConfirmSrvPDU() = default;

CBACnetConfirmSrvPDU::~CBACnetConfirmSrvPDU() = default;

unsigned char CBACnetConfirmSrvPDU::NextInvokeID()
{
    return ++CBACnetPDU::c_invokeID;
}

void CBACnetConfirmSrvPDU::MakeRequestHeader(unsigned char* buf, int& len, CBACnetOBJ* obj,
                                             unsigned char invokeID, unsigned char serviceChoice,
                                             bool expectsReply)
{
    // An earlier request's destination and reply flags must not leak into this one.
    m_networkHeader.m_control &= static_cast<unsigned char>(~(CBACnetNPCI::CONTROL_DNET | CBACnetNPCI::CONTROL_REPLY));
    m_applicationHeader.m_firstOctet &= static_cast<unsigned char>(~CBACnetPDU::BIT_SA);

    m_networkHeader.MakeDstNetworkFrame(obj->m_address);
    m_applicationHeader.SetMaxAPDU(obj->m_maxAPDU);
    if (expectsReply) {
        m_networkHeader.SetLocalReplyFrame();
        m_applicationHeader.SetSegmentReply();
    }
    m_applicationHeader.SetInvokeID(invokeID);
    m_applicationHeader.SetServiceChoice(serviceChoice);
    m_networkHeader.MakeFrame(buf, len);
    m_applicationHeader.MakeFrame(buf, len);
}

int CBACnetConfirmSrvPDU::ErrFrame(unsigned char* buf, CBACnetOBJ* obj)
{
    return ErrFrame(buf, obj, INT_MAX);
}

int CBACnetConfirmSrvPDU::ErrFrame(unsigned char* buf, CBACnetOBJ* obj, int end)
{
    unsigned char errorClass, errorCode;
    return ErrFrame(buf, obj, end, errorClass, errorCode);
}

int CBACnetConfirmSrvPDU::ErrFrame(unsigned char* buf, CBACnetOBJ*, int end, unsigned char& errorClass,
                                   unsigned char& errorCode)
{
    CBACnetTag in(end);
    int len = 0;
    unsigned char cls, code;
    // CreateObject and WritePropertyMultiple errors carry the pair inside an
    // opening tag 0, followed by what failed; the pair is all we need.
    in.ExpectOctet(buf, len, 0x0E);
    // Classes and codes above 255 do not fit the octet and are refused.
    if (!ServiceParams::ReadInteger(in, buf, len, cls, CBACnetTag::TYPE_ENUMERATED) ||
        !ServiceParams::ReadInteger(in, buf, len, code, CBACnetTag::TYPE_ENUMERATED))
        return 0;
    errorClass = cls;
    errorCode = code;
    return 1;
}
