// I-Am: a device's announcement, turned into a new device record.
#pragma once

#include "frame/ObjectID.h"
#include "host/Types.h"
#include "library/Export.h"
#include "service/UnconfirmSrvPDU.h"

class CBACnetOBJ;

class BACNET_API CBACnetIAmService : public CBACnetUnconfirmSrvPDU {
public:
    // The last decode; a failed decode leaves the fields it did not reach.
    _BACnetObjectID m_deviceID;
    unsigned short m_maxAPDU;  // largest APDU the device accepts, in octets
    DWORD m_segmentation;      // 0 both, 1 transmit, 2 receive, 3 none
    unsigned short m_vendorID;

    CBACnetIAmService();
    ~CBACnetIAmService() override;

    // Decodes the parameters at buf[0] (after the unconfirmed-request header)
    // into a new record that the caller owns and deletes, or null. The
    // record's address stays the default: the caller fills it from the
    // received network header (CBACnetNPCI_DATA::CopyData_SrcToDst).
    CBACnetOBJ* ReadFrame(unsigned char* buf);
    // The same, for the `end` octets received from buf on: reads nothing at
    // or beyond buf[end].
    CBACnetOBJ* ReadFrame(unsigned char* buf, int end);
};
