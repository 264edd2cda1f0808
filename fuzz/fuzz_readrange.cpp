// ReadRange: a request as a device receives it, an acknowledgement's
// parameters, or one log record (selector octet: 0, 1, 2 modulo 3).
// Whatever decodes is encoded again and decodes to the same fields; the
// encoders of the acknowledgement and the record refuse too little room;
// the decoded octets cut short are refused unless the cut leaves a whole
// shorter message.
#include <cstring>

#include "FuzzInput.h"
#include "Oracles.h"

namespace {

const int kRequestHeader = 6;

bool SameRequest(const CBACnetReadRangeService& a, const CBACnetReadRangeService& b)
{
    if (a.m_objectID.GetValue() != b.m_objectID.GetValue() || a.m_propertyID != b.m_propertyID ||
        a.m_arrayIndex != b.m_arrayIndex || a.m_range != b.m_range)
        return false;
    if (a.m_range == CBACnetReadRangeService::RANGE_NONE)
        return true;
    if (a.m_count != b.m_count)
        return false;
    if (a.m_range == CBACnetReadRangeService::RANGE_BY_TIME)
        return a.m_referenceDate == b.m_referenceDate && a.m_referenceTime == b.m_referenceTime;
    return a.m_reference == b.m_reference;
}

bool SameAck(const CBACnetReadRangeService& a, const CBACnetReadRangeService& b)
{
    return a.m_objectID.GetValue() == b.m_objectID.GetValue() && a.m_propertyID == b.m_propertyID &&
           a.m_arrayIndex == b.m_arrayIndex && a.m_resultFlags == b.m_resultFlags &&
           a.m_itemCount == b.m_itemCount && a.m_records == b.m_records && a.m_items == b.m_items &&
           a.m_hasFirstSequence == b.m_hasFirstSequence &&
           (!a.m_hasFirstSequence || a.m_firstSequence == b.m_firstSequence);
}

void Request(fuzz::Input& in)
{
    CBACnetReadRangeService rr;
    int len = 0;
    const int ok = rr.ReadRequestFrame(in.buf(), len, in.end());
    fuzz::CheckCursor(len, in.end());
    if (!ok)
        return;
    fuzz::CheckCuts(in.buf(), len, [](unsigned char* buf, int& at, int end) {
        CBACnetReadRangeService cut;
        return cut.ReadRequestFrame(buf, at, end);
    });
    CBACnetOBJ device;
    unsigned char frame[128];
    int n = 0;
    rr.MakeFrame(frame, n, &device);
    fuzz::Input copy(frame + kRequestHeader, n - kRequestHeader);
    copy.Rest();
    CBACnetReadRangeService back;
    int at = 0;
    if (!back.ReadRequestFrame(copy.buf(), at, copy.end()) || at != copy.end() || !SameRequest(rr, back))
        abort();
}

template <class T, class Read, class Make, class Same>
void BothWays(fuzz::Input& in, Read read, Make make, Same same)
{
    T value;
    int len = 0;
    const int ok = read(value, in.buf(), len, in.end());
    fuzz::CheckCursor(len, in.end());
    if (!ok)
        return;
    fuzz::CheckCuts(in.buf(), len, [&read](unsigned char* buf, int& at, int end) {
        T cut;
        return read(cut, buf, at, end);
    });
    const auto encode = [&](unsigned char* buf, int& at, int end) { return make(value, buf, at, end); };
    const std::vector<unsigned char> frame = fuzz::EncodeOrDie(encode);
    fuzz::CheckRoom(static_cast<int>(frame.size()), encode);
    fuzz::Input copy(frame.data(), frame.size());
    copy.Rest();
    T back;
    int at = 0;
    if (!read(back, copy.buf(), at, copy.end()) || at != copy.end() || !same(value, back))
        abort();
    const std::vector<unsigned char> again =
        fuzz::EncodeOrDie([&](unsigned char* buf, int& pos, int end) { return make(back, buf, pos, end); });
    if (again != frame)
        abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Input in(data, size);
    const int which = in.Take() % 3;
    in.Rest();
    if (which == 0) {
        Request(in);
    } else if (which == 1) {
        BothWays<CBACnetReadRangeService>(
            in, [](CBACnetReadRangeService& r, unsigned char* buf, int& len, int end) { return r.ReadFrame(buf, len, end); },
            [](const CBACnetReadRangeService& r, unsigned char* buf, int& len, int end) {
                return r.MakeAckFrame(buf, len, end);
            },
            SameAck);
    } else {
        BothWays<_BACnetLogRecord>(
            // A record read on its own is whole when it ends the input.
            in,
            [](_BACnetLogRecord& r, unsigned char* buf, int& len, int end) {
                return r.ReadFrame(buf, len, end) && len == end;
            },
            [](const _BACnetLogRecord& r, unsigned char* buf, int& len, int end) { return r.MakeFrame(buf, len, end); },
            [](const _BACnetLogRecord& a, const _BACnetLogRecord& b) { return a == b; });
    }
    return 0;
}
