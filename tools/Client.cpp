#include "Client.h"

#include <cstring>

#include <bacnetcodec/client/UdpLink.h>

#include "Names.h"
#include "Output.h"
#include "Requests.h"

namespace tool {

namespace {

bacnet::Segmentation SegmentationOf(unsigned char code)
{
    return code <= 3 ? static_cast<bacnet::Segmentation>(code) : bacnet::Segmentation::None;
}

}  // namespace

void SetFailure(const bacnet::Failure& failure, Reply& reply)
{
    const int attempts = reply.attempts;
    reply.record.Start_BlkData();
    switch (failure.m_kind) {
    case bacnet::FailureKind::Timeout:
        reply.record.SetData(CMyBACnetBlkData::STATUS_TIMEOUT, 0, nullptr);
        reply.failureKind = "time-out";
        // A device that kept sending segments did answer, only never to the end.
        reply.failure = reply.segments ? "time-out (the reply did not end in time)"
                                       : "time-out (no reply after " + std::to_string(attempts) +
                                             (attempts == 1 ? " attempt)" : " attempts)");
        return;
    case bacnet::FailureKind::Error:
        reply.record.SetData(CMyBACnetBlkData::STATUS_ERROR, static_cast<int>(failure.m_errorClass & 0xFF),
                             reinterpret_cast<unsigned char*>(static_cast<uintptr_t>(failure.m_errorCode & 0xFF)));
        reply.failureKind = "error";
        reply.pduType = 5;
        reply.failureClass = failure.m_errorClass;
        reply.failureCode = failure.m_errorCode;
        reply.failure = ErrorText(failure.m_errorClass, failure.m_errorCode);
        return;
    case bacnet::FailureKind::Reject:
    case bacnet::FailureKind::Abort: {
        const bool reject = failure.m_kind == bacnet::FailureKind::Reject;
        reply.record.SetData(reject ? CMyBACnetBlkData::STATUS_REJECT : CMyBACnetBlkData::STATUS_ABORT,
                             failure.m_reason, nullptr);
        reply.failureKind = reject ? "reject" : "abort";
        reply.pduType = reject ? 6 : 7;
        reply.failureCode = failure.m_reason;
        reply.failure = reply.failureKind + ": " +
                        BACnetEnumText(reject ? BACNET_ENUM_REJECT_REASON : BACNET_ENUM_ABORT_REASON, failure.m_reason);
        return;
    }
    default:
        reply.failureKind = "refused";
        reply.failure = failure.m_detail.empty() ? failure.Text() : failure.m_detail;
        return;
    }
}

std::string FailureText(const bacnet::Failure& failure)
{
    Reply reply;
    SetFailure(failure, reply);
    return reply.failure;
}

bool ParseEndpoint(const std::string& text, uint16_t defaultPort, Endpoint& out, std::string* error)
{
    const std::optional<Endpoint> parsed = Endpoint::Parse(text, defaultPort);
    if (!parsed) {
        if (error)
            *error = "cannot read the address '" + text + "' (HOST or HOST:PORT)";
        return false;
    }
    out = *parsed;
    return true;
}

LinkOpener UdpOpener()
{
    return [](const Endpoint& bind, std::string* error) -> std::unique_ptr<bacnet::Link> {
        return bacnet::UdpLink::Open(bind, error);
    };
}

void SetHostKey(CBACnetOBJ& record, const Endpoint& endpoint)
{
    memset(record.m_hostKey, 0, sizeof record.m_hostKey);
    endpoint.ToMac(record.m_hostKey);
}

void SetRoute(CBACnetOBJ& record, uint16_t network, const std::vector<unsigned char>& mac)
{
    CBACnetNPCI_DATA& a = record.m_address;
    a.m_network[0] = static_cast<unsigned char>(network >> 8);
    a.m_network[1] = static_cast<unsigned char>(network);
    a.m_macLength = static_cast<unsigned char>(std::min<size_t>(mac.size(), BACNET_MAC_MAX_ACCEPTED));
    std::copy(mac.begin(), mac.begin() + a.m_macLength, a.m_mac);
}

bacnet::Device Device::Peer() const
{
    bacnet::Device peer = bacnet::Device::At(endpoint, record.m_objectID.m_instance);
    peer.m_maxApdu = record.m_maxAPDU;
    peer.m_segmentation = SegmentationOf(record.m_segmentation);
    peer.m_vendorID = vendorID;
    const CBACnetNPCI_DATA& a = record.m_address;
    if (a.m_macLength != 0) {
        peer.m_network = static_cast<uint16_t>(a.m_network[0] << 8 | a.m_network[1]);
        peer.m_mac.assign(a.m_mac, a.m_mac + a.m_macLength);
    }
    return peer;
}

void Device::Take(const bacnet::Device& peer)
{
    record.m_objectID = _BACnetObjectID(static_cast<unsigned>(peer.m_deviceID.m_type), peer.m_deviceID.m_instance);
    record.m_maxAPDU = peer.m_maxApdu;
    record.m_segmentation = static_cast<unsigned char>(peer.m_segmentation);
    SetRoute(record, peer.m_network, peer.m_mac);
    endpoint = peer.m_endpoint;
    SetHostKey(record, endpoint);
    vendorID = peer.m_vendorID;
    announced = true;
}

Client::~Client() = default;

bool Client::Open(const LinkOpener& opener, std::string* error)
{
    std::unique_ptr<bacnet::Link> link = opener(m_options.bind, error);
    if (!link && !m_options.bindGiven && m_options.bind.m_port != 0) {
        // The usual port is taken (a device on this host): any port still
        // reaches devices that answer to the sender.
        Endpoint any = m_options.bind;
        any.m_port = 0;
        link = opener(any, error);
    }
    if (!link)
        return false;
    m_link = std::make_unique<TraceLink>(std::move(link));
    m_link->SetTrace(m_options.trace);
    bacnet::ClientOptions options;
    options.m_timeout = std::chrono::milliseconds(m_options.timeoutMs);
    options.m_retries = m_options.retries;
    options.m_broadcast = m_options.broadcast;
    options.m_bbmd = m_options.bbmd;
    if (m_options.bbmd)
        options.m_foreignTtl = std::chrono::seconds(m_options.ttlSeconds);
    m_client = std::make_unique<bacnet::Client>(*m_link, options);
    if (m_options.bbmd) {
        const bacnet::Status registered = m_client->Register();
        if (!registered) {
            if (error)
                *error = "the BBMD at " + m_options.bbmd->ToString() + " did not register this tool: " +
                         FailureText(registered.failure());
            return false;
        }
    }
    return true;
}

void Client::SetTrace(std::ostream* trace)
{
    m_options.trace = trace;
    if (m_link)
        m_link->SetTrace(trace);
}

Reply Client::Transact(Device& device, const Request& request)
{
    Reply reply;
    reply.record.Start_BlkData();
    ReceivedFrame own;
    if (!own.Read(request.frame) || own.PduType() != 0) {
        reply.failureKind = "refused";
        reply.failure = "not a confirmed request";
        return reply;
    }
    m_link->Watch(device.endpoint);
    const bacnet::ByteView params(own.Params(), static_cast<size_t>(own.ParamsLength()));
    const auto outcome = m_client->Confirmed(device.Peer(), own.confirmed.GetServiceChoice(), params);
    reply.attempts = outcome.m_attempts;
    reply.segments = outcome.m_segments;
    reply.naks = outcome.m_negativeAcks;
    const bacnet::Result<bacnet::Bytes>& result = outcome.m_reply;
    reply.sentFrame = m_link->LastTo();
    reply.lastFrame = m_link->LastFrom();
    if (!result) {
        SetFailure(result.failure(), reply);
        return reply;
    }
    reply.pduType = outcome.m_simpleAck ? 2 : 3;
    reply.record.SetData(CMyBACnetBlkData::STATUS_DATA, static_cast<int>(result->size()),
                         const_cast<unsigned char*>(result->data()));
    reply.ok = reply.record.m_status == CMyBACnetBlkData::STATUS_DATA;
    if (!reply.ok) {
        CString text;
        reply.record.GetErrorMsg(text);
        reply.failureKind = "refused";
        reply.failure = Utf8(text);
    }
    return reply;
}

void Client::Wait(int ms)
{
    const bacnet::Clock::time_point end = m_link->Now() + std::chrono::milliseconds(ms);
    for (bacnet::Clock::time_point now = m_link->Now(); now < end; now = m_link->Now())
        m_client->Step(end - now);
}

bool Client::Resolve(Device& device)
{
    bacnet::Result<bacnet::Device> found =
        m_client->FindDevice(device.Peer(), std::chrono::milliseconds(m_options.timeoutMs));
    if (found) {
        const CBACnetNPCI_DATA route = device.record.m_address;  // --dnet/--dadr stay
        device.Take(*found);
        if (route.m_macLength != 0)
            device.record.m_address = route;
    }
    if (m_options.maxApdu > 0)
        device.record.m_maxAPDU = static_cast<unsigned short>(m_options.maxApdu);
    return found.ok();
}

}  // namespace tool
