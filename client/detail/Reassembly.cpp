#include "client/detail/Reassembly.h"

#include <algorithm>

namespace bacnet::detail {

Reassembly::Reassembly(size_t maxOctets, uint8_t windowLimit)
    : m_maxOctets(maxOctets), m_windowLimit(std::clamp<uint8_t>(windowLimit, 1, 127))
{
}

bool Reassembly::Append(ByteView data)
{
    if (data.size() > m_maxOctets - m_data.size())
        return false;
    m_data.insert(m_data.end(), data.begin(), data.end());
    m_segments++;
    return true;
}

SegmentAck Reassembly::Ack(bool negative)
{
    SegmentAck ack;
    ack.m_send = true;
    ack.m_negative = negative;
    ack.m_sequence = static_cast<uint8_t>(m_expected - 1);
    ack.m_window = m_window;
    return ack;
}

SegmentResult Reassembly::Accept(uint8_t sequence, uint8_t proposedWindow, bool moreFollows, ByteView data,
                                 SegmentAck& ack)
{
    ack = SegmentAck();
    if (m_complete) {
        // The device did not hear our last acknowledgement.
        if (sequence == static_cast<uint8_t>(m_expected - 1))
            ack = Ack(false);
        return SegmentResult::Ignored;
    }
    if (!m_started) {
        // Segment 0 comes first and waits for its acknowledgement; anything
        // else before it belongs to some other exchange.
        if (sequence != 0)
            return SegmentResult::Ignored;
        m_started = true;
        m_window = std::clamp<uint8_t>(proposedWindow, 1, m_windowLimit);
    }
    if (sequence == m_expected) {
        if (!Append(data))
            return SegmentResult::TooLarge;
        m_expected++;
        bool more = moreFollows;
        // Segments that came early join now, in order.
        for (auto it = m_early.begin(); more && it != m_early.end();) {
            if (it->m_sequence != m_expected) {
                ++it;
                continue;
            }
            if (!Append(it->m_data))
                return SegmentResult::TooLarge;
            more = it->m_moreFollows;
            m_expected++;
            m_early.erase(it);
            it = m_early.begin();
        }
        if (!more) {
            m_complete = true;
            m_early.clear();
            ack = Ack(false);
            return SegmentResult::Complete;
        }
        m_early.erase(std::remove_if(m_early.begin(), m_early.end(),
                                     [&](const Early& e) { return uint8_t(e.m_sequence - m_expected) >= m_window; }),
                      m_early.end());
        // Segment 0 is answered at once with our window; later ones at the
        // end of each window.
        if (m_expected == 1 || uint8_t(m_expected - m_windowStart) >= m_window) {
            m_windowStart = m_expected;
            m_nakSent = false;
            ack = Ack(false);
        }
        return SegmentResult::Progress;
    }
    const uint8_t ahead = static_cast<uint8_t>(sequence - m_expected);
    const uint8_t inWindow = static_cast<uint8_t>(sequence - m_windowStart);
    if (ahead < m_window && inWindow < m_window) {
        const bool known = std::any_of(m_early.begin(), m_early.end(),
                                       [&](const Early& e) { return e.m_sequence == sequence; });
        if (!known && m_early.size() < m_window)
            m_early.push_back(Early{sequence, moreFollows, data.ToBytes()});
        // The window ended with a gap: ask once for what is missing.
        if ((inWindow == m_window - 1 || !moreFollows) && !m_nakSent) {
            m_nakSent = true;
            m_windowStart = m_expected;
            ack = Ack(true);
        }
        return SegmentResult::Ignored;
    }
    // The segment we last acknowledged again: our acknowledgement was lost.
    if (sequence == static_cast<uint8_t>(m_expected - 1) && m_windowStart == m_expected)
        ack = Ack(false);
    return SegmentResult::Ignored;
}

SegmentAck Reassembly::Timeout()
{
    if (!m_started || m_complete)
        return SegmentAck();
    m_nakSent = true;
    m_windowStart = m_expected;
    return Ack(true);
}

}  // namespace bacnet::detail
