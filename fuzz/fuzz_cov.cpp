// Change of value: a SubscribeCOV or SubscribeCOVProperty request as a
// device receives it, or a notification's parameters (selector octet: 0, 1,
// 2 modulo 3). Whatever decodes is encoded again and decodes to the same
// fields; a notification's encoding given less room is refused; the
// decoded octets cut short are refused unless the cut leaves a whole
// shorter message.
#include <cstring>

#include "FuzzInput.h"
#include "Oracles.h"

namespace {

// The local request header: 01 04, then the four-octet APDU header.
const int kRequestHeader = 6;

bool Same(const CBACnetSubscribeCOVService& a, const CBACnetSubscribeCOVService& b)
{
    return a.m_processID == b.m_processID && a.m_objectID.GetValue() == b.m_objectID.GetValue() &&
           a.m_cancel == b.m_cancel &&
           (a.m_cancel || (a.m_issueConfirmed == b.m_issueConfirmed && a.m_lifetime == b.m_lifetime));
}

bool Same(const CBACnetSubscribeCOVPropertyService& a, const CBACnetSubscribeCOVPropertyService& b)
{
    return Same(static_cast<const CBACnetSubscribeCOVService&>(a), b) && a.m_propertyID == b.m_propertyID &&
           a.m_arrayIndex == b.m_arrayIndex && a.m_hasIncrement == b.m_hasIncrement &&
           (!a.m_hasIncrement || memcmp(&a.m_covIncrement, &b.m_covIncrement, sizeof(float)) == 0);
}

bool Same(const CBACnetCOVNotification& a, const CBACnetCOVNotification& b)
{
    return a.m_processID == b.m_processID && a.m_deviceID.GetValue() == b.m_deviceID.GetValue() &&
           a.m_objectID.GetValue() == b.m_objectID.GetValue() && a.m_timeRemaining == b.m_timeRemaining &&
           a.m_values == b.m_values;
}

template <class Service>
void Subscription(fuzz::Input& in)
{
    Service s;
    int len = 0;
    if (!s.ReadFrame(in.buf(), len, in.end())) {
        fuzz::CheckCursor(len, in.end());
        return;
    }
    fuzz::CheckCursor(len, in.end());
    fuzz::CheckCuts(in.buf(), len, [](unsigned char* buf, int& at, int end) {
        Service cut;
        return cut.ReadFrame(buf, at, end);
    });
    CBACnetOBJ device;
    unsigned char frame[128];
    int n = 0;
    s.MakeFrame(frame, n, &device);
    fuzz::Input copy(frame + kRequestHeader, n - kRequestHeader);
    copy.Rest();
    Service back;
    int at = 0;
    if (!back.ReadFrame(copy.buf(), at, copy.end()) || at != copy.end() || !Same(s, back))
        abort();
    unsigned char again[128];
    int m = 0;
    back.MakeFrame(again, m, &device);
    if (m != n || memcmp(again + kRequestHeader, frame + kRequestHeader, n - kRequestHeader) != 0)
        abort();
}

void Notification(fuzz::Input& in)
{
    CBACnetConfirmedCOVNotifyService n;
    int len = 0;
    const int ok = n.ReadFrame(in.buf(), len, in.end());
    fuzz::CheckCursor(len, in.end());
    if (!ok)
        return;
    // No optional field ends the parameters: every cut is refused.
    fuzz::CheckCuts(in.buf(), len, [](unsigned char* buf, int& at, int end) {
        CBACnetCOVNotifyService cut;
        if (cut.ReadFrame(buf, at, end))
            abort();
        return 0;
    });
    const auto encode = [&n](unsigned char* buf, int& at, int end) { return n.MakeParamsFrame(buf, at, end); };
    const std::vector<unsigned char> frame = fuzz::EncodeOrDie(encode);
    fuzz::CheckRoom(static_cast<int>(frame.size()), encode);
    fuzz::Input copy(frame.data(), frame.size());
    copy.Rest();
    CBACnetCOVNotifyService back;
    int at = 0;
    if (!back.ReadFrame(copy.buf(), at, copy.end()) || at != copy.end() || !Same(n, back))
        abort();
    const std::vector<unsigned char> again = fuzz::EncodeOrDie(
        [&back](unsigned char* buf, int& pos, int end) { return back.MakeParamsFrame(buf, pos, end); });
    if (again != frame)
        abort();
    double pv;
    unsigned char flags;
    n.GetPresentValue(pv);
    n.GetStatusFlags(flags);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Input in(data, size);
    const int which = in.Take() % 3;
    in.Rest();
    if (which == 0)
        Subscription<CBACnetSubscribeCOVService>(in);
    else if (which == 1)
        Subscription<CBACnetSubscribeCOVPropertyService>(in);
    else
        Notification(in);
    return 0;
}
