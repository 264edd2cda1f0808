#include "client/detail/Transaction.h"

#include "client/detail/Requests.h"

namespace bacnet::detail {

Transaction::Transaction(const Device& device, uint8_t invokeID, uint8_t service, Bytes request,
                         const TransactionLimits& limits)
    : m_device(device),
      m_invokeID(invokeID),
      m_service(service),
      m_request(std::move(request)),
      m_limits(limits),
      m_reassembly(limits.m_maxReply, limits.m_window)
{
}

void Transaction::Begin(Clock::time_point now, const Sender& send)
{
    m_deadline = now + m_limits.m_deadline;
    m_attemptEnd = now + m_limits.m_timeout;
    m_attempts = 1;
    if (!send(m_device.m_endpoint, m_request))
        Finish(Failure::Of(FailureKind::SendFailed));
}

void Transaction::SendAck(const SegmentAck& ack, const Sender& send)
{
    if (!ack.m_send)
        return;
    if (ack.m_negative)
        m_negativeAcks++;
    send(m_device.m_endpoint, SegmentAckFrame(m_device, m_invokeID, ack));
}

void Transaction::OnReply(Clock::time_point now, CBACnetReceivePDUs& headers, CBACnetPDU* pdu, ByteView params,
                          const Sender& send)
{
    if (Done())
        return;
    if (pdu == &headers.m_complexAck && headers.m_complexAck.GetSegMsgType()) {
        CBACnetComplexAckPDU& ack = headers.m_complexAck;
        SegmentAck answer;
        const SegmentResult step = m_reassembly.Accept(ack.GetSequenceNo(), ack.GetWindowSize(),
                                                       ack.GetMoreFow() != 0, params, answer);
        if (step == SegmentResult::TooLarge) {
            // Tell the device to stop sending, then give up.
            send(m_device.m_endpoint, AbortFrame(m_device, m_invokeID, kAbortBufferOverflow));
            Finish(Failure::Of(FailureKind::TooLarge));
            return;
        }
        SendAck(answer, send);
        if (step == SegmentResult::Complete) {
            Finish(m_reassembly.TakeData());
        } else if (step == SegmentResult::Progress) {
            // Only a segment that moved the reply on earns a fresh wait; the
            // overall deadline stays where it is.
            m_attemptEnd = now + m_limits.m_timeout;
            m_gapRetries = 0;
        }
        return;
    }
    if (m_reassembly.Started())
        return;  // a whole reply in the middle of a segmented one: not ours to believe
    if (pdu == &headers.m_simpleAck) {
        m_simpleAck = true;
        Finish(Bytes());
    } else if (pdu == &headers.m_complexAck) {
        Finish(params.ToBytes());
    } else if (pdu == &headers.m_error) {
        CBACnetConfirmSrvPDU service;
        unsigned char errorClass = 0, errorCode = 0;
        if (service.ErrFrame(const_cast<unsigned char*>(params.data()), nullptr, static_cast<int>(params.size()),
                             errorClass, errorCode))
            Finish(Failure::Error(errorClass, errorCode));
        else
            Finish(Failure::Of(FailureKind::Refused, "an Error reply whose class and code do not decode"));
    } else if (pdu == &headers.m_reject) {
        Finish(Failure::Reject(headers.m_reject.GetRejectReason()));
    } else if (pdu == &headers.m_abort) {
        Finish(Failure::Abort(headers.m_abort.GetAbortReason()));
    }
}

void Transaction::OnTimer(Clock::time_point now, const Sender& send)
{
    if (Done())
        return;
    if (now >= m_deadline) {
        Finish(Failure::Of(FailureKind::Timeout));
        return;
    }
    if (now < m_attemptEnd)
        return;
    if (m_reassembly.Started()) {
        if (m_gapRetries >= m_limits.m_retries) {
            Finish(Failure::Of(FailureKind::Timeout));
            return;
        }
        m_gapRetries++;
        SendAck(m_reassembly.Timeout(), send);
    } else {
        if (m_attempts > m_limits.m_retries) {
            Finish(Failure::Of(FailureKind::Timeout));
            return;
        }
        m_attempts++;
        if (!send(m_device.m_endpoint, m_request)) {
            Finish(Failure::Of(FailureKind::SendFailed));
            return;
        }
    }
    m_attemptEnd = now + m_limits.m_timeout;
}

Result<Bytes> Transaction::TakeResult()
{
    Result<Bytes> result = std::move(*m_result);
    return result;
}

}  // namespace bacnet::detail
