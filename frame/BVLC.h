// The BACnet/IP virtual link header that leads every UDP datagram: type 81,
// a function, a two-octet length naming the whole datagram, then what the
// function carries: an NPDU, a result code, a time-to-live, a 6-octet
// BACnet/IP address (four address octets, then the port), or a table of
// broadcast distribution or foreign device entries.
//
// One object holds one message of any function. Decoding is bounded by the
// datagram and refuses, with a reason, rather than guesses; an NPDU is not
// copied, m_npdu points into the decoded buffer.
#pragma once

#include <vector>

#include "host/Object.h"

class BACNET_API CBACnetBVLC : public CObject {
public:
    enum : unsigned char { TYPE = 0x81 };
    // The functions, by their octet on the wire.
    enum : unsigned char {
        RESULT = 0x00,
        WRITE_BDT = 0x01,      // Write-Broadcast-Distribution-Table
        READ_BDT = 0x02,       // Read-Broadcast-Distribution-Table
        READ_BDT_ACK = 0x03,
        FORWARDED_NPDU = 0x04,
        REGISTER_FOREIGN_DEVICE = 0x05,
        READ_FDT = 0x06,       // Read-Foreign-Device-Table
        READ_FDT_ACK = 0x07,
        DELETE_FDT_ENTRY = 0x08,
        DISTRIBUTE_BROADCAST = 0x09,  // Distribute-Broadcast-To-Network
        ORIGINAL_UNICAST = 0x0A,
        ORIGINAL_BROADCAST = 0x0B,
        FUNCTIONS = 0x0C,      // one past the last function taken
    };
    // BVLC-Result codes: success, or the negative answer to one request.
    enum : unsigned short {
        RESULT_SUCCESS = 0x0000,
        RESULT_WRITE_BDT_NAK = 0x0010,
        RESULT_READ_BDT_NAK = 0x0020,
        RESULT_REGISTER_FOREIGN_DEVICE_NAK = 0x0030,
        RESULT_READ_FDT_NAK = 0x0040,
        RESULT_DELETE_FDT_ENTRY_NAK = 0x0050,
        RESULT_DISTRIBUTE_BROADCAST_NAK = 0x0060,
    };
    // Why ReadFrame refused; RefusalText gives the words.
    enum : unsigned char {
        ACCEPTED,
        REFUSED_TOO_SHORT,         // fewer octets than the function needs
        REFUSED_NOT_BACNET_IP,     // first octet is not 81
        REFUSED_LENGTH_MISMATCH,   // the length field does not name the datagram, or a fixed-size function is longer
        REFUSED_UNKNOWN_FUNCTION,  // a function this link does not take
        REFUSED_TOO_LONG,          // more than MAX_DATAGRAM octets
        REFUSED_BAD_TABLE,         // a table that is not whole entries
    };
    enum {
        HEADER = 4,
        ADDRESS = 6,     // a BACnet/IP address: four octets, then the port
        BDT_ENTRY = 10,  // address, then a 4-octet broadcast mask
        FDT_ENTRY = 10,  // address, time-to-live, seconds remaining
        // The largest datagram taken or built: a 1476-octet APDU, the longest
        // network header and a Forwarded-NPDU's header, rounded up.
        MAX_DATAGRAM = 1536,
        // So a table holds at most this many entries.
        MAX_TABLE_ENTRIES = (MAX_DATAGRAM - HEADER) / BDT_ENTRY,
    };

    struct BDTEntry {
        unsigned char m_address[ADDRESS];
        unsigned char m_mask[4];
    };
    struct FDTEntry {
        unsigned char m_address[ADDRESS];
        unsigned short m_timeToLive;  // as the foreign device registered it, in seconds
        unsigned short m_remaining;   // seconds before the entry is purged
    };

    unsigned char m_function;
    unsigned short m_resultCode;   // Result
    unsigned short m_timeToLive;   // Register-Foreign-Device, in seconds
    unsigned char m_address[ADDRESS];  // Forwarded-NPDU: the originator; Delete-FDT-Entry: the entry
    std::vector<BDTEntry> m_bdt;   // Write-BDT, Read-BDT-Ack
    std::vector<FDTEntry> m_fdt;   // Read-FDT-Ack
    // Forwarded-, Distribute-Broadcast-, Original-: the NPDU. MakeFrame copies
    // it (it may already sit where the frame puts it); ReadFrame points it
    // into the received buffer.
    const unsigned char* m_npdu;
    int m_npduLength;
    unsigned char m_refusal;       // the last ReadFrame's answer

    CBACnetBVLC();

    // Octets of the frame MakeFrame would write; 0 for a function it does not take.
    int FrameLength() const;
    // Octets in front of the NPDU for `function` (4, or 10 for a Forwarded-
    // NPDU), so a driver can build the NPDU in place; 0 when it carries none.
    static int NpduOffset(unsigned char function);
    // Writes the message for m_function at buf[len], advancing len. 1, or 0
    // with nothing written when it would pass `room` (one past the last
    // octet the caller owns), the function is unknown, a table has more than
    // MAX_TABLE_ENTRIES entries or the frame exceeds MAX_DATAGRAM.
    int MakeFrame(unsigned char* buf, int& len, int room);
    // Decodes the datagram buf[len..end): 1 with len at the NPDU (or at end)
    // and the fields of the function set; 0 with m_refusal saying why.
    int ReadFrame(const unsigned char* buf, int& len, int end);

    // Words for a refusal code.
    static const char* RefusalText(unsigned char refusal);
};
