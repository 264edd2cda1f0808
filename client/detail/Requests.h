// The frames the client sends, built by the codec's header and service
// classes: confirmed requests with the client's own invoke IDs, the
// unconfirmed requests, and Segment-ACKs. All are NPDUs, BVLC not included.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <bacnetcodec/bacnetcodec.h>

#include "client/Bytes.h"
#include "client/Device.h"
#include "client/detail/Reassembly.h"

namespace bacnet::detail {

// Confirmed service choices the client uses, and the unconfirmed ones it sends or takes.
enum : uint8_t {
    kServiceCreateObject = CBACnetCreateObjService::SERVICE_CHOICE,
    kServiceDeleteObject = CBACnetDeleteObjService::SERVICE_CHOICE,
    kServiceReadProperty = CBACnetReadPropertyService::SERVICE_CHOICE,
    kServiceReadPropertyMultiple = CBACnetReadMultiService::SERVICE_CHOICE,
    kServiceWriteProperty = CBACnetWritePropertyService::SERVICE_CHOICE,
    kServiceWritePropertyMultiple = CBACnetWriteMultiService::SERVICE_CHOICE,
    kServiceIAm = 0,
    kServiceIHave = 1,
    kServiceWhoHas = CBACnetWhoHasService::SERVICE_CHOICE,
    kServiceWhoIs = CBACnetWhoIsService::SERVICE_CHOICE,
    kServiceTimeSync = CBACnetTimeSyncService::SERVICE_CHOICE,
    kServiceSubscribeCov = CBACnetSubscribeCOVService::SERVICE_CHOICE,
    kServiceSubscribeCovProperty = CBACnetSubscribeCOVPropertyService::SERVICE_CHOICE,
    kServiceConfirmedCovNotification = CBACnetConfirmedCOVNotifyService::SERVICE_CHOICE,
    kServiceUnconfirmedCovNotification = CBACnetCOVNotifyService::SERVICE_CHOICE,
    kServiceReadRange = CBACnetReadRangeService::SERVICE_CHOICE,
};
// The largest APDU this client accepts, announced in every request.
constexpr uint16_t kOwnMaxApdu = 1476;
// Octets of a confirmed request's headers at most: network header with a
// routed destination, APDU header.
constexpr size_t kConfirmedHeaderRoom = 2 + 3 + 1 + 24 + 1 + 4;

// The codec's record for `device`: its network address and our max APDU.
void ToRecord(const Device& device, CBACnetOBJ& record);
Bytes ConfirmedRequest(const Device& device, uint8_t invokeID, uint8_t service, ByteView params);
// The network header of a frame to `to`: a global broadcast when null, a
// local header for a device on this network, DNET/DADR for one behind a
// router (no DADR: that network's broadcast).
CBACnetNPCI NetworkHeaderTo(const Device* to);
// Unconfirmed request `service` with its parameters, addressed as above.
Bytes Unconfirmed(uint8_t service, ByteView params, const Device* to);
// Who-Is, with a device instance range when given.
Bytes WhoIs(std::optional<std::pair<uint32_t, uint32_t>> range, const Device* to);
Bytes WhoHas(const ObjectId& object, const Device* to);
Bytes WhoHasName(const std::string& utf8Name, const Device* to);
// TimeSynchronization with the host's local date and time.
Bytes TimeSync(const Device* to);
// Who-Is-Router-To-Network for every network.
Bytes WhoIsRouter();
// The client's Abort of a transaction (reason 1: buffer overflow).
constexpr uint8_t kAbortBufferOverflow = 1;
Bytes AbortFrame(const Device& device, uint8_t invokeID, uint8_t reason);
// The service request octets of a frame the codec built whole, its network
// and request headers skipped (confirmed: four octets, unconfirmed: two).
Bytes ServiceData(const unsigned char* frame, int len, bool confirmed);
// A codec service's request octets, built by its MakeFrame to a local
// record; the codec's process-wide invoke-ID counter is left as it was.
template <class Service>
Bytes ConfirmedServiceData(Service& service)
{
    CBACnetOBJ record;
    unsigned char buf[256];
    int len = 0;
    const unsigned char counter = CBACnetPDU::c_invokeID;
    service.MakeFrame(buf, len, &record);
    CBACnetPDU::c_invokeID = counter;
    return ServiceData(buf, len, true);
}
// The Simple-ACK of a confirmed COV notification from `device`.
Bytes CovAckFrame(const Device& device, uint8_t invokeID);
Bytes SegmentAckFrame(const Device& device, uint8_t invokeID, const SegmentAck& ack);

}  // namespace bacnet::detail
