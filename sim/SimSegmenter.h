// Segmented Complex-ACKs: a reply too long for the requester's max APDU
// goes out in numbered segments, a window at a time, each window
// acknowledged by the requester's Segment-ACK before the next is sent.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <string>
#include <vector>

#include "SimFrame.h"

namespace bacnetsim {

// The device's timing, also shown in its device object.
constexpr unsigned kSegmentTimeoutMs = 1000;  // wait for a Segment-ACK before resending the window
constexpr unsigned kSegmentRetries = 3;       // resends of one window before giving up
// The wait for the answer to a request the device sends (a confirmed notification).
constexpr unsigned kApduTimeoutMs = kSegmentTimeoutMs * (kSegmentRetries + 1);
constexpr int kProposedWindow = 16;           // most segments sent before an acknowledgement
constexpr int kMaxSequence = 256;             // sequence numbers are one octet
// Replies held for acknowledgement: a requester that never acknowledges
// cannot make the device hold more than this. Over a limit, the oldest
// reply goes first.
constexpr size_t kMaxRepliesPerPeer = 4;
constexpr size_t kMaxReplies = 32;
constexpr size_t kMaxHeldOctets = 1u << 20;

class Segmenter {
public:
    using Clock = std::chrono::steady_clock;
    using SendApdu = std::function<void(const Peer&, const std::vector<unsigned char>&)>;
    using Log = std::function<void(const std::string&)>;

    Segmenter(SendApdu send, Log log);

    // Octets of service data one segment carries at a requester's max APDU.
    static int SegmentData(int maxAPDU) { return maxAPDU - 5; }
    static int SegmentsFor(size_t octets, int maxAPDU);

    // Starts sending `params`, the parameters of a Complex-ACK, in segments
    // of at most `maxAPDU` octets. `dropSegment` (1-based, 0 none) is left
    // out of its first sending, to exercise the requester's recovery.
    // Releases the oldest replies held when a limit above is reached; each
    // released requester is told with an Abort (out of resources).
    void Start(const Peer& peer, unsigned char invokeID, unsigned char serviceChoice,
               std::vector<unsigned char> params, int maxAPDU, int dropSegment, Clock::time_point now);
    // The same request again while its reply is under way. A reply whose
    // first segment is still unacknowledged sends that segment again: the
    // requester has shown it is there. Otherwise the segments under way
    // answer it. False when no reply to it is under way.
    bool Repeated(const Peer& peer, unsigned char invokeID, Clock::time_point now);
    // A Segment-ACK from the requester: acknowledges segments up to
    // `sequence` and sets the window; the segments after it follow (after
    // a negative one too, which reports a gap).
    void OnSegmentAck(const Peer& peer, unsigned char invokeID, unsigned char sequence, unsigned char window,
                      Clock::time_point now);
    // The requester gave up.
    void OnAbort(const Peer& peer, unsigned char invokeID);
    // Resends each window whose acknowledgement is overdue; ends the
    // transmissions whose retries are spent. A first segment is never
    // resent on a timer: until the requester acknowledges one, a request
    // draws one segment, so a forged source address gains little.
    void Tick(Clock::time_point now);
    // When Tick next has something to do; Clock::time_point::max() when nothing is held.
    Clock::time_point NextDeadline() const;
    size_t Pending() const { return m_active.size(); }
    size_t HeldOctets() const { return m_heldOctets; }

private:
    struct Transmission {
        Peer peer;
        unsigned char invokeID = 0;
        unsigned char serviceChoice = 0;
        std::vector<unsigned char> params;
        int segmentData = 0;  // octets per segment
        int count = 0;        // segments in all
        int window = 1;       // the requester's window
        int next = 0;         // first segment not acknowledged
        int lastSent = -1;
        int drop = -1;        // sequence number to leave out once
        bool acknowledged = false;  // a Segment-ACK came: the requester is there
        unsigned retries = 0;
        Clock::time_point deadline;
    };

    void SendWindow(Transmission& t, Clock::time_point now);
    void SendSegment(Transmission& t, int sequence);
    std::list<Transmission>::iterator Find(const Peer& peer, unsigned char invokeID);
    std::list<Transmission>::iterator Erase(std::list<Transmission>::iterator it);
    // Tells the requester its reply is released (Abort, out of resources) and forgets it.
    std::list<Transmission>::iterator Abort(std::list<Transmission>::iterator it);
    // Makes room for one more reply of `octets` to `peer`.
    void Release(const Peer& peer, size_t octets);

    SendApdu m_send;
    Log m_log;
    std::list<Transmission> m_active;  // oldest first
    size_t m_heldOctets = 0;
};

}  // namespace bacnetsim
