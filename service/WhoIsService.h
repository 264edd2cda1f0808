// Who-Is: the broadcast that asks every device to announce itself.
#pragma once

#include "library/Export.h"
#include "service/UnconfirmSrvPDU.h"

class BACNET_API CBACnetWhoIsService : public CBACnetUnconfirmSrvPDU {
public:
    enum { SERVICE_CHOICE = 8 };

    // A global broadcast header.
    CBACnetWhoIsService();
    ~CBACnetWhoIsService() override;

    // Appends the 8-octet frame at buf[len]; no device range, so every device answers.
    void MakeFrame(unsigned char* buf, int& len);
};
