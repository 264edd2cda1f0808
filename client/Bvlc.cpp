#include "client/Bvlc.h"

namespace bacnet {

namespace {

uint16_t ReadU16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

void WriteU16(uint8_t* p, size_t value)
{
    p[0] = static_cast<uint8_t>(value >> 8);
    p[1] = static_cast<uint8_t>(value);
}

const char* const kRefusalTexts[] = {
    "accepted",
    "shorter than its header",
    "not a BACnet/IP datagram",
    "length field does not match the datagram",
    "function not taken",
    "longer than any BACnet/IP datagram",
};

}  // namespace

BvlcRefusal Bvlc::Decode(ByteView datagram, BvlcMessage& out)
{
    const size_t n = datagram.size();
    if (n < kHeader)
        return BvlcRefusal::TooShort;
    if (n > kMaxDatagram)
        return BvlcRefusal::TooLong;
    const uint8_t* p = datagram.data();
    if (p[0] != kType)
        return BvlcRefusal::NotBacnetIp;
    // A length shorter or longer than what arrived means the datagram is not
    // what it claims to be: never trust either part.
    if (ReadU16(p + 2) != n)
        return BvlcRefusal::LengthMismatch;
    BvlcMessage message;
    message.m_function = static_cast<BvlcFunction>(p[1]);
    switch (message.m_function) {
    case BvlcFunction::OriginalUnicastNpdu:
    case BvlcFunction::OriginalBroadcastNpdu:
        message.m_npdu = datagram.Sub(kHeader);
        break;
    case BvlcFunction::ForwardedNpdu:
        if (n < kForwardedHeader)
            return BvlcRefusal::TooShort;
        message.m_originator = Endpoint::FromMac(p + kHeader);
        message.m_npdu = datagram.Sub(kForwardedHeader);
        break;
    case BvlcFunction::Result:
        if (n != kResultSize)
            return n < kResultSize ? BvlcRefusal::TooShort : BvlcRefusal::LengthMismatch;
        message.m_resultCode = ReadU16(p + kHeader);
        break;
    default:
        return BvlcRefusal::UnknownFunction;
    }
    out = message;
    return BvlcRefusal::None;
}

size_t Bvlc::Encode(BvlcFunction function, ByteView npdu, uint8_t* out, size_t room, const Endpoint& originator)
{
    size_t header = kHeader;
    if (function == BvlcFunction::ForwardedNpdu)
        header = kForwardedHeader;
    else if (function != BvlcFunction::OriginalUnicastNpdu && function != BvlcFunction::OriginalBroadcastNpdu)
        return 0;
    const size_t total = header + npdu.size();
    if (total > room || total > kMaxDatagram)
        return 0;
    out[0] = kType;
    out[1] = static_cast<uint8_t>(function);
    WriteU16(out + 2, total);
    if (function == BvlcFunction::ForwardedNpdu)
        originator.ToMac(out + kHeader);
    for (size_t i = 0; i < npdu.size(); i++)
        out[header + i] = npdu[i];
    return total;
}

size_t Bvlc::EncodeResult(uint16_t code, uint8_t* out, size_t room)
{
    if (room < kResultSize)
        return 0;
    out[0] = kType;
    out[1] = static_cast<uint8_t>(BvlcFunction::Result);
    WriteU16(out + 2, kResultSize);
    WriteU16(out + 4, code);
    return kResultSize;
}

const char* Bvlc::Describe(BvlcRefusal refusal)
{
    const size_t i = static_cast<size_t>(refusal);
    return i < sizeof kRefusalTexts / sizeof kRefusalTexts[0] ? kRefusalTexts[i] : "unknown refusal";
}

}  // namespace bacnet
