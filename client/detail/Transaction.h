// One confirmed request from sending to its outcome: attempts with a
// time-out each, an overall deadline fixed when it starts (nothing a device
// sends moves it), and a segmented reply reassembled with its
// acknowledgements. The client has already matched what it is handed.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include <bacnetcodec/bacnetcodec.h>

#include "client/Device.h"
#include "client/Link.h"
#include "client/Result.h"
#include "client/detail/Reassembly.h"

namespace bacnet::detail {

struct TransactionLimits {
    Clock::duration m_timeout;   // one attempt, and the wait for the next segment
    int m_retries;               // attempts after the first; negative acknowledgements per gap
    Clock::duration m_deadline;  // the whole transaction
    size_t m_maxReply;           // octets of a reassembled reply
    uint8_t m_window;            // segments per window this side accepts
};

class Transaction {
public:
    // Sends an NPDU to the device (the client wraps it for the link).
    using Sender = std::function<bool(const Endpoint& to, ByteView npdu)>;

    Transaction(const Device& device, uint8_t invokeID, uint8_t service, Bytes request,
                const TransactionLimits& limits);

    void Begin(Clock::time_point now, const Sender& send);
    // A reply that answers this transaction: its decoded header and the octets after it.
    void OnReply(Clock::time_point now, CBACnetReceivePDUs& headers, CBACnetPDU* pdu, ByteView params,
                 const Sender& send);
    // Time passed: resend, ask for a missing segment, or give up.
    void OnTimer(Clock::time_point now, const Sender& send);

    bool Done() const { return m_result.has_value(); }
    Clock::time_point NextWake() const { return m_attemptEnd < m_deadline ? m_attemptEnd : m_deadline; }
    // The reply's service data (Simple-ACK: empty), or the failure. Once.
    Result<Bytes> TakeResult();

    uint8_t InvokeID() const { return m_invokeID; }
    uint8_t Service() const { return m_service; }
    const Device& Peer() const { return m_device; }
    int Attempts() const { return m_attempts; }
    int Segments() const { return m_reassembly.Segments(); }
    int NegativeAcks() const { return m_negativeAcks; }
    // The reply was a Simple-ACK (its result is then empty).
    bool SimpleAck() const { return m_simpleAck; }

private:
    void Finish(Result<Bytes> result) { m_result.emplace(std::move(result)); }
    void SendAck(const SegmentAck& ack, const Sender& send);

    Device m_device;
    uint8_t m_invokeID;
    uint8_t m_service;
    Bytes m_request;
    TransactionLimits m_limits;
    Reassembly m_reassembly;
    Clock::time_point m_attemptEnd;
    Clock::time_point m_deadline;
    int m_attempts = 0;
    int m_gapRetries = 0;
    int m_negativeAcks = 0;
    bool m_simpleAck = false;
    std::optional<Result<Bytes>> m_result;
};

}  // namespace bacnet::detail
