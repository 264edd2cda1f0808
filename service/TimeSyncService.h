// TimeSynchronization: broadcasts the host's local date and time.
#pragma once

#include "library/Export.h"
#include "service/UnconfirmSrvPDU.h"

class BACNET_API CBACnetTimeSyncService : public CBACnetUnconfirmSrvPDU {
public:
    enum { SERVICE_CHOICE = 6 };

    // A global broadcast header.
    CBACnetTimeSyncService();
    ~CBACnetTimeSyncService() override;

    // Appends the 18-octet frame with the current local date and time at
    // buf[len]. A clock the runtime cannot break down (before 1970, after
    // 2038) gives the unspecified date and time, all octets FF.
    void MakeFrame(unsigned char* buf, int& len);
};
