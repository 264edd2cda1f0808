#include "Client.h"

#include <chrono>
#include <cstdint>
#include <cstring>

#include "Names.h"
#include "Output.h"
#include "PropertyAccess.h"
#include "Requests.h"
#include "Segmentation.h"

namespace tool {

namespace {

using Clock = std::chrono::steady_clock;

int MillisLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// A reply frame answers `request` when its type is a reply and its invoke ID
// matches; a Complex-ACK or Simple-ACK must also name the same service.
bool Answers(ReceivedFrame& frame, const Request& request)
{
    if (frame.InvokeID() != request.invokeID)
        return false;
    switch (frame.PduType()) {
    case 2: return frame.simpleAck.GetServiceAckChoice() == request.service;
    case 3: return frame.complexAck.GetServiceAckChoice() == request.service;
    case 5: case 6: case 7: return true;
    default: return false;
    }
}

// A reply the library refused (a segment out of order, a record it would
// not take), in the library's words.
void SetFailureText(Reply& reply)
{
    CString text;
    reply.record.GetErrorMsg(text);
    reply.failureKind = "refused";
    reply.failure = Utf8(text);
}

}  // namespace

void SetHostKey(CBACnetOBJ& record, const Endpoint& endpoint)
{
    memset(record.m_hostKey, 0, sizeof record.m_hostKey);
    endpoint.ToMac(record.m_hostKey);
}

std::unique_ptr<CBACnetOBJ> ReadIAm(ReceivedFrame& frame, const Endpoint& from, CBACnetIAmService& iam)
{
    std::unique_ptr<CBACnetOBJ> record(iam.ReadFrame(frame.Params(), frame.ParamsLength()));
    if (!record)
        return nullptr;
    // A device behind a router names its network and address in the header.
    record->m_address.CopyData_SrcToDst(frame.network);
    SetHostKey(*record, from);
    return record;
}

bool Client::Open(std::string* error)
{
    if (m_transport.Open(m_options.bind, error))
        return true;
    if (m_options.bindGiven)
        return false;
    // The usual port is taken (a device on this host): any port still
    // reaches devices that answer to the sender.
    Endpoint any = m_options.bind;
    any.port = 0;
    return m_transport.Open(any, error);
}

void Client::Trace(const char* direction, const Endpoint& peer, const std::vector<unsigned char>& npdu)
{
    if (m_options.trace)
        *m_options.trace << direction << ' ' << peer.ToString() << "  " << HexOctets(npdu) << '\n';
}

bool Client::SendFrame(const Endpoint& to, const std::vector<unsigned char>& npdu, bool broadcast)
{
    Trace("->", to, npdu);
    return m_transport.Send(to, npdu.data(), static_cast<int>(npdu.size()), broadcast);
}

bool Client::Send(const Endpoint& to, const Request& request, bool broadcast)
{
    return SendFrame(to, request.frame, broadcast);
}

void Client::RecordFailure(ReceivedFrame& frame, Device& device, Reply& reply)
{
    switch (frame.PduType()) {
    case 5: {
        CBACnetConfirmSrvPDU service;
        // Parameters that do not decode leave class and code beyond the
        // tables, which the record describes as unknown.
        unsigned char errorClass = 255, errorCode = 255;
        service.ErrFrame(frame.Params(), &device.record, frame.ParamsLength(), errorClass, errorCode);
        reply.record.SetData(CMyBACnetBlkData::STATUS_ERROR, errorClass,
                             reinterpret_cast<unsigned char*>(static_cast<uintptr_t>(errorCode)));
        reply.failureKind = "error";
        unsigned fullClass, fullCode;  // codes above 255 too
        if (ReadErrorParams(frame.Params(), frame.ParamsLength(), fullClass, fullCode)) {
            reply.failureClass = fullClass;
            reply.failureCode = fullCode;
            reply.failure = ErrorText(fullClass, fullCode);
        } else {
            reply.failure = "an Error whose class and code are refused";
        }
        return;
    }
    case 6:
        reply.record.SetData(CMyBACnetBlkData::STATUS_REJECT, frame.reject.GetRejectReason(), nullptr);
        reply.failureKind = "reject";
        reply.failureCode = frame.reject.GetRejectReason();
        reply.failure = "reject: " + BACnetEnumText(BACNET_ENUM_REJECT_REASON, frame.reject.GetRejectReason());
        return;
    case 7:
        reply.record.SetData(CMyBACnetBlkData::STATUS_ABORT, frame.abort.GetAbortReason(), nullptr);
        reply.failureKind = "abort";
        reply.failureCode = frame.abort.GetAbortReason();
        reply.failure = "abort: " + BACnetEnumText(BACNET_ENUM_ABORT_REASON, frame.abort.GetAbortReason());
        return;
    }
    SetFailureText(reply);
}

Reply Client::Transact(Device& device, const Request& request)
{
    Reply reply;
    reply.record.Start_BlkData();
    SegmentReassembler segments(reply.record);
    int segmentRetries = 0;

    reply.attempts = 1;
    SendFrame(device.endpoint, request.frame, false);
    auto deadline = Clock::now() + std::chrono::milliseconds(m_options.timeoutMs);

    for (;;) {
        Datagram datagram;
        if (!m_transport.Receive(MillisLeft(deadline), datagram)) {
            if (segments.Started() && segmentRetries < m_options.retries) {
                // A lost segment at the end of a window: ask from the gap on.
                segmentRetries++;
                SendFrame(device.endpoint, BuildSegmentAck(device.record, request.invokeID, segments.Timeout()), false);
                reply.naks = segments.Naks();
            } else if (!segments.Started() && reply.attempts <= m_options.retries) {
                reply.attempts++;
                SendFrame(device.endpoint, request.frame, false);
            } else {
                reply.record.Start_BlkData();
                reply.record.SetData(CMyBACnetBlkData::STATUS_TIMEOUT, 0, nullptr);
                reply.failureKind = "time-out";
                reply.failure = "time-out (no reply after " + std::to_string(reply.attempts) +
                                (reply.attempts == 1 ? " attempt)" : " attempts)");
                return reply;
            }
            deadline = Clock::now() + std::chrono::milliseconds(m_options.timeoutMs);
            continue;
        }
        if (datagram.from != device.endpoint)
            continue;
        ReceivedFrame frame;
        if (!frame.Read(datagram.npdu) || !Answers(frame, request))
            continue;
        Trace("<-", datagram.from, datagram.npdu);
        reply.lastFrame = datagram.npdu;
        reply.pduType = frame.PduType();

        if (reply.pduType == 3 && frame.complexAck.GetSegMsgType()) {
            const SegmentStep step = segments.Accept(frame.complexAck, frame.Params(), frame.ParamsLength());
            reply.segments = segments.Segments();
            if (step.failed) {
                SetFailureText(reply);
                return reply;
            }
            if (step.sendAck)
                SendFrame(device.endpoint, BuildSegmentAck(device.record, request.invokeID, step), false);
            reply.naks = segments.Naks();
            if (step.complete) {
                reply.ok = true;
                return reply;
            }
            segmentRetries = 0;
            deadline = Clock::now() + std::chrono::milliseconds(m_options.timeoutMs);
            continue;
        }
        if (reply.pduType == 2 || reply.pduType == 3) {
            reply.record.Start_BlkData();
            reply.record.SetData(CMyBACnetBlkData::STATUS_DATA, frame.ParamsLength(), frame.Params());
            reply.ok = reply.record.m_status == CMyBACnetBlkData::STATUS_DATA;
            if (!reply.ok)
                SetFailureText(reply);
            return reply;
        }
        reply.record.Start_BlkData();
        RecordFailure(frame, device, reply);
        return reply;
    }
}

void Client::Collect(int ms, const UnconfirmedHandler& handler)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    Datagram datagram;
    while (m_transport.Receive(MillisLeft(deadline), datagram)) {
        ReceivedFrame frame;
        if (!frame.Read(datagram.npdu) || frame.PduType() != 1)
            continue;
        Trace("<-", datagram.from, datagram.npdu);
        if (!handler(datagram, frame))
            return;
    }
}

bool Client::Resolve(Device& device)
{
    Send(device.endpoint, BuildWhoIs(), false);
    bool found = false;
    Collect(m_options.timeoutMs, [&](const Datagram& datagram, ReceivedFrame& frame) {
        if (datagram.from != device.endpoint || frame.unconfirmed.GetServiceChoice() != 0)
            return true;
        CBACnetIAmService iam;
        std::unique_ptr<CBACnetOBJ> record = ReadIAm(frame, datagram.from, iam);
        if (!record)
            return true;
        device.record.CopyObject(*record);
        device.vendorID = iam.m_vendorID;
        device.announced = true;
        found = true;
        return false;
    });
    if (m_options.maxApdu > 0)
        device.record.m_maxAPDU = static_cast<unsigned short>(m_options.maxApdu);
    return found;
}

}  // namespace tool
