#include "SimSegmenter.h"

#include <algorithm>

#include "frame/PDU.h"

namespace bacnetsim {

Segmenter::Segmenter(SendApdu send, Log log) : m_send(std::move(send)), m_log(std::move(log)) {}

int Segmenter::SegmentsFor(size_t octets, int maxAPDU)
{
    const size_t per = static_cast<size_t>(SegmentData(maxAPDU));
    return static_cast<int>(std::min<size_t>((octets + per - 1) / per, 1u << 30));
}

void Segmenter::Start(const Peer& peer, unsigned char invokeID, unsigned char serviceChoice,
                      std::vector<unsigned char> params, int maxAPDU, int dropSegment, Clock::time_point now)
{
    Release(peer, params.size());
    Transmission t;
    t.peer = peer;
    t.invokeID = invokeID;
    t.serviceChoice = serviceChoice;
    t.params = std::move(params);
    t.segmentData = SegmentData(maxAPDU);
    t.count = SegmentsFor(t.params.size(), maxAPDU);
    t.drop = dropSegment - 1;
    // The first segment goes alone: its acknowledgement brings the requester's window.
    t.window = 1;
    m_heldOctets += t.params.size();
    m_active.push_back(std::move(t));
    SendWindow(m_active.back(), now);
}

void Segmenter::Release(const Peer& peer, size_t octets)
{
    // The requester's own oldest first: that alone may make room in all, and
    // nobody else then loses a reply.
    size_t fromPeer = static_cast<size_t>(
        std::count_if(m_active.begin(), m_active.end(), [&](const Transmission& t) { return t.peer == peer; }));
    for (auto it = m_active.begin(); it != m_active.end() && fromPeer >= kMaxRepliesPerPeer;) {
        if (it->peer == peer) {
            it = Abort(it);
            fromPeer--;
        } else {
            ++it;
        }
    }
    while (!m_active.empty() && (m_active.size() >= kMaxReplies || m_heldOctets + octets > kMaxHeldOctets))
        Abort(m_active.begin());
}

std::list<Segmenter::Transmission>::iterator Segmenter::Abort(std::list<Transmission>::iterator it)
{
    if (m_log)
        m_log("segmented reply to " + it->peer.Describe() + " invoke " + std::to_string(it->invokeID) +
              " released for a newer one");
    m_send(it->peer, AbortApdu(it->invokeID, ABORT_OUT_OF_RESOURCES));
    return Erase(it);
}

std::list<Segmenter::Transmission>::iterator Segmenter::Erase(std::list<Transmission>::iterator it)
{
    m_heldOctets -= it->params.size();
    return m_active.erase(it);
}

bool Segmenter::Repeated(const Peer& peer, unsigned char invokeID, Clock::time_point now)
{
    auto it = Find(peer, invokeID);
    if (it == m_active.end())
        return false;
    if (it->lastSent == 0 && !it->acknowledged) {
        it->drop = -1;
        SendWindow(*it, now);
    }
    return true;
}

std::list<Segmenter::Transmission>::iterator Segmenter::Find(const Peer& peer, unsigned char invokeID)
{
    return std::find_if(m_active.begin(), m_active.end(),
                        [&](const Transmission& t) { return t.peer == peer && t.invokeID == invokeID; });
}

void Segmenter::OnSegmentAck(const Peer& peer, unsigned char invokeID, unsigned char sequence, unsigned char window,
                             Clock::time_point now)
{
    auto it = Find(peer, invokeID);
    if (it == m_active.end())
        return;
    Transmission& t = *it;
    // A stale acknowledgement (of a window already passed) changes nothing.
    if (sequence < t.next - 1 || sequence > t.lastSent)
        return;
    if (sequence == t.count - 1) {
        Erase(it);
        return;
    }
    t.acknowledged = true;
    t.window = std::clamp<int>(window, 1, kProposedWindow);
    t.next = sequence + 1;
    t.retries = 0;
    SendWindow(t, now);
}

void Segmenter::OnAbort(const Peer& peer, unsigned char invokeID)
{
    auto it = Find(peer, invokeID);
    if (it != m_active.end())
        Erase(it);
}

void Segmenter::Tick(Clock::time_point now)
{
    for (auto it = m_active.begin(); it != m_active.end();) {
        if (now < it->deadline) {
            ++it;
        } else if (it->retries >= kSegmentRetries || !it->acknowledged) {
            if (m_log)
                m_log("segmented reply to " + it->peer.Describe() + " invoke " + std::to_string(it->invokeID) +
                      " abandoned: no acknowledgement");
            it = Erase(it);
        } else {
            it->retries++;
            SendWindow(*it, now);
            ++it;
        }
    }
}

Segmenter::Clock::time_point Segmenter::NextDeadline() const
{
    Clock::time_point next = Clock::time_point::max();
    for (const Transmission& t : m_active)
        next = std::min(next, t.deadline);
    return next;
}

void Segmenter::SendWindow(Transmission& t, Clock::time_point now)
{
    const int last = std::min(t.next + t.window, t.count);
    for (int sequence = t.next; sequence < last; sequence++)
        SendSegment(t, sequence);
    t.lastSent = last - 1;
    t.deadline = now + std::chrono::milliseconds(kSegmentTimeoutMs);
}

void Segmenter::SendSegment(Transmission& t, int sequence)
{
    if (sequence == t.drop) {
        t.drop = -1;
        if (m_log)
            m_log("segment " + std::to_string(sequence) + " left out once");
        return;
    }
    CBACnetComplexAckPDU header;
    header.SetSegmentRequest();
    if (sequence < t.count - 1)
        header.SetNextFrameRequest();
    header.SetInvokeID(t.invokeID);
    header.SetSequenceNo(static_cast<unsigned char>(sequence));
    header.SetWindowSize(kProposedWindow);
    header.SetServiceChoice(t.serviceChoice);
    const size_t from = static_cast<size_t>(sequence) * static_cast<size_t>(t.segmentData);
    const size_t n = std::min(t.params.size() - from, static_cast<size_t>(t.segmentData));
    std::vector<unsigned char> apdu(8 + n);
    int len = 0;
    header.MakeFrame(apdu.data(), len);
    std::copy(t.params.begin() + from, t.params.begin() + from + n, apdu.begin() + len);
    apdu.resize(len + n);
    m_send(t.peer, apdu);
}

}  // namespace bacnetsim
