#include "service/WhoIsService.h"

CBACnetWhoIsService::CBACnetWhoIsService()
{
    m_networkHeader.MakeBroadcastFrame();
}

CBACnetWhoIsService::~CBACnetWhoIsService() = default;

void CBACnetWhoIsService::MakeFrame(unsigned char* buf, int& len)
{
    MakeRequestHeader(buf, len, SERVICE_CHOICE);
}
