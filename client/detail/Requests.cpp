#include "client/detail/Requests.h"

#include <algorithm>

#include "client/detail/TagReader.h"

namespace bacnet::detail {

namespace {

// Room for any network header plus any APDU header.
constexpr int kHeaderRoom = 64;

// The codec's confirmed-request header procedure, given our own invoke ID
// rather than the process-wide counter's next one.
class RequestHeader : public CBACnetConfirmSrvPDU {
public:
    void Make(unsigned char* buf, int& len, CBACnetOBJ& record, uint8_t invokeID, uint8_t service)
    {
        MakeRequestHeader(buf, len, &record, invokeID, service, true);
    }
};

Bytes Frame(const unsigned char* octets, int len)
{
    return Bytes(octets, octets + len);
}

}  // namespace

void ToRecord(const Device& device, CBACnetOBJ& record)
{
    record.m_address.m_network[0] = static_cast<unsigned char>(device.m_network >> 8);
    record.m_address.m_network[1] = static_cast<unsigned char>(device.m_network);
    const size_t macLength = device.m_network ? std::min<size_t>(device.m_mac.size(), BACNET_MAC_MAX_ACCEPTED) : 0;
    record.m_address.m_macLength = static_cast<unsigned char>(macLength);
    std::copy(device.m_mac.begin(), device.m_mac.begin() + static_cast<std::ptrdiff_t>(macLength),
              record.m_address.m_mac);
    record.m_maxAPDU = kOwnMaxApdu;
}

Bytes ConfirmedRequest(const Device& device, uint8_t invokeID, uint8_t service, ByteView params)
{
    CBACnetOBJ record;
    ToRecord(device, record);
    unsigned char buf[kHeaderRoom];
    int len = 0;
    RequestHeader header;
    header.Make(buf, len, record, invokeID, service);
    Bytes frame = Frame(buf, len);
    frame.insert(frame.end(), params.begin(), params.end());
    return frame;
}

CBACnetNPCI NetworkHeaderTo(const Device* to)
{
    CBACnetNPCI network;
    if (to == nullptr) {
        network.MakeBroadcastFrame();
    } else if (to->m_network != 0) {
        // Behind a router: its network and MAC; no MAC is that network's broadcast.
        const size_t macLength = std::min<size_t>(to->m_mac.size(), BACNET_MAC_MAX_ACCEPTED);
        network.m_control |= CBACnetNPCI::CONTROL_DNET;
        network.m_dnet[0] = static_cast<unsigned char>(to->m_network >> 8);
        network.m_dnet[1] = static_cast<unsigned char>(to->m_network);
        network.m_dlen = static_cast<unsigned char>(macLength);
        std::copy(to->m_mac.begin(), to->m_mac.begin() + static_cast<std::ptrdiff_t>(macLength), network.m_dadr);
    }
    return network;
}

Bytes Unconfirmed(uint8_t service, ByteView params, const Device* to)
{
    class Header : public CBACnetUnconfirmSrvPDU {
    public:
        using CBACnetUnconfirmSrvPDU::MakeRequestHeader;
    } header;
    header.m_networkHeader = NetworkHeaderTo(to);
    unsigned char buf[kHeaderRoom];
    int len = 0;
    header.MakeRequestHeader(buf, len, service);
    Bytes frame = Frame(buf, len);
    frame.insert(frame.end(), params.begin(), params.end());
    return frame;
}

Bytes WhoIs(std::optional<std::pair<uint32_t, uint32_t>> range, const Device* to)
{
    CBACnetWhoIsService service;
    service.m_networkHeader = NetworkHeaderTo(to);
    unsigned char buf[kHeaderRoom];
    int len = 0;
    if (range)
        service.MakeFrame(buf, len, range->first, range->second);
    else
        service.MakeFrame(buf, len);
    return Frame(buf, len);
}

Bytes WhoHas(const ObjectId& object, const Device* to)
{
    Bytes params;
    EncodeContextObjectId(2, object, params);
    return Unconfirmed(kServiceWhoHas, params, to);
}

Bytes WhoHasName(const std::string& utf8Name, const Device* to)
{
    Bytes value;
    EncodeValue(Value(utf8Name), value);
    value[0] = static_cast<uint8_t>((value[0] & 0x07) | 0x38);  // application tag 7 becomes context tag 3
    return Unconfirmed(kServiceWhoHas, value, to);
}

Bytes TimeSync(const Device* to)
{
    unsigned char buf[kHeaderRoom];
    int len = 0;
    CBACnetTimeSyncService service;
    service.MakeFrame(buf, len);
    // The codec writes a global broadcast: its date and time go under the
    // header for `to`.
    return Unconfirmed(kServiceTimeSync, ServiceData(buf, len, false), to);
}

Bytes ServiceData(const unsigned char* frame, int len, bool confirmed)
{
    int at = 0;
    CBACnetNPCI network;
    if (!network.ReadFrame(const_cast<unsigned char*>(frame), at, len))
        return Bytes();
    at += confirmed ? 4 : 2;
    return at <= len ? Bytes(frame + at, frame + len) : Bytes();
}

Bytes CovAckFrame(const Device& device, uint8_t invokeID)
{
    CBACnetOBJ record;
    ToRecord(device, record);
    unsigned char buf[kHeaderRoom];
    int len = 0;
    CBACnetConfirmedCOVNotifyService::MakeAckFrame(buf, len, &record, invokeID);
    return Frame(buf, len);
}

Bytes WhoIsRouter()
{
    CBACnetRouterMessage message;  // a local header: routers answer on this network
    unsigned char buf[kHeaderRoom];
    int len = 0;
    message.MakeWhoIsRouterFrame(buf, len);
    return Frame(buf, len);
}

// The network header of a frame to `device` that asks for no reply.
void DeviceNetworkHeader(const Device& device, unsigned char* buf, int& len)
{
    CBACnetNPCI network = NetworkHeaderTo(&device);
    network.MakeFrame(buf, len);
}

Bytes AbortFrame(const Device& device, uint8_t invokeID, uint8_t reason)
{
    unsigned char buf[kHeaderRoom];
    int len = 0;
    DeviceNetworkHeader(device, buf, len);
    CBACnetAbortPDU pdu;
    pdu.m_firstOctet &= static_cast<unsigned char>(~CBACnetPDU::BIT_SRV);  // from the client
    pdu.SetInvokeID(invokeID);
    pdu.SetAbortCode(reason);
    pdu.MakeFrame(buf, len);
    return Frame(buf, len);
}

Bytes SegmentAckFrame(const Device& device, uint8_t invokeID, const SegmentAck& ack)
{
    CBACnetSegmentAckPDU pdu;
    if (!ack.m_negative)
        pdu.m_firstOctet &= static_cast<unsigned char>(~CBACnetPDU::BIT_SA);  // constructed as a NAK
    else
        pdu.m_firstOctet |= CBACnetPDU::BIT_SA;
    pdu.SetInvokeID(invokeID);
    pdu.SetSequenceNo(ack.m_sequence);
    pdu.SetWindowSize(ack.m_window);
    unsigned char buf[kHeaderRoom];
    int len = 0;
    DeviceNetworkHeader(device, buf, len);
    pdu.MakeFrame(buf, len);
    return Frame(buf, len);
}

}  // namespace bacnet::detail
