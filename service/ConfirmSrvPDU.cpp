#include "service/ConfirmSrvPDU.h"

#include <climits>
#include <cstring>

#include "object/OBJ.h"
#include "service/detail/Params.h"

CBACnetConfirmSrvPDU::CBACnetConfirmSrvPDU() = default;

CBACnetConfirmSrvPDU::~CBACnetConfirmSrvPDU() = default;

unsigned char CBACnetConfirmSrvPDU::NextInvokeID()
{
    return ++CBACnetPDU::c_invokeID;
}

void CBACnetConfirmSrvPDU::UpdateRequestHeader(CBACnetOBJ& obj)
{
    CBACnetOBJ::RequestHeader& cache = obj.m_requestHeader;
    const CBACnetNPCI_DATA& address = obj.m_address;
    if (cache.m_length != 0 && cache.m_maxAPDU == obj.m_maxAPDU && cache.m_macLength == address.m_macLength &&
        memcmp(cache.m_network, address.m_network, sizeof cache.m_network) == 0 &&
        memcmp(cache.m_mac, address.m_mac, sizeof cache.m_mac) == 0)
        return;
    memcpy(cache.m_network, address.m_network, sizeof cache.m_network);
    cache.m_macLength = address.m_macLength;
    memcpy(cache.m_mac, address.m_mac, sizeof cache.m_mac);
    cache.m_maxAPDU = obj.m_maxAPDU;
    cache.m_maxAPDUCode = CBACnetConfirmReqPDU::MaxAPDUCode(obj.m_maxAPDU);
    // The same steps as a header in its usual form.
    CBACnetNPCI network;
    network.MakeDstNetworkFrame(obj.m_address);
    network.SetLocalReplyFrame();
    int n = 0;
    network.MakeFrame(cache.m_octets, n);
    cache.m_octets[n++] = CBACnetPDU::BIT_SA;  // confirmed request, segmented response accepted
    cache.m_octets[n++] = cache.m_maxAPDUCode;
    cache.m_length = static_cast<unsigned char>(n);
}

void CBACnetConfirmSrvPDU::MakeRequestHeader(unsigned char* buf, int& len, CBACnetOBJ* obj,
                                             unsigned char invokeID, unsigned char serviceChoice,
                                             bool expectsReply)
{
    UpdateRequestHeader(*obj);
    const CBACnetOBJ::RequestHeader& cache = obj->m_requestHeader;

    // An earlier request's destination and reply flags must not leak into this one.
    m_networkHeader.m_control &= static_cast<unsigned char>(~(CBACnetNPCI::CONTROL_DNET | CBACnetNPCI::CONTROL_REPLY));
    m_applicationHeader.m_firstOctet &= static_cast<unsigned char>(~CBACnetPDU::BIT_SA);

    m_networkHeader.MakeDstNetworkFrame(obj->m_address);
    m_applicationHeader.m_maxAPDU = cache.m_maxAPDUCode;
    if (expectsReply) {
        m_networkHeader.SetLocalReplyFrame();
        m_applicationHeader.SetSegmentReply();
    }
    m_applicationHeader.SetInvokeID(invokeID);
    m_applicationHeader.SetServiceChoice(serviceChoice);

    // A header in its usual form (version 1, no source address or message
    // type, no segmentation asked) is the device's octets as they are.
    if (expectsReply && m_networkHeader.m_version == 1 &&
        (m_networkHeader.m_control & ~(CBACnetNPCI::CONTROL_DNET | CBACnetNPCI::CONTROL_REPLY)) == 0 &&
        m_applicationHeader.m_firstOctet == CBACnetPDU::BIT_SA) {
        memcpy(buf + len, cache.m_octets, cache.m_length);
        len += cache.m_length;
        buf[len++] = invokeID;
        buf[len++] = serviceChoice;
        return;
    }
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
    if (!bacnetcodec::detail::ReadInteger(in, buf, len, cls, CBACnetTag::TYPE_ENUMERATED) ||
        !bacnetcodec::detail::ReadInteger(in, buf, len, code, CBACnetTag::TYPE_ENUMERATED))
        return 0;
    errorClass = cls;
    errorCode = code;
    return 1;
}
