#include "Segmentation.h"

#include <algorithm>

#include <bacnetcodec/bacnetcodec.h>

namespace tool {

bool SegmentReassembler::Append(const unsigned char* data, int n)
{
    m_record.SetData(CMyBACnetBlkData::STATUS_DATA, n, const_cast<unsigned char*>(data));
    m_segments++;
    return m_record.m_status == CMyBACnetBlkData::STATUS_DATA;
}

SegmentStep SegmentReassembler::Ack(unsigned char sequence, bool negative)
{
    SegmentStep step;
    step.sendAck = true;
    step.negative = negative;
    step.sequence = sequence;
    step.window = m_window;
    step.complete = m_complete;
    if (negative)
        m_naks++;
    return step;
}

SegmentStep SegmentReassembler::Accept(CBACnetComplexAckPDU& header, const unsigned char* data, int n)
{
    const unsigned char sequence = header.GetSequenceNo();
    if (m_complete)
        return Ack(static_cast<unsigned char>(m_expected - 1), false);  // our last ACK was lost
    if (!m_started) {
        // A device sends segment 0 first and waits for its ACK; anything else
        // before it belongs to an older exchange.
        if (sequence != 0)
            return SegmentStep();
        m_started = true;
        m_window = static_cast<unsigned char>(std::clamp<int>(header.GetWindowSize(), 1, WINDOW_LIMIT));
    }
    if (sequence == m_expected) {
        if (!Append(data, n)) {
            SegmentStep failed;
            failed.failed = true;
            return failed;
        }
        m_expected++;
        m_nakFor = -1;
        if (!header.GetMoreFow()) {
            m_complete = true;
            return Ack(sequence, false);
        }
        // Segment 0 is answered at once with our window size; later ones at
        // the end of each window.
        if (sequence == 0 || static_cast<unsigned char>(sequence - m_windowStart + 1) >= m_window) {
            m_windowStart = m_expected;
            return Ack(sequence, false);
        }
        return SegmentStep();
    }
    const unsigned char last = static_cast<unsigned char>(m_expected - 1);
    if (sequence == last)
        return Ack(last, false);  // a repeated window: our ACK was lost
    const unsigned char ahead = static_cast<unsigned char>(sequence - m_expected);
    if (ahead < 128 && m_nakFor != m_expected) {
        m_nakFor = m_expected;  // one NAK per gap: the device resends from there
        return Ack(last, true);
    }
    return SegmentStep();  // older repeats, or a gap already reported
}

SegmentStep SegmentReassembler::Timeout()
{
    if (!m_started || m_complete)
        return SegmentStep();
    m_nakFor = m_expected;
    return Ack(static_cast<unsigned char>(m_expected - 1), true);
}

std::vector<unsigned char> BuildSegmentAck(CBACnetOBJ& device, unsigned char invokeID, const SegmentStep& step)
{
    CBACnetNPCI network;
    network.MakeDstNetworkFrame(device.m_address);
    CBACnetSegmentAckPDU ack;
    if (!step.negative)
        ack.m_firstOctet &= static_cast<unsigned char>(~CBACnetPDU::BIT_SA);  // constructed as a NAK
    ack.SetInvokeID(invokeID);
    ack.SetSequenceNo(step.sequence);
    ack.SetWindowSize(step.window);
    unsigned char frame[64];
    int len = 0;
    network.MakeFrame(frame, len);
    ack.MakeFrame(frame, len);
    return std::vector<unsigned char>(frame, frame + len);
}

}  // namespace tool
