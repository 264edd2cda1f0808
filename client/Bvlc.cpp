#include "client/Bvlc.h"

#include "frame/BVLC.h"
#include "object/StandardNames.h"

namespace bacnet {

static_assert(static_cast<uint8_t>(BvlcRefusal::BadTable) == CBACnetBVLC::REFUSED_BAD_TABLE,
              "the client's refusals are the codec's, in order");
static_assert(static_cast<uint8_t>(BvlcFunction::OriginalBroadcastNpdu) == CBACnetBVLC::ORIGINAL_BROADCAST,
              "the client's functions are the codec's");
static_assert(Bvlc::kMaxDatagram == CBACnetBVLC::MAX_DATAGRAM, "one datagram bound");

namespace {

uint32_t ReadU32(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}

}  // namespace

BvlcRefusal Bvlc::Decode(ByteView datagram, BvlcMessage& out)
{
    if (datagram.size() > kMaxDatagram)
        return BvlcRefusal::TooLong;
    CBACnetBVLC codec;
    int len = 0;
    if (!codec.ReadFrame(datagram.data(), len, static_cast<int>(datagram.size())))
        return static_cast<BvlcRefusal>(codec.m_refusal);
    BvlcMessage message;
    message.m_function = static_cast<BvlcFunction>(codec.m_function);
    message.m_resultCode = codec.m_resultCode;
    message.m_timeToLive = codec.m_timeToLive;
    if (codec.m_function == CBACnetBVLC::FORWARDED_NPDU || codec.m_function == CBACnetBVLC::DELETE_FDT_ENTRY)
        message.m_originator = Endpoint::FromMac(codec.m_address);
    if (codec.m_npdu)
        message.m_npdu = ByteView(codec.m_npdu, static_cast<size_t>(codec.m_npduLength));
    for (const CBACnetBVLC::BDTEntry& e : codec.m_bdt)
        message.m_bdt.push_back({Endpoint::FromMac(e.m_address), ReadU32(e.m_mask)});
    for (const CBACnetBVLC::FDTEntry& e : codec.m_fdt)
        message.m_fdt.push_back({Endpoint::FromMac(e.m_address), e.m_timeToLive, e.m_remaining});
    out = std::move(message);
    return BvlcRefusal::None;
}

size_t Bvlc::Encode(const BvlcMessage& message, uint8_t* out, size_t room)
{
    CBACnetBVLC codec;
    codec.m_function = static_cast<unsigned char>(message.m_function);
    codec.m_resultCode = message.m_resultCode;
    codec.m_timeToLive = message.m_timeToLive;
    message.m_originator.ToMac(codec.m_address);
    codec.m_npdu = message.m_npdu.data();
    codec.m_npduLength = static_cast<int>(message.m_npdu.size() < kMaxDatagram ? message.m_npdu.size() : kMaxDatagram + 1);
    for (const BdtEntry& e : message.m_bdt) {
        CBACnetBVLC::BDTEntry entry;
        e.m_endpoint.ToMac(entry.m_address);
        for (int i = 0; i < 4; i++)
            entry.m_mask[i] = static_cast<unsigned char>(e.m_mask >> (24 - 8 * i));
        codec.m_bdt.push_back(entry);
    }
    for (const FdtEntry& e : message.m_fdt) {
        CBACnetBVLC::FDTEntry entry;
        e.m_endpoint.ToMac(entry.m_address);
        entry.m_timeToLive = e.m_timeToLive;
        entry.m_remaining = e.m_remaining;
        codec.m_fdt.push_back(entry);
    }
    int len = 0;
    const int limit = static_cast<int>(room < kMaxDatagram ? room : kMaxDatagram);
    return codec.MakeFrame(out, len, limit) ? static_cast<size_t>(len) : 0;
}

size_t Bvlc::Encode(BvlcFunction function, ByteView npdu, uint8_t* out, size_t room, const Endpoint& originator)
{
    if (!CBACnetBVLC::NpduOffset(static_cast<unsigned char>(function)))
        return 0;
    BvlcMessage message;
    message.m_function = function;
    message.m_npdu = npdu;
    message.m_originator = originator;
    return Encode(message, out, room);
}

size_t Bvlc::EncodeResult(uint16_t code, uint8_t* out, size_t room)
{
    BvlcMessage message;
    message.m_function = BvlcFunction::Result;
    message.m_resultCode = code;
    return Encode(message, out, room);
}

const char* Bvlc::Describe(BvlcRefusal refusal)
{
    return CBACnetBVLC::RefusalText(static_cast<unsigned char>(refusal));
}

std::string Bvlc::FunctionName(BvlcFunction function)
{
    return BACnetEnumText(BACNET_ENUM_BVLC_FUNCTION, static_cast<unsigned>(function));
}

std::string Bvlc::ResultName(uint16_t code)
{
    return BACnetEnumText(BACNET_ENUM_BVLC_RESULT, code);
}

}  // namespace bacnet
