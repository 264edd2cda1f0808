// ReadRange: reads part of a list property, above all a trend log's buffer,
// by position, by sequence number or by time, and decodes the
// acknowledgement: result flags, item count, the items (log records for a
// log buffer, generic values otherwise) and the first sequence number.
#pragma once

#include <cstdint>
#include <vector>

#include "frame/ObjectID.h"
#include "host/Types.h"
#include "library/Export.h"
#include "property/Value.h"
#include "service/ConfirmSrvPDU.h"

class CBACnetOBJ;

// One record of a trend log's buffer: timestamp [0], the logged datum [1]
// (one choice of DATUM_*), optional status flags [2].
struct BACNET_API _BACnetLogRecord {
    // The datum choices, numbered as their context tags.
    enum {
        DATUM_LOG_STATUS = 0, DATUM_BOOLEAN, DATUM_REAL, DATUM_ENUMERATED, DATUM_UNSIGNED, DATUM_SIGNED,
        DATUM_BIT_STRING, DATUM_NULL, DATUM_FAILURE, DATUM_TIME_CHANGE, DATUM_ANY, DATUM_COUNT
    };
    // Log status flags.
    enum { LOG_DISABLED = 1, BUFFER_PURGED = 2, LOG_INTERRUPTED = 4 };
    // Status flags.
    enum { IN_ALARM = 1, FAULT = 2, OVERRIDDEN = 4, OUT_OF_SERVICE = 8 };

    DWORD m_date;            // (year - 1900) << 24 | month << 16 | day << 8 | day of week
    DWORD m_time;            // hour << 24 | minute << 16 | second << 8 | hundredths
    int m_datum;             // DATUM_*
    unsigned char m_logStatus;   // DATUM_LOG_STATUS: LOG_* flags
    bool m_boolean;              // DATUM_BOOLEAN
    float m_real;                // DATUM_REAL; DATUM_TIME_CHANGE: the clock change in seconds
    DWORD m_unsigned;            // DATUM_ENUMERATED, DATUM_UNSIGNED
    int32_t m_signed;            // DATUM_SIGNED
    DWORD m_errorClass;          // DATUM_FAILURE
    DWORD m_errorCode;
    // DATUM_BIT_STRING: a Bit String; DATUM_ANY: the opening tag 10 around
    // the values as received.
    CBACnetValue m_value;
    int m_hasStatusFlags;
    unsigned char m_statusFlags;  // IN_ALARM ... OUT_OF_SERVICE

    _BACnetLogRecord();

    bool operator==(const _BACnetLogRecord& other) const;

    // One record at buf[len]; 1 decoded, 0 refused.
    int ReadFrame(unsigned char* buf, int& len, int end);
    // Writes the record into [len, end); 0, `len` where it was, when it does not fit.
    int MakeFrame(unsigned char* buf, int& len, int end) const;
};

class BACNET_API CBACnetReadRangeService : public CBACnetConfirmSrvPDU {
public:
    enum { SERVICE_CHOICE = 26 };
    enum { PROPERTY_LOG_BUFFER = 131 };
    enum : DWORD { NO_ARRAY_INDEX = 0xFFFFFFFF };
    // The range choices, numbered as their context tags.
    enum { RANGE_NONE = -1, RANGE_BY_POSITION = 3, RANGE_BY_SEQUENCE_NUMBER = 6, RANGE_BY_TIME = 7 };
    // Result flags.
    enum { FIRST_ITEM = 1, LAST_ITEM = 2, MORE_ITEMS = 4 };

    // The request, and the first fields of the acknowledgement.
    _BACnetObjectID m_objectID;  // [0]
    DWORD m_propertyID;          // [1], the log buffer by default
    DWORD m_arrayIndex;          // [2], NO_ARRAY_INDEX for none
    int m_range;                 // RANGE_*: RANGE_NONE asks for the whole list
    DWORD m_reference;           // by position: the index; by sequence number: the number
    DWORD m_referenceDate;       // by time: date and time, packed as in _BACnetLogRecord
    DWORD m_referenceTime;
    int32_t m_count;             // items from the reference on; negative: before it

    // The rest of the acknowledgement.
    unsigned char m_resultFlags;  // [3] FIRST_ITEM | LAST_ITEM | MORE_ITEMS
    DWORD m_itemCount;            // [4]
    std::vector<_BACnetLogRecord> m_records;  // [5] of a log buffer
    std::vector<CBACnetValue> m_items;        // [5] of any other property
    int m_hasFirstSequence;
    DWORD m_firstSequence;        // [6]

    CBACnetReadRangeService();
    ~CBACnetReadRangeService() override;

    // The whole request to `obj`, with the next counted invoke ID, which it returns.
    unsigned char MakeFrame(unsigned char* buf, int& len, CBACnetOBJ* obj);
    // Decodes a received request's parameters into the request fields.
    // Like every decoder here that reads a whole message's parameters, it
    // refuses octets left after them.
    int ReadRequestFrame(unsigned char* buf, int& len, int end);

    // Decodes the acknowledgement's parameters at buf[len] (after the
    // Complex-ACK header), reading nothing at or beyond `end`. The items go
    // to m_records when the property is the log buffer, else to m_items;
    // both lists are replaced. An item count other than the items received
    // is refused. 1 decoded, 0 refused.
    int ReadFrame(unsigned char* buf, int& len, int end);
    // Writes the acknowledgement's parameters from the fields; m_itemCount
    // is written as it is held. 0, `len` where it was, when they do not fit.
    int MakeAckFrame(unsigned char* buf, int& len, int end) const;
};
