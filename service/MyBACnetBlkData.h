// The driver's record of one transaction: the reply data accumulated block
// by block, or how the transaction failed, with an English description.
#pragma once

#include "host/String.h"
#include "library/Export.h"

// Interface name: kept as the replaced interface spells it.
class BACNET_API CMyBACnetBlkData {
public:
    enum {
        STATUS_DATA = 0,            // blocks are being accumulated
        STATUS_TIMEOUT = 1,         // no reply in time
        STATUS_NO_MEMORY = 2,       // no memory, or a block the record cannot hold
        STATUS_INVALID_HANDLE = 3,  // the communication handle is not valid
        STATUS_ERROR = 5,           // Error reply: m_errorClass, m_errorCode
        STATUS_REJECT = 6,          // Reject reply: reason in m_errorCode
        STATUS_ABORT = 7            // Abort reply: reason in m_errorCode
    };

    int m_status;
    // Status 0: the octets held in m_data. Kept apart from the codes below,
    // so m_data always holds exactly m_length octets whatever was recorded.
    unsigned short m_length;
    unsigned char m_errorClass;  // status 5
    unsigned char m_errorCode;   // status 5: error code; 6: reject reason; 7: abort reason
    unsigned char* m_data;       // owned; null when nothing is held

    CMyBACnetBlkData();
    ~CMyBACnetBlkData();
    // Copies status, length, codes and the data itself; each record owns its own.
    CMyBACnetBlkData(const CMyBACnetBlkData& other);
    CMyBACnetBlkData& operator=(const CMyBACnetBlkData& other);

    // Status 0, no codes, no data.
    void Start_BlkData();
    // Records `status`. Status 0 appends `value` octets from `data`; a block
    // that cannot be held (no memory, a negative count, a null `data`, more
    // than 65535 octets in all) sets status 2 and keeps what was held.
    // Status 5 takes the error class from `value` and the error code from
    // `data` converted to an integer; statuses 6 and 7 take the reason from `value`.
    void SetData(int status, int value, unsigned char* data);
    // Records an Error reply's class and code (status 5) without passing the
    // code through a pointer.
    void SetErrorData(unsigned char errorClass, unsigned char errorCode);
    // Sets `text` to the description of statuses 1, 2, 3, 5, 6 and 7;
    // leaves it alone for any other status.
    void GetErrorMsg(CString& text);
};
