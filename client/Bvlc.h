// The BACnet/IP virtual link header in front of every datagram on UDP: type
// 81, a function, and a two-octet length that must name the whole datagram.
// Decoding is bounded by the datagram and refuses rather than guesses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "client/Bytes.h"
#include "client/Endpoint.h"
#include "library/Export.h"

namespace bacnet {

// The functions, by their octet on the wire (the codec's CBACnetBVLC names
// the same numbers).
enum class BvlcFunction : uint8_t {
    Result = 0x00,
    WriteBdt = 0x01,
    ReadBdt = 0x02,
    ReadBdtAck = 0x03,
    ForwardedNpdu = 0x04,
    RegisterForeignDevice = 0x05,
    ReadFdt = 0x06,
    ReadFdtAck = 0x07,
    DeleteFdtEntry = 0x08,
    DistributeBroadcast = 0x09,
    OriginalUnicastNpdu = 0x0A,
    OriginalBroadcastNpdu = 0x0B,
};

// Why a datagram was refused; Describe gives the text.
enum class BvlcRefusal : uint8_t {
    None,
    TooShort,         // fewer octets than the header (and originator / result code) need
    NotBacnetIp,      // first octet is not 81
    LengthMismatch,   // the length field does not name the datagram
    UnknownFunction,  // a function this link does not take
    TooLong,          // more than kMaxDatagram octets
    BadTable,         // a table that is not whole entries
};

struct BdtEntry {
    Endpoint m_endpoint;
    uint32_t m_mask = 0xFFFFFFFF;  // host order
};

struct FdtEntry {
    Endpoint m_endpoint;
    uint16_t m_timeToLive = 0;  // seconds, as registered
    uint16_t m_remaining = 0;   // seconds before the entry is purged
};

struct BvlcMessage {
    BvlcFunction m_function = BvlcFunction::OriginalUnicastNpdu;
    Endpoint m_originator;      // Forwarded-NPDU: who the BBMD says sent it; Delete-FDT-Entry: the entry
    uint16_t m_resultCode = 0;  // Result
    uint16_t m_timeToLive = 0;  // Register-Foreign-Device, seconds
    ByteView m_npdu;            // into the decoded datagram; empty for functions without one
    std::vector<BdtEntry> m_bdt;  // Write-BDT, Read-BDT-Ack
    std::vector<FdtEntry> m_fdt;  // Read-FDT-Ack
};

// A thin layer over the codec's CBACnetBVLC in the client's types.
class BACNET_API Bvlc {
public:
    static constexpr uint8_t kType = 0x81;
    static constexpr size_t kHeader = 4;
    static constexpr size_t kForwardedHeader = 10;
    static constexpr size_t kResultSize = 6;
    // The largest datagram taken or sent: a 1476-octet APDU, the longest
    // network header and a Forwarded-NPDU's header, rounded up.
    static constexpr size_t kMaxDatagram = 1536;

    // Decodes `datagram` into `out` (whose m_npdu then points into it).
    static BvlcRefusal Decode(ByteView datagram, BvlcMessage& out);
    // Writes an Original-Unicast/Broadcast-NPDU, a Distribute-Broadcast-To-
    // Network, or a Forwarded-NPDU naming `originator`, around `npdu` into
    // out[0..room). Octets written, 0 when it does not fit or `function`
    // carries no NPDU.
    static size_t Encode(BvlcFunction function, ByteView npdu, uint8_t* out, size_t room,
                         const Endpoint& originator = Endpoint());
    // Any function, from the message's fields. Octets written, 0 when it does not fit.
    static size_t Encode(const BvlcMessage& message, uint8_t* out, size_t room);
    // A BVLC-Result with `code`: 6 octets, 0 when room is short.
    static size_t EncodeResult(uint16_t code, uint8_t* out, size_t room);
    static const char* Describe(BvlcRefusal refusal);
    // The standard's name of a function or of a BVLC-Result code.
    static std::string FunctionName(BvlcFunction function);
    static std::string ResultName(uint16_t code);
};

}  // namespace bacnet
