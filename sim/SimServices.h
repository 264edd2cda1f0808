// The request handlers of the simulated device: one received APDU in, the
// reply APDU (if any) out. Requests are decoded with the library's PDU
// header classes and bounded tag decoders; a malformed request is rejected
// or dropped, never read past its end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "SimCov.h"
#include "SimDatabase.h"
#include "SimFrame.h"
#include "frame/PDU.h"

namespace bacnetsim {

enum RejectReason : unsigned char {
    REJECT_OTHER = 0,
    REJECT_INVALID_TAG = 4,
    REJECT_MISSING_REQUIRED_PARAMETER = 5,
    REJECT_PARAMETER_OUT_OF_RANGE = 6,
    REJECT_TOO_MANY_ARGUMENTS = 7,
    REJECT_UNRECOGNIZED_SERVICE = 9,
};

enum ServiceChoice : unsigned char {
    // Confirmed.
    SERVICE_CREATE_OBJECT = 10,
    SERVICE_DELETE_OBJECT = 11,
    SERVICE_READ_PROPERTY = 12,
    SERVICE_READ_PROPERTY_MULTIPLE = 14,
    SERVICE_WRITE_PROPERTY = 15,
    SERVICE_WRITE_PROPERTY_MULTIPLE = 16,
    SERVICE_SUBSCRIBE_COV = 5,
    SERVICE_READ_RANGE = 26,
    SERVICE_SUBSCRIBE_COV_PROPERTY = 28,
    // Unconfirmed.
    SERVICE_I_AM = 0,
    SERVICE_I_HAVE = 1,
    SERVICE_TIME_SYNCHRONIZATION = 6,
    SERVICE_WHO_HAS = 7,
    SERVICE_WHO_IS = 8,
    SERVICE_UTC_TIME_SYNCHRONIZATION = 9,
};

// What one received APDU calls for.
struct Outcome {
    enum Kind { NONE, REPLY, SEGMENT_ACK, CLIENT_ABORT };
    Kind kind = NONE;
    std::string what;  // the request, for the log

    // REPLY: the whole reply APDU, unsegmented.
    std::vector<unsigned char> apdu;
    bool complexAck = false;  // a Complex-ACK: three header octets, then parameters that may be segmented
    // The confirmed request's header, which the reply must honour.
    bool confirmed = false;
    unsigned char invokeID = 0;
    unsigned char serviceChoice = 0;
    bool segmentationAccepted = false;
    int maxAPDU = 1476;    // octets
    int maxSegments = 0;   // 0: not said

    // SEGMENT_ACK (invokeID too).
    unsigned char sequence = 0;
    unsigned char window = 1;
};

// How a reply goes out: whole, in segments of at most `limit` octets, or
// replaced by an Abort with `reason` when the requester cannot take it.
struct Delivery {
    enum Kind { WHOLE, SEGMENTED, ABORT };
    Kind kind = WHOLE;
    int limit = 0;     // the requester's max APDU, capped by the device's
    int segments = 1;
    unsigned char reason = 0;
};
Delivery Plan(const Outcome& outcome);

class Services {
public:
    explicit Services(Database& db);

    // `from` is the requester: subscriptions notify it, and its answers to
    // confirmed notifications are matched by it.
    Outcome Handle(unsigned char* buf, int start, int end, const Peer& from = Peer());

    // What the device sends on its own by now (the database's clock):
    // change-of-value notifications and their resends. The trend logs take
    // their samples on the way. The device loop calls it at every step.
    std::vector<Outgoing> TakeOutgoing();
    const CovTable& Subscriptions() const { return m_cov; }

private:
    struct Request;

    void Confirmed(unsigned char* buf, int len, int end, Outcome& out);
    void Unconfirmed(unsigned char* buf, int len, int end, unsigned char choice, Outcome& out);

    void ReadProperty(Request& r, Outcome& out);
    void ReadPropertyMultiple(Request& r, Outcome& out);
    void WriteProperty(Request& r, Outcome& out);
    void WritePropertyMultiple(Request& r, Outcome& out);
    void CreateObject(Request& r, Outcome& out);
    void DeleteObject(Request& r, Outcome& out);
    void WhoIs(Request& r, Outcome& out);
    void WhoHas(Request& r, Outcome& out);
    void TimeSynchronization(Request& r, Outcome& out, bool utc);
    void SubscribeCOV(Request& r, Outcome& out, bool byProperty);
    void ReadRange(Request& r, Outcome& out);
    // The object a read names: device 4194303 stands for this device.
    uint32_t Resolve(uint32_t id) const;

    // One read access result of a ReadPropertyMultiple acknowledgement.
    void AppendResult(Writer& w, const SimObject* object, uint32_t property, uint32_t index);

    Database& m_db;
    // The header objects GetReceiveData picks from, by PDU type.
    CBACnetConfirmReqPDU m_confirmedHeader;
    CBACnetUnconfirmReqPDU m_unconfirmedHeader;
    CBACnetSegmentAckPDU m_segmentAckHeader;
    CBACnetAbortPDU m_abortHeader;
    CBACnetSimpleAckPDU m_simpleAckHeader;
    CBACnetErrorPDU m_errorHeader;
    CBACnetRejectPDU m_rejectHeader;
    CBACnetPDU* m_headers[CBACnetPDU::PDU_TYPES];
    CovTable m_cov;
    Peer m_from;  // the requester of the APDU being handled
};

}  // namespace bacnetsim
