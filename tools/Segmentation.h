// Reassembly of a segmented Complex-ACK on the requesting side: segments are
// taken in order into the transaction record, each window is answered with a
// Segment-ACK, a gap with a negative one.
#pragma once

#include <vector>

class CBACnetComplexAckPDU;
class CBACnetOBJ;
class CMyBACnetBlkData;

namespace tool {

// What to do after a segment arrived or the wait for one ran out.
struct SegmentStep {
    bool sendAck = false;
    bool negative = false;          // NAK: resend everything after `sequence`
    unsigned char sequence = 0;     // the last segment received in order
    unsigned char window = 1;       // our actual window size
    bool complete = false;          // the last segment is in
    bool failed = false;            // the record cannot hold the reply
};

class SegmentReassembler {
public:
    // Largest window we accept, whatever the device proposes.
    enum { WINDOW_LIMIT = 16 };

    // Appends the service data of each in-order segment to `record` (status 0).
    explicit SegmentReassembler(CMyBACnetBlkData& record) : m_record(record) {}

    // One received segment: its decoded header and the service data after it.
    SegmentStep Accept(CBACnetComplexAckPDU& header, const unsigned char* data, int n);
    // The wait for the next segment ran out: ask again for what is missing.
    SegmentStep Timeout();

    bool Started() const { return m_started; }
    bool Complete() const { return m_complete; }
    int Segments() const { return m_segments; }
    int Naks() const { return m_naks; }

private:
    SegmentStep Ack(unsigned char sequence, bool negative);
    bool Append(const unsigned char* data, int n);

    CMyBACnetBlkData& m_record;
    bool m_started = false;
    bool m_complete = false;
    unsigned char m_expected = 0;     // sequence number of the next segment in order
    unsigned char m_windowStart = 0;  // first sequence number of the window being received
    unsigned char m_window = 1;
    int m_nakFor = -1;                // the expected segment a NAK was already sent for
    int m_segments = 0;
    int m_naks = 0;
};

// The Segment-ACK answering `step`, network header included, to `device`.
std::vector<unsigned char> BuildSegmentAck(CBACnetOBJ& device, unsigned char invokeID, const SegmentStep& step);

}  // namespace tool
