// Who-Has: asks which device holds an object, by its identifier.
#pragma once

#include "library/Export.h"
#include "service/UnconfirmSrvPDU.h"

class CBACnetOBJ;

class BACNET_API CBACnetWhoHasService : public CBACnetUnconfirmSrvPDU {
public:
    enum { SERVICE_CHOICE = 7 };

    // A global broadcast header.
    CBACnetWhoHasService();
    ~CBACnetWhoHasService() override;

    // A Who-Has for obj->m_objectID, sent to obj->m_address: a local record
    // keeps the global broadcast, one behind a router is asked on its own
    // network. No device range and never the name choice.
    void MakeFrame(unsigned char* buf, int& len, CBACnetOBJ* obj);
};
