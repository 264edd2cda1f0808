#include "service/UnconfirmSrvPDU.h"

CBACnetUnconfirmSrvPDU::CBACnetUnconfirmSrvPDU() = default;

CBACnetUnconfirmSrvPDU::~CBACnetUnconfirmSrvPDU() = default;

void CBACnetUnconfirmSrvPDU::MakeRequestHeader(unsigned char* buf, int& len, unsigned char serviceChoice)
{
    m_applicationHeader.SetServiceChoice(serviceChoice);
    m_networkHeader.MakeFrame(buf, len);
    m_applicationHeader.MakeFrame(buf, len);
}
