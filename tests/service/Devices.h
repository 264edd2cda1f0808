// Device records for service tests; tags are bound with Bind (Tags.h).
#pragma once

#include "Tags.h"
#include "object/OBJ.h"

// A record on the local network with the given accepted APDU size.
inline CBACnetOBJ LocalDevice(unsigned short maxAPDU = 1400)
{
    CBACnetOBJ obj;
    obj.m_maxAPDU = maxAPDU;
    return obj;
}
