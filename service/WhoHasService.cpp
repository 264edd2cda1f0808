#include "service/WhoHasService.h"

#include "frame/Tag.h"
#include "object/OBJ.h"
#include "service/detail/Params.h"

CBACnetWhoHasService::CBACnetWhoHasService()
{
    m_networkHeader.MakeBroadcastFrame();
}

CBACnetWhoHasService::~CBACnetWhoHasService() = default;

void CBACnetWhoHasService::MakeFrame(unsigned char* buf, int& len, CBACnetOBJ* obj)
{
    // The destination specifier set by the constructor stays set.
    m_networkHeader.MakeDstNetworkFrame(obj->m_address);
    MakeRequestHeader(buf, len, SERVICE_CHOICE);
    CBACnetTag tag;
    bacnetcodec::detail::MakeObjectIDFrame(tag, buf, len, CBACnetTag::CLASS_CONTEXT, 2, obj->m_objectID);
}
