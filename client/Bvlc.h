// The BACnet/IP virtual link header in front of every NPDU on UDP: type 81,
// a function, and a two-octet length that must name the whole datagram.
// Decoding is bounded by the datagram and refuses rather than guesses.
#pragma once

#include <cstddef>
#include <cstdint>

#include "client/Bytes.h"
#include "client/Endpoint.h"
#include "library/Export.h"

namespace bacnet {

enum class BvlcFunction : uint8_t {
    Result = 0x00,
    ForwardedNpdu = 0x04,
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
};

struct BvlcMessage {
    BvlcFunction m_function = BvlcFunction::OriginalUnicastNpdu;
    Endpoint m_originator;      // Forwarded-NPDU only: who the BBMD says sent it
    uint16_t m_resultCode = 0;  // Result only
    ByteView m_npdu;            // into the decoded datagram; empty for Result
};

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
    // Writes an Original-Unicast/Broadcast-NPDU, or a Forwarded-NPDU naming
    // `originator`, around `npdu` into out[0..room). Octets written, 0 when
    // it does not fit or `function` carries no NPDU.
    static size_t Encode(BvlcFunction function, ByteView npdu, uint8_t* out, size_t room,
                         const Endpoint& originator = Endpoint());
    // A BVLC-Result with `code`: 6 octets, 0 when room is short.
    static size_t EncodeResult(uint16_t code, uint8_t* out, size_t room);
    static const char* Describe(BvlcRefusal refusal);
};

}  // namespace bacnet
