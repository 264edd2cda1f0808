// The requesting side of a segmented Complex-ACK: segments are taken in
// order into one bounded buffer; those that arrive early within the window
// wait for the gap to fill; each window is answered with a Segment-ACK, a
// gap with one negative Segment-ACK. Nothing here waits or sends: the
// transaction sends the acknowledgements asked for.
#pragma once

#include <cstdint>
#include <vector>

#include "client/Bytes.h"

namespace bacnet::detail {

struct SegmentAck {
    bool m_send = false;
    bool m_negative = false;  // resend everything after m_sequence
    uint8_t m_sequence = 0;   // the last segment held in order
    uint8_t m_window = 1;     // the window this side accepts
};

enum class SegmentResult : uint8_t {
    Ignored,   // a repeat, a segment outside the window, or nothing new in order
    Progress,  // one or more segments joined the reply
    Complete,  // the last segment is in
    TooLarge,  // the reply would pass the cap: give up
};

class Reassembly {
public:
    static constexpr uint8_t kWindowLimit = 16;

    explicit Reassembly(size_t maxOctets, uint8_t windowLimit = kWindowLimit);

    SegmentResult Accept(uint8_t sequence, uint8_t proposedWindow, bool moreFollows, ByteView data, SegmentAck& ack);
    // The wait for the next segment ran out: a negative acknowledgement from the gap on.
    SegmentAck Timeout();

    bool Started() const { return m_started; }
    bool Complete() const { return m_complete; }
    const Bytes& Data() const { return m_data; }
    Bytes TakeData() { return std::move(m_data); }
    int Segments() const { return m_segments; }

private:
    struct Early {
        uint8_t m_sequence;
        bool m_moreFollows;
        Bytes m_data;
    };
    bool Append(ByteView data);
    SegmentAck Ack(bool negative);

    size_t m_maxOctets;
    uint8_t m_windowLimit;
    Bytes m_data;
    std::vector<Early> m_early;  // at most one window of them
    bool m_started = false;
    bool m_complete = false;
    bool m_nakSent = false;       // one negative acknowledgement per gap
    uint8_t m_expected = 0;       // the next sequence number in order
    uint8_t m_windowStart = 0;    // first sequence number of the window being received
    uint8_t m_window = 1;
    int m_segments = 0;
};

}  // namespace bacnet::detail
